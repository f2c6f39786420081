// The lock beside the ledger: what its file says, how it is judged, and
// that taking, taking over and releasing never touch another's lock.
#include "data/ledgerlock.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace {

const QDateTime Now(QDate(2026, 12, 9), QTime(10, 30, 15));

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

LedgerLock::Holder otherComputer(const QDateTime &seen)
{
    LedgerLock::Holder h;
    h.host = QStringLiteral("laptop");
    h.machine = QStringLiteral("ffffffffffffffffffffffffffffffff");
    h.user = QStringLiteral("papa");
    h.pid = 77;
    h.since = seen.addSecs(-600);
    h.seen = seen;
    return h;
}

TEST(LedgerLockFile, SaysWhoSinceWhenAndReadsBack)
{
    LedgerLock::Holder self = LedgerLock::self(Now);
    EXPECT_EQ(self.pid, qint64(::getpid()));
    EXPECT_FALSE(self.host.isEmpty());
    EXPECT_FALSE(self.user.isEmpty());
    const QByteArray text = LedgerLock::format(self);
    EXPECT_TRUE(text.startsWith("doz-lock 1\nhost="));
    LedgerLock::Holder back;
    ASSERT_TRUE(LedgerLock::parse(text, &back));
    EXPECT_EQ(back.host, self.host);
    EXPECT_EQ(back.user, self.user);
    EXPECT_EQ(back.pid, self.pid);
    EXPECT_EQ(back.since, Now);
    EXPECT_EQ(back.started, self.started);
    EXPECT_TRUE(LedgerLock::isThisComputer(back));
    EXPECT_EQ(LedgerLock::judge(back, Now), LedgerLock::Status::Held);
}

TEST(LedgerLockFile, WhatIsNotTheProgramsLockIsRefusedAndTextsAreCleaned)
{
    LedgerLock::Holder h;
    EXPECT_FALSE(LedgerLock::parse("", &h));
    EXPECT_FALSE(LedgerLock::parse("host=a\npid=1\nsince=2026-12-09T10:00:00\n", &h)); // no header
    EXPECT_FALSE(LedgerLock::parse("doz-lock 1\nhost=a\npid=-5\nsince=2026-12-09T10:00:00\n", &h));
    EXPECT_FALSE(LedgerLock::parse("doz-lock 1\nhost=a\npid=5\nsince=yesterday\n", &h));
    ASSERT_TRUE(LedgerLock::parse("doz-lock 1\nhost=\x1b[2J\xe5\xae\xa2\xe5\x8e\x85\r\x07\nuser=" + QByteArray(500, 'u')
                                      + "\npid=5\nsince=2026-12-09T10:00:00+08:00\nunknown=1\n",
                                  &h));
    EXPECT_EQ(h.host, QStringLiteral("[2J客厅"));
    EXPECT_EQ(h.user.size(), 64);
    EXPECT_EQ(h.seen, h.since); // an older lock without it
}

TEST(LedgerLockJudge, ThisComputerByItsProcessAnotherByItsAge)
{
    LedgerLock::Holder h = LedgerLock::self(Now);
    h.pid = ::getppid();
    h.started = 0;
    EXPECT_EQ(LedgerLock::judge(h, Now.addDays(30)), LedgerLock::Status::Held) << "a running process never ages";
    h.pid = 0x3ffffff0;
    EXPECT_EQ(LedgerLock::judge(h, Now), LedgerLock::Status::Stale);
    // the number now belongs to another process
    h = LedgerLock::self(Now);
    h.started += 1;
    EXPECT_EQ(LedgerLock::judge(h, Now), LedgerLock::Status::Stale);
    // the computer started again since
    h = LedgerLock::self(Now);
    if (!h.boot.isEmpty()) {
        h.boot = QStringLiteral("00000000-0000-0000-0000-000000000000");
        EXPECT_EQ(LedgerLock::judge(h, Now), LedgerLock::Status::Stale);
    }

    const LedgerLock::Holder other = otherComputer(Now);
    EXPECT_FALSE(LedgerLock::isThisComputer(other));
    EXPECT_EQ(LedgerLock::judge(other, Now.addSecs(23 * 3600)), LedgerLock::Status::Held);
    EXPECT_EQ(LedgerLock::judge(other, Now.addSecs(25 * 3600)), LedgerLock::Status::Stale);
    // a computer of the same name is another one when its machine id differs
    LedgerLock::Holder namesake = other;
    namesake.host = QSysInfo::machineHostName();
    if (!LedgerLock::self(Now).machine.isEmpty()) {
        EXPECT_FALSE(LedgerLock::isThisComputer(namesake));
        EXPECT_EQ(LedgerLock::judge(namesake, Now.addSecs(3600)), LedgerLock::Status::Held);
    }
}

TEST(LedgerLockTaking, OnlyAFreeLockIsTakenAndOnlyOursIsReleased)
{
    QTemporaryDir dir;
    const QString ledger = dir.path() + QStringLiteral("/Data.qhd");
    LedgerLock first(ledger);
    EXPECT_EQ(first.examine(Now), LedgerLock::Status::Free);
    ASSERT_TRUE(first.take(Now));
    EXPECT_TRUE(first.isHeld());
    EXPECT_EQ(QFileInfo(first.file()).permissions() & (QFile::ReadOther | QFile::WriteOther), 0);

    // a second program finds it held and cannot take it
    LedgerLock second(ledger);
    LedgerLock::Holder holder;
    EXPECT_EQ(second.examine(Now, &holder), LedgerLock::Status::Held);
    EXPECT_EQ(holder.pid, qint64(::getpid()));
    QString why;
    EXPECT_FALSE(second.take(Now, &why));
    EXPECT_EQ(why, QStringLiteral("帐本刚刚被另一个程序打开。"));
    EXPECT_FALSE(second.isHeld());
    second.release(); // not its own: stays
    EXPECT_TRUE(first.isHeld());

    // the hourly sign of life keeps the time it was taken
    first.refresh(Now.addSecs(3600));
    ASSERT_TRUE(LedgerLock::parse(contents(first.file()), &holder));
    EXPECT_EQ(holder.since, Now);
    EXPECT_EQ(holder.seen, Now.addSecs(3600));
    EXPECT_TRUE(first.isHeld());

    // taken over by another: the first neither refreshes nor removes it
    ASSERT_TRUE(second.takeOver(Now.addSecs(7200)));
    const QByteArray taken = contents(first.file());
    EXPECT_FALSE(first.isHeld());
    first.refresh(Now.addSecs(9000));
    first.release();
    EXPECT_EQ(contents(first.file()), taken);
    second.release();
    EXPECT_FALSE(QFileInfo::exists(first.file()));
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty())
        << "no temporary file is left";
}

TEST(LedgerLockTaking, ALockBeyondItsSizeIsDamagedAndReadOnlyInPart)
{
    QTemporaryDir dir;
    const QString ledger = dir.path() + QStringLiteral("/Data.qhd");
    LedgerLock lock(ledger);
    QFile f(lock.file());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const QByteArray valid = LedgerLock::format(otherComputer(Now));
    f.write(valid + QByteArray(LedgerLock::MaxSize + 1 - valid.size(), '\n'));
    f.close();
    EXPECT_EQ(lock.examine(Now), LedgerLock::Status::Damaged);
    ASSERT_TRUE(f.resize(LedgerLock::MaxSize));
    EXPECT_EQ(lock.examine(Now), LedgerLock::Status::Held);
}

} // namespace
