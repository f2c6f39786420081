// What must never happen to stored data: a stale row hitting another one,
// values stored as something else than what was given, a file half-replaced.
#include "data/datecodec.h"
#include "data/dberror.h"
#include "data/filesafety.h"
#include "data/schema.h"
#include "data/tdm.h"
#include "support/testdb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

int permissions(const QString &path)
{
    struct stat st = {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 0777);
}

} // namespace

TEST(KeylessRows, AStaleRowNeverHitsTheRowThatTookItsIdentity)
{
    TempDatabase db;
    db.exec(QStringLiteral("insert into fyxm (xmmc) values ('宠物')"));
    const QString pet = db.scalar(QStringLiteral("select xmid from fyxm where xmmc='宠物'"));
    db.exec(QStringLiteral("insert into fymx (dyxmid,mxmc) values (%1,'猫粮')").arg(pet));
    auto details = db.query(QStringLiteral("select * from fymx where dyxmid=%1").arg(pet));
    ASSERT_EQ(details->recordCount(), 1);

    // the item goes with its details; a new detail takes the freed identity
    db.exec(QStringLiteral("delete from fyxm where xmid=%1").arg(pet));
    db.exec(QStringLiteral("insert into fymx (dyxmid,mxmc) values (1,'新明细')"));
    const QString countNew = QStringLiteral("select count(*) from fymx where mxmc='新明细'");
    ASSERT_EQ(db.scalar(countNew), QStringLiteral("1"));

    // changing the stale row fails and changes nothing
    details->edit();
    details->setValue(QStringLiteral("mxmc"), QStringLiteral("改名"));
    try {
        details->post();
        FAIL() << "a stale row was written";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Row cannot be located"))) << e.what();
    }
    details->cancel();
    EXPECT_EQ(db.scalar(countNew), QStringLiteral("1"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from fymx where mxmc='改名'")), QStringLiteral("0"));

    // deleting it fails, keeps the other row, and keeps the list as it was
    EXPECT_THROW(details->remove(), DbError);
    EXPECT_EQ(db.scalar(countNew), QStringLiteral("1"));
    EXPECT_EQ(details->recordCount(), 1);
}

TEST(KeylessRows, ARowDeletedElsewhereIsNotReportedAsDeleted)
{
    TempDatabase db;
    auto accounts = db.query(QStringLiteral("select * from jtcy"));
    ASSERT_GT(accounts->recordCount(), 1);
    const int before = accounts->recordCount();
    db.exec(QStringLiteral("delete from jtcy where cyxm='%1'").arg(accounts->asString(QStringLiteral("cyxm"))));
    EXPECT_THROW(accounts->remove(), DbError);
    EXPECT_EQ(accounts->recordCount(), before);
    // a row that is still there is found by its values and removed
    accounts->last();
    const QString name = accounts->asString(QStringLiteral("cyxm"));
    accounts->remove();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from jtcy where cyxm='%1'").arg(name)), QStringLiteral("0"));
}

TEST(Conversion, DatesOutsideTheStoredYearsAreRefused)
{
    TempDatabase db;
    auto ledger = db.query(QStringLiteral("select * from szzb"));
    ledger->append();
    for (const QDate &d : {QDate(10000, 1, 1), QDate(12345, 6, 7), QDate(999, 12, 31), QDate(-5, 1, 1)})
        EXPECT_THROW(ledger->setValue(QStringLiteral("rq"), d), DbError) << d.year();
    EXPECT_THROW(ledger->setValue(QStringLiteral("jzsj"), QDateTime(QDate(10000, 1, 1), QTime(1, 2))), DbError);
    for (const char *typed : {"202-1-1", "99-1-1", "10000-1-1", "0-1-1"}) {
        try {
            ledger->setValue(QStringLiteral("rq"), QString::fromLatin1(typed));
            ADD_FAILURE() << typed << " was taken";
        } catch (const DbError &e) {
            EXPECT_EQ(e.message(), QStringLiteral("'%1' 不是有效的日期").arg(QLatin1String(typed)));
        }
    }
    ledger->setValue(QStringLiteral("rq"), QDate(1000, 1, 1));
    ledger->setValue(QStringLiteral("jzsj"), QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)));
    ledger->setValue(QStringLiteral("zc"), 1);
    ledger->post();
    EXPECT_EQ(db.scalar(QStringLiteral("select rq||'/'||jzsj from szzb")),
              QStringLiteral("1000-01-01/9999-12-31 23:59:59"));

    std::int64_t packed = 0;
    EXPECT_FALSE(DateCodec::parse(QStringLiteral("202-1-1"), &packed));
    EXPECT_FALSE(DateCodec::parse(QStringLiteral("1/2/999"), &packed));
    EXPECT_TRUE(DateCodec::parse(QStringLiteral("1000-1-1"), &packed));
}

TEST(Conversion, IntegersThatDoNotFitAreRefusedNotStoredAsEmpty)
{
    TempDatabase db;
    Dataset xtcs(db.connection());
    xtcs.setTableName(QStringLiteral("xtcs"));
    xtcs.open();
    xtcs.edit();
    for (const QVariant &v :
         {QVariant(1e308), QVariant(-1e19), QVariant(9223372036854775808.0),
          QVariant(QStringLiteral("-9223372036854775808")), QVariant(qlonglong(INT64_MIN)), QVariant(quint64(1) << 63)})
        EXPECT_THROW(xtcs.setValue(QStringLiteral("jmfg"), v), DbError) << v.toString().toStdString();
    xtcs.setValue(QStringLiteral("jmfg"), QVariant(-9223372036854775807LL));
    xtcs.post();
    EXPECT_EQ(db.scalar(QStringLiteral("select jmfg from xtcs")), QStringLiteral("-9223372036854775807"));
}

TEST(Display, EveryStoredAmountShowsAllOfItsDigits)
{
    for (double d : {1.7976931348623157e308, 12345678901234.56, 0.1 + 0.2, -999999999999.99, 12.5}) {
        const QString text = Dataset::displayText(d);
        EXPECT_EQ(text.toDouble(), d) << text.toStdString();
    }
    EXPECT_EQ(Dataset::displayText(12.5), QStringLiteral("12.5"));
    EXPECT_EQ(Dataset::displayText(-999999999999.99), QStringLiteral("-999999999999.99"));
}

TEST(Schema, AChangedTableIsReadAnewWhenOpened)
{
    TempDatabase db;
    auto jslx = db.query(QStringLiteral("select * from jslx")); // the columns are cached now
    db.exec(QStringLiteral("drop table jslx"));
    db.exec(QStringLiteral("create table jslx (id INTEGER PRIMARY KEY AUTOINCREMENT, lxmc TEXT, bz TEXT)"));
    db.exec(QStringLiteral("insert into jslx (lxmc) values ('生日')"));
    auto again = db.query(QStringLiteral("select * from jslx"));
    ASSERT_EQ(again->fieldCount(), 3);
    again->edit();
    again->setValue(QStringLiteral("bz"), QStringLiteral("每年"));
    again->post();
    EXPECT_EQ(db.scalar(QStringLiteral("select bz from jslx where id=1")), QStringLiteral("每年"));

    // and back to a table without a key
    db.exec(QStringLiteral("drop table jslx"));
    db.exec(QStringLiteral("create table jslx (lxmc TEXT)"));
    db.exec(QStringLiteral("insert into jslx (lxmc) values ('a')"));
    auto plain = db.query(QStringLiteral("select * from jslx"));
    plain->edit();
    plain->setValue(QStringLiteral("lxmc"), QStringLiteral("b"));
    plain->post();
    EXPECT_EQ(db.scalar(QStringLiteral("select lxmc from jslx")), QStringLiteral("b"));
}

TEST(Files, DatabasesAreTheirOwnersOnly)
{
    TempDatabase db;
    EXPECT_EQ(permissions(db.path()), 0600);
    db.exec(QStringLiteral("ALTER Database Password other mxbt418260"));
    EXPECT_EQ(permissions(db.path()), 0600);
    EXPECT_FALSE(QFileInfo::exists(db.path() + QStringLiteral(".rekey")));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from czyh")),
              QStringLiteral("1")); // re-opened with the new key
    EXPECT_EQ(db.connection()->password(), QStringLiteral("other"));
}

TEST(Files, AReplacementIsWholeOrNothing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target"));
    const QString source = dir.filePath(QStringLiteral("source"));
    auto write = [](const QString &path, const QByteArray &bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(target, "old");
    write(source, "new");
    ASSERT_TRUE(FileSafety::syncFile(source));
    ASSERT_TRUE(FileSafety::replaceFile(source, target)); // over an existing file
    QFile t(target);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_EQ(t.readAll(), QByteArray("new"));
    EXPECT_FALSE(QFileInfo::exists(source));
    EXPECT_FALSE(FileSafety::replaceFile(source, target)); // nothing to move: the target stays
    EXPECT_TRUE(QFileInfo::exists(target));
    const QString temp = FileSafety::temporarySibling(target);
    EXPECT_EQ(QFileInfo(temp).absolutePath(), QFileInfo(target).absolutePath());
    EXPECT_FALSE(QFileInfo::exists(temp));
}

TEST(Files, AFailedWholeFileWriteSaysWhyAndLeavesNothing)
{
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("target"));
    {
        QFile f(target);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("old");
    }
    // a copy whose source is missing: its own words reach the caller
    QString why = QStringLiteral("left from before");
    EXPECT_FALSE(FileSafety::writeAtomically(
        target, [&](int fd) { return FileSafety::copyInto(dir.filePath(QStringLiteral("gone")), fd, &why); }, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("gone"))) << why.toStdString();
    EXPECT_FALSE(why.contains(QStringLiteral("left from before")));
    // a write that fails without a word is told by the system's
    why.clear();
    EXPECT_FALSE(FileSafety::writeAtomically(
        target, [](int) { return false; }, &why));
    EXPECT_TRUE(why.startsWith(QStringLiteral("写入文件时出错"))) << why.toStdString();
    QFile t(target);
    ASSERT_TRUE(t.open(QIODevice::ReadOnly));
    EXPECT_EQ(t.readAll(), QByteArray("old"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("target")});
}

TEST(Schema, TheTenTablesAreReadOffTheirDefinitions)
{
    EXPECT_EQ(Schema::tableNames(), (QStringList{QStringLiteral("szzb"), QStringLiteral("fyxm"), QStringLiteral("fymx"),
                                                 QStringLiteral("jtcy"), QStringLiteral("czyh"), QStringLiteral("xtcs"),
                                                 QStringLiteral("jstx"), QStringLiteral("jslx"), QStringLiteral("txl"),
                                                 QStringLiteral("lxrfz")}));
    // each of them is in a ledger as it is made, beside what the program adds
    TempDatabase db;
    for (const QString &table : Schema::tableNames())
        EXPECT_EQ(
            db.scalar(QStringLiteral("select count(*) from sqlite_master where type='table' and name='%1'").arg(table)),
            QStringLiteral("1"))
            << table.toStdString();
}
