// The login dialog.
#include "app/tfrmmian.h"
#include "components/dbcontrols.h"
#include "components/forms.h"
#include "components/statusbar.h"
#include "data/tdm.h"
#include "support/app/appfixture.h"
#include "users/tfrmlog.h"
#include "users/tfrmyhwh.h"
#include "users/userspage.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

namespace {

class Login : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('zhang','Pass1')"));
        exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('李四','')"));
        create();
        log = forms().FrmLog;
        mainWindow->show();
    }

    // Shows the login and tries each name/password pair in turn.
    void tryLogin(const QList<QPair<QString, QString>> &attempts, bool cancelAtEnd = false)
    {
        platform.onDialog(QStringLiteral("FrmLog"), [this, attempts, cancelAtEnd](QDialog *) {
            for (const auto &[name, password] : attempts) {
                log->ComboBox1->setEditText(name);
                log->Edit1->setText(password);
                log->BitBtn1->click();
                if (!log->isVisible())
                    return;
            }
            if (cancelAtEnd)
                log->BitBtn2->click();
        });
        mainWindow->FormActivate();
    }

    TFrmLog *log = nullptr;
};

const QString Refused = QStringLiteral("用户口令不正确，请重试！");

} // namespace

TEST_F(Login, TheUserListIsFilledAtCreation)
{
    ASSERT_EQ(log->ComboBox1->count(), 3);
    EXPECT_EQ(log->ComboBox1->itemText(0), QStringLiteral("管理员"));
    EXPECT_EQ(log->ComboBox1->currentText(), QStringLiteral("管理员"));
    EXPECT_EQ(dm->ADOQczyh->currentRow(), 2); // left on its last row
    EXPECT_EQ(log->windowTitle(), QStringLiteral("用户登陆"));
}

TEST_F(Login, AnEmptyPasswordLogsInAndSetsTheOperator)
{
    tryLogin({{QStringLiteral("李四"), QString()}});
    EXPECT_TRUE(LoginDone);
    EXPECT_EQ(mainWindow->StatusBar1->panelText(0), QStringLiteral("操作员：『李四』"));
    EXPECT_EQ(dm->ADOQLog->asString(QStringLiteral("yhmc")), QStringLiteral("李四"));
    EXPECT_EQ(platform.terminated, 0);
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty());
    mainWindow->FormActivate(); // later activations do nothing
    EXPECT_EQ(platform.dialogsShown.count(QStringLiteral("FrmLog")), 1);
}

TEST_F(Login, PasswordsCompareExactlyAndRetriesAreUnlimited)
{
    tryLogin({{QStringLiteral("ZHANG"), QStringLiteral("pass1")},
              {QStringLiteral("ZHANG"), QStringLiteral("Pass")},
              {QStringLiteral("ZHANG"), QStringLiteral("Pass1")}});
    EXPECT_EQ(platform.texts(QStringLiteral("message")), (QStringList{Refused, Refused}));
    EXPECT_TRUE(LoginDone);
    // the name is found without regard to case and shown as stored
    EXPECT_EQ(mainWindow->StatusBar1->panelText(0), QStringLiteral("操作员：『zhang』"));
}

TEST_F(Login, AWrongPasswordKeepsTheDialogWithTheTextSelected)
{
    platform.onDialog(QStringLiteral("FrmLog"), [this](QDialog *) {
        log->Edit1->setText(QStringLiteral("nope"));
        log->BitBtn1->click();
        EXPECT_TRUE(log->isVisible());
        EXPECT_EQ(log->Edit1->selectedText(), QStringLiteral("nope"));
        EXPECT_FALSE(LoginDone);
        EXPECT_EQ(mainWindow->StatusBar1->panelText(0), QStringLiteral("操作员："));
        log->BitBtn2->click();
    });
    mainWindow->FormActivate();
    EXPECT_EQ(platform.terminated, 1);
}

TEST_F(Login, TypedNamesAreUpperCased)
{
    platform.onDialog(QStringLiteral("FrmLog"), [this](QDialog *) {
        log->ComboBox1->lineEdit()->clear();
        QTest::keyClicks(log->ComboBox1->lineEdit(), QStringLiteral("zhang"));
        EXPECT_EQ(log->ComboBox1->currentText(), QStringLiteral("ZHANG"));
        log->Edit1->setText(QStringLiteral("Pass1"));
        QTest::keyClick(log->Edit1, Qt::Key_Return); // Enter acts as 确定
    });
    mainWindow->FormActivate();
    EXPECT_TRUE(LoginDone);
}

TEST_F(Login, EnterInTheNameFieldDoesNothing)
{
    platform.onDialog(QStringLiteral("FrmLog"), [this](QDialog *) {
        QTest::keyClick(log->ComboBox1->lineEdit(), Qt::Key_Return);
        EXPECT_TRUE(log->isVisible());
        EXPECT_FALSE(LoginDone);
        log->Edit1->setText(QString());
        log->BitBtn1->click();
    });
    mainWindow->FormActivate();
    EXPECT_TRUE(LoginDone);
}

TEST_F(Login, AnUnknownUserIsRefusedLikeAWrongPassword)
{
    tryLogin({{QStringLiteral("NOBODY"), QString()}}, true);
    EXPECT_EQ(platform.texts(QStringLiteral("message")), QStringList{Refused});
    EXPECT_FALSE(LoginDone);
    EXPECT_EQ(platform.terminated, 1);
}

TEST_F(Login, AQuoteInTheNameIsLookedUpSafely)
{
    tryLogin({{QStringLiteral("O'NEIL' OR ''='"), QString()}}, true);
    EXPECT_TRUE(platform.errors().isEmpty());
    EXPECT_EQ(platform.texts(QStringLiteral("message")), QStringList{Refused});
    EXPECT_FALSE(LoginDone);
}

TEST_F(Login, EveryCloseWithoutSuccessEndsTheProgram)
{
    tryLogin({}, true); // 取消
    EXPECT_EQ(platform.terminated, 1);
    platform.onDialog(QStringLiteral("FrmLog"), [](QDialog *d) { d->close(); }); // the close box
    mainWindow->FormActivate();
    EXPECT_EQ(platform.terminated, 2);
    platform.onDialog(QStringLiteral("FrmLog"), [](QDialog *d) { QTest::keyClick(d, Qt::Key_Escape); });
    mainWindow->FormActivate();
    EXPECT_EQ(platform.terminated, 3);
    EXPECT_FALSE(LoginDone);
}

TEST_F(Login, NamesCompareUnderUnicodeCaseFoldingAndFullWidthForms)
{
    exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('JOSÉ','x')"));
    // as typed: the name box upper-cases "josé"; a Chinese input method in
    // full-width mode types "ｚｈａｎｇ"
    EXPECT_EQ(TFrmLog::foldedName(QStringLiteral("josé")), TFrmLog::foldedName(QStringLiteral("JOSÉ")));
    EXPECT_EQ(TFrmLog::foldedName(QStringLiteral("ＺＨＡＮＧ１")), QStringLiteral("zhang1"));
    EXPECT_NE(TFrmLog::foldedName(QStringLiteral("李四")), TFrmLog::foldedName(QStringLiteral("李三")));
    tryLogin({{QStringLiteral("josé"), QStringLiteral("wrong")},
              {QStringLiteral("ｚｈａｎｇ"), QStringLiteral("wrong")},
              {QStringLiteral("ＺＨＡＮＧ"), QStringLiteral("Pass1")}});
    EXPECT_TRUE(LoginDone);
    EXPECT_EQ(platform.texts(QStringLiteral("message")), (QStringList{Refused, Refused}));
    EXPECT_EQ(dm->ADOQLog->asString(QStringLiteral("yhmc")), QStringLiteral("zhang")); // the stored name
    EXPECT_EQ(mainWindow->StatusBar1->panelText(0), QStringLiteral("操作员：『zhang』"));
}

TEST_F(Login, AnAccentedNameLogsIn)
{
    exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('JOSÉ','x')"));
    tryLogin({{QStringLiteral("josé"), QStringLiteral("x")}});
    EXPECT_TRUE(LoginDone);
    EXPECT_EQ(dm->ADOQLog->asString(QStringLiteral("yhmc")), QStringLiteral("JOSÉ"));
}

TEST_F(Login, ThePasswordShowsAnAtForEveryLetterInTheLook)
{
    platform.onDialog(QStringLiteral("FrmLog"), [this](QDialog *) {
        log->Edit1->setFocus();
        QTest::keyClicks(log->Edit1, QStringLiteral("abc"));
        EXPECT_EQ(log->Edit1->displayText(), QStringLiteral("@@@"));
        log->BitBtn2->click();
    });
    mainWindow->FormActivate();
    EXPECT_FALSE(qApp->styleSheet().isEmpty()); // a look is on
}

namespace {

class Users : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('爸爸','pw')"));
        start(QStringLiteral("爸爸"), QStringLiteral("pw"));
        users = mainWindow->userGroups;
        mainWindow->ToolButton4->click();
    }

    // Adds (or, with edit, renames the current user to) name through the dialog.
    void nameUser(const QString &name, bool edit = false)
    {
        platform.onDialog(QStringLiteral("Frmyhwh"), [name](QDialog *) {
            forms().Frmyhwh->DBEdit1->setText(name);
            forms().Frmyhwh->BitBtn1->click();
        });
        (edit ? users->BitBtn22 : users->BitBtn21)->click();
    }

    UserGroups *users = nullptr;
};

} // namespace

TEST_F(Users, ANewUserHasAnEmptyPasswordAndNamesMustBeDistinct)
{
    nameUser(QStringLiteral("妈妈"));
    EXPECT_EQ(scalar(QStringLiteral("select coalesce(yhkl,'') from czyh where yhmc='妈妈'")), QString());
    nameUser(QStringLiteral("  "));       // blank
    nameUser(QStringLiteral("ＢＡＢＡ")); // fine: no user is BABA yet
    nameUser(QStringLiteral("baba"));     // the login would take it for ＢＡＢＡ
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              (QStringList{QStringLiteral("用户名称不能为空，请重新输入！"),
                           QStringLiteral("已有名为“baba”的操作用户，请换一个用户名称！")}));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from czyh")), QStringLiteral("4"));
    EXPECT_EQ(dm->ADOQczyh->state(), Dataset::State::Browse); // the closes discarded the refused rows
    // renaming a user to (a spelling of) its own name is no clash
    dm->ADOQczyh->locate(QStringLiteral("yhmc"), QStringLiteral("ＢＡＢＡ"));
    nameUser(QStringLiteral("ｂａｂａ"), true);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from czyh where yhmc='ｂａｂａ'")), QStringLiteral("1"));

    // the new user logs in with an empty password at the next start
    destroy();
    start(QStringLiteral("妈妈"), QString());
    EXPECT_TRUE(LoginDone);
}

TEST_F(Users, EveryUserNamed管理员IsProtected)
{
    nameUser(QStringLiteral("李四"));
    dm->ADOQczyh->locate(QStringLiteral("yhmc"), QStringLiteral("李四"));
    exec(QStringLiteral("update czyh set yhmc='管理员' where yhmc='李四'"));
    dm->ADOQczyh->requery(QStringLiteral("select * from czyh"));
    dm->ADOQczyh->last();
    ASSERT_EQ(dm->ADOQczyh->asString(QStringLiteral("yhmc")), QStringLiteral("管理员"));
    users->BitBtn22->click();
    users->BitBtn23->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              (QStringList{QStringLiteral("管理员为系统默认操作用户，不充许修改！"),
                           QStringLiteral("管理员为系统默认操作用户，不充许删除！")}));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from czyh where yhmc='管理员'")), QStringLiteral("2"));
}

TEST_F(Users, ThePasswordChangeIsForTheOperatorWhoLoggedIn)
{
    dm->ADOQczyh->first(); // 管理员 selected in the list
    users->Edit1->setText(QStringLiteral("PW"));
    users->BitBtn24->click();
    users->Edit1->setText(QStringLiteral("pw"));
    users->Edit2->setText(QStringLiteral("new"));
    users->Edit3->setText(QStringLiteral("New"));
    users->BitBtn24->click();
    EXPECT_EQ(users->Edit2->text(), QStringLiteral("new")); // refusals keep what was typed
    users->Edit3->setText(QStringLiteral("new"));
    users->BitBtn24->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              (QStringList{QStringLiteral("旧口令错误，不能修改！"), QStringLiteral("新口令确认不一致，不能修改！"),
                           QStringLiteral("新口令修改成功！")}));
    EXPECT_TRUE(users->Edit1->text().isEmpty());
    EXPECT_EQ(scalar(QStringLiteral("select yhkl from czyh where yhmc='爸爸'")), QStringLiteral("new"));
    EXPECT_EQ(scalar(QStringLiteral("select coalesce(yhkl,'') from czyh where yhmc='管理员'")), QString());
    EXPECT_EQ(users->DBText1->text(), QStringLiteral("爸爸"));
    EXPECT_EQ(users->Edit2->displayText(), QString());
    users->Edit2->setText(QStringLiteral("ab"));
    EXPECT_EQ(users->Edit2->displayText(), QStringLiteral("##"));
}

TEST_F(Users, DeletingTheOperatorKeepsItsNameShownAndStopsThePasswordChange)
{
    dm->ADOQczyh->locate(QStringLiteral("yhmc"), QStringLiteral("爸爸"));
    platform.answer(true);
    users->BitBtn23->click();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from czyh where yhmc='爸爸'")), QStringLiteral("0"));
    EXPECT_EQ(mainWindow->StatusBar1->panelText(0), QStringLiteral("操作员：『爸爸』"));
    EXPECT_EQ(users->DBText1->text(), QStringLiteral("爸爸"));
    users->Edit1->setText(QStringLiteral("pw"));
    users->BitBtn24->click();
    EXPECT_TRUE(
        platform.texts(QStringLiteral("message")).last().startsWith(QStringLiteral("当前操作用户已被删除或改名")));
    EXPECT_TRUE(platform.errors().isEmpty());
}

TEST_F(Login, ThreeEmptyFieldsSucceedForAnEmptyPassword)
{
    tryLogin({{QStringLiteral("李四"), QString()}});
    ASSERT_TRUE(LoginDone);
    UserGroups *users = mainWindow->userGroups;
    users->BitBtn24->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")), QStringList{QStringLiteral("新口令修改成功！")});
    EXPECT_EQ(scalar(QStringLiteral("select coalesce(yhkl,'') from czyh where yhmc='李四'")), QString());
}

TEST_F(Users, AfterAPasswordChangeTheOperatorCanRenameAndDeleteThemself)
{
    users->Edit1->setText(QStringLiteral("pw"));
    users->Edit2->setText(QStringLiteral("neu"));
    users->Edit3->setText(QStringLiteral("neu"));
    users->BitBtn24->click();
    ASSERT_TRUE(dm->ADOQczyh->locate(QStringLiteral("yhmc"), QStringLiteral("爸爸")));
    nameUser(QStringLiteral("老爸"), true);
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("select yhkl from czyh where yhmc='老爸'")), QStringLiteral("neu"));
    // the renamed operator changes the password again
    users->Edit1->setText(QStringLiteral("neu"));
    users->Edit2->setText(QStringLiteral("wieder"));
    users->Edit3->setText(QStringLiteral("wieder"));
    users->BitBtn24->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(), QStringLiteral("新口令修改成功！"));
    EXPECT_EQ(scalar(QStringLiteral("select yhkl from czyh where yhmc='老爸'")), QStringLiteral("wieder"));
    ASSERT_TRUE(dm->ADOQczyh->locate(QStringLiteral("yhmc"), QStringLiteral("老爸")));
    platform.answer(true);
    users->BitBtn23->click();
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from czyh where yhmc='老爸'")), QStringLiteral("0"));
}

TEST_F(Users, ARefusedPasswordLeavesNothingPendingAndBoxesHoldWhatTheColumnAllows)
{
    for (QLineEdit *box : {users->Edit1, users->Edit2, users->Edit3})
        EXPECT_EQ(box->maxLength(), 50);
    // the database refuses the next write of a password
    exec(QStringLiteral("create temp trigger refuse before update on czyh begin "
                        "select raise(abort, 'CHECK constraint failed: yhkl_size'); end"));
    users->Edit1->setText(QStringLiteral("pw"));
    users->Edit2->setText(QStringLiteral("abgelehnt"));
    users->Edit3->setText(QStringLiteral("abgelehnt"));
    users->BitBtn24->click();
    ASSERT_EQ(platform.errors().size(), 1);
    EXPECT_TRUE(platform.errors().first().startsWith(QStringLiteral("输入的内容超过了允许的长度")))
        << platform.errors().first().toStdString();
    EXPECT_EQ(dm->ADOQLog->state(), Dataset::State::Browse);
    exec(QStringLiteral("drop trigger temp.refuse"));
    // the refused password is not taken for the old one; the real one is
    users->Edit1->setText(QStringLiteral("abgelehnt"));
    users->Edit2->setText(QStringLiteral("x"));
    users->Edit3->setText(QStringLiteral("x"));
    users->BitBtn24->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(), QStringLiteral("旧口令错误，不能修改！"));
    users->Edit1->setText(QStringLiteral("pw"));
    users->BitBtn24->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(), QStringLiteral("新口令修改成功！"));

    // a pasted password longer than a password may be is cut, with a notice
    QGuiApplication::clipboard()->setText(QString(60, QLatin1Char('p')));
    users->Edit2->clear();
    users->Edit2->setFocus();
    QTest::keyClick(users->Edit2, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(users->Edit2->text().size(), 50);
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(),
              QStringLiteral("粘贴的内容太长，此处最多只能输入 50 个字，超出的部分已被截去。"));
}

TEST_F(Users, NamesAreComparedAndStoredWithoutBlanksAtEitherEnd)
{
    nameUser(QStringLiteral("妈妈"));
    nameUser(QStringLiteral(" 妈妈"));
    nameUser(QStringLiteral("管理员 "));
    nameUser(QStringLiteral("　舅舅 ")); // a full-width blank too
    const QStringList said = platform.texts(QStringLiteral("message"));
    ASSERT_EQ(said.size(), 2);
    EXPECT_EQ(said[0], QStringLiteral("已有名为“ 妈妈”的操作用户，请换一个用户名称！"));
    EXPECT_EQ(said[1], QStringLiteral("已有名为“管理员 ”的操作用户，请换一个用户名称！"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from czyh where yhmc='舅舅'")), QStringLiteral("1"));
    // a stored " 管理员" (from an older version) is protected like 管理员
    exec(QStringLiteral("insert into czyh (yhmc,yhkl) values (' 管理员','')"));
    dm->ADOQczyh->requery(QStringLiteral("select * from czyh"));
    ASSERT_TRUE(dm->ADOQczyh->locate(QStringLiteral("yhmc"), QStringLiteral(" 管理员")));
    users->BitBtn23->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(),
              QStringLiteral("管理员为系统默认操作用户，不充许删除！"));
    // the login takes " 妈妈" for 妈妈
    destroy();
    start(QStringLiteral(" 妈妈 "), QString());
    EXPECT_TRUE(LoginDone);
}
