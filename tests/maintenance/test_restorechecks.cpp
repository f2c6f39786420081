// What a restore accepts, what a backup refuses, what a killed program
// leaves behind and what the next start clears.
#include "app/tfrmmian.h"
#include "components/busy.h"
#include "data/connection.h"
#include "data/filesafety.h"
#include "data/schema.h"
#include "data/tdm.h"
#include "maintenance/databasefiles.h"
#include "maintenance/importer.h"
#include "maintenance/maintenancegroups.h"
#include "support/app/appfixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <sqlite3.h>

#include <csignal>
#include <functional>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A connection to the ledger file name in folder dir.
std::unique_ptr<Connection> connect(const QString &dir, const QString &name)
{
    auto c = std::make_unique<Connection>();
    c->setConnectionString(ledgerConnectionString(dir).replace(QStringLiteral("Data.qhd"), name));
    return c;
}

void raw(Connection *c, const char *sql)
{
    char *error = nullptr;
    ASSERT_EQ(sqlite3_exec(c->handle(), sql, nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
}

class RestoreChecks : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-3-1#,'支出','原有',30,0,-30)"));
        start();
        groups = mainWindow->maintenanceGroups;
    }

    // A ledger file beside the program, changed by change.
    QString ledger(const QString &name, const std::function<void(Connection *)> &change)
    {
        const QString path = db->dir() + name;
        Schema::createDatabase(path, DatabasePassword, QDate(2026, 1, 1), true);
        auto c = connect(db->dir(), name);
        c->execute(
            QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-5-1#,'支出','备份里的',8,0,-8)"));
        change(c.get());
        c->close();
        return path;
    }

    // Restores file through the settings page, answering Yes.
    void restore(const QString &file)
    {
        platform.chooseFile(file);
        platform.answer(true);
        groups->BitBtn39->click();
    }
    // Restores file, which must be taken, and starts the program again on it.
    void restoreAndStartAgain(const QString &file)
    {
        restore(file);
        ASSERT_TRUE(platform.texts(QStringLiteral("error")).isEmpty())
            << platform.texts(QStringLiteral("error")).join(' ').toStdString();
        destroy();
        start();
        groups = mainWindow->maintenanceGroups;
    }

    MaintenanceGroups *groups = nullptr;
};

} // namespace

TEST_F(RestoreChecks, AFileThatWouldHarmTheLedgerIsRefusedWithItsReason)
{
    dm->ADOConnection1->close();
    const QByteArray before = contents(db->path());
    const QList<QPair<const char *, QString>> cases = {
        // deletes every other entry at the next insert
        {"CREATE TRIGGER wipe AFTER INSERT ON szzb BEGIN DELETE FROM szzb WHERE zbid <> new.zbid; END",
         QStringLiteral("触发器“wipe”")},
        {"DELETE FROM czyh", QStringLiteral("没有任何操作员")}, // nobody could log in
        // saving an entry would fail
        {"CREATE TABLE t AS SELECT zbid,rq,lx,xm,mx,sr,zc,jsze,szr,jzr,jzsj FROM szzb; DROP TABLE szzb; "
         "ALTER TABLE t RENAME TO szzb",
         QStringLiteral("数据表“szzb”的定义")},
        {"CREATE VIEW everything AS SELECT * FROM szzb", QStringLiteral("视图“everything”")},
        {"CREATE TABLE secrets (x)", QStringLiteral("数据表“secrets”")},
        {"CREATE INDEX szzb_xm ON szzb (xm)", QStringLiteral("索引“szzb_xm”")},
        {"DELETE FROM xtcs", QStringLiteral("缺少系统参数")},
        {"DROP TABLE lxrfz", QStringLiteral("缺少帐本数据表 lxrfz")},
    };
    int n = 0;
    for (const auto &[sql, reason] : cases) {
        const QString file = ledger(QStringLiteral("bad%1.qhd").arg(n), [sql = sql](Connection *c) { raw(c, sql); });
        restore(file);
        ++n;
        ASSERT_EQ(platform.texts(QStringLiteral("error")).size(), n) << sql;
        const QString shown = platform.texts(QStringLiteral("error")).last();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("数据恢复失败\r"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(reason)) << sql << ": " << shown.toStdString();
        EXPECT_EQ(contents(db->path()), before) << sql;
    }
    EXPECT_EQ(platform.terminated, 0);
    EXPECT_TRUE(QDir(db->dir()).entryList({QStringLiteral("恢复前的帐本*")}).isEmpty());
    EXPECT_TRUE(FileSafety::leftovers(db->dir()).isEmpty()) << FileSafety::leftovers(db->dir()).join(' ').toStdString();
}

TEST_F(RestoreChecks, AnOlderLedgerWithoutWhatTheProgramAddsRestoresAndGetsItBack)
{
    const QString older = ledger(QStringLiteral("older.qhd"), [](Connection *c) {
        raw(c, "DROP INDEX szzb_totals");
        raw(c, "DROP TRIGGER fyxm_delete_details");
        // the tables of bills, budgets and recurring entries came later still
        for (const char *t : {"DROP TABLE zdgz", "DROP TABLE drpc", "DROP TABLE drjl", "DROP TABLE zdgs",
                              "DROP TABLE yszb", "DROP TABLE dqsz", "DROP TABLE dqjl"})
            raw(c, t);
    });
    restore(older);
    ASSERT_TRUE(platform.texts(QStringLiteral("error")).isEmpty())
        << platform.texts(QStringLiteral("error")).join(' ').toStdString();
    EXPECT_EQ(platform.terminated, 1);
    destroy();
    start();
    EXPECT_EQ(scalar(QStringLiteral("select xm from szzb")), QStringLiteral("备份里的"));
    EXPECT_EQ(scalar(QStringLiteral(
                  "select count(*) from sqlite_master where name in ('szzb_totals','fyxm_delete_details')")),
              QStringLiteral("2"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sqlite_master where name in "
                                    "('zdgz','drpc','drjl','zdgs','drjl_jyh','drjl_pcid','yszb','dqsz','dqjl')")),
              QStringLiteral("9"));
}

TEST_F(RestoreChecks, BudgetsRecurringEntriesAndBillRecordsTravelWithTheLedger)
{
    const QString kept = ledger(QStringLiteral("kept.qhd"), [](Connection *c) {
        c->execute(QStringLiteral("insert into yszb (xm,zq,je,jz) values ('餐饮','每月',2000,1)"));
        c->execute(QStringLiteral("insert into dqsz (lx,xm,je,gz,jg,rh,ksrq,ms) values "
                                  "('支出','居住',3500,0,1,5,#2026-1-5#,0)"));
        c->execute(QStringLiteral("insert into dqjl (dqid,rq,zbid) values (1,#2026-1-5#,0)"));
        c->execute(QStringLiteral("insert into zdgz (gjz,xm,mx) values ('美团','餐饮','外出就餐')"));
    });
    restoreAndStartAgain(kept);
    EXPECT_EQ(scalar(QStringLiteral("select xm||zq||je||jz from yszb")), QStringLiteral("餐饮每月2000.01"));
    EXPECT_EQ(scalar(QStringLiteral("select xm from dqsz")), QStringLiteral("居住"));
    EXPECT_EQ(scalar(QStringLiteral("select rq from dqjl")), QStringLiteral("2026-01-05"));
    EXPECT_EQ(scalar(QStringLiteral("select gjz from zdgz")), QStringLiteral("美团"));

    // and through the program's own backup: changed after the restore,
    // backed up, changed again, restored from the backup
    exec(QStringLiteral("update yszb set je=2500"));
    const QString backup = db->dir() + QStringLiteral("backup.qhd");
    platform.chooseFile(backup);
    groups->BitBtn38->click();
    ASSERT_EQ(platform.texts(QStringLiteral("information")).last(), QStringLiteral("数据备份成功"));
    exec(QStringLiteral("delete from yszb"));
    exec(QStringLiteral("delete from dqsz"));
    restoreAndStartAgain(backup);
    EXPECT_EQ(scalar(QStringLiteral("select xm||zq||je||jz from yszb")), QStringLiteral("餐饮每月2500.01"));
    EXPECT_EQ(scalar(QStringLiteral("select xm from dqsz")), QStringLiteral("居住"));
}

TEST_F(RestoreChecks, AWriteAheadLogFileIsFoldedIntoOneFile)
{
    // a file switched to a write-ahead log, its last entry still in the log
    const QString path = ledger(QStringLiteral("wal.qhd"), [](Connection *) {});
    auto c = connect(db->dir(), QStringLiteral("wal.qhd"));
    raw(c.get(), "PRAGMA journal_mode=WAL");
    raw(c.get(), "PRAGMA wal_autocheckpoint=0");
    c->execute(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-6-1#,'支出','只在日志里',1,0,-1)"));
    const QString copy = db->dir() + QStringLiteral("walcopy.qhd");
    QFile::copy(path, copy);
    QFile::copy(path + QStringLiteral("-wal"), copy + QStringLiteral("-wal"));
    c->close();
    ASSERT_GT(QFileInfo(copy + QStringLiteral("-wal")).size(), 0);

    restore(copy);
    ASSERT_TRUE(platform.texts(QStringLiteral("error")).isEmpty())
        << platform.texts(QStringLiteral("error")).join(' ').toStdString();
    EXPECT_FALSE(QFileInfo::exists(db->path() + QStringLiteral("-wal")));
    destroy();
    // the restored file itself is in the ordinary journal mode: the engine,
    // opened without the program's conversion, reads it from the header
    {
        sqlite3 *raw = nullptr;
        ASSERT_EQ(sqlite3_open_v2(QFile::encodeName(db->path()).constData(), &raw, SQLITE_OPEN_READONLY, nullptr),
                  SQLITE_OK);
        const QByteArray keying = "PRAGMA key='" + DatabasePassword.toUtf8() + "'; PRAGMA cipher_page_size=4096;";
        EXPECT_EQ(sqlite3_exec(raw, keying.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_stmt *st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(raw, "PRAGMA journal_mode", -1, &st, nullptr), SQLITE_OK);
        ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
        EXPECT_STRCASEEQ(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), "delete");
        sqlite3_finalize(st);
        sqlite3_close(raw);
    }
    start();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb where xm='只在日志里'")), QStringLiteral("1"));
}

TEST_F(RestoreChecks, ABackupNeverGoesOntoTheOpenLedger)
{
    const QByteArray before = contents(db->path());
    platform.chooseFile(db->path());
    groups->BitBtn38->click();
    // through a link to it, too
    const QString link = db->dir() + QStringLiteral("link.qhd");
    ASSERT_TRUE(QFile::link(db->path(), link));
    platform.chooseFile(link);
    groups->BitBtn38->click();
    const QStringList errors = platform.texts(QStringLiteral("error"));
    ASSERT_EQ(errors.size(), 2);
    for (const QString &e : errors)
        EXPECT_TRUE(e.contains(QStringLiteral("正在使用的帐本数据文件本身"))) << e.toStdString();
    EXPECT_TRUE(platform.texts(QStringLiteral("information")).isEmpty());
    EXPECT_EQ(contents(db->path()), before);
    // and the ledger is still written to
    exec(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-3-2#,'支出','之后',1,0,-1)"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("2"));
}

TEST_F(RestoreChecks, TheCheckOfALargeBackupShowsItselfAndCanBeGivenUp)
{
    BusyIndicator::setShowDelay(0);
    // a backup whose check takes a while: many entries
    const QString large = ledger(QStringLiteral("large.qhd"), [](Connection *c) {
        raw(c, "with recursive n(x) as (select 1 union all select x+1 from n where x<300000) insert into szzb "
               "(rq,lx,xm,mx,zc,sr,jsze,bz) select '2020-01-01','支出','餐饮','午餐',x,0,-x,'备注'||x from n");
    });
    const QByteArray before = contents(db->path());
    const auto progressWindow = [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->isVisible())
                return p;
        return static_cast<QProgressDialog *>(nullptr);
    };
    // what the window shows while the check runs, and 取消 once it shows that
    QStringList seen;
    bool movingBar = false;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        QProgressDialog *p = progressWindow();
        if (!p)
            return;
        if (!seen.contains(p->labelText()))
            seen.append(p->labelText());
        if (p->labelText() == QStringLiteral("正在检查所选备份文件的完整性……")) {
            movingBar = p->maximum() == 0;
            p->cancel();
        }
    });
    watch.start();
    restore(large);
    watch.stop();
    BusyIndicator::setShowDelay(1000);
    EXPECT_EQ(seen.value(0), QStringLiteral("正在检查所选的备份文件……"));
    EXPECT_TRUE(seen.contains(QStringLiteral("正在检查所选备份文件的完整性……"))) << seen.join(' ').toStdString();
    EXPECT_TRUE(movingBar);
    EXPECT_EQ(platform.texts(QStringLiteral("message")).value(0), QStringLiteral("您取消了数据恢复操作，数据未恢复！"));
    EXPECT_EQ(platform.terminated, 0);
    // nothing changed, nothing left beside the ledger
    dm->ADOConnection1->close();
    EXPECT_EQ(contents(db->path()), before);
    QStringList left = QDir(db->dir()).entryList(QDir::Files | QDir::Hidden);
    left.removeAll(QStringLiteral("Data.qhd"));
    left.removeAll(QStringLiteral("Data.qhd.lock"));
    left.removeAll(QStringLiteral("large.qhd"));
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}

TEST_F(RestoreChecks, ABackupFoldsInAWriteAheadLogThatAnotherProgramBegan)
{
    // another program switches the ledger to a write-ahead log and writes
    // an entry that is only in the log while it keeps the ledger open
    sqlite3 *other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(db->path()).constData(), &other), SQLITE_OK);
    const QByteArray keying = "PRAGMA key='" + DatabasePassword.toUtf8() + "'; PRAGMA cipher_page_size=4096;";
    ASSERT_EQ(sqlite3_exec(other, keying.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0; insert into szzb "
                           "(rq,lx,xm,zc,sr,jsze) values ('2026-06-01','支出','只在日志里',1,0,-1)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_GT(QFileInfo(db->path() + QStringLiteral("-wal")).size(), 0);
    const QString target = db->dir() + QStringLiteral("copy.qhd");
    // while it is open the log cannot be folded in: no backup that misses it
    platform.chooseFile(target);
    groups->BitBtn38->click();
    ASSERT_EQ(platform.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(platform.texts(QStringLiteral("error")).first().contains(QStringLiteral("Data.qhd-wal")));
    EXPECT_FALSE(QFileInfo::exists(target));
    sqlite3_close(other);
    // once it is gone, the backup holds the entry of the log
    platform.chooseFile(target);
    groups->BitBtn38->click();
    EXPECT_EQ(platform.texts(QStringLiteral("information")), QStringList{QStringLiteral("数据备份成功")});
    EXPECT_FALSE(QFileInfo::exists(db->path() + QStringLiteral("-wal")));
    auto copy = connect(db->dir(), QStringLiteral("copy.qhd"));
    Dataset d(copy.get());
    d.addSql(QStringLiteral("select count(*) from szzb where xm='只在日志里'"));
    d.open();
    EXPECT_EQ(d.textAt(0, 0), QStringLiteral("1"));
}

TEST_F(RestoreChecks, ALinkedLedgerIsRestoredThroughTheLinkAndEachRestoreKeepsItsSafetyCopy)
{
    // Data.qhd as a link into a synced folder
    destroy();
    const QString synced = db->dir() + QStringLiteral("synced/");
    QDir().mkpath(synced);
    ASSERT_TRUE(QFile::rename(db->path(), synced + QStringLiteral("Data.qhd")));
    ASSERT_TRUE(QFile::link(synced + QStringLiteral("Data.qhd"), db->path()));
    start();
    groups = mainWindow->maintenanceGroups;
    const QString first = ledger(QStringLiteral("first.qhd"), [](Connection *) {});
    const QString second = ledger(QStringLiteral("second.qhd"), [](Connection *c) {
        c->execute(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-7-1#,'支出','第二份',2,0,-2)"));
    });
    const QByteArray original = contents(db->path());
    platform.setNow(QDateTime(QDate(2026, 12, 9), QTime(8, 30, 15)));
    restore(first);
    EXPECT_TRUE(QFileInfo(db->path()).isSymLink());
    EXPECT_EQ(contents(synced + QStringLiteral("Data.qhd")), contents(first));
    destroy();
    start();
    groups = mainWindow->maintenanceGroups;
    platform.setNow(QDateTime(QDate(2026, 12, 9), QTime(8, 31, 2)));
    restore(second);
    EXPECT_TRUE(QFileInfo(db->path()).isSymLink());
    EXPECT_EQ(contents(synced + QStringLiteral("Data.qhd")), contents(second));
    EXPECT_EQ(contents(db->dir() + QStringLiteral("恢复前的帐本 2026-12-09 083015.qhd")), original);
    EXPECT_EQ(contents(db->dir() + QStringLiteral("恢复前的帐本 2026-12-09 083102.qhd")), contents(first));
    const QStringList said = platform.texts(QStringLiteral("information"));
    ASSERT_EQ(said.size(), 2);
    EXPECT_TRUE(said.last().contains(QStringLiteral("恢复前的帐本 2026-12-09 083102.qhd")))
        << said.last().toStdString();
}

TEST_F(RestoreChecks, WhatKilledProgramsLeftIsClearedAtStartButNeverAUsersFile)
{
    destroy();
    const QStringList ours = {QStringLiteral("Data.qhd.doz-tmp-99999-0"),       QStringLiteral("Data.qhd.tmp-123456"),
                              QStringLiteral("2026-12-9帐本备份.qhd.tmp-4242"), QStringLiteral("DATA1_temp.mdb"),
                              QStringLiteral("DATA1_temp.mdb-journal"),         QStringLiteral("DATA1_temp.db"),
                              QStringLiteral("DATA1_temp.mdb.rekey"),           QStringLiteral("Data.qhd.rekey"),
                              QStringLiteral("Data.qhd.rekey-journal")};
    const QStringList theirs
        = {QStringLiteral("notes.tmp-3"), QStringLiteral("mine.qhd"),      QStringLiteral("Data.qhd.bak"),
           QStringLiteral("tmp-1.doc"),   QStringLiteral("holiday.rekey"), QStringLiteral("DATA1_temp.mdb.txt")};
    const auto make = [&](const QStringList &names) {
        for (const QString &n : names) {
            QFile f(db->dir() + n);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("x");
        }
    };
    make(ours + theirs);
    // the ledger's journal as a program killed the moment it began to write
    // leaves it: empty, so the engine never plays it back nor removes it
    QFile(db->dir() + QStringLiteral("Data.qhd-journal")).open(QIODevice::WriteOnly);
    {
        // another program present: nothing is touched
        FileSafety::FolderPresence other(db->dir());
        start();
        for (const QString &n : ours + theirs)
            EXPECT_TRUE(QFileInfo::exists(db->dir() + n)) << n.toStdString();
        destroy();
    }
    start();
    for (const QString &n : ours)
        EXPECT_FALSE(QFileInfo::exists(db->dir() + n)) << n.toStdString();
    for (const QString &n : theirs)
        EXPECT_TRUE(QFileInfo::exists(db->dir() + n)) << n.toStdString();
    EXPECT_FALSE(QFileInfo::exists(db->dir() + QStringLiteral("Data.qhd-journal")));
    EXPECT_TRUE(QFileInfo::exists(db->path()));
    destroy();

    // a journal that holds a change is the engine's to play back, never ours
    QTemporaryDir other;
    QFile hot(other.filePath(QStringLiteral("Data.qhd-journal")));
    ASSERT_TRUE(hot.open(QIODevice::WriteOnly));
    hot.write("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    hot.close();
    QFile(other.filePath(QStringLiteral("Old.qhd-journal"))).open(QIODevice::WriteOnly);
    EXPECT_EQ(FileSafety::leftovers(other.path()), QStringList{QStringLiteral("Old.qhd-journal")});
}

namespace {

// Kills a doz_writer doing operation at random moments, rounds times; check
// looks at what is left after each kill.
void killWhileWriting(const QString &operation, const QString &folder, const QString &argument, int rounds,
                      const std::function<void(int)> &check)
{
    const QString writer = QCoreApplication::applicationDirPath() + QStringLiteral("/doz_writer");
    ASSERT_TRUE(QFileInfo(writer).isExecutable());
    for (int round = 0; round < rounds; ++round) {
        QProcess p;
        p.start(writer, {operation, folder, argument});
        ASSERT_TRUE(p.waitForReadyRead(20000)) << p.readAllStandardError().toStdString();
        QThread::usleep(QRandomGenerator::global()->bounded(1000, 60000));
        ::kill(pid_t(p.processId()), SIGKILL);
        p.waitForFinished();
        check(round);
    }
}

bool soundLedger(const QString &dir)
{
    auto c = connect(dir, QStringLiteral("Data.qhd"));
    try {
        sqlite3_stmt *st = nullptr;
        bool ok = sqlite3_prepare_v2(c->handle(), "PRAGMA integrity_check", -1, &st, nullptr) == SQLITE_OK
                  && sqlite3_step(st) == SQLITE_ROW
                  && qstrcmp(reinterpret_cast<const char *>(sqlite3_column_text(st, 0)), "ok") == 0;
        sqlite3_finalize(st);
        return ok;
    } catch (const DbError &) {
        return false;
    }
}

} // namespace

TEST(KilledWhileWriting, NoLedgerIsEverLostAndNothingStaysThatTheNextStartDoesNotClear)
{
    TempDatabase db;
    db.exec(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-3-1#,'支出','原有',30,0,-30)"));
    db.connection()->close();
    const QByteArray ledger = contents(db.path());
    // backups into another folder: the target is the old one or a whole new one, and nothing else is there
    const QString elsewhere = db.dir() + QStringLiteral("backups/");
    QDir().mkpath(elsewhere);
    {
        QFile f(elsewhere + QStringLiteral("b.qhd"));
        f.open(QIODevice::WriteOnly);
        f.write("the old backup");
    }
    killWhileWriting(QStringLiteral("backup"), db.dir(), elsewhere + QStringLiteral("b.qhd"), 12, [&](int round) {
        const QByteArray b = contents(elsewhere + QStringLiteral("b.qhd"));
        EXPECT_TRUE(b == ledger || b == "the old backup") << "round " << round;
        // at most the copy of the moment between naming and renaming, which
        // the next backup into the folder removes
        QStringList others = QDir(elsewhere).entryList(QDir::Files | QDir::Hidden);
        others.removeAll(QStringLiteral("b.qhd"));
        EXPECT_LE(others.size(), 1) << others.join(' ').toStdString();
        for (const QString &o : others)
            EXPECT_TRUE(o.startsWith(QStringLiteral("b.qhd.doz-tmp-"))) << o.toStdString();
        EXPECT_EQ(contents(db.path()), ledger);
    });
    {
        Connection c;
        c.setConnectionString(ledgerConnectionString(db.dir()));
        ASSERT_TRUE(DatabaseFiles::backup(&c, elsewhere + QStringLiteral("b.qhd")));
        EXPECT_EQ(QDir(elsewhere).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("b.qhd")});
    }

    // restores: the ledger is the old one or the restored one, always whole
    const QString source = db.dir() + QStringLiteral("source.qhd");
    Schema::createDatabase(source, DatabasePassword, QDate(2026, 1, 1), true);
    const QByteArray restored = contents(source);
    killWhileWriting(QStringLiteral("restore"), db.dir(), source, 12, [&](int round) {
        const QByteArray now = contents(db.path());
        EXPECT_TRUE(now == ledger || now == restored) << "round " << round;
        EXPECT_TRUE(soundLedger(db.dir())) << "round " << round;
    });

    // an import's transaction: all six tables or none
    JetReader::Table entries{QStringLiteral("szzb"), {{QStringLiteral("xm"), 0, QStringLiteral("text")}}, {}};
    for (int i = 0; i < 20000; ++i)
        entries.rows.append({QStringLiteral("导入的")});
    QList<JetReader::Table> six = {entries};
    for (const auto &[t, c] : QList<QPair<QString, QString>>{{QStringLiteral("fyxm"), QStringLiteral("xmmc")},
                                                             {QStringLiteral("fymx"), QStringLiteral("mxmc")},
                                                             {QStringLiteral("jtcy"), QStringLiteral("cyxm")},
                                                             {QStringLiteral("czyh"), QStringLiteral("yhmc")},
                                                             {QStringLiteral("xtcs"), QStringLiteral("bbh")}})
        six.append({t, {{c, 0, QStringLiteral("text")}}, {{QStringLiteral("1.0")}}});
    const QString staging = db.dir() + QStringLiteral("staged.db");
    Importer::writeStaging(six, staging, DatabasePassword);
    killWhileWriting(QStringLiteral("import"), db.dir(), staging, 12, [&](int round) {
        ASSERT_TRUE(soundLedger(db.dir())) << "round " << round;
        auto c = connect(db.dir(), QStringLiteral("Data.qhd"));
        Dataset d(c.get());
        d.addSql(QStringLiteral("select count(*), sum(xm='导入的') from szzb"));
        d.open();
        const QString counted = d.textAt(0, 0) + QLatin1Char('/') + d.textAt(0, 1);
        EXPECT_TRUE(counted == QLatin1String("20000/20000") || counted.startsWith(QLatin1String("1/")))
            << counted.toStdString();
    });

    // reading an Access file into the staging file: the ledger is not touched
    // (where the shared Access files are beside the project)
    const QString jet = QStringLiteral(DOZ_FIXTURES "/jet/ledger-1.0-jet4.mdb");
    const QByteArray beforeStaging = contents(db.path());
    if (QFileInfo::exists(jet))
        killWhileWriting(QStringLiteral("stage"), db.dir(), jet, 3,
                         [&](int round) { EXPECT_EQ(contents(db.path()), beforeStaging) << "round " << round; });

    // a change of password: the ledger opens with the old one or the new one
    killWhileWriting(QStringLiteral("rekey"), db.dir(), QStringLiteral("other"), 8, [&](int round) {
        bool opened = false;
        for (const QString &key : {QString(DatabasePassword), QStringLiteral("other")}) {
            Connection c;
            c.setConnectionString(ledgerConnectionString(db.dir()));
            c.setProperty(QStringLiteral("Jet OLEDB:Database Password"), key);
            try {
                c.open();
                Dataset d(&c);
                d.addSql(QStringLiteral("select count(*) from szzb"));
                d.open();
                opened = true;
                if (key != QString(DatabasePassword)) // back to the ledger's own for the next round
                    c.execute(QStringLiteral("ALTER Database Password %1 other").arg(DatabasePassword));
                break;
            } catch (const DbError &) {
            }
        }
        EXPECT_TRUE(opened) << "round " << round;
        EXPECT_TRUE(soundLedger(db.dir())) << "round " << round;
    });

    // and what the kills left beside the ledger, the next start clears
    FileSafety::FolderPresence alone(db.dir());
    ASSERT_TRUE(alone.arrivedAlone());
    FileSafety::removeLeftovers(db.dir());
    QStringList left = QDir(db.dir()).entryList(QDir::Files | QDir::Hidden);
    left.removeAll(QStringLiteral("Data.qhd"));
    left.removeAll(QStringLiteral("source.qhd"));
    left.removeAll(QStringLiteral("staged.db"));
    left.removeIf([](const QString &n) { return n.startsWith(QStringLiteral("恢复前的帐本")); });
    EXPECT_TRUE(left.isEmpty()) << left.join(' ').toStdString();
}
