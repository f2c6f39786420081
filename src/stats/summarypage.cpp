#include "summarypage.h"

#include "budgetview.h"

#include "components/busy.h"
#include "components/dbgrideh.h"
#include "components/formwidgets.h"
#include "components/gridexport.h"
#include "components/gridprinter.h"
#include "components/piechart.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "statswidgets.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabBar>
#include <QVBoxLayout>

using namespace StatsWidgets;

namespace {
const QString AllAccounts = QStringLiteral("全部");
const QString ByType = QStringLiteral("收支类型");
} // namespace

SummaryPage::SummaryPage(GridPrinter *printer, SaveDialog *saveDialog, SaveDialog *pictureDialog, QWidget *parent)
    : QWidget(parent)
    , m_printer(printer)
    , m_saveDialog(saveDialog)
    , m_pictureDialog(pictureDialog)
{
    Label2 = pageTitle(QStringLiteral("家 庭 收 支 情 况 分 类 汇 总 统 计"), this);
    Label2->setObjectName(QStringLiteral("Label2"));

    DBGridEh2 = new DBGridEh(this);
    DBGridEh2->setAccessibleName(QStringLiteral("分类汇总表"));
    DBGridEh2->setObjectName(QStringLiteral("DBGridEh2"));
    DBGridEh2->setDataSource(DM->DSFlhz);
    DBGridEh2->setColumns(
        {GridColumn::of(QStringLiteral("分类项目名称"), QStringLiteral("flxm"), 100)
             .counting(QStringLiteral("共 0 项")),
         GridColumn::of(QStringLiteral("次数"), QStringLiteral("fycs"), 40, Qt::AlignRight).summing(),
         GridColumn::amount(QStringLiteral("收入合计"), QStringLiteral("srhj"), 72, QColor(0, 128, 0)),
         GridColumn::amount(QStringLiteral("支出合计"), QStringLiteral("zchj"), 72, QColor(255, 0, 0)),
         GridColumn::amount(QStringLiteral("净收支合计"), QStringLiteral("jszehj"), 76, QColor(0, 0, 255))});

    DateTimePicker1 = FormWidgets::datePicker(this);
    DateTimePicker1->setObjectName(QStringLiteral("DateTimePicker1"));
    DateTimePicker2 = FormWidgets::datePicker(this);
    DateTimePicker2->setObjectName(QStringLiteral("DateTimePicker2"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("费用项目"), QStringLiteral("费用明细"), QStringLiteral("收支帐户"), ByType});
    ComboBox2 = new QComboBox(this);
    ComboBox2->setObjectName(QStringLiteral("ComboBox2"));
    ComboBox2->addItems({QStringLiteral("支出"), QStringLiteral("收入")});
    ComboBox9 = new QComboBox(this);
    ComboBox9->setObjectName(QStringLiteral("ComboBox9"));
    ComboBox9->setEditable(true);
    ComboBox9->setInsertPolicy(QComboBox::NoInsert);
    ComboBox9->addItem(AllAccounts);
    BitBtn7 = button("BitBtn7", QStringLiteral("统 计"), this);
    BitBtn8 = button("BitBtn8", QStringLiteral("打印"), this);
    BitBtn9 = button("BitBtn9", QStringLiteral("导出数据"), this);

    DBChart1 = new PieChart(this);
    DBChart1->setObjectName(QStringLiteral("DBChart1"));
    DBChart1->setAccessibleName(QStringLiteral("家庭收支情况分类汇总分析图"));
    DBChart1->setTitle(QStringLiteral("家庭收支情况分类汇总分析图"));
    BitBtn10 = button("BitBtn10", QStringLiteral("旋转"), this);
    BitBtn11 = button("BitBtn11", QStringLiteral("放大"), this);
    BitBtn12 = button("BitBtn12", QStringLiteral("缩小"), this);
    BitBtn13 = button("BitBtn13", QStringLiteral("翻转"), this);
    BitBtn14 = button("BitBtn14", QStringLiteral("打印"), this);
    BitBtn15 = button("BitBtn15", QStringLiteral("导出图片"), this);

    // above: the grid beside the chart with its buttons; below: the
    // conditions and the commands
    auto *chartButtons = new QHBoxLayout;
    chartButtons->setSpacing(3);
    chartButtons->addStretch();
    for (QPushButton *b : {BitBtn10, BitBtn11, BitBtn12, BitBtn13, BitBtn14, BitBtn15}) {
        b->setMinimumWidth(0);
        chartButtons->addWidget(b);
    }
    chartButtons->addStretch();
    auto *chartSide = new QWidget(this);
    auto *chartLayout = new QVBoxLayout(chartSide);
    chartLayout->setContentsMargins(0, 0, 0, 0);
    chartLayout->addWidget(DBChart1, 1);
    chartLayout->addLayout(chartButtons);
    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(DBGridEh2);
    split->addWidget(chartSide);
    split->setStretchFactor(0, 9);
    split->setStretchFactor(1, 10);
    split->setSizes({380, 420});
    split->setChildrenCollapsible(false);

    auto *to = new QLabel(QStringLiteral("至"), this);
    auto *conditions = new QHBoxLayout;
    conditions->addWidget(FormWidgets::group(QStringLiteral("起止日期"), {DateTimePicker1, to, DateTimePicker2}, this),
                          3);
    conditions->addWidget(FormWidgets::group(QStringLiteral("汇总分类方式"), {ComboBox1}, this), 1);
    conditions->addWidget(FormWidgets::group(QStringLiteral("收支类型"), {ComboBox2}, this), 1);
    conditions->addWidget(FormWidgets::group(QStringLiteral("收支帐户"), {ComboBox9}, this), 1);
    auto *commands = new QVBoxLayout;
    commands->setSpacing(2);
    commands->addWidget(BitBtn7);
    auto *printing = new QHBoxLayout;
    printing->addWidget(BitBtn8);
    printing->addWidget(BitBtn9);
    commands->addLayout(printing);
    conditions->addLayout(commands);

    // the summary (grid and pie with their conditions) or the budgets
    auto *summary = new QWidget(this);
    auto *summaryLayout = new QVBoxLayout(summary);
    summaryLayout->setContentsMargins(0, 0, 0, 0);
    summaryLayout->addWidget(split, 1);
    summaryLayout->addLayout(conditions);
    BudgetView1 = new BudgetView(this);
    Views = new QStackedWidget(this);
    Views->addWidget(summary);
    Views->addWidget(BudgetView1);
    TabBar1 = new QTabBar(this);
    TabBar1->setObjectName(QStringLiteral("TabBar1"));
    TabBar1->setAccessibleName(QStringLiteral("统计内容"));
    TabBar1->addTab(QStringLiteral("分类汇总"));
    TabBar1->addTab(QStringLiteral("预算执行"));
    TabBar1->setDrawBase(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Label2);
    layout->addWidget(TabBar1);
    layout->addWidget(Views, 1);

    setTabOrder(DateTimePicker1, DateTimePicker2);
    setTabOrder(DateTimePicker2, ComboBox1);
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, ComboBox9);
    setTabOrder(ComboBox9, BitBtn7);

    connect(TabBar1, &QTabBar::currentChanged, Views, &QStackedWidget::setCurrentIndex);
    connect(ComboBox1, &QComboBox::currentTextChanged, this, guarded([this] { ComboBox1Change(); }));
    connect(BitBtn7, &QPushButton::clicked, this, guarded([this] { BitBtn7Click(); }));
    connect(BitBtn8, &QPushButton::clicked, this, guarded([this] { BitBtn8Click(); }));
    connect(BitBtn9, &QPushButton::clicked, this, guarded([this] { BitBtn9Click(); }));
    connect(BitBtn10, &QPushButton::clicked, this, guarded([this] { BitBtn10Click(); }));
    connect(BitBtn11, &QPushButton::clicked, this, guarded([this] { BitBtn11Click(); }));
    connect(BitBtn12, &QPushButton::clicked, this, guarded([this] { BitBtn12Click(); }));
    connect(BitBtn13, &QPushButton::clicked, this, guarded([this] { BitBtn13Click(); }));
    connect(BitBtn14, &QPushButton::clicked, this, guarded([this] { BitBtn14Click(); }));
    connect(BitBtn15, &QPushButton::clicked, this, guarded([this] { BitBtn15Click(); }));
}

QString SummaryPage::emptyKeyLabel()
{
    return QStringLiteral("（未填写）");
}

void SummaryPage::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        guard([this] { TabSheet2Show(); });
}

void SummaryPage::TabSheet2Show()
{
    FormWidgets::fillList(ComboBox9, AllAccounts, QStringLiteral("select * from jtcy"), QStringLiteral("cyxm"));
}

void SummaryPage::ComboBox1Change()
{
    ComboBox2->setEnabled(ComboBox1->currentText() != ByType);
}

QString SummaryPage::statement() const
{
    QString select;
    QString group;
    QString body = QStringLiteral(
        " count(zbid) as fycs,sum(sr) as srhj,sum(zc) as zchj,sum(jsze) as jszehj,sum(sr)+sum(zc) as jehj");
    body += QStringLiteral(" from szzb ");
    body += QStringLiteral(" where rq >= #") + sqlDate(DateTimePicker1->date()) + QStringLiteral("# and rq<= #")
            + sqlDate(DateTimePicker2->date()) + QStringLiteral("#");
    if (ComboBox2->isEnabled()) {
        const QString grouping = ComboBox1->currentText();
        const char *column = grouping == QStringLiteral("费用明细")   ? "mx"
                             : grouping == QStringLiteral("收支帐户") ? "szr"
                                                                      : "xm";
        // an empty name and none at all are one group, "（未填写）"
        select = QStringLiteral("select ifnull(%1,'') as flxm,").arg(QLatin1String(column));
        group = QStringLiteral(" group by ifnull(%1,'')").arg(QLatin1String(column));
        body += QStringLiteral(" and lx='") + sqlText(ComboBox2->currentText()) + QStringLiteral("'");
    } else {
        select = QStringLiteral("select lx as flxm,");
        group = QStringLiteral(" group by lx");
    }
    if (ComboBox9->currentText() != AllAccounts)
        body += QStringLiteral(" and szr='") + sqlText(ComboBox9->currentText()) + QStringLiteral("'");
    return select + body + group;
}

void SummaryPage::BitBtn7Click()
{
    Dataset *summary = DM->ADOQFlhz;
    // a failure leaves the pie as it was
    requeryShowingProgress(window(), summary, statement(), QStringLiteral("正在分类汇总……"));
    DBChart1->clear();
    if (summary->isEmpty())
        return;
    const int key = summary->requireField(QStringLiteral("flxm"));
    const int gross = summary->requireField(QStringLiteral("jehj"));
    for (int row = 0; row < summary->recordCount(); ++row) {
        const QString label = summary->textAt(row, key);
        DBChart1->addSlice(label.isEmpty() ? emptyKeyLabel() : label, summary->valueAt(row, gross).toDouble());
    }
}

void SummaryPage::BitBtn8Click()
{
    m_printer->previewGrid(DBGridEh2, Label2->text(), window());
}

void SummaryPage::BitBtn9Click()
{
    m_saveDialog->fileName = Label2->text();
    ExportGrid(m_saveDialog, DBGridEh2);
}

void SummaryPage::BitBtn10Click()
{
    DBChart1->setRotationAngle((DBChart1->rotationAngle() + 5) % 360);
}

void SummaryPage::BitBtn11Click()
{
    DBChart1->setZoom(DBChart1->zoom() + 18);
}

void SummaryPage::BitBtn12Click()
{
    if (DBChart1->zoom() - 18 > 0)
        DBChart1->setZoom(DBChart1->zoom() - 18);
}

void SummaryPage::BitBtn13Click()
{
    DBChart1->setElevation(DBChart1->elevation() + 18);
}

void SummaryPage::BitBtn14Click()
{
    DBChart1->printPreview(window());
}

void SummaryPage::BitBtn15Click()
{
    ExportChartPicture(m_pictureDialog, DBChart1);
}
