#include "tfrmjstx.h"

#include "components/dbcontrols.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/lookuplink.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "duememos.h"
#include "platform/platform.h"
#include "settings/tfrmrq.h"
#include "tfrmjslxwh.h"

#include <QCalendarWidget>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

TFrmJstx::TFrmJstx(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("FrmJstx"));
    setWindowTitle(QStringLiteral("记事提醒"));
    TDM *dm = DM;
    DataSource *memo = dm->DSjs;
    DBEdit1 = new DBEdit(memo, QStringLiteral("jsrq"), this);
    DBEdit2 = new DBEdit(memo, QStringLiteral("jsr"), this);
    DBEdit6 = new DBEdit(memo, QStringLiteral("jsczsj"), this);
    for (DBEdit *shown : {DBEdit1, DBEdit2, DBEdit6})
        shown->setLocked(true);
    DBEdit3 = new DBEdit(memo, QStringLiteral("zt"), this);
    DBEdit3->setTextColor(QColor(255, 0, 0));
    DBLookupComboBox1 = new DBLookupComboBox(dm->LinkLx, this);
    SpeedButton1 = FormWidgets::dotsButton(QStringLiteral("【记事类型维护】"), this);
    GroupBox1 = new QGroupBox(QStringLiteral("内容"), this);
    DBMemo1 = new DBMemo(memo, QStringLiteral("nr"), GroupBox1);
    DBMemo1->setStyleSheet(QStringLiteral("QPlainTextEdit { color: blue; }"));
    DBMemo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto *content = new QVBoxLayout(GroupBox1);
    content->setContentsMargins(4, 4, 4, 4);
    content->addWidget(DBMemo1);
    GroupBox2 = new QGroupBox(QStringLiteral("提醒功能设置"), this);
    DBComboBox1 = new DBComboBox(memo, QStringLiteral("txfs"), DueMemos::states(), GroupBox2);
    DBEdit4 = new DBEdit(memo, QStringLiteral("txqsrq"), GroupBox2);
    SpeedButton2 = FormWidgets::dotsButton(QStringLiteral("【选择提醒日期】"), GroupBox2);
    auto *reminder = new QHBoxLayout(GroupBox2);
    reminder->setContentsMargins(6, 2, 6, 2);
    auto *stateLabel = new QLabel(QStringLiteral("提醒状态"), GroupBox2);
    auto *dateLabel = new QLabel(QStringLiteral("提醒日期"), GroupBox2);
    stateLabel->setBuddy(DBComboBox1);
    dateLabel->setBuddy(DBEdit4);
    reminder->addWidget(stateLabel);
    reminder->addWidget(DBComboBox1, 1);
    reminder->addSpacing(10);
    reminder->addWidget(dateLabel);
    reminder->addWidget(DBEdit4, 1);
    reminder->addWidget(SpeedButton2);

    BitBtn1 = new QPushButton(QStringLiteral("知道了"), this);
    BitBtn1->setStyleSheet(QStringLiteral("QPushButton { color: red; font-weight: bold; font-size: 16px; }"));
    BitBtn4 = new QPushButton(QStringLiteral("保存退出"), this);
    BitBtn3 = new QPushButton(QStringLiteral("清空内容"), this);
    BitBtn2 = new QPushButton(QStringLiteral("取消退出"), this);
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3, BitBtn4})
        b->setAutoDefault(false);

    const QList<QPair<const char *, QWidget *>> named = {{"DBEdit1", DBEdit1},
                                                         {"DBEdit2", DBEdit2},
                                                         {"DBEdit6", DBEdit6},
                                                         {"DBEdit3", DBEdit3},
                                                         {"DBLookupComboBox1", DBLookupComboBox1},
                                                         {"SpeedButton1", SpeedButton1},
                                                         {"GroupBox1", GroupBox1},
                                                         {"DBMemo1", DBMemo1},
                                                         {"GroupBox2", GroupBox2},
                                                         {"DBComboBox1", DBComboBox1},
                                                         {"DBEdit4", DBEdit4},
                                                         {"SpeedButton2", SpeedButton2},
                                                         {"BitBtn1", BitBtn1},
                                                         {"BitBtn4", BitBtn4},
                                                         {"BitBtn3", BitBtn3},
                                                         {"BitBtn2", BitBtn2}};
    for (const auto &[name, widget] : named)
        widget->setObjectName(QLatin1String(name));

    auto label = [this](const char *text, QWidget *buddy) {
        auto *l = new QLabel(QString::fromUtf8(text), this);
        l->setBuddy(buddy);
        return l;
    };
    auto *fields = new QGridLayout;
    fields->addWidget(label("日期", DBEdit1), 0, 0);
    fields->addWidget(DBEdit1, 0, 1);
    fields->addWidget(label("记事人", DBEdit2), 0, 2);
    fields->addWidget(DBEdit2, 0, 3);
    fields->addWidget(label("修改时间", DBEdit6), 0, 4);
    fields->addWidget(DBEdit6, 0, 5);
    fields->addWidget(label("主题", DBEdit3), 1, 0);
    fields->addWidget(DBEdit3, 1, 1, 1, 3);
    fields->addWidget(label("记事类型", DBLookupComboBox1), 1, 4);
    auto *type = new QHBoxLayout;
    type->setSpacing(2);
    type->addWidget(DBLookupComboBox1, 1);
    type->addWidget(SpeedButton1);
    fields->addLayout(type, 1, 5);
    fields->setColumnStretch(1, 2);
    fields->setColumnStretch(3, 1);
    fields->setColumnStretch(5, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(BitBtn1);
    buttons->addStretch();
    buttons->addWidget(BitBtn4);
    buttons->addWidget(BitBtn3);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(GroupBox1, 1);
    layout->addWidget(GroupBox2);
    layout->addLayout(buttons);
    resize(560, 360);

    const QList<QWidget *> order = {DBEdit3,      DBLookupComboBox1, SpeedButton1, DBMemo1, DBComboBox1, DBEdit4,
                                    SpeedButton2, BitBtn1,           BitBtn4,      BitBtn3, BitBtn2};
    for (int i = 0; i + 1 < order.size(); ++i)
        setTabOrder(order[i], order[i + 1]);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    connect(BitBtn4, &QPushButton::clicked, this, guarded([this] { BitBtn4Click(); }));
    connect(SpeedButton1, &QToolButton::clicked, this, guarded([this] { SpeedButton1Click(); }));
    connect(SpeedButton2, &QToolButton::clicked, this, guarded([this] { SpeedButton2Click(); }));
    forms().FrmJstx = this;
}

void TFrmJstx::FormShow()
{
    centreOnMainWindow();
    Dataset *memo = DM->ADOQjs;
    const bool due = DueMemos::isDue(memo->asString(QStringLiteral("txfs")), memo->asDate(QStringLiteral("txqsrq")),
                                     platform().today());
    BitBtn1->setVisible(due);
    DBEdit3->setFocus();
}

void TFrmJstx::keyPressEvent(QKeyEvent *event)
{
    // "知道了" is the cancel button while it is shown: Esc clicks it
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && BitBtn1->isVisible()) {
        BitBtn1->click();
        return;
    }
    Form::keyPressEvent(event);
}

void TFrmJstx::BitBtn4Click()
{
    // what the boxes hold reaches the row first
    DBEdit3->flush();
    DBEdit4->flush();
    Dataset *memo = DM->ADOQjs;
    if (DBEdit3->text().isEmpty()) {
        platform().showMessage(this, QStringLiteral("记事主题不能为空！   保存失败！"));
        return;
    }
    const QDate reminder = memo->asDate(QStringLiteral("txqsrq"));
    if (DueMemos::reminds(memo->asString(QStringLiteral("txfs"))) && reminder.isValid()
        && platform().today() > reminder) {
        platform().showMessage(this, QStringLiteral("提醒日期不能小于今天日期！   请更改提醒日期！"));
        return;
    }
    // a recurring memo keeps the day it was set to: its series starts at the
    // reminder date unless that date is one of the series it has
    const QString state = memo->asString(QStringLiteral("txfs"));
    if (DueMemos::recurs(state) && reminder.isValid()) {
        const QDate anchor = DueMemos::anchorOf(state, reminder, memo->asDate(QStringLiteral("txjsrq")));
        if (anchor != memo->asDate(QStringLiteral("txjsrq")))
            memo->setValue(QStringLiteral("txjsrq"), anchor);
    }
    memo->setValue(QStringLiteral("jsczsj"), platform().now());
    memo->post();
    accept();
}

void TFrmJstx::BitBtn1Click()
{
    Dataset *memo = DM->ADOQjs;
    const QString state = memo->asString(QStringLiteral("txfs"));
    if (DueMemos::recurs(state)) {
        // this time is done; the series goes on at its first date after today
        const QDate anchor
            = DueMemos::anchorOf(state, memo->asDate(QStringLiteral("txqsrq")), memo->asDate(QStringLiteral("txjsrq")));
        const QDate next = DueMemos::nextReminder(state, anchor, platform().today());
        if (platform().askYesNo(
                this, QStringLiteral("   本次提醒的事务是否已经办完？下次提醒日期为 %1。  ").arg(sqlDate(next)))) {
            memo->setValue(QStringLiteral("txqsrq"), next);
            if (anchor != memo->asDate(QStringLiteral("txjsrq")))
                memo->setValue(QStringLiteral("txjsrq"), anchor);
            memo->post();
        }
        reject();
        return;
    }
    if (platform().askYesNo(this, QStringLiteral("   您是否确认已经知道该件提醒记事的内容，以后不再需要进行提醒？"))) {
        memo->setValue(QStringLiteral("txfs"), DueMemos::Ended);
        memo->post();
    }
    reject();
}

void TFrmJstx::BitBtn3Click()
{
    DM->ADOQjs->setValue(QStringLiteral("nr"), QStringLiteral(""));
}

void TFrmJstx::BitBtn2Click()
{
    reject();
}

void TFrmJstx::SpeedButton1Click()
{
    platform().showModal(forms().FrmJslxwh);
}

void TFrmJstx::SpeedButton2Click()
{
    TFrmRQ *dialog = forms().FrmRQ;
    dialog->move(frameGeometry().left() + 224, frameGeometry().top() + 69);
    const QDate current = DM->ADOQjs->asDate(QStringLiteral("txqsrq"));
    dialog->MonthCalendar1->setSelectedDate(current.isValid() ? current : platform().today());
    platform().showModal(dialog);
    if (dialog->Confirmed == 1)
        DM->ADOQjs->setValue(QStringLiteral("txqsrq"), dialog->MonthCalendar1->selectedDate());
}

void TFrmJstx::FormClose()
{
    DM->ADOQjs->cancel();
    Dataset due(DM->ADOConnection1);
    DueMemos::listDue(&due, platform().today());
    Q_EMIT dueCounted(due.recordCount());
}
