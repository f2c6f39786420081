// Where the ledger lives (beside the program or in the user's data folder),
// the lock that keeps a second program from writing it, the read-only
// opening, copies left by sync programs, and the automatic backups at the
// exit with their list on the settings page.
#include "app/tfrmmian.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/statusbar.h"
#include "data/dberror.h"
#include "data/filesafety.h"
#include "data/ledgerfolder.h"
#include "data/ledgerlock.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "maintenance/autobackups.h"
#include "maintenance/databasefiles.h"
#include "maintenance/maintenancegroups.h"
#include "memos/tfrmjstx.h"
#include "settings/settingspage.h"
#include "stats/budgetview.h"
#include "stats/summarypage.h"
#include "support/app/appfixture.h"
#include "users/userspage.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

mode_t modeOf(const QString &path)
{
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

// Sets an environment variable for the life of the object.
class Environment
{
public:
    Environment(const char *name, const QByteArray &value)
        : m_name(name)
        , m_had(qEnvironmentVariableIsSet(name))
        , m_old(qgetenv(name))
    {
        qputenv(name, value);
    }
    ~Environment()
    {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char *m_name;
    bool m_had;
    QByteArray m_old;
};

class LedgerHome : public AppFixture
{
protected:
    QString ledger() const { return db->path(); }
    QString lockFile() const { return db->path() + QStringLiteral(".lock"); }
    // A lock of another program, as its file says it.
    void lockedBy(const LedgerLock::Holder &holder) { write(lockFile(), LedgerLock::format(holder)); }
    LedgerLock::Holder otherComputer(int minutesAgo)
    {
        LedgerLock::Holder h;
        h.host = QStringLiteral("客厅的电脑");
        h.machine = QStringLiteral("0123456789abcdef0123456789abcdef");
        h.user = QStringLiteral("mama");
        h.pid = 4242;
        h.since = platform.now().addSecs(-3 * 3600);
        h.seen = platform.now().addSecs(-60 * minutesAgo);
        return h;
    }
    // A change of the household's through the program's connection.
    void changeSomething()
    {
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#2026-12-09#,'支出','餐饮',12.5)"));
    }
    void exitByTheButton()
    {
        platform.answer(true);
        mainWindow->ToolButton6->click();
    }
};

TEST_F(LedgerHome, AWritableProgramFolderKeepsTheLedgerBesideTheProgram)
{
    QTemporaryDir data;
    Environment home("XDG_DATA_HOME", QFile::encodeName(data.path()));
    start();
    EXPECT_EQ(LedgerFolder::path(), db->dir());
    EXPECT_EQ(dm->ADOConnection1->dataSource(), ledger());
    EXPECT_TRUE(QDir(data.path()).isEmpty()) << "nothing is made in the data folder";
    EXPECT_TRUE(mainWindow->StatusBar1->panelText(2).startsWith(QStringLiteral("帐本：")));
    EXPECT_TRUE(mainWindow->StatusBar1->panelText(2).endsWith(QStringLiteral("/Data.qhd")));
    // the lock is held while the program runs and goes with it
    EXPECT_TRUE(QFileInfo::exists(lockFile()));
    destroy();
    EXPECT_FALSE(QFileInfo::exists(lockFile()));
}

TEST_F(LedgerHome, AnUnwritableProgramFolderKeepsTheLedgerInTheUsersDataFolder)
{
    QTemporaryDir data;
    Environment home("XDG_DATA_HOME", QFile::encodeName(data.path() + QStringLiteral("/share")));
    platform.makeUnwritable(db->dir());
    QFile::remove(ledger());
    start();
    const QString folder = data.path() + QStringLiteral("/share/doz/");
    EXPECT_EQ(LedgerFolder::path(), folder);
    EXPECT_TRUE(LedgerFolder::isUserData());
    EXPECT_EQ(dm->ADOConnection1->dataSource(), folder + QStringLiteral("Data.qhd"));
    EXPECT_EQ(modeOf(folder), mode_t(0700));
    EXPECT_EQ(modeOf(folder + QStringLiteral("Data.qhd")), mode_t(0600));
    // made as the delivered ledger is: its presets, and today's year
    EXPECT_EQ(scalar(QStringLiteral("select qsny from xtcs")), QStringLiteral("2026-01-01"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from czyh")), QStringLiteral("1"));
    EXPECT_NE(scalar(QStringLiteral("select count(*) from fyxm")), QStringLiteral("0"));
    // nothing goes beside the program: no lock, no ledger
    EXPECT_FALSE(QFileInfo::exists(ledger()));
    EXPECT_FALSE(QFileInfo::exists(lockFile()));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("Data.qhd.lock")));
    // the status bar says where
    EXPECT_EQ(mainWindow->StatusBar1->panelText(2),
              QStringLiteral("帐本：") + LedgerFolder::shown(folder + QStringLiteral("Data.qhd")));

    // the next start keeps what was written, and a folder another program
    // left open to others is the user's alone again
    changeSomething();
    destroy();
    ::chmod(QFile::encodeName(folder).constData(), 0755);
    create();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where zc=12.5")), QStringLiteral("1"));
    EXPECT_EQ(modeOf(folder), mode_t(0700));
}

TEST_F(LedgerHome, TheDataFolderFollowsTheXdgRule)
{
    QTemporaryDir homeDir;
    Environment home("HOME", QFile::encodeName(homeDir.path()));
    {
        // a relative XDG_DATA_HOME is to be ignored
        Environment data("XDG_DATA_HOME", "relative/share");
        EXPECT_EQ(LedgerFolder::userDataHome(), homeDir.path() + QStringLiteral("/.local/share"));
    }
    Environment none("XDG_DATA_HOME", QByteArray());
    platform.makeUnwritable(db->dir());
    EXPECT_EQ(LedgerFolder::path(), homeDir.path() + QStringLiteral("/.local/share/doz/"));
    EXPECT_EQ(LedgerFolder::shown(LedgerFolder::ledgerFile()), QStringLiteral("~/.local/share/doz/Data.qhd"));
}

TEST_F(LedgerHome, AnInstalledProgramKeepsTheLedgerInTheDataFolderEvenWhereItMayWrite)
{
    // as for root starting the program installed in /usr/bin
    QTemporaryDir prefix;
    QDir(prefix.path()).mkpath(QStringLiteral("bin"));
    QDir(prefix.path()).mkpath(QStringLiteral("share/applications"));
    write(prefix.path() + QStringLiteral("/share/applications/cn.qinghe.doz.desktop"), "[Desktop Entry]\n");
    QTemporaryDir data;
    Environment home("XDG_DATA_HOME", QFile::encodeName(data.path()));
    platform.setProgramDirectory(prefix.path() + QStringLiteral("/bin/"));
    EXPECT_TRUE(LedgerFolder::isUserData());
    EXPECT_EQ(LedgerFolder::path(), data.path() + QStringLiteral("/doz/"));
    QFile::remove(prefix.path() + QStringLiteral("/share/applications/cn.qinghe.doz.desktop"));
    EXPECT_FALSE(LedgerFolder::isUserData());
}

TEST_F(LedgerHome, TwoUsersKeepTwoLedgers)
{
    QTemporaryDir mama;
    QTemporaryDir papa;
    platform.makeUnwritable(db->dir());
    {
        Environment home("XDG_DATA_HOME", QFile::encodeName(mama.path()));
        start();
        changeSomething();
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where zc=12.5")), QStringLiteral("1"));
        destroy();
    }
    {
        Environment home("XDG_DATA_HOME", QFile::encodeName(papa.path()));
        start();
        EXPECT_EQ(dm->ADOConnection1->dataSource(), papa.path() + QStringLiteral("/doz/Data.qhd"));
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where zc=12.5")), QStringLiteral("0"));
        // the one does not wait for the other's lock
        EXPECT_FALSE(mainWindow->isReadOnly());
        destroy();
    }
    // and the first one's books are still there for her
    {
        Environment home("XDG_DATA_HOME", QFile::encodeName(mama.path()));
        start();
        EXPECT_EQ(dm->ADOConnection1->dataSource(), mama.path() + QStringLiteral("/doz/Data.qhd"));
        EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where zc=12.5")), QStringLiteral("1"));
        destroy();
    }
}

TEST_F(LedgerHome, ALedgerThatCannotBeMadeIsTold)
{
    QTemporaryDir data;
    // the data folder's place is taken by a file
    write(data.path() + QStringLiteral("/doz"), "not a folder");
    Environment home("XDG_DATA_HOME", QFile::encodeName(data.path()));
    platform.makeUnwritable(db->dir());
    create();
    ASSERT_EQ(platform.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(platform.texts(QStringLiteral("error")).first().startsWith(QStringLiteral("无法建立帐本数据文件")));
    ASSERT_EQ(platform.errors().size(), 1); // and the opening fails as for a missing ledger
    EXPECT_TRUE(platform.errors().first().contains(QStringLiteral("找不到")));
    EXPECT_EQ(contents(data.path() + QStringLiteral("/doz")), QByteArray("not a folder"));
}

TEST_F(LedgerHome, ASecondStartIsToldWhoHasTheLedgerAndMayOpenItReadOnly)
{
    lockedBy(otherComputer(10));
    const QByteArray lockBefore = contents(lockFile());
    // a recurring entry fell due: a read-only opening posts nothing
    exec(QStringLiteral("insert into dqsz (lx,xm,je,gz,jg,rh,ksrq,ms) values ('支出','居住',3500,0,1,1,#2026-1-1#,1)"));
    platform.choose(QStringLiteral("只读打开"));
    start();
    EXPECT_TRUE(platform.dialogsShown.filter(QStringLiteral("FrmDqjz")).isEmpty());
    EXPECT_FALSE(mainWindow->TabSheet1->BitBtn8->isEnabled());               // 定期收支
    EXPECT_FALSE(mainWindow->TabSheet2->BudgetView1->BitBtn17->isEnabled()); // 设置预算
    const QStringList asked = platform.texts(QStringLiteral("choice"));
    ASSERT_EQ(asked.size(), 1);
    EXPECT_TRUE(asked.first().contains(QStringLiteral("已经由另一个程序打开")));
    EXPECT_TRUE(asked.first().contains(QStringLiteral("电脑：客厅的电脑")));
    EXPECT_TRUE(asked.first().contains(QStringLiteral("用户：mama")));
    EXPECT_TRUE(asked.first().contains(QStringLiteral("打开时间：2026-12-09 07:30:15")));
    EXPECT_TRUE(asked.first().endsWith(QStringLiteral("[只读打开|退出]")));

    EXPECT_TRUE(mainWindow->isReadOnly());
    EXPECT_EQ(mainWindow->windowTitle(), QStringLiteral("『青禾』家庭doz V2.0（只读）"));
    EXPECT_TRUE(mainWindow->StatusBar1->panelText(2).startsWith(QStringLiteral("帐本（只读）：")));
    // what is made later comes with its commands off too
    EXPECT_FALSE(mainWindow->TabSheet4.made());
    EXPECT_FALSE(forms().FrmJstx.made());
    EXPECT_FALSE(mainWindow->TabSheet4->BitBtn25->isEnabled());
    EXPECT_FALSE(mainWindow->userGroups->Edit1->isEnabled());
    EXPECT_FALSE(mainWindow->maintenanceGroups->BitBtn39->isEnabled());
    EXPECT_FALSE(forms().FrmJstx->BitBtn1->isEnabled());
    const QList<QWidget *> commands = mainWindow->writeCommands();
    EXPECT_TRUE(commands.contains(forms().FrmJstx->BitBtn1));
    EXPECT_TRUE(commands.contains(mainWindow->TabSheet4->BitBtn26));
    for (QWidget *command : commands)
        EXPECT_FALSE(command->isEnabled()) << command->objectName().toStdString();
    // reading goes on: the ledger's list, a backup
    EXPECT_TRUE(dm->ADOQlsz->isActive());
    EXPECT_TRUE(mainWindow->TabSheet1->BitBtn6->isEnabled()); // 条件筛选
    EXPECT_TRUE(mainWindow->maintenanceGroups->BitBtn38->isEnabled());
    // a double click on an entry does not open it for editing
    mainWindow->ToolButton1->click();
    emit mainWindow->TabSheet1->DBGridEh1->doubleClicked();
    EXPECT_TRUE(platform.dialogsShown.filter(QStringLiteral("FrmDz")).isEmpty());
    // and whatever would write anyway is refused by the file opened read-only
    const QByteArray before = contents(ledger());
    try {
        changeSomething();
        ADD_FAILURE() << "a write went through";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("readonly"))) << e.message().toStdString();
    }
    // leaving changes nothing and makes no backup; the other's lock stays
    exitByTheButton();
    EXPECT_EQ(contents(ledger()), before);
    EXPECT_FALSE(QFileInfo::exists(db->dir() + QStringLiteral("backups")));
    destroy();
    EXPECT_EQ(contents(lockFile()), lockBefore);
}

TEST_F(LedgerHome, ASecondStartMayOpenNothing)
{
    LedgerLock::Holder alive = LedgerLock::self(platform.now());
    alive.pid = ::getppid(); // a process that runs on this computer
    alive.started = 0;
    lockedBy(alive);
    platform.choose(QStringLiteral("退出"));
    create();
    EXPECT_EQ(platform.terminated, 1);
    EXPECT_TRUE(mainWindow->declinedLedger());
    EXPECT_FALSE(dm->ADOConnection1->isConnected());
    EXPECT_EQ(contents(lockFile()), LedgerLock::format(alive));
}

TEST_F(LedgerHome, ALockWhoseProgramIsGoneIsOfferedToBeTakenOver)
{
    LedgerLock::Holder gone = LedgerLock::self(platform.now().addDays(-2));
    gone.pid = 0x3ffffff0; // beyond any process number of the system
    lockedBy(gone);
    platform.choose(QStringLiteral("接管并打开"));
    start();
    ASSERT_EQ(platform.texts(QStringLiteral("choice")).size(), 1);
    EXPECT_TRUE(platform.texts(QStringLiteral("choice")).first().contains(QStringLiteral("已经不在运行")));
    EXPECT_TRUE(
        platform.texts(QStringLiteral("choice")).first().endsWith(QStringLiteral("[接管并打开|只读打开|退出]")));
    EXPECT_FALSE(mainWindow->isReadOnly());
    LedgerLock::Holder now;
    ASSERT_TRUE(LedgerLock::parse(contents(lockFile()), &now));
    EXPECT_EQ(now.pid, qint64(::getpid()));
    EXPECT_EQ(now.since, platform.now());
    changeSomething(); // writes again
    destroy();
    EXPECT_FALSE(QFileInfo::exists(lockFile()));
}

TEST_F(LedgerHome, ALockOfAnotherComputerIsOfferedOnlyAfterADay)
{
    lockedBy(otherComputer(25 * 60));
    platform.choose(QStringLiteral("只读打开"));
    create();
    ASSERT_EQ(platform.texts(QStringLiteral("choice")).size(), 1);
    EXPECT_TRUE(platform.texts(QStringLiteral("choice")).first().contains(QStringLiteral("超过一天")));
    EXPECT_TRUE(
        platform.texts(QStringLiteral("choice")).first().endsWith(QStringLiteral("[接管并打开|只读打开|退出]")));
    EXPECT_TRUE(mainWindow->isReadOnly());
}

TEST_F(LedgerHome, AHostileOrDamagedLockHurtsNothing)
{
    QTemporaryDir elsewhere;
    const QString target = elsewhere.path() + QStringLiteral("/precious.txt");
    write(target, "the household's own file\n");
    const auto damaged = [&](const std::function<void()> &make, const char *what) {
        SCOPED_TRACE(what);
        make();
        platform.choose(QStringLiteral("接管并打开"));
        create();
        const QStringList asked = platform.texts(QStringLiteral("choice"));
        ASSERT_EQ(asked.size(), 1);
        EXPECT_TRUE(asked.first().contains(QStringLiteral("无法识别")));
        EXPECT_FALSE(mainWindow->isReadOnly());
        EXPECT_TRUE(dm->ADOConnection1->isConnected());
        // the lock is now a plain file of this program's
        const QFileInfo lock(lockFile());
        EXPECT_FALSE(lock.isSymLink());
        LedgerLock::Holder holder;
        EXPECT_TRUE(LedgerLock::parse(contents(lockFile()), &holder));
        destroy();
        EXPECT_FALSE(QFileInfo::exists(lockFile()));
        platform.clearShown();
    };
    damaged([&] { write(lockFile(), QByteArray("\x00\xff\x13garbage\n=\n==", 14)); }, "garbage");
    damaged([&] { write(lockFile(), QByteArray("doz-lock 1\nhost=\x1b[2Jx\n")); }, "no process, no time");
    damaged(
        [&] {
            write(lockFile(), "doz-lock 1\nhost=a\npid=1\nsince=2026-12-09T10:00:00\n" + QByteArray(20 << 20, 'x'));
        },
        "huge");
    damaged([&] { ASSERT_TRUE(QFile::link(target, lockFile())); }, "a link to a file of the household's");
    damaged([&] { ASSERT_TRUE(QFile::link(elsewhere.path() + QStringLiteral("/nothing"), lockFile())); },
            "a dangling link");
    damaged([&] { ASSERT_EQ(::mkfifo(QFile::encodeName(lockFile()).constData(), 0600), 0); }, "a pipe");
    EXPECT_EQ(contents(target), QByteArray("the household's own file\n"));
    EXPECT_TRUE(FileSafety::leftovers(db->dir()).isEmpty());
}

TEST_F(LedgerHome, ALockThatCannotBeWrittenLeavesOnlyReadingOrNothing)
{
    // the lock's name is taken by a folder: nothing can be written there
    QDir().mkpath(lockFile());
    platform.choose(QStringLiteral("接管并打开"));
    platform.choose(QStringLiteral("只读打开"));
    create();
    const QStringList asked = platform.texts(QStringLiteral("choice"));
    ASSERT_EQ(asked.size(), 2);
    EXPECT_TRUE(asked.last().startsWith(QStringLiteral("无法接管帐本锁：")));
    EXPECT_TRUE(asked.last().endsWith(QStringLiteral("[只读打开|退出]")));
    EXPECT_TRUE(mainWindow->isReadOnly());
    EXPECT_TRUE(QFileInfo(lockFile()).isDir());
}

TEST_F(LedgerHome, ACopyLeftByASyncProgramIsPointedOut)
{
    write(db->dir() + QStringLiteral("Data (conflicted copy 2026-12-08 193012).qhd"), "books of the other computer");
    write(db->dir() + QStringLiteral("Database notes.txt"), "not a copy");
    start();
    const QStringList told = platform.texts(QStringLiteral("message"));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told.first().contains(QStringLiteral("冲突副本")));
    EXPECT_TRUE(told.first().contains(QStringLiteral("Data (conflicted copy 2026-12-08 193012).qhd")));
    EXPECT_FALSE(told.first().contains(QStringLiteral("Database notes.txt")));
}

TEST(LedgerFolderNames, ConflictedCopiesOfTheSyncProgramsAndNothingElse)
{
    QTemporaryDir dir;
    const QStringList copies = {QStringLiteral("Data (1).qhd"),
                                QStringLiteral("Data (conflicted copy 2026-01-05 101500).qhd"),
                                QStringLiteral("Data (Case Conflict).qhd"),
                                QStringLiteral("Data (SFConflict mama@example.org 2026-01-05-10-15-00).qhd"),
                                QStringLiteral("Data (冲突副本 2026-01-05).qhd"),
                                QStringLiteral("Data.qhd.sync-conflict-20260105-101500-ABCDEFG"),
                                QStringLiteral("Data.sync-conflict-20260105-101500-ABCDEFG.qhd"),
                                QStringLiteral("data_conflict-20260105.qhd")};
    const QStringList others = {QStringLiteral("Data.qhd"),
                                QStringLiteral("Data.qhd-journal"),
                                QStringLiteral("Data.qhd.lock"),
                                QStringLiteral("Data.qhd.doz-tmp-12-0"),
                                QStringLiteral("Database conflict.qhd"),
                                QStringLiteral("Data2.qhd"),
                                QStringLiteral("Data (2025).qhd"),
                                QStringLiteral("恢复前的帐本 2026-01-05 101500.qhd"),
                                QStringLiteral("conflicts.txt")};
    for (const QString &name : copies + others)
        write(dir.path() + QLatin1Char('/') + name, "x");
    QDir(dir.path()).mkdir(QStringLiteral("Data (conflicted copy folder)"));
    QStringList expected = copies;
    expected.sort();
    QStringList found = LedgerFolder::conflictedCopies(dir.path() + QStringLiteral("/Data.qhd"));
    found.sort();
    EXPECT_EQ(found, expected);
}

TEST_F(LedgerHome, ASessionThatChangedTheLedgerLeavesABackupAtTheExit)
{
    start();
    // a session without a change leaves none
    exitByTheButton();
    EXPECT_FALSE(QFileInfo::exists(db->dir() + QStringLiteral("backups")));
    destroy();

    platform.setNow(QDateTime(QDate(2026, 12, 10), QTime(21, 5, 9)));
    start();
    changeSomething();
    exitByTheButton();
    const QString backup = db->dir() + QStringLiteral("backups/自动备份 2026-12-10 210509.qhd");
    ASSERT_TRUE(QFileInfo::exists(backup));
    EXPECT_EQ(modeOf(db->dir() + QStringLiteral("backups")), mode_t(0700));
    EXPECT_EQ(modeOf(backup), mode_t(0600));
    QString why;
    EXPECT_TRUE(DatabaseFiles::isLedger(backup, DatabasePassword, &why)) << why.toStdString();
    EXPECT_EQ(contents(backup), contents(ledger()));
    EXPECT_FALSE(QFileInfo::exists(lockFile()));
    destroy();

    // the settings page lists it, and 恢复 restores it through the checked restore
    platform.setNow(QDateTime(QDate(2026, 12, 11), QTime(8, 0, 0)));
    start();
    exec(QStringLiteral("delete from szzb"));
    MaintenanceGroups *groups = mainWindow->maintenanceGroups;
    ASSERT_EQ(groups->ListView1->topLevelItemCount(), 1);
    EXPECT_EQ(groups->ListView1->topLevelItem(0)->text(0), QStringLiteral("2026-12-10 21:05:09"));
    EXPECT_FALSE(groups->ListView1->topLevelItem(0)->text(1).isEmpty());
    EXPECT_TRUE(groups->Label20->text().contains(QStringLiteral("最近10天")));
    ASSERT_TRUE(groups->BitBtn42->isEnabled());
    platform.answer(true);
    groups->BitBtn42->click();
    EXPECT_TRUE(
        platform.texts(QStringLiteral("question")).last().contains(QStringLiteral("是否确定现在就进行数据恢复")));
    ASSERT_EQ(platform.terminated, 1);
    EXPECT_EQ(contents(ledger()), contents(backup));
    EXPECT_TRUE(QFileInfo::exists(db->dir() + DatabaseFiles::safetyCopyName(platform.now())));
}

TEST_F(LedgerHome, ABackupInTheListThatIsNoLedgerIsRefused)
{
    QDir(db->dir()).mkdir(QStringLiteral("backups"));
    write(db->dir() + QStringLiteral("backups/自动备份 2026-12-01 080000.qhd"), "damaged");
    write(db->dir() + QStringLiteral("backups/my own notes.txt"), "kept");
    start();
    MaintenanceGroups *groups = mainWindow->maintenanceGroups;
    ASSERT_EQ(groups->ListView1->topLevelItemCount(), 1);
    const QByteArray before = contents(ledger());
    platform.answer(true);
    emit groups->ListView1->itemActivated(groups->ListView1->topLevelItem(0), 0); // Enter on it
    ASSERT_EQ(platform.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(platform.texts(QStringLiteral("error")).first().startsWith(QStringLiteral("数据恢复失败")));
    EXPECT_EQ(platform.terminated, 0);
    EXPECT_EQ(contents(ledger()), before);
}

TEST_F(LedgerHome, AFailedBackupNeverStopsTheExitAndIsToldAtTheNextStart)
{
    write(db->dir() + QStringLiteral("backups"), "a file where the folder would be");
    start();
    changeSomething();
    exitByTheButton();
    EXPECT_FALSE(mainWindow->isVisible()); // the program ended all the same
    EXPECT_TRUE(platform.errors().isEmpty());
    destroy();

    create();
    const QStringList told = platform.texts(QStringLiteral("message"));
    ASSERT_EQ(told.size(), 1);
    EXPECT_TRUE(told.first().startsWith(QStringLiteral("上次退出时（2026-12-09 10:30:15）帐本的自动备份没有成功")));
    EXPECT_TRUE(told.first().contains(QStringLiteral("不是文件夹")));
    destroy();
    // told once
    platform.clearShown();
    create();
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty());
}

} // namespace
