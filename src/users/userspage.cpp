#include "userspage.h"

#include "components/formwidgets.h"

#include "components/dbcontrols.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "data/rowinprogress.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmyhwh.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString BuiltIn = QStringLiteral("管理员");
} // namespace

UserGroups::UserGroups(QWidget *parent)
    : QObject(parent)
    , m_page(parent)
{
    GroupBox9 = new QGroupBox(QStringLiteral("操作用户管理"), parent);
    GroupBox9->setObjectName(QStringLiteral("GroupBox9"));
    DBGridEh4 = new DBGridEh(GroupBox9);
    DBGridEh4->setAccessibleName(QStringLiteral("操作用户列表"));
    DBGridEh4->setObjectName(QStringLiteral("DBGridEh4"));
    DBGridEh4->setDataSource(DM->DSczyh);
    DBGridEh4->setColumns({GridColumn::of(QStringLiteral("用户名称"), QStringLiteral("yhmc"), 120)
                               .counting(QStringLiteral("共 0 个用户"))});
    BitBtn21 = new QPushButton(QStringLiteral("添加"), GroupBox9);
    BitBtn22 = new QPushButton(QStringLiteral("修改"), GroupBox9);
    BitBtn23 = new QPushButton(QStringLiteral("删除"), GroupBox9);
    StaticText1 = new QLabel(QStringLiteral("新添加的用户其口令均为空"), GroupBox9);
    StaticText1->setWordWrap(true);
    auto *userButtons = new QVBoxLayout;
    userButtons->addWidget(BitBtn21);
    userButtons->addWidget(BitBtn22);
    userButtons->addWidget(BitBtn23);
    userButtons->addWidget(StaticText1);
    userButtons->addStretch();
    auto *users = new QHBoxLayout(GroupBox9);
    users->addWidget(DBGridEh4, 1);
    users->addLayout(userButtons);
    DBGridEh4->setMinimumHeight(110);

    GroupBox10 = new QGroupBox(QStringLiteral("更改当前操作用户口令"), parent);
    GroupBox10->setObjectName(QStringLiteral("GroupBox10"));
    auto *label5 = new QLabel(QStringLiteral("当前操作用户名称为："), GroupBox10);
    DBText1 = new DBText(DM->DSLog, QStringLiteral("yhmc"), GroupBox10);
    DBText1->setAlignment(Qt::AlignCenter);
    DBText1->setStyleSheet(
        QStringLiteral("QLabel { font-weight: bold; text-decoration: underline; font-size: 15px; }"));
    Edit1 = new QLineEdit(GroupBox10);
    Edit2 = new QLineEdit(GroupBox10);
    Edit3 = new QLineEdit(GroupBox10);
    for (QLineEdit *box : {Edit1, Edit2, Edit3}) // as long as a stored password may be
        FormWidgets::limitLength(box, Schema::maxLength(QStringLiteral("czyh"), QStringLiteral("yhkl")));
    BitBtn24 = new QPushButton(QStringLiteral("确定修改"), GroupBox10);
    auto *password = new QGridLayout(GroupBox10);
    password->addWidget(label5, 0, 0);
    password->addWidget(DBText1, 0, 1);
    const QList<QPair<const char *, QLineEdit *>> boxes
        = {{"旧口令：", Edit1}, {"新口令：", Edit2}, {"确认新口令：", Edit3}};
    int row = 1;
    for (const auto &[caption, box] : boxes) {
        box->setEchoMode(QLineEdit::Password);
        // A box takes its character from the style when the style changes:
        // polished first, it is told of its own rule at once, also where the
        // look was applied before the page was made.
        box->ensurePolished();
        box->setStyleSheet(QStringLiteral("lineedit-password-character: 35;")); // "#"
        auto *label = new QLabel(QString::fromUtf8(caption), GroupBox10);
        label->setBuddy(box);
        password->addWidget(label, row, 0);
        password->addWidget(box, row, 1);
        ++row;
    }
    password->addWidget(BitBtn24, row, 1, Qt::AlignRight);

    const QList<QPair<const char *, QWidget *>> named
        = {{"BitBtn21", BitBtn21}, {"BitBtn22", BitBtn22}, {"BitBtn23", BitBtn23}, {"StaticText1", StaticText1},
           {"DBText1", DBText1},   {"Edit1", Edit1},       {"Edit2", Edit2},       {"Edit3", Edit3},
           {"BitBtn24", BitBtn24}};
    for (const auto &[name, widget] : named)
        widget->setObjectName(QLatin1String(name));

    connect(BitBtn21, &QPushButton::clicked, this, guarded([this] { BitBtn21Click(); }));
    connect(BitBtn22, &QPushButton::clicked, this, guarded([this] { BitBtn22Click(); }));
    connect(BitBtn23, &QPushButton::clicked, this, guarded([this] { BitBtn23Click(); }));
    connect(BitBtn24, &QPushButton::clicked, this, guarded([this] { BitBtn24Click(); }));
    // a double click edits as "修改" does, and not while "修改" is off
    connect(DBGridEh4, &DBGridEh::doubleClicked, BitBtn22, &QPushButton::click);
}

void UserGroups::BitBtn21Click()
{
    DM->ADOQczyh->append();
    platform().showModal(forms().Frmyhwh);
}

void UserGroups::BitBtn22Click()
{
    Dataset *users = DM->ADOQczyh;
    if (FormWidgets::trimmed(users->asString(QStringLiteral("yhmc"))) == BuiltIn) {
        platform().showMessage(m_page, QStringLiteral("管理员为系统默认操作用户，不充许修改！"));
        return;
    }
    users->edit();
    platform().showModal(forms().Frmyhwh);
}

void UserGroups::BitBtn23Click()
{
    Dataset *users = DM->ADOQczyh;
    if (FormWidgets::trimmed(users->asString(QStringLiteral("yhmc"))) == BuiltIn) {
        platform().showMessage(m_page, QStringLiteral("管理员为系统默认操作用户，不充许删除！"));
        return;
    }
    if (platform().askYesNo(m_page->window(), QStringLiteral("   删除后将不能恢复，是否确认删除？  ")))
        users->remove();
}

void UserGroups::BitBtn24Click()
{
    Dataset *log = DM->ADOQLog;
    if (Edit1->text() != log->asString(QStringLiteral("yhkl"))) {
        platform().showMessage(m_page, QStringLiteral("旧口令错误，不能修改！"));
        return;
    }
    if (Edit2->text() != Edit3->text()) {
        platform().showMessage(m_page, QStringLiteral("新口令确认不一致，不能修改！"));
        return;
    }
    // the operator's row must still be there as it was read at the login
    Dataset operators(DM->ADOConnection1);
    Dataset *scratch = &operators;
    scratch->requery(QStringLiteral("select yhmc from czyh where yhmc='")
                     + sqlText(log->asString(QStringLiteral("yhmc"))) + QStringLiteral("'"));
    bool present = false;
    for (int row = 0; row < scratch->recordCount() && !present; ++row)
        present = scratch->textAt(row, 0) == log->asString(QStringLiteral("yhmc"));
    if (!present) {
        platform().showMessage(
            m_page, QStringLiteral("当前操作用户已被删除或改名，不能修改口令！请重新启动《doz》后再登录修改。"));
        return;
    }
    {
        RowInProgress row(log, RowInProgress::Start::Edit); // a refused password leaves nothing pending
        log->setValue(QStringLiteral("yhkl"), Edit2->text());
        log->post();
        row.keep();
    }
    // the user list read the old password: read it anew, on the same user
    Dataset *users = DM->ADOQczyh;
    if (users->isActive() && !users->isEditing()) {
        const QString at = users->isEmpty() ? QString() : users->asString(QStringLiteral("yhmc"));
        users->close();
        users->open();
        if (!at.isEmpty())
            users->locate(QStringLiteral("yhmc"), at);
    }
    platform().showMessage(m_page, QStringLiteral("新口令修改成功！"));
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
}
