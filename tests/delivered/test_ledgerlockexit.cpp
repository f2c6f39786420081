// A lock held when the process ends through exit() (as a restore ends the
// program) is released. The test runs this program again as its child: it
// lives here, among the tests of child processes, which the thread checker's
// run leaves out (a fork in a threaded test program confuses it).
#include "data/ledgerlock.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const QDateTime Now(QDate(2026, 12, 9), QTime(10, 30, 15));

TEST(LedgerLockExit, AHeldLockGoesWhenTheProcessEndsThroughExit)
{
    // a restore ends the program by exit(), past every window's end
    QTemporaryDir dir;
    const QString ledger = dir.path() + QStringLiteral("/Data.qhd");
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DOZ_LOCK_LEDGER"), ledger);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=LedgerLockExitChild.TakesALockAndEndsThroughExit")});
    ASSERT_TRUE(child.waitForFinished(60000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
    EXPECT_TRUE(QFileInfo::exists(ledger + QStringLiteral(".taken"))) << "the child took the lock";
    EXPECT_FALSE(QFileInfo::exists(ledger + QStringLiteral(".lock")));
}

TEST(LedgerLockExitChild, TakesALockAndEndsThroughExit)
{
    const QString ledger = qEnvironmentVariable("DOZ_LOCK_LEDGER");
    if (ledger.isEmpty())
        GTEST_SKIP() << "the child of AHeldLockGoesWhenTheProcessEndsThroughExit";
    auto *lock = new LedgerLock(ledger); // never deleted: only the exit releases it
    ASSERT_TRUE(lock->take(Now));
    QFile taken(ledger + QStringLiteral(".taken"));
    ASSERT_TRUE(taken.open(QIODevice::WriteOnly));
    taken.close();
    std::exit(0);
}

} // namespace
