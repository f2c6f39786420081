// Translation of the program's statements and what they do on a real file.
#include "data/datecodec.h"
#include "data/dberror.h"
#include "data/jetsql.h"
#include "data/rangeplan.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "support/testdb.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

QString tr(const QString &jet)
{
    return JetSql::translate(jet).sql;
}

} // namespace

TEST(DateCodec, ReadsTheFormsOfDateLiterals)
{
    std::int64_t p = 0;
    ASSERT_TRUE(DateCodec::parse(QStringLiteral("2008-3-5"), &p));
    EXPECT_EQ(DateCodec::date(p), QDate(2008, 3, 5));
    ASSERT_TRUE(DateCodec::parse(QStringLiteral("2008/03/05"), &p));
    EXPECT_EQ(DateCodec::date(p), QDate(2008, 3, 5));
    ASSERT_TRUE(DateCodec::parse(QStringLiteral("3/5/2008"), &p)); // month first when the year comes last
    EXPECT_EQ(DateCodec::date(p), QDate(2008, 3, 5));
    ASSERT_TRUE(DateCodec::parse(QStringLiteral("2008-03-05 7:08:09"), &p));
    EXPECT_EQ(DateCodec::dateTime(p), QDateTime(QDate(2008, 3, 5), QTime(7, 8, 9)));
    EXPECT_EQ(DateCodec::toText(p), QStringLiteral("2008-03-05 07:08:09"));
    ASSERT_TRUE(DateCodec::parse(QStringLiteral("2024-02-29"), &p));
    EXPECT_EQ(DateCodec::toText(p), QStringLiteral("2024-02-29"));
}

TEST(DateCodec, RefusesWhatIsNotADate)
{
    std::int64_t p = 42;
    for (const char *bad : {"2023-02-29", "2008-13-01", "2008-3", "abc", "", "-", "2008-03-05 25:00", "2008-03-05x"})
        EXPECT_FALSE(DateCodec::parse(QString::fromLatin1(bad), &p)) << bad;
    EXPECT_EQ(p, 42);
}

TEST(Translation, DateLiteralsBecomeStoredDates)
{
    EXPECT_EQ(tr(QStringLiteral("select * from szzb where rq>=#2008-3-5#")),
              QStringLiteral("select * from szzb where rq>='2008-03-05'"));
    EXPECT_EQ(tr(QStringLiteral(" rq >= #2008/3/5# and rq <= #2009-12-31#")),
              QStringLiteral(" rq >= '2008-03-05' and rq <= '2009-12-31'"));
    EXPECT_THROW(tr(QStringLiteral("select * from szzb where rq>=#2008-2-30#")), DbError);
}

TEST(Translation, NeverTouchesQuotedTexts)
{
    const QString s = QStringLiteral("select * from szzb where bz='#2008-3-5# left( & [x] in ''f''' and xm='a'");
    EXPECT_EQ(tr(s), s);
}

TEST(Translation, FunctionsConcatenationAndBrackets)
{
    EXPECT_EQ(tr(QStringLiteral("select left(cdate(rq),7) from szzb group by left(cdate(rq),7)")),
              QStringLiteral("select jet_left(jet_cdate(rq),7) from szzb group by jet_left(jet_cdate(rq),7)"));
    EXPECT_EQ(tr(QStringLiteral("select xm & mx from [szzb]")), QStringLiteral("select xm || mx from \"szzb\""));
    // a column that happens to be called like a function stays what it is
    EXPECT_EQ(tr(QStringLiteral("select left from t")), QStringLiteral("select left from t"));
}

TEST(Translation, TablesOfOtherFiles)
{
    const JetSql::Statement st
        = JetSql::translate(QStringLiteral("insert into szzb  select *  from szzb in '/a/DATA1_temp.mdb'"));
    EXPECT_EQ(st.sql, QStringLiteral("insert into szzb  select *  from ext0.szzb "));
    EXPECT_EQ(st.externalFiles, QStringList{QStringLiteral("/a/DATA1_temp.mdb")});
    // "in" with a list is the ordinary operator
    EXPECT_EQ(tr(QStringLiteral("select * from szzb where lx in ('收入')")),
              QStringLiteral("select * from szzb where lx in ('收入')"));
}

TEST(Translation, PasswordChange)
{
    JetSql::Statement st = JetSql::translate(QStringLiteral("ALTER Database Password `` mxbt418260"));
    EXPECT_EQ(st.kind, JetSql::Statement::Kind::AlterPassword);
    EXPECT_EQ(st.newPassword, QString());
    EXPECT_EQ(st.oldPassword, QStringLiteral("mxbt418260"));
    st = JetSql::translate(QStringLiteral("alter database password abc ``"));
    EXPECT_EQ(st.newPassword, QStringLiteral("abc"));
    EXPECT_EQ(st.oldPassword, QString());
}

TEST(ConnectionString, IsBuiltOfItsPiecesAndRead)
{
    const QString s = ledgerConnectionString(QStringLiteral("/opt/doz/"));
    EXPECT_TRUE(
        s.startsWith(QStringLiteral("provider=Microsoft.Jet.OLEDB.4.0;user ID=Admin;Data Source=/opt/doz/Data.qhd;")));
    EXPECT_TRUE(s.contains(QStringLiteral("Jet OLEDB:Don't Copy Locale on Compact=False;")));
    EXPECT_TRUE(s.endsWith(QStringLiteral("Jet OLEDB:SFP=False")));
    EXPECT_EQ(s.count(QLatin1Char(';')), 17);
    Connection c;
    c.setConnectionString(s);
    EXPECT_EQ(c.dataSource(), QStringLiteral("/opt/doz/Data.qhd"));
    EXPECT_EQ(c.password(), QStringLiteral("mxbt418260"));
    EXPECT_EQ(c.property(QStringLiteral("Mode")), QStringLiteral("Share Deny None"));
}

TEST(Opening, FailsWithTheEnginesMessage)
{
    TempDatabase db;
    Connection c;
    c.setConnectionString(ledgerConnectionString(db.dir()));
    c.setProperty(QStringLiteral("Jet OLEDB:Database Password"), QStringLiteral("wrong"));
    try {
        c.open();
        FAIL() << "opened with a wrong password";
    } catch (const DbError &e) {
        EXPECT_EQ(e.message(), QStringLiteral("file is encrypted or is not a database"));
    }
    EXPECT_FALSE(c.isConnected());

    Connection missing;
    missing.setConnectionString(ledgerConnectionString(db.dir() + QStringLiteral("nowhere/")));
    try {
        missing.open();
        FAIL() << "opened a missing file";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("nowhere/Data.qhd"))) << e.what();
    }

    QFile junk(db.dir() + QStringLiteral("junk.qhd"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(8192, 'x'));
    junk.close();
    Connection notDb;
    notDb.setConnectionString(ledgerConnectionString(db.dir()));
    notDb.setProperty(QStringLiteral("Data Source"), junk.fileName());
    EXPECT_THROW(notDb.open(), DbError);
}

TEST(Statements, DateTextGroupingAndAggregates)
{
    TempDatabase db(false);
    db.exec(QStringLiteral("insert into szzb (rq,lx,xm,sr,zc,jsze) values (#2007-3-5#,'支出','餐饮',0,12.5,-12.5)"));
    db.exec(QStringLiteral("insert into szzb (rq,lx,xm,sr,zc,jsze) values (#2007-3-20#,'收入','工资',100,0,100)"));
    db.exec(QStringLiteral("insert into szzb (rq,lx,xm,sr,zc,jsze) values (#2008-1-2#,'支出','餐饮',0,7.5,-7.5)"));
    EXPECT_EQ(db.scalar(QStringLiteral("select left(cdate(rq),7) from szzb where zbid=1")), QStringLiteral("2007-03"));
    EXPECT_EQ(db.scalar(QStringLiteral("select left(cdate(rq),4) from szzb where zbid=3")), QStringLiteral("2008"));

    auto months = db.query(QStringLiteral(
        "select left(cdate(rq),7) as yf, count(zbid) as fycs, sum(zc) as zchj from szzb group by left(cdate(rq),7)"));
    ASSERT_EQ(months->recordCount(), 2);
    EXPECT_EQ(months->asString(QStringLiteral("yf")), QStringLiteral("2007-03"));
    EXPECT_EQ(months->asInteger(QStringLiteral("fycs")), 2);
    EXPECT_DOUBLE_EQ(months->asFloat(QStringLiteral("zchj")), 12.5);
    EXPECT_TRUE(months->isReadOnly());
    EXPECT_THROW(months->edit(), DbError);

    auto range = db.query(QStringLiteral("select * from szzb where  rq >= #2007-3-5# and rq <= #2007-3-20#     "));
    EXPECT_EQ(range->recordCount(), 2); // both bounds inclusive
    EXPECT_EQ(range->asDate(QStringLiteral("rq")), QDate(2007, 3, 5));
    EXPECT_EQ(db.scalar(QStringLiteral("select sum(sr)+sum(zc) as jehj from szzb")), QStringLiteral("120"));
}

TEST(Statements, LikeJoinAndParameters)
{
    TempDatabase db; // with the presets
    auto like = db.query(QStringLiteral("select * from fyxm where xmmc like '%收入%'"));
    EXPECT_EQ(like->recordCount(), 2);
    auto join = db.query(QStringLiteral("select * from fyxm a,fymx b where a.xmid=b.dyxmid and a.xmmc='通讯'"));
    EXPECT_EQ(join->recordCount(), 3);
    EXPECT_EQ(join->asString(QStringLiteral("mxmc")), QStringLiteral("手机话费"));
    EXPECT_TRUE(join->isReadOnly());

    Dataset details(db.connection());
    details.addSql(QStringLiteral("select * from fymx where dyxmid=:bl_xmid"));
    details.setParameter(QStringLiteral("bl_xmid"), like->asInteger(QStringLiteral("xmid")));
    details.open();
    EXPECT_EQ(details.recordCount(), 4);
    EXPECT_EQ(details.asString(QStringLiteral("mxmc")), QStringLiteral("基本工资"));

    Dataset unbound(db.connection());
    unbound.addSql(QStringLiteral("select * from fymx where dyxmid=:other"));
    EXPECT_THROW(unbound.open(), DbError);
    EXPECT_FALSE(unbound.isActive());
}

TEST(Statements, TextEqualityIgnoresCase)
{
    TempDatabase db;
    db.exec(QStringLiteral("insert into czyh (yhmc,yhkl) values ('zhang','Secret')"));
    auto user = db.query(QStringLiteral("select * from czyh where yhmc='ZHANG'"));
    ASSERT_EQ(user->recordCount(), 1);
    EXPECT_EQ(user->asString(QStringLiteral("yhmc")), QStringLiteral("zhang"));
    EXPECT_EQ(user->asString(QStringLiteral("yhkl")), QStringLiteral("Secret"));
    db.exec(QStringLiteral("insert into jtcy (cyxm) values ('Bank')"));
    db.exec(QStringLiteral("insert into jtcy (cyxm) values ('BANK')"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from (select cyxm from jtcy where cyxm='bank' group by cyxm)")),
              QStringLiteral("1"));
}

TEST(Statements, QuotesInTextsGoThroughTheHelper)
{
    TempDatabase db;
    const QString name = QStringLiteral("O'Brien");
    EXPECT_EQ(sqlText(name), QStringLiteral("O''Brien"));
    db.exec(QStringLiteral("insert into jtcy (cyxm) values ('") + sqlText(name) + QStringLiteral("')"));
    auto found = db.query(QStringLiteral("select * from jtcy where cyxm='") + sqlText(name) + QStringLiteral("'"));
    ASSERT_EQ(found->recordCount(), 1);
    EXPECT_EQ(found->asString(QStringLiteral("cyxm")), name);
    EXPECT_THROW(db.query(QStringLiteral("select * from jtcy where cyxm='") + name + QStringLiteral("'")), DbError);
}

TEST(Statements, DeletingAnItemDeletesItsDetailsOnly)
{
    TempDatabase db;
    db.exec(QStringLiteral("insert into szzb (rq,lx,xm,mx) values (#2026-1-5#,'支出','通讯','手机话费')"));
    const QString id = db.scalar(QStringLiteral("select xmid from fyxm where xmmc='通讯'"));
    const int before = db.scalar(QStringLiteral("select count(*) from fymx")).toInt();
    auto items = db.query(QStringLiteral("select * from fyxm"));
    ASSERT_TRUE(items->locate(QStringLiteral("xmmc"), QStringLiteral("通讯")));
    items->remove();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from fymx where dyxmid=") + id), QStringLiteral("0"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from fymx")).toInt(), before - 3);
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from szzb where xm='通讯'")), QStringLiteral("1"));
}

TEST(Statements, TableOfAnotherFileAndPasswordChange)
{
    TempDatabase ledger(false);
    TempDatabase old; // the presets stand for the old file's rows
    old.exec(
        QStringLiteral("insert into szzb (rq,lx,xm,sr,zc,jsze,bz) values (#2005-6-7#,'支出','餐饮',0,3,-3,'旧帐')"));
    old.connection()->close();

    // with the same password
    ledger.exec(QStringLiteral("insert into szzb  select *  from szzb in '") + old.path() + QStringLiteral("'"));
    EXPECT_EQ(ledger.scalar(QStringLiteral("select bz from szzb")), QStringLiteral("旧帐"));

    // the password removed, as the import does with its copy
    Connection side;
    side.setConnectionString(ledgerConnectionString(old.dir()));
    side.setProperty(QStringLiteral("Mode"), QStringLiteral("Share Exclusive"));
    EXPECT_THROW(side.execute(QStringLiteral("ALTER Database Password `` wrongold")), DbError);
    side.execute(QStringLiteral("ALTER Database Password `` mxbt418260"));
    side.close();
    QFile plain(old.path());
    ASSERT_TRUE(plain.open(QIODevice::ReadOnly));
    EXPECT_TRUE(plain.read(16).startsWith("SQLite format 3"));
    plain.close();

    ledger.exec(QStringLiteral(" delete from fyxm"));
    ledger.exec(QStringLiteral("insert into fyxm  select *  from fyxm in '") + old.path() + QStringLiteral("'"));
    EXPECT_EQ(ledger.scalar(QStringLiteral("select count(*) from fyxm")), QStringLiteral("12"));
    EXPECT_EQ(ledger.scalar(QStringLiteral("select xmid from fyxm where xmmc='交通'")), QStringLiteral("2"));

    // and a new one set again
    Connection again;
    again.setConnectionString(ledgerConnectionString(old.dir()));
    again.setProperty(QStringLiteral("Jet OLEDB:Database Password"), QString());
    again.execute(QStringLiteral("ALTER Database Password n3w ``"));
    again.close();
    Connection check;
    check.setConnectionString(ledgerConnectionString(old.dir()));
    check.setProperty(QStringLiteral("Jet OLEDB:Database Password"), QStringLiteral("n3w"));
    EXPECT_NO_THROW(check.open());

    // a table the file lacks
    EXPECT_THROW(
        ledger.exec(QStringLiteral("insert into szzb select * from nosuch in '") + old.path() + QStringLiteral("'")),
        DbError);
}

// Results larger than one batch are stored by a helper thread while the
// engine steps on; they must come out as a small result would, also for an
// expression column whose kind changes after the first batches.
TEST(LargeResults, ComeOutAsSmallOnesDo)
{
    TempDatabase db(false);
    db.exec(QStringLiteral("create table t (id integer primary key, name text, amount double, day datetime)"));
    const int n = 20000;
    db.exec(QStringLiteral("with recursive k(i) as (select 1 union all select i+1 from k where i<%1) "
                           "insert into t (id,name,amount,day) select i, case when i%7=0 then null else 'n'||(i%50) "
                           "end, i*0.5, case when i%11=0 then 'x' else date('2020-01-01', '+'||(i/100)||' days') "
                           "end from k")
                .arg(n));
    // an expression that is Null for 5000 rows, integers until row 9000,
    // fractions until 15000, then texts
    auto rows = db.query(QStringLiteral("select id, name, amount, day, case when id<=5000 then null when id<=9000 "
                                        "then id when id<=15000 then id+0.25 else 'w'||id end as mixed from t"));
    ASSERT_EQ(rows->recordCount(), n);
    const int mixed = rows->requireField(QStringLiteral("mixed"));
    EXPECT_EQ(rows->field(mixed).kind, FieldKind::Text);
    for (int row : {0, 1, 6, 10, 255, 256, 257, 4095, 4096, 4351, 4352, 5000, 8999, 9000, 14999, 15000, n - 1}) {
        const int id = row + 1;
        EXPECT_EQ(rows->valueAt(row, 0).toLongLong(), id);
        EXPECT_EQ(rows->textAt(row, 1), id % 7 == 0 ? QString() : QStringLiteral("n%1").arg(id % 50)) << id;
        EXPECT_DOUBLE_EQ(rows->valueAt(row, 2).toDouble(), id * 0.5);
        if (id % 11 == 0)
            EXPECT_TRUE(rows->isNullAt(row, 3)) << id; // not a date: none
        else
            EXPECT_EQ(rows->valueAt(row, 3).toDate(), QDate(2020, 1, 1).addDays(id / 100)) << id;
        const QString expected = id <= 5000    ? QString()
                                 : id <= 9000  ? QString::number(id)
                                 : id <= 15000 ? QString::number(id + 0.25, 'g', 15)
                                               : QStringLiteral("w%1").arg(id);
        EXPECT_EQ(rows->textAt(row, mixed), expected) << id;
    }
    // a column that is Null throughout is a text column
    auto nulls = db.query(QStringLiteral("select id, null as nothing from t"));
    EXPECT_EQ(nulls->field(1).kind, FieldKind::Text);
    EXPECT_TRUE(nulls->isNullAt(n - 1, 1));
    EXPECT_EQ(nulls->storedCount(), n);
}

// A range of dates over most of the ledger walks the table, a narrow one the
// index; either way the rows are the same.
TEST(RangePlan, WalksTheTableForWideRangesOnly)
{
    TempDatabase db(false);
    db.exec(QStringLiteral("with recursive k(i) as (select 0 union all select i+1 from k where i<999) "
                           "insert into szzb (rq,lx,xm,zc,bz) select date('2016-01-01', '+'||(i*3)||' days'), "
                           "'支出', '餐饮', i, 'rq>=''2016-01-01''' from k"));
    Connection *c = db.connection();
    const QString table = QStringLiteral("szzb");
    // the dates run from 2016-01-01 over 2 998 days
    const QString wide = tr(QStringLiteral("select * from szzb where  rq >= #2016-01-01# and rq <= #2026-12-31#"));
    const QString half = tr(QStringLiteral("select * from szzb where rq>=#2020-02-07#"));
    const QString narrow = tr(QStringLiteral("select * from szzb where rq>=#2023-01-01# and xm='餐饮'"));
    const QString quoted = tr(QStringLiteral("select * from szzb where bz='rq>=#2016-01-01#'"));
    const QString unindexed = tr(QStringLiteral("select * from szzb where jzsj>=#2016-01-01#"));
    EXPECT_EQ(RangePlan::plan(c, table, wide),
              QStringLiteral("select * from szzb where  +rq >= '2016-01-01' and +rq <= '2026-12-31'"));
    EXPECT_EQ(RangePlan::plan(c, table, half), half); // 50 %: the index is still the faster
    EXPECT_EQ(RangePlan::plan(c, table, narrow), narrow);
    EXPECT_EQ(RangePlan::plan(c, table, quoted), quoted);
    EXPECT_EQ(RangePlan::plan(c, table, unindexed), unindexed);
    const QString twoThirds = tr(QStringLiteral("select * from szzb where rq>=#2018-09-01#"));
    EXPECT_TRUE(RangePlan::plan(c, table, twoThirds).contains(QLatin1String("+rq>=")));

    // the dataset reads what the statement says, by either plan
    for (const char *statement :
         {"select * from szzb where  rq >= #2016-01-01# and rq <= #2026-12-31#",
          "select * from szzb where rq>=#2023-01-01# and xm='餐饮'", "select * from szzb where rq>=#2024-03-15#"}) {
        auto viaPlan = db.query(QLatin1String(statement));
        const QString count
            = db.scalar(QStringLiteral("select count(*) from (") + QLatin1String(statement) + QStringLiteral(")"));
        EXPECT_EQ(QString::number(viaPlan->recordCount()), count) << statement;
    }
    EXPECT_EQ(
        db.query(QStringLiteral("select * from szzb where  rq >= #2016-01-01# and rq <= #2026-12-31#"))->recordCount(),
        1000);
}
