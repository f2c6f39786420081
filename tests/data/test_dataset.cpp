// The operations of a dataset and what reaches the table.
#include "data/dberror.h"
#include "data/lookuplink.h"
#include "data/tdm.h"
#include "support/testdb.h"

#include <QCollator>
#include <QElapsedTimer>
#include <QSignalSpy>

#include <sqlite3.h>

#include <QThread>

#include <gtest/gtest.h>

namespace {

class DatasetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (int i = 1; i <= 3; ++i)
            db.exec(
                QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj) values "
                               "(#2026-1-%1#,'支出','餐饮','午餐',0,%1,-%1,'现金',null,'管理员',#2026-1-%1 08:00:00#)")
                    .arg(i));
        ledger = db.query(QStringLiteral("select * from szzb where rq>=#2026-1-1#"));
    }

    std::unique_ptr<Dataset> reread() const { return db.query(QStringLiteral("select * from szzb")); }

    TempDatabase db;
    std::unique_ptr<Dataset> ledger;
};

} // namespace

TEST_F(DatasetTest, OpeningReadingAndWalking)
{
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    EXPECT_EQ(ledger->recordCount(), 3);
    EXPECT_EQ(ledger->currentRow(), 0);
    EXPECT_EQ(ledger->fieldCount(), 12); // the row identity stays hidden
    EXPECT_EQ(ledger->asInteger(QStringLiteral("zbid")), 1);
    EXPECT_EQ(ledger->asDate(QStringLiteral("rq")), QDate(2026, 1, 1));
    EXPECT_EQ(ledger->asString(QStringLiteral("rq")), QStringLiteral("2026-01-01"));
    EXPECT_EQ(ledger->asString(QStringLiteral("jzsj")), QStringLiteral("2026-01-01 08:00:00"));
    EXPECT_DOUBLE_EQ(ledger->asFloat(QStringLiteral("jsze")), -1);
    EXPECT_EQ(ledger->asString(QStringLiteral("bz")), QString()); // Null reads as ""
    EXPECT_TRUE(ledger->isNull(QStringLiteral("bz")));
    EXPECT_EQ(ledger->asString(QStringLiteral("ZC")), QStringLiteral("1")); // names ignore case
    EXPECT_THROW(ledger->value(QStringLiteral("nosuch")), DbError);

    int walked = 0;
    for (ledger->first(); !ledger->eof(); ledger->next())
        ++walked;
    EXPECT_EQ(walked, 3);
    EXPECT_EQ(ledger->currentRow(), 2);
    ledger->last();
    EXPECT_TRUE(ledger->eof());
    EXPECT_EQ(ledger->asInteger(QStringLiteral("zbid")), 3);
    ledger->prior();
    EXPECT_EQ(ledger->currentRow(), 1);

    EXPECT_TRUE(ledger->locate(QStringLiteral("zc"), 3));
    EXPECT_EQ(ledger->currentRow(), 2);
    EXPECT_FALSE(ledger->locate(QStringLiteral("xm"), QStringLiteral("交通")));
    EXPECT_EQ(ledger->currentRow(), 2);

    ledger->close();
    EXPECT_THROW(ledger->recordCount(), DbError);
    EXPECT_THROW(ledger->asString(QStringLiteral("xm")), DbError);
}

TEST_F(DatasetTest, AppendAndPostGiveTheAutoNumber)
{
    ledger->moveTo(1);
    QSignalSpy inserted(ledger.get(), &Dataset::rowInserted);
    ledger->append();
    EXPECT_EQ(ledger->state(), Dataset::State::Insert);
    EXPECT_EQ(ledger->recordCount(), 4);
    EXPECT_EQ(ledger->currentRow(), 3);
    EXPECT_EQ(inserted.count(), 1);
    EXPECT_TRUE(ledger->isNull(QStringLiteral("zbid")));
    ledger->setValue(QStringLiteral("rq"), QDateTime(QDate(2026, 2, 3), QTime(9, 9))); // a date column keeps no time
    ledger->setValue(QStringLiteral("xm"), QStringLiteral("交通"));
    ledger->setValue(QStringLiteral("zc"), QStringLiteral("12.5"));
    ledger->setValue(QStringLiteral("jzsj"), QDateTime(QDate(2026, 2, 3), QTime(9, 10, 11)));
    ledger->post();
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    EXPECT_EQ(ledger->currentRow(), 3);
    EXPECT_EQ(ledger->asInteger(QStringLiteral("zbid")), 4);

    auto stored = db.query(QStringLiteral("select * from szzb where zbid=4"));
    ASSERT_EQ(stored->recordCount(), 1);
    EXPECT_EQ(db.scalar(QStringLiteral("select rq from szzb where zbid=4")), QStringLiteral("2026-02-03"));
    EXPECT_EQ(stored->asDateTime(QStringLiteral("jzsj")), QDateTime(QDate(2026, 2, 3), QTime(9, 10, 11)));
    EXPECT_DOUBLE_EQ(stored->asFloat(QStringLiteral("zc")), 12.5);
    EXPECT_TRUE(stored->isNull(QStringLiteral("sr")));
}

TEST_F(DatasetTest, EditPostCancelAndTheImplicitPost)
{
    ledger->moveTo(1);
    ledger->edit();
    ledger->setValue(QStringLiteral("bz"), QStringLiteral("改过"));
    ledger->next(); // moving saves the changed row first
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);
    EXPECT_EQ(ledger->currentRow(), 2);
    EXPECT_EQ(db.scalar(QStringLiteral("select bz from szzb where zbid=2")), QStringLiteral("改过"));

    ledger->edit();
    ledger->setValue(QStringLiteral("bz"), QStringLiteral("不要"));
    ledger->cancel();
    EXPECT_EQ(ledger->asString(QStringLiteral("bz")), QString());
    ledger->cancel(); // nothing being edited: nothing happens
    EXPECT_EQ(ledger->state(), Dataset::State::Browse);

    // a new row left unchanged is dropped by moving, a changed one saved
    ledger->moveTo(0);
    ledger->append();
    ledger->first();
    EXPECT_EQ(ledger->recordCount(), 3);
    EXPECT_EQ(ledger->currentRow(), 0);
    ledger->append();
    ledger->setValue(QStringLiteral("xm"), QStringLiteral("一"));
    ledger->append(); // starting a new row saves the one being inserted
    EXPECT_EQ(ledger->recordCount(), 5);
    ledger->cancel();
    EXPECT_EQ(ledger->recordCount(), 4);
    EXPECT_EQ(ledger->currentRow(), 3); // back on the row that was current
    EXPECT_EQ(reread()->recordCount(), 4);
}

TEST_F(DatasetTest, SettingNeedsEditingAndAFittingValue)
{
    EXPECT_THROW(ledger->setValue(QStringLiteral("bz"), QStringLiteral("x")), DbError);
    ledger->edit();
    for (const char *bad : {"-", "1.2.3", "abc", "inf", "nan"})
        EXPECT_THROW(ledger->setValue(QStringLiteral("zc"), QString::fromLatin1(bad)), DbError) << bad;
    EXPECT_THROW(ledger->setValue(QStringLiteral("rq"), QStringLiteral("2026-2-30")), DbError);
    EXPECT_THROW(ledger->setValue(QStringLiteral("zc"), std::numeric_limits<double>::quiet_NaN()), DbError);
    EXPECT_DOUBLE_EQ(ledger->asFloat(QStringLiteral("zc")), 1); // unchanged by the refused values
    ledger->setValue(QStringLiteral("zc"), QString());          // an empty text is Null
    EXPECT_TRUE(ledger->isNull(QStringLiteral("zc")));
    ledger->setValue(QStringLiteral("zc"), QStringLiteral("-1e2"));
    EXPECT_DOUBLE_EQ(ledger->asFloat(QStringLiteral("zc")), -100);
    ledger->post();
    EXPECT_EQ(db.scalar(QStringLiteral("select zc from szzb where zbid=1")), QStringLiteral("-100"));
}

TEST_F(DatasetTest, DeletingMovesToTheFollowingRow)
{
    ledger->moveTo(1);
    ledger->remove();
    EXPECT_EQ(ledger->recordCount(), 2);
    EXPECT_EQ(ledger->asInteger(QStringLiteral("zbid")), 3);
    ledger->remove(); // the last row: the previous becomes current
    EXPECT_EQ(ledger->asInteger(QStringLiteral("zbid")), 1);
    ledger->remove();
    EXPECT_EQ(ledger->recordCount(), 0);
    EXPECT_EQ(ledger->currentRow(), -1);
    try {
        ledger->remove();
        FAIL() << "deleted from an empty list";
    } catch (const DbError &e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("current record")));
    }
    EXPECT_EQ(reread()->recordCount(), 0);
}

TEST_F(DatasetTest, EditOnAnEmptyResultStartsANewRow)
{
    auto empty = db.query(QStringLiteral("select * from szzb where rq>=#2030-1-1#"));
    ASSERT_TRUE(empty->isEmpty());
    empty->edit();
    EXPECT_EQ(empty->state(), Dataset::State::Insert);
    empty->setValue(QStringLiteral("jzr"), QStringLiteral("管理员"));
    empty->post();
    EXPECT_EQ(reread()->recordCount(), 4);
}

TEST_F(DatasetTest, TablesWithoutAKeyAreWrittenBackByRowIdentity)
{
    // two rows with the same name: only the current one changes
    db.exec(QStringLiteral("insert into jtcy (cyxm) values ('现金')"));
    auto accounts = db.query(QStringLiteral("select * from jtcy"));
    EXPECT_EQ(accounts->fieldCount(), 1);
    accounts->last();
    accounts->edit();
    accounts->setValue(QStringLiteral("cyxm"), QStringLiteral("零钱"));
    accounts->post();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from jtcy where cyxm='现金'")), QStringLiteral("1"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from jtcy where cyxm='零钱'")), QStringLiteral("1"));
    accounts->first();
    accounts->remove();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from jtcy where cyxm='现金'")), QStringLiteral("0"));

    Dataset xtcs(db.connection());
    xtcs.setTableName(QStringLiteral("xtcs"));
    xtcs.open();
    EXPECT_EQ(xtcs.asDate(QStringLiteral("qsny")), QDate(2026, 1, 1));
    xtcs.edit();
    xtcs.setValue(QStringLiteral("jmfg"), 4);
    xtcs.post();
    EXPECT_EQ(db.scalar(QStringLiteral("select jmfg from xtcs")), QStringLiteral("4"));
}

TEST_F(DatasetTest, ADatabaseErrorOnPostKeepsTheRowPending)
{
    auto items = db.query(QStringLiteral("select * from fyxm"));
    items->append();
    items->setValue(QStringLiteral("xmmc"), QString(60, QLatin1Char('x'))); // longer than a name may be
    EXPECT_THROW(items->post(), DbError);
    EXPECT_EQ(items->state(), Dataset::State::Insert);
    items->setValue(QStringLiteral("xmmc"), QStringLiteral("宠物"));
    items->post();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from fyxm where xmmc='宠物'")), QStringLiteral("1"));
}

TEST_F(DatasetTest, SortingKeepsTheCurrentRecordAndSums)
{
    ledger->moveTo(0); // zbid 1, zc 1
    ledger->sort(ledger->fieldIndex(QStringLiteral("zc")), Qt::DescendingOrder);
    EXPECT_EQ(ledger->textAt(0, ledger->fieldIndex(QStringLiteral("zc"))), QStringLiteral("3"));
    EXPECT_EQ(ledger->currentRow(), 2);
    EXPECT_EQ(ledger->asInteger(QStringLiteral("zbid")), 1);
    ledger->sort(ledger->fieldIndex(QStringLiteral("zc")), Qt::AscendingOrder);
    EXPECT_EQ(ledger->textAt(0, ledger->fieldIndex(QStringLiteral("zc"))), QStringLiteral("1"));
    EXPECT_DOUBLE_EQ(ledger->sum(ledger->fieldIndex(QStringLiteral("jsze"))), -6);
    EXPECT_DOUBLE_EQ(ledger->sum(ledger->fieldIndex(QStringLiteral("bz"))), 0);
}

TEST_F(DatasetTest, RequeryAndStatementsWithoutRows)
{
    ledger->requery(QStringLiteral("select * from szzb where"), QStringLiteral(" zc >= 2"));
    EXPECT_EQ(ledger->sqlText(), QStringLiteral("select * from szzb where\n zc >= 2"));
    EXPECT_EQ(ledger->recordCount(), 2);
    EXPECT_THROW(ledger->requery(QStringLiteral("select * from nosuch")), DbError);
    EXPECT_FALSE(ledger->isActive());

    ledger->requery(QStringLiteral("select * from szzb order by zc desc"));
    EXPECT_FALSE(ledger->isReadOnly());
    EXPECT_EQ(ledger->asInteger(QStringLiteral("zbid")), 3);

    Dataset scratch(db.connection());
    scratch.requery(QStringLiteral(" delete from szzb where zc=1"));
    EXPECT_FALSE(scratch.isActive());
    scratch.clearSql();
    scratch.addSql(QStringLiteral("delete from szzb where zc=:v"));
    scratch.setParameter(QStringLiteral("v"), 2);
    scratch.execSql();
    EXPECT_EQ(reread()->recordCount(), 1);
}

TEST(LookupLinkTest, FollowsTheEditedRowAndWritesTheChoice)
{
    TempDatabase db;
    db.exec(QStringLiteral("insert into szzb (xm) values ('交通')"));
    db.exec(QStringLiteral("insert into szzb (xm) values ('不在列表里')"));
    db.exec(QStringLiteral("insert into szzb (xm) values ('医疗')"));
    Dataset ledger(db.connection());
    ledger.addSql(QStringLiteral("select * from szzb"));
    Dataset items(db.connection());
    items.addSql(QStringLiteral("select * from fyxm"));
    DataSource ledgerSource(&ledger);
    DataSource itemSource(&items);
    LookupLink link(&ledgerSource, QStringLiteral("xm"), &itemSource, QStringLiteral("xmmc"));
    items.open();
    ledger.open(); // stands on 交通
    EXPECT_EQ(items.asString(QStringLiteral("xmmc")), QStringLiteral("交通"));
    ledger.next(); // no match: the list stays
    EXPECT_EQ(items.asString(QStringLiteral("xmmc")), QStringLiteral("交通"));
    ledger.next();
    EXPECT_EQ(items.asString(QStringLiteral("xmmc")), QStringLiteral("医疗"));
    ledger.append(); // empty value: stays
    EXPECT_EQ(items.asString(QStringLiteral("xmmc")), QStringLiteral("医疗"));
    ledger.setValue(QStringLiteral("xm"), QStringLiteral("餐饮"));
    EXPECT_EQ(items.asString(QStringLiteral("xmmc")), QStringLiteral("餐饮"));
    link.choose(4);
    EXPECT_EQ(ledger.asString(QStringLiteral("xm")), QStringLiteral("购物"));
    EXPECT_EQ(items.currentRow(), 4);
    ledger.cancel();
    ledger.first();
    link.choose(1); // browsing: the choice starts editing
    EXPECT_EQ(ledger.state(), Dataset::State::Edit);
    EXPECT_EQ(ledger.asString(QStringLiteral("xm")), QStringLiteral("交通"));
}

TEST(DataModule, OwnsEveryDatasetUnderItsName)
{
    TDM module;
    EXPECT_EQ(DM, &module);
    EXPECT_EQ(module.datasets().size(), 15);
    EXPECT_EQ(module.findChild<Dataset *>(QStringLiteral("ADOQlsz")), module.ADOQlsz);
    EXPECT_EQ(module.DSlsz->dataset(), module.ADOQlsz);
    EXPECT_EQ(module.DSFymxrr->dataset(), module.ADOQFymxrr);
    EXPECT_EQ(module.ADOTXtcs->tableName(), QStringLiteral("xtcs"));
    EXPECT_EQ(module.ADOQFymxrr->sqlText(), QStringLiteral("select * from fymx where dyxmid=:bl_xmid"));
    for (Dataset *d : module.datasets())
        EXPECT_EQ(d->connection(), module.ADOConnection1);
}

TEST(LookupLinkTest, TakesItsPlaceWhenCreatedAndWhenTheListIsOpened)
{
    TempDatabase db;
    db.exec(QStringLiteral("insert into szzb (xm) values ('通讯')"));
    Dataset ledger(db.connection());
    ledger.addSql(QStringLiteral("select * from szzb"));
    ledger.open();
    Dataset items(db.connection());
    items.addSql(QStringLiteral("select * from fyxm"));
    items.open();
    DataSource ledgerSource(&ledger);
    DataSource itemSource(&items);
    LookupLink link(&ledgerSource, QStringLiteral("xm"), &itemSource, QStringLiteral("xmmc"));
    EXPECT_EQ(items.asString(QStringLiteral("xmmc")), QStringLiteral("通讯"));
    items.requery(QStringLiteral("select * from fyxm"));
    EXPECT_EQ(items.asString(QStringLiteral("xmmc")), QStringLiteral("通讯"));
}

TEST(SortOrder, ChineseOrderIsTheSameForTenTextsAndForSixtyThousand)
{
    TempDatabase db;
    const QStringList words
        = {QStringLiteral("中国"),  QStringLiteral("阿姨"),  QStringLiteral("北京"),   QStringLiteral("Zebra"),
           QStringLiteral("apple"), QStringLiteral("第2号"), QStringLiteral("第10号"), QStringLiteral("猫粮"),
           QStringLiteral("餐饮"),  QStringLiteral("茶叶")};
    auto sortedWords = [&](int fillers) {
        db.exec(QStringLiteral("delete from szzb"));
        sqlite3 *h = db.connection()->handle();
        sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
        for (const QString &w : words)
            db.exec(QStringLiteral("insert into szzb (bz) values ('%1')").arg(w));
        // distinct texts that sort after every word above
        const QByteArray fill
            = QStringLiteral("WITH RECURSIVE n(x) AS (SELECT 1 UNION ALL SELECT x+1 FROM n WHERE x<%1) "
                             "INSERT INTO szzb (bz) SELECT '龥' || x FROM n")
                  .arg(fillers)
                  .toUtf8();
        if (fillers > 0)
            sqlite3_exec(h, fill.constData(), nullptr, nullptr, nullptr);
        sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
        auto list = db.query(QStringLiteral("select * from szzb"));
        const int bz = list->fieldIndex(QStringLiteral("bz"));
        list->sort(bz, Qt::AscendingOrder);
        QStringList out;
        for (int row = 0; row < list->recordCount() && out.size() < words.size(); ++row)
            if (words.contains(list->textAt(row, bz)))
                out.append(list->textAt(row, bz));
        return out;
    };
    const QStringList few = sortedWords(0);
    EXPECT_EQ(sortedWords(60000), few);
    // pinyin order for the Chinese words, numbers by value
    EXPECT_LT(few.indexOf(QStringLiteral("阿姨")), few.indexOf(QStringLiteral("北京")));
    EXPECT_LT(few.indexOf(QStringLiteral("北京")), few.indexOf(QStringLiteral("餐饮")));
    EXPECT_LT(few.indexOf(QStringLiteral("第2号")), few.indexOf(QStringLiteral("第10号")));
}

// The sorted list follows QCollator for zh_CN in numeric mode, text by text,
// also for Latin letters in both cases, accents, punctuation, digits,
// full-width forms and texts that differ only in their case.
TEST(SortOrder, IsTheOrderOfQtsChineseCollator)
{
    TempDatabase db;
    const QStringList texts
        = {QStringLiteral("中国"),   QStringLiteral("中國"),   QStringLiteral("阿姨"),   QStringLiteral("北京"),
           QStringLiteral("Zebra"),  QStringLiteral("zebra"),  QStringLiteral("apple"),  QStringLiteral("Äpfel"),
           QStringLiteral("第2号"),  QStringLiteral("第10号"), QStringLiteral("第02号"), QStringLiteral("１０"),
           QStringLiteral("9"),      QStringLiteral("a-b"),    QStringLiteral("ab"),     QStringLiteral("a b"),
           QStringLiteral("（注）"), QStringLiteral("(注)"),   QStringLiteral("résumé"), QStringLiteral("resume"),
           QStringLiteral("长城"),   QStringLiteral("重庆"),   QStringLiteral("银行"),   QStringLiteral("😀"),
           QStringLiteral("ｚ"),     QStringLiteral("Ω"),      QStringLiteral("ω"),      QStringLiteral("乐")};
    db.exec(QStringLiteral("delete from szzb"));
    for (const QString &t : texts)
        db.exec(QStringLiteral("insert into szzb (bz) values ('%1')").arg(t));
    auto list = db.query(QStringLiteral("select * from szzb"));
    const int bz = list->fieldIndex(QStringLiteral("bz"));
    list->sort(bz, Qt::AscendingOrder);
    QCollator collator{QLocale(QLocale::Chinese, QLocale::China)};
    collator.setNumericMode(true);
    for (int row = 1; row < list->recordCount(); ++row)
        EXPECT_LE(collator.compare(list->textAt(row - 1, bz), list->textAt(row, bz)), 0)
            << list->textAt(row - 1, bz).toStdString() << " before " << list->textAt(row, bz).toStdString();
}

// Reading on a worker thread gives the same result as reading at once, also
// for a table written back by its row identity and with parameters.
TEST_F(DatasetTest, ReadingInTheBackgroundGivesWhatOpenGives)
{
    Dataset background(db.connection());
    background.addSql(QStringLiteral("select * from szzb where rq>=:from"));
    background.setParameter(QStringLiteral("from"), QDate(2026, 1, 2));
    QSignalSpy resets(&background, &Dataset::reset);
    background.openInBackground();
    EXPECT_TRUE(background.isOpening());
    EXPECT_FALSE(background.isActive());
    background.finishOpen();
    EXPECT_FALSE(background.isOpening());
    ASSERT_TRUE(background.isActive());
    EXPECT_EQ(resets.count(), 1);
    ASSERT_EQ(background.recordCount(), 2);
    EXPECT_EQ(background.fieldCount(), ledger->fieldCount());
    for (int row = 0; row < 2; ++row)
        for (int column = 0; column < background.fieldCount(); ++column)
            EXPECT_EQ(background.valueAt(row, column), ledger->valueAt(row + 1, column)) << row << "," << column;
    // written back by its key like any other
    background.edit();
    background.setValue(QStringLiteral("bz"), QStringLiteral("改过"));
    background.post();
    EXPECT_EQ(db.scalar(QStringLiteral("select bz from szzb where zbid=2")), QStringLiteral("改过"));

    db.exec(QStringLiteral("insert into jtcy (cyxm) values ('现金')"));
    Dataset accounts(db.connection());
    accounts.addSql(QStringLiteral("select * from jtcy"));
    accounts.openInBackground();
    accounts.open(); // takes the rows being read
    EXPECT_FALSE(accounts.isOpening());
    EXPECT_EQ(accounts.fieldCount(), 1);
    accounts.last();
    accounts.edit();
    accounts.setValue(QStringLiteral("cyxm"), QStringLiteral("零钱"));
    accounts.post();
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from jtcy where cyxm='现金'")), QStringLiteral("1"));
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from jtcy where cyxm='零钱'")), QStringLiteral("1"));
}

TEST_F(DatasetTest, ABackgroundReadingCanBeAbandonedAndReportsItsFailure)
{
    Dataset background(db.connection());
    background.addSql(QStringLiteral("select * from szzb"));
    background.openInBackground();
    background.close(); // abandoned: closed, nothing pending
    EXPECT_FALSE(background.isOpening());
    EXPECT_FALSE(background.isActive());
    background.finishOpen(); // nothing to take
    EXPECT_FALSE(background.isActive());

    // given up while rows come slowly, past the first batch that the reader
    // hands over (each row costs about a millisecond; the second batch would
    // be complete only after seconds): the close does not wait for it
    {
        Dataset slow(db.connection());
        slow.addSql(
            QStringLiteral("select x, length(hex(randomblob(300000 + x % 2))) as n from (with recursive "
                           "c(x) as (select 1 union all select x+1 from c where x<10000000000) select x from c)"));
        slow.openInBackground();
        ASSERT_TRUE(slow.isOpening());
        QThread::msleep(700); // some hundreds of rows into the reading
        QElapsedTimer clock;
        clock.start();
        slow.close();
        // a bound only against a reading that waits for its batch
        EXPECT_LT(clock.elapsed(), 1500);
        EXPECT_FALSE(slow.isOpening());
        EXPECT_FALSE(slow.isActive());
    }

    // given up while the engine works towards a first row it would reach in
    // hours (a count over ten thousand million rows): the close returns at
    // once, the engine interrupted
    {
        Dataset endless(db.connection());
        endless.addSql(QStringLiteral("select count(*) as n from (with recursive c(x) as (select 1 union all "
                                      "select x+1 from c where x<10000000000) select x from c)"));
        endless.openInBackground();
        ASSERT_TRUE(endless.isOpening());
        QThread::msleep(100); // well into the counting
        endless.close();
        EXPECT_FALSE(endless.isOpening());
        EXPECT_FALSE(endless.isActive());
    }

    // a dataset destroyed while reading waits for its worker
    {
        Dataset dropped(db.connection());
        dropped.addSql(QStringLiteral("select * from szzb"));
        dropped.openInBackground();
    }

    // a failure of the reading comes with finishOpen(), and the dataset
    // can be opened again afterwards
    Dataset failing(db.connection());
    failing.addSql(QStringLiteral("select * from szzb where rq>=cdate('x')"));
    failing.openInBackground();
    EXPECT_THROW(failing.finishOpen(), DbError);
    EXPECT_FALSE(failing.isActive());
    EXPECT_FALSE(failing.isOpening());
    failing.clearSql();
    failing.addSql(QStringLiteral("select * from szzb"));
    failing.open();
    EXPECT_EQ(failing.recordCount(), 3);

    // a statement without rows runs at once
    Dataset change(db.connection());
    change.addSql(QStringLiteral("delete from szzb where zbid=3"));
    change.openInBackground();
    EXPECT_FALSE(change.isOpening());
    EXPECT_EQ(db.scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("2"));
}

// A read result's last chunk is cut to fit; rows posted later grow it again.
TEST(ColumnStorage, ALastChunkCutToFitGrowsAgain)
{
    Chunked<std::int64_t> values;
    for (std::int64_t i = 0; i < 20000; ++i)
        values.push(i * 3);
    const std::size_t before = values.bytes();
    values.shrinkToFit();
    EXPECT_LT(values.bytes(), before);
    EXPECT_GE(values.bytes(), 20000 * sizeof(std::int64_t));
    for (std::int64_t i = 20000; i < 40000; ++i)
        values.push(i * 3);
    ASSERT_EQ(values.size(), 40000u);
    for (std::size_t i = 0; i < values.size(); ++i)
        ASSERT_EQ(values[i], std::int64_t(i) * 3) << i;
    values.shrinkToFit();
    values.shrinkToFit(); // nothing more to cut
    values.push(-1);
    EXPECT_EQ(values[40000], -1);
    EXPECT_EQ(values[39999], 39999 * 3);
}

TEST_F(DatasetTest, OpeningWaitsForAWriterOfAnotherConnection)
{
    // a writer holds the file while a second connection opens: the opening
    // waits (as every later statement does) instead of failing at once
    db.connection()->execute(QStringLiteral("select count(*) from szzb")); // opened
    sqlite3 *writer = db.connection()->handle();
    ASSERT_EQ(sqlite3_exec(writer, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
    std::thread release([writer] {
        QThread::msleep(300);
        sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
    });
    Connection second;
    second.setConnectionString(db.connection()->connectionString());
    EXPECT_NO_THROW(second.open());
    release.join();
}
