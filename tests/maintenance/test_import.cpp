// The import of the books of version 1.0.
#include "app/tfrmmian.h"
#include "data/dberror.h"
#include "data/schema.h"
#include "data/tdm.h"
#include "maintenance/importer.h"
#include "maintenance/maintenancegroups.h"
#include "support/app/appfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class Import : public AppFixture
{
protected:
    void SetUp() override
    {
        oldBooks = db->dir() + QStringLiteral("old/DATA.mdb");
        QDir().mkpath(QFileInfo(oldBooks).absolutePath());
        // a 1.0 file in the ledger's own format, with the password
        Schema::createDatabase(oldBooks, DatabasePassword, QDate(2008, 1, 1), true);
        Connection old;
        old.setConnectionString(ledgerConnectionString(QFileInfo(oldBooks).absolutePath() + QLatin1Char('/'))
                                    .replace(QStringLiteral("Data.qhd"), QStringLiteral("DATA.mdb")));
        old.execute(QStringLiteral("insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,jzr) values "
                                   "(#2008-3-5#,'支出','旧项目','旧明细',0,12.34,-12.34,'旧帐户','老王')"));
        old.execute(QStringLiteral("insert into czyh (yhmc,yhkl) values ('老王','1234')"));
        old.execute(QStringLiteral("update xtcs set qsny=#2008-1-1#, jmfg=3, bbh='V1.0'"));
        old.close();
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-3-1#,'支出','新帐',5,0,-5)"));
        exec(QStringLiteral("insert into jstx (jsrq,zt,txfs) values (#2026-3-1#,'留下的记事','不需提醒')"));
        exec(QStringLiteral("insert into txl (lxrxm) values ('留下的联系人')"));
        start();
        groups = mainWindow->maintenanceGroups;
    }

    void choose(const QString &file)
    {
        platform.chooseFile(file);
        groups->Button2->click();
    }

    QString temp() const { return db->dir() + QStringLiteral("DATA1_temp.mdb"); }

    QString oldBooks;
    MaintenanceGroups *groups = nullptr;
};

} // namespace

TEST_F(Import, NothingBeforeAFileIsChosenOrWhenTheAnswerIsNo)
{
    platform.cancelFileDialog();
    groups->BitBtn40->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              QStringList{QStringLiteral("请先选中1.0旧版数据库文件“DATA.mdb”")});
    ASSERT_EQ(platform.fileRequests.size(), 1); // then the file dialog
    EXPECT_EQ(platform.fileRequests[0].title, QStringLiteral("打开青禾家庭doz1.0 数据库文件"));
    EXPECT_EQ(platform.fileRequests[0].filter, QStringLiteral("青禾家庭doz1.0 数据库文件|*.mdb|所有文件|*.*"));
    choose(oldBooks);
    EXPECT_EQ(groups->Edit6->text(), oldBooks);
    platform.answer(false);
    groups->BitBtn40->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(),
              QStringLiteral("您取消了数据移植操作，1.0版数据未导入！"));
    EXPECT_TRUE(platform.texts(QStringLiteral("question"))
                    .last()
                    .startsWith(QStringLiteral("    是否确认 “") + oldBooks
                                + QStringLiteral("” 为原《青禾家庭doz1.0》的数据库文件？  \r    进行")));
    EXPECT_TRUE(platform.texts(QStringLiteral("question"))
                    .last()
                    .endsWith(QStringLiteral("请勿重复进行数据移植操作！\r\r         是否确定现在就进行数据移植！")));
    EXPECT_FALSE(QFileInfo::exists(temp()));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("1"));
}

TEST_F(Import, TheSixTablesComeFromTheFileAndTheRestStays)
{
    const QByteArray before = contents(oldBooks);
    choose(oldBooks);
    for (int i = 0; i < 2; ++i) { // twice gives the same as once
        platform.answer(true);
        groups->BitBtn40->click();
    }
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(platform.terminated, 2);
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(),
              QStringLiteral("1.0旧版数据导入成功！  请重启《青禾家庭doz2.0》后数据生效！"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select xm||'|'||zc||'|'||rq from szzb")),
              QStringLiteral("旧项目|12.34|2008-03-05"));
    EXPECT_EQ(scalar(QStringLiteral("select qsny||'|'||jmfg||'|'||bbh from xtcs")),
              QStringLiteral("2008-01-01|3|V2.0"));
    EXPECT_EQ(scalar(QStringLiteral("select yhkl from czyh where yhmc='老王'")), QStringLiteral("1234"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from jstx")), QStringLiteral("1"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from txl")), QStringLiteral("1"));
    EXPECT_EQ(contents(oldBooks), before); // the 1.0 file is never changed
    EXPECT_FALSE(QFileInfo::exists(temp()));
}

TEST_F(Import, AFailureHalfWayLeavesTheLedgerAsItWas)
{
    {
        Connection old;
        old.setConnectionString(ledgerConnectionString(QFileInfo(oldBooks).absolutePath() + QLatin1Char('/'))
                                    .replace(QStringLiteral("Data.qhd"), QStringLiteral("DATA.mdb")));
        old.execute(QStringLiteral("alter table jtcy add column bz TEXT")); // a column the ledger lacks
    }
    dm->ADOConnection1->close();
    const QByteArray before = contents(db->path());
    choose(oldBooks);
    platform.answer(true);
    groups->BitBtn40->click();
    ASSERT_EQ(platform.errors().size(), 1);
    EXPECT_TRUE(platform.errors().first().contains(QStringLiteral("bz"))) << platform.errors().first().toStdString();
    EXPECT_EQ(platform.terminated, 0);
    EXPECT_FALSE(QFileInfo::exists(temp()));
    dm->ADOConnection1->close();
    EXPECT_EQ(contents(db->path()), before);

    // what is no 1.0 file is refused before anything is copied
    const QString text = db->dir() + QStringLiteral("notes.mdb");
    QFile f(text);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a database");
    f.close();
    choose(text);
    platform.answer(true);
    groups->BitBtn40->click();
    EXPECT_TRUE(platform.texts(QStringLiteral("message"))
                    .last()
                    .contains(QStringLiteral("不是《青禾家庭doz1.0》的数据库文件")));
    EXPECT_FALSE(QFileInfo::exists(temp()));
    EXPECT_EQ(contents(db->path()), before);
}

TEST_F(Import, AnAccessFilesTablesThroughTheStagingDatabase)
{
    // what the Access reader gives for the six tables of a 1.0 file
    auto table = [](const char *name, const QList<QPair<const char *, const char *>> &columns,
                    const QList<QList<QVariant>> &rows) {
        JetReader::Table t;
        t.name = QString::fromUtf8(name);
        for (const auto &[column, kind] : columns)
            t.columns.append({QString::fromUtf8(column), 0, QString::fromUtf8(kind)});
        t.rows = rows;
        return t;
    };
    const QList<JetReader::Table> read = {
        table("SZZB",
              {{"zbid", "integer"},
               {"rq", "datetime"},
               {"lx", "text"},
               {"xm", "text"},
               {"mx", "text"},
               {"sr", "number"},
               {"zc", "number"},
               {"jsze", "number"},
               {"szr", "text"},
               {"bz", "text"},
               {"jzr", "text"},
               {"jzsj", "datetime"}},
              {{qlonglong(7), QStringLiteral("2007-03-15"), QStringLiteral("支出"), QStringLiteral("餐饮"),
                QStringLiteral("午餐"), 0.0, 1234567.89, -1234567.89, QStringLiteral("现金"), QVariant(),
                QStringLiteral("管理员"), QStringLiteral("2007-03-15 12:30:00")}}),
        table("fyxm", {{"xmid", "integer"}, {"xmmc", "text"}}, {{qlonglong(3), QStringLiteral("餐饮")}}),
        table("fymx", {{"dyxmid", "integer"}, {"mxmc", "text"}}, {{qlonglong(3), QStringLiteral("午餐")}}),
        table("jtcy", {{"cyxm", "text"}}, {{QStringLiteral("现金")}}),
        table("czyh", {{"yhmc", "text"}, {"yhkl", "text"}}, {{QStringLiteral("管理员"), QVariant()}}),
        table("xtcs", {{"qsny", "datetime"}, {"jmfg", "integer"}, {"bbh", "text"}},
              {{QStringLiteral("2007-01-01"), qlonglong(1), QStringLiteral("V1.0")}}),
    };
    const QString staging = db->dir() + QStringLiteral("DATA1_temp.db");
    Importer::writeStaging(read, staging, DatabasePassword);
    dm->ADOConnection1->executeInTransaction(Importer::statements(staging));
    EXPECT_EQ(scalar(QStringLiteral("select zbid||'|'||rq||'|'||zc||'|'||jzsj||'|'||coalesce(bz,'null') from szzb")),
              QStringLiteral("7|2007-03-15|1234567.89|2007-03-15 12:30:00|null"));
    EXPECT_EQ(scalar(QStringLiteral("select xmid||xmmc from fyxm")), QStringLiteral("3餐饮"));
    EXPECT_EQ(scalar(QStringLiteral("select qsny||bbh from xtcs")), QStringLiteral("2007-01-01V2.0"));
    // the ledger reads the imported entry as any other
    dm->ADOQlsz->requery(QStringLiteral("select * from szzb"));
    EXPECT_EQ(dm->ADOQlsz->asDate(QStringLiteral("rq")), QDate(2007, 3, 15));
    EXPECT_DOUBLE_EQ(dm->ADOQlsz->asFloat(QStringLiteral("jsze")), -1234567.89);

    // a table missing from an Access file is named
    if (QFileInfo::exists(QStringLiteral(DOZ_FIXTURES "/jet/nwind.mdb"))) {
        try {
            Importer::stageJet(QStringLiteral(DOZ_FIXTURES "/jet/nwind.mdb"), staging, DatabasePassword);
            ADD_FAILURE() << "a file without the six tables was staged";
        } catch (const DbError &e) {
            EXPECT_TRUE(e.message().contains(QStringLiteral("szzb")));
        }
        EXPECT_FALSE(QFileInfo::exists(staging));
        EXPECT_EQ(Importer::kindOf(QStringLiteral(DOZ_FIXTURES "/jet/nwind.mdb"), DatabasePassword),
                  Importer::Kind::Jet);
    }
}
