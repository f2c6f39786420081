#include "comparisonpage.h"

#include "budgets.h"

#include "components/busy.h"
#include "components/dbgrideh.h"
#include "components/formwidgets.h"
#include "components/gridexport.h"
#include "components/gridprinter.h"
#include "components/linechart.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "statswidgets.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <cmath>

using namespace StatsWidgets;

namespace {
const QString All = QStringLiteral("选择全部");
} // namespace

ComparisonPage::ComparisonPage(GridPrinter *printer, SaveDialog *saveDialog, SaveDialog *pictureDialog, QWidget *parent)
    : QWidget(parent)
    , m_printer(printer)
    , m_saveDialog(saveDialog)
    , m_pictureDialog(pictureDialog)
{
    DBChart2 = new LineChart(this);
    DBChart2->setObjectName(QStringLiteral("DBChart2"));
    DBChart2->setAccessibleName(QStringLiteral("各时间段家庭收支情况汇总分析图"));
    DBChart2->setTitle(QStringLiteral("各 时 间 段 家 庭 收 支 情 况 汇 总 分 析"));
    DBChart2->setValueAxisTitle(QString(47, QLatin1Char(' ')) + QStringLiteral("金额(元)"));

    DBGridEh3 = new DBGridEh(this);
    DBGridEh3->setAccessibleName(QStringLiteral("各时间段收支汇总表"));
    DBGridEh3->setObjectName(QStringLiteral("DBGridEh3"));
    DBGridEh3->setDataSource(DM->DSFyfx);
    DBGridEh3->setColumns(
        {GridColumn::of(QStringLiteral("时段"), QStringLiteral("sd"), 80).counting(QStringLiteral("共 0 项")),
         GridColumn::of(QStringLiteral("次数"), QStringLiteral("cs"), 40, Qt::AlignRight).summing(),
         GridColumn::amount(QStringLiteral("收入合计"), QStringLiteral("srhj"), 80),
         GridColumn::amount(QStringLiteral("支出合计"), QStringLiteral("zchj"), 80),
         GridColumn::amount(QStringLiteral("净收支合计"), QStringLiteral("jszehj"), 80)});

    BitBtn19 = button("BitBtn19", QStringLiteral("打印图片"), this);
    BitBtn20 = button("BitBtn20", QStringLiteral("导出图片"), this);
    DateTimePicker3 = FormWidgets::datePicker(this);
    DateTimePicker3->setObjectName(QStringLiteral("DateTimePicker3"));
    DateTimePicker4 = FormWidgets::datePicker(this);
    DateTimePicker4->setObjectName(QStringLiteral("DateTimePicker4"));
    ComboBox3 = new QComboBox(this);
    ComboBox3->setObjectName(QStringLiteral("ComboBox3"));
    ComboBox3->addItems({QStringLiteral("按日汇总"), QStringLiteral("按月汇总"), QStringLiteral("按年汇总")});
    ComboBox5 = new QComboBox(this);
    ComboBox5->setObjectName(QStringLiteral("ComboBox5"));
    ComboBox4 = new QComboBox(this);
    ComboBox4->setObjectName(QStringLiteral("ComboBox4"));
    for (QComboBox *box : {ComboBox5, ComboBox4}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->addItem(All);
    }
    BitBtn16 = button("BitBtn16", QStringLiteral("统 计"), this);
    BitBtn17 = button("BitBtn17", QStringLiteral("打印表格"), this);
    BitBtn18 = button("BitBtn18", QStringLiteral("导出数据"), this);

    // the chart above; below it the grid beside the conditions and commands
    auto *chartButtons = new QHBoxLayout;
    chartButtons->addStretch();
    chartButtons->addWidget(BitBtn19);
    chartButtons->addWidget(BitBtn20);
    auto *to = new QLabel(QStringLiteral("至"), this);
    auto *conditions = new QGridLayout;
    conditions->addWidget(FormWidgets::group(QStringLiteral("起止日期"), {DateTimePicker3, to, DateTimePicker4}, this),
                          0, 0, 1, 2);
    conditions->addWidget(FormWidgets::group(QStringLiteral("汇总时段"), {ComboBox3}, this), 1, 0, 1, 2);
    conditions->addWidget(FormWidgets::group(QStringLiteral("费用项目"), {ComboBox5}, this), 2, 0);
    conditions->addWidget(FormWidgets::group(QStringLiteral("项目明细"), {ComboBox4}, this), 2, 1);
    auto *commands = new QHBoxLayout;
    for (QPushButton *b : {BitBtn16, BitBtn17, BitBtn18})
        commands->addWidget(b);
    auto *side = new QVBoxLayout;
    side->addLayout(conditions);
    side->addStretch();
    side->addLayout(commands);
    auto *lower = new QHBoxLayout;
    lower->addWidget(DBGridEh3, 1);
    lower->addLayout(side);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(DBChart2, 3);
    layout->addLayout(chartButtons);
    layout->addLayout(lower, 2);

    setTabOrder(DateTimePicker3, DateTimePicker4);
    setTabOrder(DateTimePicker4, ComboBox3);
    setTabOrder(ComboBox3, ComboBox5);
    setTabOrder(ComboBox5, ComboBox4);
    setTabOrder(ComboBox4, BitBtn16);

    connect(ComboBox5, &QComboBox::currentTextChanged, this, guarded([this] { ComboBox5Change(); }));
    connect(BitBtn16, &QPushButton::clicked, this, guarded([this] { BitBtn16Click(); }));
    connect(BitBtn17, &QPushButton::clicked, this, guarded([this] { BitBtn17Click(); }));
    connect(BitBtn18, &QPushButton::clicked, this, guarded([this] { BitBtn18Click(); }));
    connect(BitBtn19, &QPushButton::clicked, this, guarded([this] { BitBtn19Click(); }));
    connect(BitBtn20, &QPushButton::clicked, this, guarded([this] { BitBtn20Click(); }));
}

QStringList ComparisonPage::readItems()
{
    Dataset *items = DM->ADOQxmls;
    items->requery(QStringLiteral("select * from fyxm"));
    return FormWidgets::values(items, QStringLiteral("xmmc"));
}

void ComparisonPage::fillItems(const QStringList &names)
{
    FormWidgets::fillList(ComboBox5, All, names);
}

void ComparisonPage::ComboBox5Change()
{
    FormWidgets::fillDetailList(ComboBox4, ComboBox5->currentText());
}

QString ComparisonPage::statement() const
{
    QString body = QStringLiteral(",count(zbid) as cs,sum(sr) as srhj,sum(zc) as zchj,sum(jsze) as jszehj from szzb");
    body += QStringLiteral(" where rq >= #") + sqlDate(DateTimePicker3->date()) + QStringLiteral("# and rq<= #")
            + sqlDate(DateTimePicker4->date()) + QStringLiteral("#");
    auto condition = [](const QComboBox *box, const char *column) {
        if (box->currentText() == All)
            return QStringLiteral(" ");
        return QStringLiteral(" and ") + QLatin1String(column) + QStringLiteral("='") + sqlText(box->currentText())
               + QStringLiteral("'");
    };
    body += condition(ComboBox5, "xm");
    body += condition(ComboBox4, "mx");
    const QString period = ComboBox3->currentText();
    if (period == QStringLiteral("按月汇总"))
        return QStringLiteral("select left(cdate(rq),7) as sd") + body + QStringLiteral(" group by left(cdate(rq),7)");
    if (period == QStringLiteral("按年汇总"))
        return QStringLiteral("select left(cdate(rq),4) as sd") + body + QStringLiteral(" group by left(cdate(rq),4)");
    return QStringLiteral("select rq as sd") + body + QStringLiteral(" group by rq");
}

void ComparisonPage::BitBtn16Click()
{
    Dataset *comparison = DM->ADOQFyfx;
    // a failure leaves the lines as they were
    requeryShowingProgress(window(), comparison, statement(), QStringLiteral("正在按时段汇总……"));
    // The grid lists the periods with entries; the chart shows every period
    // of the range, those without entries at zero, so that a missing month
    // is not read as "no change".
    QHash<QString, QPair<double, double>> totals;
    const int rows = comparison->recordCount();
    if (rows > 0) {
        const int key = comparison->requireField(QStringLiteral("sd"));
        const int income = comparison->requireField(QStringLiteral("srhj"));
        const int expense = comparison->requireField(QStringLiteral("zchj"));
        totals.reserve(rows);
        for (int row = 0; row < rows; ++row)
            totals.insert(comparison->textAt(row, key),
                          {comparison->valueAt(row, expense).toDouble(), comparison->valueAt(row, income).toDouble()});
    }
    const QStringList labels
        = periodLabels(ComboBox3->currentIndex(), DateTimePicker3->date(), DateTimePicker4->date());
    QList<double> expenses;
    QList<double> incomes;
    expenses.reserve(labels.size());
    incomes.reserve(labels.size());
    for (const QString &label : labels) {
        const QPair<double, double> t = totals.value(label);
        expenses.append(t.first);
        incomes.append(t.second);
    }
    DBChart2->setPeriods(labels, expenses, incomes);
    // one item by month: its monthly budget as a dashed line, where it has one
    if (ComboBox3->currentIndex() == 1 && ComboBox5->currentText() != All && ComboBox4->currentText() == All) {
        QList<double> budget;
        bool any = false;
        for (const QString &label : labels) {
            const QDate month = QDate::fromString(label + QStringLiteral("-01"), Qt::ISODate);
            const qint64 cents = Budgets::monthBudget(DM->ADOConnection1, ComboBox5->currentText(), month);
            any = any || cents >= 0;
            budget.append(cents >= 0 ? double(cents) / 100.0 : std::nan(""));
        }
        if (any)
            DBChart2->setBudget(budget);
    }
}

QStringList ComparisonPage::periodLabels(int period, const QDate &from, const QDate &to)
{
    QStringList labels;
    if (!from.isValid() || !to.isValid() || from > to)
        return labels;
    if (period == 2) { // 按年汇总
        for (int y = from.year(); y <= to.year(); ++y)
            labels.append(QString::number(y));
    } else if (period == 1) { // 按月汇总
        for (QDate m(from.year(), from.month(), 1); m <= to; m = m.addMonths(1))
            labels.append(m.toString(QStringLiteral("yyyy-MM")));
    } else {
        labels.reserve(int(from.daysTo(to)) + 1);
        for (QDate d = from; d <= to; d = d.addDays(1))
            labels.append(d.toString(QStringLiteral("yyyy-MM-dd")));
    }
    return labels;
}

void ComparisonPage::BitBtn17Click()
{
    m_printer->previewGrid(DBGridEh3, QStringLiteral("各时间段家庭收支情况汇总分析"), window());
}

void ComparisonPage::BitBtn18Click()
{
    m_saveDialog->fileName = QStringLiteral("各时间段家庭收支情况汇总分析");
    ExportGrid(m_saveDialog, DBGridEh3);
}

void ComparisonPage::BitBtn19Click()
{
    DBChart2->printPreview(window());
}

void ComparisonPage::BitBtn20Click()
{
    ExportChartPicture(m_pictureDialog, DBChart2);
}
