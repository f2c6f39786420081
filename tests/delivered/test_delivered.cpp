// The database the build delivers beside the program.
#include "data/dataset.h"
#include "data/tdm.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// The tool is built beside the test programs.
QString makedb()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/doz-makedb");
}

} // namespace

TEST(DeliveredDatabase, IsCreatedOnceAndNeverOverwritten)
{
    ASSERT_TRUE(QFileInfo::exists(makedb())) << makedb().toStdString();
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Data.qhd"));
    ASSERT_EQ(QProcess::execute(makedb(), {QStringLiteral("--if-missing"), path}), 0);
    Connection c;
    c.setConnectionString(ledgerConnectionString(dir.path() + QLatin1Char('/')));
    Dataset xtcs(&c);
    xtcs.setTableName(QStringLiteral("xtcs"));
    xtcs.open();
    ASSERT_EQ(xtcs.recordCount(), 1);
    EXPECT_EQ(xtcs.asDate(QStringLiteral("qsny")), QDate(QDate::currentDate().year(), 1, 1));
    EXPECT_EQ(xtcs.asInteger(QStringLiteral("jmfg")), 0);
    EXPECT_EQ(xtcs.asString(QStringLiteral("bbh")), QStringLiteral("V2.0"));
    Dataset users(&c);
    users.addSql(QStringLiteral("select * from czyh"));
    users.open();
    ASSERT_EQ(users.recordCount(), 1);
    EXPECT_EQ(users.asString(QStringLiteral("yhmc")), QStringLiteral("管理员"));
    EXPECT_EQ(users.asString(QStringLiteral("yhkl")), QString());
    for (const char *table : {"fyxm", "fymx", "jtcy", "jslx", "lxrfz"}) {
        Dataset d(&c);
        d.addSql(QStringLiteral("select * from ") + QLatin1String(table));
        d.open();
        EXPECT_GT(d.recordCount(), 3) << table;
    }
    // income items have details too
    Dataset income(&c);
    income.addSql(QStringLiteral("select * from fyxm a,fymx b where a.xmid=b.dyxmid and a.xmmc='工资收入'"));
    income.open();
    EXPECT_GT(income.recordCount(), 0);

    users.edit();
    users.setValue(QStringLiteral("yhkl"), QStringLiteral("kept"));
    users.post();
    c.close();
    ASSERT_EQ(QProcess::execute(makedb(), {QStringLiteral("--if-missing"), path}), 0);
    EXPECT_NE(QProcess::execute(makedb(), {path}), 0); // without --if-missing an existing file is an error
    users.close();
    users.open();
    EXPECT_EQ(users.asString(QStringLiteral("yhkl")), QStringLiteral("kept"));
}

TEST(DeliveredDatabase, OpensWithTheCommandLineToolAndThePassword)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("sqlcipher"));
    if (tool.isEmpty())
        GTEST_SKIP() << "the sqlcipher command-line tool is not installed";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Data.qhd"));
    ASSERT_EQ(QProcess::execute(makedb(), {path}), 0);
    QFile raw(path);
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_FALSE(raw.read(16).startsWith("SQLite format 3")); // encrypted
    raw.close();

    QProcess p;
    p.start(tool,
            {path, QStringLiteral("PRAGMA key='mxbt418260'; PRAGMA cipher_page_size=4096; select yhmc from czyh;")});
    ASSERT_TRUE(p.waitForFinished());
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()).trimmed(), QStringLiteral("管理员"));

    QProcess wrong;
    wrong.start(tool,
                {path, QStringLiteral("PRAGMA key='other'; PRAGMA cipher_page_size=4096; select yhmc from czyh;")});
    ASSERT_TRUE(wrong.waitForFinished());
    EXPECT_TRUE(QString::fromUtf8(wrong.readAllStandardError()).contains(QStringLiteral("not a database")));
}
