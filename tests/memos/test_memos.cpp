// The memo page, the memo editor, the filter, the types and the due
// reminders at login.
#include "app/tfrmmian.h"
#include "components/clicklabel.h"
#include "components/dbcontrols.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "data/tdm.h"
#include "memos/duememos.h"
#include "memos/memopage.h"
#include "memos/tfrmjslxmc.h"
#include "memos/tfrmjslxwh.h"
#include "memos/tfrmjssx.h"
#include "memos/tfrmjstx.h"
#include "settings/tfrmrq.h"
#include "support/app/appfixture.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace {

const QDate Today(2026, 12, 9);

class Memos : public AppFixture
{
protected:
    // A memo stored straight into the table.
    void addMemo(const QString &subject, const QString &state, const QString &reminder, const QString &type = {},
                 const QString &author = QStringLiteral("管理员"))
    {
        exec(QStringLiteral("insert into jstx (jsrq,jslxmc,zt,jsr,txfs,txqsrq,txjsrq,nr,jsczsj) values "
                            "(#2026-12-1#,'%1','%2','%3','%4',%5,#2026-12-1#,'内容',#2026-12-1 08:00:00#)")
                 .arg(type, QString(subject).replace(QLatin1Char('\''), QLatin1String("''")), author, state,
                      reminder.isEmpty() ? QStringLiteral("null") : QLatin1Char('#') + reminder + QLatin1Char('#')));
    }

    void startAs(const QString &name = QStringLiteral("管理员"))
    {
        platform.setNow(QDateTime(Today, QTime(10, 11, 12)));
        start(name);
        page = mainWindow->TabSheet6;
        editor = forms().FrmJstx;
        memos = dm->ADOQjs;
        mainWindow->ToolButton7->click();
    }

    QString memoScalar(const QString &column, const QString &subject)
    {
        return scalar(QStringLiteral("select %1 from jstx where zt='%2'").arg(column, subject));
    }

    QStringList listed() const
    {
        QStringList out;
        for (int row = 0; row < memos->recordCount(); ++row)
            out.append(memos->textAt(row, memos->fieldIndex(QStringLiteral("zt"))));
        return out;
    }

    MemoPage *page = nullptr;
    TFrmJstx *editor = nullptr;
    Dataset *memos = nullptr;
};

} // namespace

TEST_F(Memos, ANewMemoHasItsPresetsAndTheOperatorWhoLoggedInAsAuthor)
{
    exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('妈妈','')"));
    exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('爸爸','')")); // the user list ends here
    startAs(QStringLiteral("妈妈"));
    const QString type = dm->ADOTJslx->asString(QStringLiteral("lxmc"));
    platform.onDialog(QStringLiteral("FrmJstx"), [this](QDialog *) {
        EXPECT_EQ(memos->state(), Dataset::State::Insert);
        EXPECT_EQ(editor->DBEdit1->text(), QStringLiteral("2026-12-09"));
        EXPECT_EQ(editor->DBEdit2->text(), QStringLiteral("妈妈"));
        EXPECT_EQ(editor->DBComboBox1->currentText(), QStringLiteral("不需提醒"));
        EXPECT_EQ(editor->DBEdit4->text(), QStringLiteral("2026-12-09"));
        EXPECT_FALSE(editor->BitBtn1->isVisible());
        editor->BitBtn4->click(); // no subject
        EXPECT_TRUE(editor->isVisible());
        editor->DBEdit3->setText(QStringLiteral("   ")); // blanks are a subject
        editor->BitBtn4->click();
        EXPECT_FALSE(editor->isVisible());
    });
    page->BitBtn27->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              QStringList{QStringLiteral("记事主题不能为空！   保存失败！")});
    EXPECT_EQ(scalar(QStringLiteral("select jsr||'|'||jslxmc||'|'||txfs||'|'||jsrq||'|'||txqsrq||'|'||txjsrq||'|'||"
                                    "jsczsj from jstx")),
              QStringLiteral("妈妈|%1|不需提醒|2026-12-09|2026-12-09|2026-12-09|2026-12-09 10:11:12").arg(type));
    EXPECT_EQ(page->Label16->text(), DueMemos::countCaption(0)); // the close counted
}

TEST_F(Memos, ModifyOnAnEmptyListOpensABlankMemo)
{
    startAs();
    ASSERT_TRUE(memos->isEmpty());
    platform.onDialog(QStringLiteral("FrmJstx"), [this](QDialog *) {
        EXPECT_EQ(memos->state(), Dataset::State::Insert);
        EXPECT_TRUE(memos->isNull(QStringLiteral("jsrq")));
        EXPECT_TRUE(memos->isNull(QStringLiteral("txfs")));
        editor->BitBtn2->click();
    });
    page->BitBtn28->click();
    EXPECT_TRUE(memos->isEmpty());
    EXPECT_EQ(memos->state(), Dataset::State::Browse);
}

TEST_F(Memos, SearchingSubjectsFindsTheKeywordAnywhereAndOnlyItself)
{
    for (const char *subject : {"交电费", "电费单", "去交电", "打折50%", "打折500", "O'Brien的信", "a_b", "axb"})
        addMemo(QString::fromUtf8(subject), DueMemos::NoReminder, QStringLiteral("2026-12-1"));
    exec(QStringLiteral("insert into jstx (jsrq,txfs) values (#2026-12-1#,'不需提醒')")); // no subject
    startAs();
    EXPECT_EQ(memos->recordCount(), 9);
    page->Edit4->setText(QStringLiteral(" 电 "));
    page->BitBtn30->click();
    // " 电 " is trimmed to "电": start, middle, end
    EXPECT_EQ(listed(), (QStringList{QStringLiteral("交电费"), QStringLiteral("电费单"), QStringLiteral("去交电")}));
    page->Edit4->setText(QStringLiteral("50%"));
    Q_EMIT page->Edit4->returnPressed(); // Enter searches
    EXPECT_EQ(listed(), QStringList{QStringLiteral("打折50%")});
    page->Edit4->setText(QStringLiteral("a_b"));
    page->BitBtn30->click();
    EXPECT_EQ(listed(), QStringList{QStringLiteral("a_b")});
    page->Edit4->setText(QStringLiteral("O'Brien"));
    page->BitBtn30->click();
    EXPECT_EQ(listed(), QStringList{QStringLiteral("O'Brien的信")});
    page->Edit4->setText(QStringLiteral("  "));
    page->BitBtn30->click();
    EXPECT_EQ(memos->recordCount(), 8); // every memo with a subject
    EXPECT_EQ(page->DBGridEh5->footerText(3), QStringLiteral("共 8 条"));
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Memos, TheEditorOffersKnowingOnlyForADueMemoAndChecksTheReminderDate)
{
    addMemo(QStringLiteral("今天"), DueMemos::Once, QStringLiteral("2026-12-9"));
    addMemo(QStringLiteral("明天"), DueMemos::Once, QStringLiteral("2026-12-10"));
    addMemo(QStringLiteral("结束"), DueMemos::Ended, QStringLiteral("2026-12-1"));
    addMemo(QStringLiteral("没日期"), DueMemos::Once, QString());
    platform.onDialog(QStringLiteral("FrmJstx"), [](QDialog *d) { static_cast<TFrmJstx *>(d)->BitBtn2->click(); });
    startAs(); // the one due memo opens once at login
    EXPECT_EQ(page->Label16->text(), DueMemos::countCaption(1));
    auto open = [this](const QString &subject, const std::function<void()> &script) {
        memos->locate(QStringLiteral("zt"), subject);
        platform.onDialog(QStringLiteral("FrmJstx"), [script](QDialog *) { script(); });
        page->BitBtn28->click();
    };
    open(QStringLiteral("明天"), [this] {
        EXPECT_FALSE(editor->BitBtn1->isVisible());
        editor->DBEdit4->setText(QStringLiteral("2026-12-08")); // yesterday, with a reminder set
        editor->BitBtn4->click();
        EXPECT_TRUE(editor->isVisible());
        editor->DBComboBox1->setCurrentText(DueMemos::NoReminder); // without a reminder any date goes
        Q_EMIT editor->DBComboBox1->activated(editor->DBComboBox1->currentIndex());
        editor->BitBtn4->click();
        EXPECT_FALSE(editor->isVisible());
    });
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(),
              QStringLiteral("提醒日期不能小于今天日期！   请更改提醒日期！"));
    EXPECT_EQ(memoScalar(QStringLiteral("txqsrq"), QStringLiteral("明天")), QStringLiteral("2026-12-08"));
    open(QStringLiteral("结束"), [this] { EXPECT_FALSE(editor->BitBtn1->isVisible()); });
    open(QStringLiteral("没日期"), [this] {
        EXPECT_FALSE(editor->BitBtn1->isVisible()); // no date: never due
        platform.onDialog(QStringLiteral("FrmRQ"), [](QDialog *d) {
            EXPECT_EQ(static_cast<TFrmRQ *>(d)->MonthCalendar1->selectedDate(), Today); // starts from today
        });
        editor->SpeedButton2->click();
    });
    open(QStringLiteral("今天"), [this] {
        EXPECT_TRUE(editor->BitBtn1->isVisible());
        editor->BitBtn3->click(); // 清空内容, then cancelled
        editor->BitBtn2->click();
    });
    EXPECT_EQ(memoScalar(QStringLiteral("nr"), QStringLiteral("今天")), QStringLiteral("内容"));
}

TEST_F(Memos, KnowingEndsTheReminderAndKeepsTheSaveTime)
{
    addMemo(QStringLiteral("缴费"), DueMemos::Once, QStringLiteral("2026-12-9"));
    addMemo(QStringLiteral("体检"), DueMemos::Once, QStringLiteral("2026-12-1"));
    platform.onDialog(QStringLiteral("FrmJstx"), [](QDialog *d) { static_cast<TFrmJstx *>(d)->BitBtn2->click(); });
    platform.onDialog(QStringLiteral("FrmJstx"), [](QDialog *d) { static_cast<TFrmJstx *>(d)->BitBtn2->click(); });
    startAs();
    EXPECT_EQ(page->Label16->text(), DueMemos::countCaption(2));
    memos->locate(QStringLiteral("zt"), QStringLiteral("缴费"));
    platform.onDialog(QStringLiteral("FrmJstx"), [this](QDialog *) {
        editor->DBEdit3->setText(QStringLiteral("缴费了"));
        platform.answer(false);
        editor->BitBtn1->click(); // No: nothing stored, the editor closes
        EXPECT_FALSE(editor->isVisible());
    });
    page->BitBtn28->click();
    EXPECT_EQ(memoScalar(QStringLiteral("txfs"), QStringLiteral("缴费")), DueMemos::Once);
    memos->locate(QStringLiteral("zt"), QStringLiteral("缴费"));
    platform.onDialog(QStringLiteral("FrmJstx"), [this](QDialog *) {
        platform.answer(true);
        editor->BitBtn1->click();
    });
    page->BitBtn28->click();
    EXPECT_EQ(memoScalar(QStringLiteral("txfs"), QStringLiteral("缴费")), DueMemos::Ended);
    EXPECT_EQ(memoScalar(QStringLiteral("jsczsj"), QStringLiteral("缴费")), QStringLiteral("2026-12-01 08:00:00"));
    EXPECT_EQ(page->Label16->text(), DueMemos::countCaption(1));
    EXPECT_EQ(platform.texts(QStringLiteral("question")).last(),
              QStringLiteral("   您是否确认已经知道该件提醒记事的内容，以后不再需要进行提醒？"));
    // deleting keeps the caption until the next close of the editor
    memos->locate(QStringLiteral("zt"), QStringLiteral("体检"));
    platform.answer(true);
    page->BitBtn29->click();
    EXPECT_EQ(page->Label16->text(), DueMemos::countCaption(1));
    page->Label16Click(); // the due memos: none left
    EXPECT_TRUE(memos->isEmpty());
}

TEST_F(Memos, DueMemosAreAnnouncedAtLoginAndOpenedOnceEachInOrder)
{
    addMemo(QStringLiteral("一"), DueMemos::Once, QStringLiteral("2026-12-1"));
    addMemo(QStringLiteral("不到期"), DueMemos::Once, QStringLiteral("2026-12-10"));
    addMemo(QStringLiteral("二"), DueMemos::Once, QStringLiteral("2026-12-9"));
    addMemo(QStringLiteral("三"), DueMemos::Once, QStringLiteral("2026-11-30"));
    QStringList opened;
    for (int i = 0; i < 3; ++i)
        platform.onDialog(QStringLiteral("FrmJstx"), [this, &opened, i](QDialog *) {
            opened.append(dm->ADOQjs->asString(QStringLiteral("zt")));
            if (i == 0) { // the first is acknowledged: the others still come
                platform.answer(true);
                forms().FrmJstx->BitBtn1->click();
            }
        });
    startAs();
    EXPECT_EQ(opened, (QStringList{QStringLiteral("一"), QStringLiteral("二"), QStringLiteral("三")}));
    const QString dashes(28, QChar(0xFF0D));
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              QStringList{QStringLiteral("   　  『青禾家庭doz』提醒您:\r\r") + dashes
                          + QStringLiteral("\r\r   您预设的 3 件提醒事务已经到期，请您尽快办理！\r\r") + dashes});
    EXPECT_EQ(page->Label16->text(), DueMemos::countCaption(2)); // what remains
    EXPECT_FALSE(platform.hasPendingScripts());
}

TEST_F(Memos, NoDueMemoNoNotice)
{
    addMemo(QStringLiteral("不到期"), DueMemos::Once, QStringLiteral("2026-12-10"));
    startAs();
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty());
    EXPECT_EQ(page->Label16->text(), QStringLiteral("共有 0  件提醒事务到期")); // the caption as designed
    EXPECT_TRUE(platform.dialogsShown.filter(QStringLiteral("FrmJstx")).isEmpty());
}

TEST_F(Memos, RecurringRemindersMoveOnInsteadOfEnding)
{
    addMemo(QStringLiteral("房租"), DueMemos::Monthly, QStringLiteral("2027-1-31"));
    addMemo(QStringLiteral("生日"), DueMemos::Yearly, QStringLiteral("2027-1-31"));
    for (int i = 0; i < 2; ++i)
        platform.onDialog(QStringLiteral("FrmJstx"), [this](QDialog *d) {
            auto *due = static_cast<TFrmJstx *>(d);
            EXPECT_TRUE(due->BitBtn1->isVisible());
            platform.answer(true);
            due->BitBtn1->click();
        });
    platform.setNow(QDateTime(QDate(2027, 1, 31), QTime(9, 0)));
    start();
    editor = forms().FrmJstx;
    memos = dm->ADOQjs;
    EXPECT_EQ(memoScalar(QStringLiteral("txfs||txqsrq"), QStringLiteral("房租")), QStringLiteral("每月提醒2027-02-28"));
    EXPECT_EQ(memoScalar(QStringLiteral("txfs||txqsrq"), QStringLiteral("生日")), QStringLiteral("每年提醒2028-01-31"));
    EXPECT_EQ(memoScalar(QStringLiteral("jsczsj"), QStringLiteral("房租")), QStringLiteral("2026-12-01 08:00:00"));
    EXPECT_EQ(mainWindow->TabSheet6->Label16->text(), DueMemos::countCaption(0));
    EXPECT_EQ(DueMemos::nextReminder(DueMemos::Monthly, QDate(2028, 1, 31), QDate(2028, 1, 31)), QDate(2028, 2, 29));
    // due again when their day comes
    EXPECT_TRUE(DueMemos::isDue(DueMemos::Monthly, QDate(2027, 2, 28), QDate(2027, 2, 28)));
    EXPECT_FALSE(DueMemos::isDue(DueMemos::Ended, QDate(2027, 2, 28), QDate(2027, 2, 28)));
}

TEST_F(Memos, TheFilterBuildsItsStatementAndKeepsTheTypeTableOnItsLastRow)
{
    addMemo(QStringLiteral("甲"), DueMemos::Once, QStringLiteral("2026-12-20"), QStringLiteral("日常事务"));
    addMemo(QStringLiteral("乙"), DueMemos::NoReminder, QStringLiteral("2026-12-1"), QStringLiteral("日常事务"));
    exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('O''Brien','')"));
    startAs();
    TFrmJssx *filter = forms().FrmJssx;
    EXPECT_EQ(filter->DateTimePicker1->date(), QDate(2026, 1, 1));
    EXPECT_EQ(filter->DateTimePicker4->date(), Today.addDays(365));
    for (const QString &state : {DueMemos::Once, DueMemos::Ended, DueMemos::NoReminder})
        EXPECT_NE(filter->ComboBox5->findText(state), -1);
    platform.onDialog(QStringLiteral("FrmJssx"), [&](QDialog *) {
        EXPECT_EQ(filter->ComboBox6->findText(QStringLiteral("O'Brien")), 2);
        EXPECT_EQ(dm->ADOTJslx->currentRow(), dm->ADOTJslx->recordCount() - 1);
        EXPECT_EQ(filter->statement(), QStringLiteral("select * from jstx where jsrq >= #2026-01-01# and jsrq <= "
                                                      "#2026-12-09# and txqsrq >= #2026-12-09# and txqsrq <= "
                                                      "#2027-12-09#"));
        filter->BitBtn1->click();
        EXPECT_EQ(listed(), QStringList{QStringLiteral("甲")}); // 乙's reminder date lies before today
        filter->ComboBox6->setCurrentIndex(2);
        filter->ComboBox4->setEditText(QStringLiteral("日常'"));
        filter->BitBtn1->click();
        EXPECT_TRUE(memos->isEmpty());
        EXPECT_TRUE(filter->statement().contains(QStringLiteral(" and jslxmc='日常'''")));
        EXPECT_TRUE(filter->statement().contains(QStringLiteral(" and jsr='O''Brien'")));
        filter->BitBtn3->click();
        EXPECT_EQ(memos->recordCount(), 2);
        filter->Button1->click();
    });
    page->BitBtn31->click();
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
}

TEST_F(Memos, ATypeAddedIsOfferedAtOnceAndTheCloseBoxDiscards)
{
    startAs();
    TFrmJslxwh *types = forms().FrmJslxwh;
    platform.onDialog(QStringLiteral("FrmJstx"), [&](QDialog *) {
        platform.onDialog(QStringLiteral("FrmJslxwh"), [&](QDialog *) {
            platform.onDialog(QStringLiteral("FrmJslxmc"), [&](QDialog *) {
                forms().FrmJslxmc->DBEdit1->setText(QStringLiteral("旅行"));
                forms().FrmJslxmc->BitBtn1->click();
            });
            types->BitBtn1->click();
            platform.onDialog(QStringLiteral("FrmJslxmc"), [&](QDialog *) {
                forms().FrmJslxmc->DBEdit1->setText(QStringLiteral("不要"));
            }); // left open: closed as by its close box
            types->BitBtn1->click();
            EXPECT_EQ(types->DBGridEh1->footerText(0), QStringLiteral("共 6 项"));
            types->BitBtn4->click();
        });
        editor->SpeedButton1->click();
        EXPECT_NE(editor->DBLookupComboBox1->findText(QStringLiteral("旅行")), -1);
        editor->BitBtn2->click();
    });
    page->BitBtn27->click();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from jslx where lxmc='旅行'")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from jslx where lxmc='不要'")), QStringLiteral("0"));
}

TEST_F(Memos, AnOverdueRecurringReminderSettlesOnItsFirstDateAfterToday)
{
    addMemo(QStringLiteral("年检"), DueMemos::Yearly, QStringLiteral("2025-12-9"));
    addMemo(QStringLiteral("水费"), DueMemos::Monthly, QStringLiteral("2026-10-31"));
    QStringList asked;
    for (int i = 0; i < 2; ++i)
        platform.onDialog(QStringLiteral("FrmJstx"), [this](QDialog *d) {
            platform.answer(true);
            static_cast<TFrmJstx *>(d)->BitBtn1->click();
        });
    startAs();
    // the day kept: 31 October goes on as 31 December, not 30 November
    EXPECT_EQ(memoScalar(QStringLiteral("txqsrq"), QStringLiteral("年检")), QStringLiteral("2027-12-09"));
    EXPECT_EQ(memoScalar(QStringLiteral("txqsrq"), QStringLiteral("水费")), QStringLiteral("2026-12-31"));
    EXPECT_EQ(page->Label16->text(), DueMemos::countCaption(0)); // nothing due at the next login
    // the question asks whether this time is done and names the next date
    const QStringList questions = platform.texts(QStringLiteral("question"));
    ASSERT_EQ(questions.size(), 2);
    EXPECT_TRUE(questions.contains(QStringLiteral("   本次提醒的事务是否已经办完？下次提醒日期为 2027-12-09。  ")))
        << questions.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(questions.join(QString()).contains(QStringLiteral("以后不再需要进行提醒")));
}

TEST_F(Memos, AMonthlyReminderOnThe31stKeepsItsDayAndAYearlyOneOn29FebruaryComesBack)
{
    struct Step
    {
        QDate today;
        QString monthly;
        QString yearly;
    };
    addMemo(QStringLiteral("月"), DueMemos::Monthly, QStringLiteral("2027-1-31"));
    exec(QStringLiteral("update jstx set txjsrq=txqsrq")); // as the editor keeps it when saved
    const QList<Step> steps = {{QDate(2027, 1, 31), QStringLiteral("2027-02-28"), QString()},
                               {QDate(2027, 2, 28), QStringLiteral("2027-03-31"), QString()},
                               {QDate(2027, 3, 31), QStringLiteral("2027-04-30"), QString()}};
    for (const Step &step : steps) {
        platform.onDialog(QStringLiteral("FrmJstx"), [this](QDialog *d) {
            platform.answer(true);
            static_cast<TFrmJstx *>(d)->BitBtn1->click();
        });
        platform.setNow(QDateTime(step.today, QTime(9, 0)));
        start();
        EXPECT_EQ(scalar(QStringLiteral("select txqsrq from jstx where zt='月'")), step.monthly)
            << qPrintable(step.today.toString());
        destroy();
    }
    // the series itself; 29 February comes back in leap years
    EXPECT_EQ(DueMemos::nextReminder(DueMemos::Yearly, QDate(2024, 2, 29), QDate(2024, 2, 29)), QDate(2025, 2, 28));
    EXPECT_EQ(DueMemos::nextReminder(DueMemos::Yearly, QDate(2024, 2, 29), QDate(2025, 2, 28)), QDate(2026, 2, 28));
    EXPECT_EQ(DueMemos::nextReminder(DueMemos::Yearly, QDate(2024, 2, 29), QDate(2027, 3, 1)), QDate(2028, 2, 29));
    EXPECT_TRUE(DueMemos::isOccurrence(DueMemos::Monthly, QDate(2027, 1, 31), QDate(2027, 4, 30)));
    EXPECT_FALSE(DueMemos::isOccurrence(DueMemos::Monthly, QDate(2027, 1, 31), QDate(2027, 4, 28)));
    // a memo of an older version kept the day of its making there: not taken
    EXPECT_EQ(DueMemos::anchorOf(DueMemos::Monthly, QDate(2027, 2, 28), QDate(2026, 12, 1)), QDate(2027, 2, 28));
}

TEST_F(Memos, SavingARecurringMemoKeepsTheDayItWasSetTo)
{
    startAs();
    platform.onDialog(QStringLiteral("FrmJstx"), [this](QDialog *) {
        editor->DBEdit3->setText(QStringLiteral("还信用卡"));
        editor->DBComboBox1->setCurrentText(DueMemos::Monthly);
        Q_EMIT editor->DBComboBox1->activated(editor->DBComboBox1->currentIndex());
        editor->DBEdit4->setText(QStringLiteral("2027-1-31"));
        editor->BitBtn4->click();
    });
    page->BitBtn27->click();
    EXPECT_EQ(memoScalar(QStringLiteral("txjsrq||txqsrq"), QStringLiteral("还信用卡")),
              QStringLiteral("2027-01-312027-01-31"));
}

TEST_F(Memos, ABlankTypeNameIsRefusedAndARenameMayTakeItsMemosAlong)
{
    addMemo(QStringLiteral("甲"), DueMemos::NoReminder, QString(), QStringLiteral("日常事务"));
    addMemo(QStringLiteral("乙"), DueMemos::NoReminder, QString(), QStringLiteral("日常事务"));
    startAs();
    TFrmJslxwh *types = forms().FrmJslxwh;
    TFrmJslxmc *name = forms().FrmJslxmc;
    const int before = dm->ADOTJslx->recordCount();
    platform.onDialog(QStringLiteral("FrmJslxwh"), [&](QDialog *) {
        platform.onDialog(QStringLiteral("FrmJslxmc"), [&](QDialog *) {
            name->DBEdit1->setText(QStringLiteral("  "));
            name->BitBtn1->click();
            EXPECT_TRUE(name->isVisible()); // stays open
        });
        types->BitBtn1->click();
        // renaming 日常事务 to 家务: No leaves the memos; the next rename, Yes, takes them along
        ASSERT_TRUE(dm->ADOTJslx->locate(QStringLiteral("lxmc"), QStringLiteral("日常事务")));
        platform.answer(false);
        platform.onDialog(QStringLiteral("FrmJslxmc"), [&](QDialog *) {
            name->DBEdit1->setText(QStringLiteral("家务"));
            name->BitBtn1->click();
        });
        types->BitBtn2->click();
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from jstx where jslxmc='日常事务'")), QStringLiteral("2"));
        ASSERT_TRUE(dm->ADOTJslx->locate(QStringLiteral("lxmc"), QStringLiteral("家务")));
        exec(QStringLiteral("update jstx set jslxmc='家务'"));
        platform.answer(true);
        platform.onDialog(QStringLiteral("FrmJslxmc"), [&](QDialog *) {
            name->DBEdit1->setText(QStringLiteral("家中事务"));
            name->BitBtn1->click();
        });
        types->BitBtn2->click();
        types->BitBtn4->click();
    });
    platform.showModal(types);
    EXPECT_EQ(platform.texts(QStringLiteral("message")), QStringList{QStringLiteral("类型名称不能为空，请重新输入！")});
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from jslx")), QString::number(before));
    const QStringList questions = platform.texts(QStringLiteral("question"));
    ASSERT_EQ(questions.size(), 2);
    EXPECT_EQ(questions[0], QStringLiteral("是否把使用“日常事务”的 2 条记录一并改为“家务”？"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from jstx where jslxmc='家中事务'")), QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from jslx where lxmc='家中事务'")), QStringLiteral("1"));
    // the memo page's list shows the new name at once
    EXPECT_EQ(memos->asString(QStringLiteral("jslxmc")), QStringLiteral("家中事务"));
}
