// Access files that are damaged or hostile: read in a child process, they
// cost a notice and change nothing; a sound one keeps every value exactly.
#include "app/tfrmmian.h"
#include "components/busy.h"
#include "data/connection.h"
#include "data/filesafety.h"
#include "data/schema.h"
#include "data/tdm.h"
#include "maintenance/importer.h"
#include "maintenance/jetstaging.h"
#include "maintenance/maintenancegroups.h"
#include "support/app/appfixture.h"
#include "support/mutants.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

#include <sqlite3.h>

#include <cstring>

namespace {

QString fixture(const char *name)
{
    return QStringLiteral(DOZ_FIXTURES "/jet/") + QLatin1String(name);
}

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

// The damaged copy of a shared Access file that the given number makes.
QByteArray damaged(const char *name, quint64 seed)
{
    const QByteArray original = contents(fixture(name));
    return Mutants::mutate(original, seed, original.at(0x14) == 0 ? 2048 : 4096);
}

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif

class Hostile : public AppFixture
{
protected:
    void SetUp() override
    {
        if (!QFileInfo::exists(fixture("ledger-1.0-jet4.mdb")))
            GTEST_SKIP() << "the shared Access test files are not beside the project";
        BusyIndicator::setShowDelay(0);
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-3-1#,'支出','新帐',5,0,-5)"));
        start();
        groups = mainWindow->maintenanceGroups;
    }
    void TearDown() override { BusyIndicator::setShowDelay(1000); }

    // Imports file through the settings page, answering Yes.
    void import(const QString &file)
    {
        platform.chooseFile(file);
        groups->Button2->click();
        platform.answer(true);
        groups->BitBtn40->click();
    }

    QString temp() const { return db->dir() + Importer::TemporaryName; }

    MaintenanceGroups *groups = nullptr;
};

} // namespace

TEST_F(Hostile, AGenuineVersionOneLedgerComesInCellByCell)
{
    // a bill imported before: its entries are replaced with the rest, so
    // nothing of it may be left for an undo to take the new entries for
    exec(QStringLiteral("insert into drpc (pcid, wjm, ts) values (1, 'a.csv', 1)"));
    exec(QStringLiteral("insert into drjl (pcid, jyh, zbid) values (1, '支付宝:T1', 1)"));
    // the program ends after the notice: the staging copy must be gone by then
    QStringList leftAtTheEnd;
    platform.atTerminate = [&] {
        leftAtTheEnd = QDir(db->dir()).entryList({QStringLiteral("DATA1_temp*")}, QDir::Files | QDir::Hidden);
    };
    import(fixture("ledger-1.0-jet4.mdb"));
    EXPECT_EQ(platform.terminated, 1);
    EXPECT_TRUE(leftAtTheEnd.isEmpty()) << leftAtTheEnd.join(' ').toStdString();
    ASSERT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_EQ(platform.texts(QStringLiteral("message")).last(),
              QStringLiteral("1.0旧版数据导入成功！  请重启《青禾家庭doz2.0》后数据生效！"));
    EXPECT_FALSE(QFileInfo::exists(temp()));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from drjl")), QStringLiteral("0"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from drpc")), QStringLiteral("0"));

    QFile json(fixture("ledger-1.0-jet4.expected.json"));
    ASSERT_TRUE(json.open(QIODevice::ReadOnly));
    const QJsonObject expected = QJsonDocument::fromJson(json.readAll()).object();
    sqlite3 *ledger = dm->ADOConnection1->handle();
    int cells = 0;
    for (const QString &table : Importer::tables()) {
        const QJsonObject t = expected.value(table).toObject();
        const QJsonArray columns = t.value(QStringLiteral("columns")).toArray();
        const QJsonArray kinds = t.value(QStringLiteral("kinds")).toArray();
        const QJsonArray rows = t.value(QStringLiteral("rows")).toArray();
        ASSERT_FALSE(columns.isEmpty()) << table.toStdString();
        QStringList names;
        for (const QJsonValue &c : columns)
            names.append(c.toString());
        const QByteArray sql
            = QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(names.join(QLatin1Char(',')), table).toUtf8();
        sqlite3_stmt *st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(ledger, sql.constData(), -1, &st, nullptr), SQLITE_OK);
        int r = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            ASSERT_LT(r, rows.size()) << table.toStdString() << ": more rows than the file has";
            const QJsonArray row = rows.at(r).toArray();
            for (int c = 0; c < names.size(); ++c) {
                const QJsonValue want = row.at(c);
                const QString where = QStringLiteral("%1 row %2 %3").arg(table).arg(r + 1).arg(names[c]);
                const QString kind = kinds.at(c).toString();
                if (table == QLatin1String("xtcs") && names[c] == QLatin1String("bbh")) {
                    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c))),
                              QStringLiteral("V2.0"));
                } else if (want.isNull()) {
                    EXPECT_EQ(sqlite3_column_type(st, c), SQLITE_NULL) << where.toStdString();
                } else if (kind == QLatin1String("double") || kind == QLatin1String("single")
                           || kind == QLatin1String("currency")) {
                    ASSERT_NE(sqlite3_column_type(st, c), SQLITE_NULL) << where.toStdString();
                    const double stored = sqlite3_column_double(st, c);
                    const double wanted = want.toString().toDouble();
                    EXPECT_EQ(std::memcmp(&stored, &wanted, sizeof stored), 0)
                        << where.toStdString() << ": " << QString::number(stored, 'g', 17).toStdString()
                        << " instead of " << want.toString().toStdString();
                } else if (want.isDouble()) {
                    EXPECT_EQ(sqlite3_column_int64(st, c), qint64(want.toDouble())) << where.toStdString();
                } else {
                    ASSERT_NE(sqlite3_column_type(st, c), SQLITE_NULL) << where.toStdString() << ": Null for ''";
                    EXPECT_EQ(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(st, c))),
                              want.toString())
                        << where.toStdString();
                }
                ++cells;
            }
            ++r;
        }
        sqlite3_finalize(st);
        EXPECT_EQ(r, rows.size()) << table.toStdString();
    }
    int wanted = 0;
    for (const QString &table : Importer::tables()) {
        const QJsonObject t = expected.value(table).toObject();
        wanted += int(t.value(QStringLiteral("rows")).toArray().size()
                      * t.value(QStringLiteral("columns")).toArray().size());
    }
    EXPECT_EQ(cells, wanted);
}

TEST_F(Hostile, ADamagedAccessFileCostsANoticeAndChangesNothing)
{
    dm->ADOConnection1->close();
    const QByteArray before = contents(db->path());
    // copies that crash the Access library, or leave it with pages it
    // cannot read, or are cut short
    const QList<QPair<quint64, QString>> cases = {
        {7567, QStringLiteral("读取程序异常终止")}, // the catalog's page map lost: libmdb crashes
        {141, QStringLiteral("有数据页无法读取")},  // a table's page map lost: refused before libmdb follows it
        {0, QStringLiteral("可能已被截断")},
    };
    int notices = 0;
    for (const auto &[seed, reason] : cases) {
        const QString file = db->dir() + QStringLiteral("DATA %1.mdb").arg(seed);
        if (seed == 0)
            write(file, contents(fixture("ledger-1.0-jet4.mdb")).left(61000));
        else
            write(file, damaged("ledger-1.0-jet4.mdb", seed));
        import(file);
        ++notices;
        ASSERT_EQ(platform.texts(QStringLiteral("message")).size(), notices) << seed;
        const QString shown = platform.texts(QStringLiteral("message")).last();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("1.0旧版数据库文件已损坏，无法读取"))) << shown.toStdString();
        EXPECT_TRUE(shown.contains(QFileInfo(file).fileName())) << shown.toStdString(); // the chosen file, named
        EXPECT_TRUE(shown.contains(reason)) << shown.toStdString();
        EXPECT_FALSE(shown.contains(QStringLiteral("temp"))) << shown.toStdString();
        EXPECT_TRUE(platform.errors().isEmpty());
        EXPECT_EQ(platform.terminated, 0);
        EXPECT_FALSE(QFileInfo::exists(temp()));
        dm->ADOConnection1->close();
        EXPECT_EQ(contents(db->path()), before);
    }
    // the program goes on
    EXPECT_EQ(scalar(QStringLiteral("select xm from szzb")), QStringLiteral("新帐"));
}

TEST_F(Hostile, TheChildIsStoppedAtItsLimitsAndOnCancel)
{
    const QString staging = db->dir() + QStringLiteral("staging.db");
    const auto run = [&](const QStringList &script, int seconds) {
        write(staging, "left from before");
        JetStaging::Limits limits;
        limits.seconds = seconds;
        return JetStaging::run(mainWindow, QString(), staging, DatabasePassword, limits, QStringLiteral("/bin/sh"),
                               QStringList{QStringLiteral("-c")} + script);
    };
    JetStaging::Result r = run({QStringLiteral("kill -SEGV $$")}, 10);
    EXPECT_EQ(r.outcome, JetStaging::Outcome::Crashed);
    EXPECT_FALSE(QFileInfo::exists(staging));

    QElapsedTimer clock;
    clock.start();
    r = run({QStringLiteral("exec sleep 30")}, 1);
    EXPECT_EQ(r.outcome, JetStaging::Outcome::TimedOut);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_TRUE(r.reason.contains(QStringLiteral("1 秒"))) << r.reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(staging));

    // "取消" in the progress window
    clock.restart();
    QTimer::singleShot(300, [] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->objectName() == BusyIndicator::ProgressName)
                p->cancel();
    });
    r = run({QStringLiteral("exec sleep 30")}, 60);
    EXPECT_EQ(r.outcome, JetStaging::Outcome::Cancelled);
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(QFileInfo::exists(staging));

    // a child that says it is done but leaves no file is not believed
    r = run({QStringLiteral("rm -f \"$0\"; echo done"), staging}, 10);
    EXPECT_NE(r.outcome, JetStaging::Outcome::Staged);
}

TEST_F(Hostile, TheProgressWindowIsShownAndMovesWithTheRowsRead)
{
    const QString staging = db->dir() + QStringLiteral("staging.db");
    // what the window showed at two moments while the child read
    struct Seen
    {
        bool visible = false;
        QString label;
        int value = -1;
        int maximum = -1;
    };
    QList<Seen> seen;
    const auto look = [&] {
        Seen now;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *p = qobject_cast<QProgressDialog *>(w); p && p->objectName() == BusyIndicator::ProgressName) {
                now.visible = p->isVisible();
                now.label = p->labelText();
                now.value = p->value();
                now.maximum = p->maximum();
            }
        seen.append(now);
    };
    QTimer::singleShot(600, look);
    QTimer::singleShot(1600, look);
    const JetStaging::Result r = JetStaging::run(
        mainWindow, QString(), staging, DatabasePassword, JetStaging::Limits(), QStringLiteral("/bin/sh"),
        {QStringLiteral("-c"), QStringLiteral("echo progress 256 1000; sleep 1; echo progress 768 1000; sleep 1; "
                                              "echo error 读不下去了。; exit 1")});
    EXPECT_EQ(r.outcome, JetStaging::Outcome::Damaged);
    EXPECT_EQ(r.reason, QStringLiteral("读不下去了。"));
    ASSERT_EQ(seen.size(), 2);
    for (const Seen &s : seen) {
        EXPECT_TRUE(s.visible);
        EXPECT_EQ(s.label, QStringLiteral("正在读取1.0旧版帐本数据……"));
        EXPECT_EQ(s.maximum, 1000);
    }
    EXPECT_EQ(seen[0].value, 256);
    EXPECT_EQ(seen[1].value, 768);
}

TEST_F(Hostile, TheRealReaderOnGoodAndDamagedFiles)
{
    const QString staging = db->dir() + QStringLiteral("staging.db");
    JetStaging::Result r = JetStaging::run(mainWindow, fixture("ledger-1.0-jet4.mdb"), staging, DatabasePassword);
    ASSERT_EQ(r.outcome, JetStaging::Outcome::Staged) << r.reason.toStdString();
    // encrypted with the ledger's password and the owner's alone
    EXPECT_FALSE(contents(staging).startsWith("SQLite format 3"));
    EXPECT_EQ(QFileInfo(staging).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup),
              QFileDevice::Permissions());
    QFile::remove(staging);

    const QString crashing = db->dir() + QStringLiteral("crash.mdb");
    write(crashing, damaged("ledger-1.0-jet4.mdb", 7567));
    r = JetStaging::run(mainWindow, crashing, staging, DatabasePassword);
    EXPECT_EQ(r.outcome, JetStaging::Outcome::Crashed) << r.reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(staging));

    // no table of a 1.0 ledger: a refusal that names the file and the table
    r = JetStaging::run(mainWindow, fixture("DateTestDatabase.mdb"), staging, DatabasePassword);
    EXPECT_EQ(r.outcome, JetStaging::Outcome::Refused);
    EXPECT_TRUE(r.reason.contains(QStringLiteral("“DateTestDatabase.mdb”中没有数据表“szzb”")))
        << r.reason.toStdString();

    // a staging file that cannot be written (here: a limit on file sizes)
    // is no fault of the file read, and is told as what it is
    r = JetStaging::run(mainWindow, fixture("ledger-1.0-jet4.mdb"), staging, DatabasePassword, JetStaging::Limits(),
                        QStringLiteral("/bin/sh"),
                        {QStringLiteral("-c"), QStringLiteral("trap '' XFSZ; ulimit -f 16; exec \"$0\" \"$1\" \"$2\""),
                         JetStaging::readerProgram(), fixture("ledger-1.0-jet4.mdb"), staging});
    EXPECT_EQ(r.outcome, JetStaging::Outcome::NotWritten) << r.reason.toStdString();
    EXPECT_TRUE(r.reason.startsWith(QStringLiteral("无法写入导入用的临时文件。\r"))) << r.reason.toStdString();
    EXPECT_FALSE(QFileInfo::exists(staging));

    if (Sanitized)
        return; // the sanitizer's shadow memory leaves no room for an address-space limit
    // a catalog on which the library loops while its memory grows
    const QString looping = db->dir() + QStringLiteral("loop.mdb");
    write(looping, damaged("nwind.mdb", 7330));
    JetStaging::Limits small;
    small.addressSpace = qint64(400) << 20;
    small.seconds = 60;
    QElapsedTimer clock;
    clock.start();
    r = JetStaging::run(mainWindow, looping, staging, DatabasePassword, small);
    EXPECT_TRUE(r.outcome == JetStaging::Outcome::Crashed || r.outcome == JetStaging::Outcome::OutOfMemory)
        << r.reason.toStdString();
    EXPECT_LT(clock.elapsed(), 30000);
    EXPECT_FALSE(QFileInfo::exists(staging));
}

TEST(ImportStatements, AFolderWithAnApostropheIsQuoted)
{
    TempDatabase db;
    const QString folder = db.dir() + QStringLiteral("O'Brien's books/");
    QDir().mkpath(folder);
    const QString staging = folder + Importer::TemporaryName;
    JetReader::Table entries;
    entries.name = QStringLiteral("szzb");
    entries.columns = {{QStringLiteral("xm"), 0, QStringLiteral("text")}};
    entries.rows = {{QStringLiteral("从引号文件夹来")}};
    QList<JetReader::Table> six = {entries};
    for (const QString &t : Importer::tables().mid(1)) {
        JetReader::Table empty;
        empty.name = t;
        empty.columns = {{t == QLatin1String("czyh") ? QStringLiteral("yhmc") : QStringLiteral("rowid_dummy"), 0,
                          QStringLiteral("text")}};
        if (t == QLatin1String("czyh"))
            empty.rows = {{QStringLiteral("管理员")}};
        six.append(t == QLatin1String("czyh") ? empty : JetReader::Table{t, {}, {}});
    }
    // tables without columns cannot be made: give each the ledger's first column
    six[1].columns = {{QStringLiteral("xmmc"), 0, QStringLiteral("text")}};
    six[2].columns = {{QStringLiteral("mxmc"), 0, QStringLiteral("text")}};
    six[3].columns = {{QStringLiteral("cyxm"), 0, QStringLiteral("text")}};
    six[5].columns = {{QStringLiteral("bbh"), 0, QStringLiteral("text")}};
    six[5].rows = {{QStringLiteral("V1.0")}};
    Importer::writeStaging(six, staging, DatabasePassword);
    db.connection()->executeInTransaction(Importer::statements(staging));
    EXPECT_EQ(db.scalar(QStringLiteral("select xm from szzb")), QStringLiteral("从引号文件夹来"));
    EXPECT_EQ(db.scalar(QStringLiteral("select bbh from xtcs")), QStringLiteral("V2.0"));
}
