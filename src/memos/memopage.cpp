#include "memopage.h"

#include "components/clicklabel.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/rowinprogress.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "duememos.h"
#include "platform/platform.h"
#include "tfrmjssx.h"
#include "tfrmjstx.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

GridColumn column(const char *title, const char *field, int width, Qt::Alignment align = Qt::AlignCenter)
{
    return GridColumn::of(QString::fromUtf8(title), QLatin1String(field), width, align);
}

} // namespace

MemoPage::MemoPage(QWidget *parent)
    : QWidget(parent)
{
    Panel10 = new QLabel(QStringLiteral("家  庭  记  事  与  提  醒"), this);
    Panel10->setObjectName(QStringLiteral("Panel10"));
    Panel10->setAlignment(Qt::AlignCenter);
    Panel10->setStyleSheet(
        QStringLiteral("QLabel { color: green; font-weight: bold; font-size: 22px; "
                       "font-family: '华文行楷', 'STXingkai', 'AR PL UKai CN', 'Noto Sans CJK SC'; }"));
    Label16 = new ClickLabel(QStringLiteral("共有 0  件提醒事务到期"), this);
    Label16->setObjectName(QStringLiteral("Label16"));
    Label16->setToolTip(QStringLiteral("【点击显示到期事务】"));
    Label16->setStyleSheet(QStringLiteral("QLabel { color: #ff00ff; font-weight: bold; }"));
    auto *top = new QHBoxLayout;
    top->addSpacing(150);
    top->addWidget(Panel10, 1);
    top->addWidget(Label16, 0, Qt::AlignRight | Qt::AlignVCenter);

    DBGridEh5 = new DBGridEh(this);
    DBGridEh5->setAccessibleName(QStringLiteral("记事列表"));
    DBGridEh5->setObjectName(QStringLiteral("DBGridEh5"));
    DBGridEh5->setDataSource(DM->DSjs);
    DBGridEh5->setColumns(
        {column("顺号", "jsid", 32), column("记事日期", "jsrq", 65), column("类型", "jslxmc", 67),
         column("主题", "zt", 267, Qt::AlignLeft).counting(QStringLiteral("共 0 条")).fillingTheRoom(),
         column("记事人", "jsr", 56, Qt::AlignLeft), column("提醒状态", "txfs", 71), column("提醒日期", "txqsrq", 82),
         column("最后修改记事时间", "jsczsj", 137)});

    BitBtn27 = new QPushButton(QStringLiteral("添加"), this);
    BitBtn28 = new QPushButton(QStringLiteral("修改"), this);
    BitBtn29 = new QPushButton(QStringLiteral("删除"), this);
    GroupBox12 = new QGroupBox(QStringLiteral("按照主题关键字进行查找"), this);
    auto *subjectLabel = new QLabel(QStringLiteral("主题"), GroupBox12);
    Edit4 = new QLineEdit(GroupBox12);
    subjectLabel->setBuddy(Edit4);
    BitBtn30 = new QPushButton(QStringLiteral("确定"), GroupBox12);
    auto *search = new QHBoxLayout(GroupBox12);
    search->setContentsMargins(6, 2, 6, 2);
    search->addWidget(subjectLabel);
    search->addWidget(Edit4, 1);
    search->addWidget(BitBtn30);
    BitBtn31 = new QPushButton(QStringLiteral("条件筛选"), this);
    const QList<QPair<const char *, QWidget *>> named
        = {{"BitBtn27", BitBtn27}, {"BitBtn28", BitBtn28}, {"BitBtn29", BitBtn29}, {"GroupBox12", GroupBox12},
           {"Edit4", Edit4},       {"BitBtn30", BitBtn30}, {"BitBtn31", BitBtn31}};
    for (const auto &[name, widget] : named)
        widget->setObjectName(QLatin1String(name));
    Edit4->setAccessibleName(QStringLiteral("主题关键字"));
    auto *bottom = new QHBoxLayout;
    bottom->addWidget(BitBtn27);
    bottom->addWidget(BitBtn28);
    bottom->addWidget(BitBtn29);
    bottom->addSpacing(12);
    bottom->addWidget(GroupBox12, 1);
    bottom->addSpacing(12);
    bottom->addWidget(BitBtn31);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(DBGridEh5, 1);
    layout->addLayout(bottom);

    connect(BitBtn27, &QPushButton::clicked, this, guarded([this] { BitBtn27Click(); }));
    connect(BitBtn28, &QPushButton::clicked, this, guarded([this] { BitBtn28Click(); }));
    connect(BitBtn29, &QPushButton::clicked, this, guarded([this] { BitBtn29Click(); }));
    connect(BitBtn30, &QPushButton::clicked, this, guarded([this] { BitBtn30Click(); }));
    connect(BitBtn31, &QPushButton::clicked, this, guarded([this] { BitBtn31Click(); }));
    connect(Edit4, &QLineEdit::returnPressed, BitBtn30, &QPushButton::click);
    connect(Label16, &ClickLabel::clicked, this, guarded([this] { Label16Click(); }));
    // a double click edits as "修改" does, and not while "修改" is off
    connect(DBGridEh5, &DBGridEh::doubleClicked, BitBtn28, &QPushButton::click);
}

void MemoPage::BitBtn27Click()
{
    TDM *dm = DM;
    Dataset *memos = dm->ADOQjs;
    const QDate today = platform().today();
    RowInProgress row(memos);
    memos->setValue(QStringLiteral("jsrq"), today);
    memos->setValue(QStringLiteral("txfs"), DueMemos::NoReminder);
    // the type where the type table stands; none when there is no type
    if (dm->ADOTJslx->isActive() && !dm->ADOTJslx->isEmpty())
        memos->setValue(QStringLiteral("jslxmc"), dm->ADOTJslx->value(QStringLiteral("lxmc")));
    // the author is the operator who logged in
    if (dm->ADOQLog->isActive() && !dm->ADOQLog->isEmpty())
        memos->setValue(QStringLiteral("jsr"), dm->ADOQLog->value(QStringLiteral("yhmc")));
    memos->setValue(QStringLiteral("txqsrq"), today);
    memos->setValue(QStringLiteral("txjsrq"), today);
    row.keep();
    platform().showModal(forms().FrmJstx);
}

void MemoPage::BitBtn28Click()
{
    DM->ADOQjs->edit();
    platform().showModal(forms().FrmJstx);
}

void MemoPage::BitBtn29Click()
{
    if (platform().askYesNo(window(), QStringLiteral("   是否确认删除？  ")))
        DM->ADOQjs->remove();
}

QString MemoPage::searchStatement(const QString &keyword)
{
    return QStringLiteral("select * from jstx where ")
           + likeCondition(QStringLiteral("zt"), FormWidgets::trimmed(keyword)) + QLatin1Char(' ');
}

void MemoPage::BitBtn30Click()
{
    Dataset *memos = DM->ADOQjs;
    memos->requery(searchStatement(Edit4->text()));
    Edit4->setFocus();
    Edit4->selectAll();
}

void MemoPage::BitBtn31Click()
{
    platform().showModal(forms().FrmJssx);
}

void MemoPage::Label16Click()
{
    DueMemos::listDue(DM->ADOQjs, platform().today());
}

void MemoPage::setDueCount(int count)
{
    Label16->setText(DueMemos::countCaption(count));
}

void MemoPage::announceDueReminders(QWidget *window, const std::function<void(int)> &showCount)
{
    TDM *dm = DM;
    // a list of the walk's own: every editor that closes counts the due
    // memos anew, which leaves it as it is
    Dataset dueNow(dm->ADOConnection1);
    Dataset *scratch = &dueNow;
    DueMemos::listDue(scratch, platform().today());
    const int due = scratch->recordCount();
    if (due == 0)
        return;
    showCount(due);
    const QString dashes(28, QChar(0xFF0D));
    platform().showMessage(window, QStringLiteral("   　  『青禾家庭doz』提醒您:\r\r") + dashes
                                       + QStringLiteral("\r\r   您预设的 ") + QString::number(due)
                                       + QStringLiteral(" 件提醒事务已经到期，请您尽快办理！") + QStringLiteral("\r")
                                       + QStringLiteral("\r") + dashes);
    const int id = scratch->requireField(QStringLiteral("jsid"));
    Dataset *memos = dm->ADOQjs;
    for (int row = 0; row < due; ++row) {
        const QVariant memo = scratch->valueAt(row, id);
        if (!memos->locate(QStringLiteral("jsid"), memo))
            continue;
        memos->edit();
        platform().showModal(forms().FrmJstx);
    }
}
