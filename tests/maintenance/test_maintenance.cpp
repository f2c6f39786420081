// Backup and restore of the database file, and the help document.
#include "app/tfrmmian.h"
#include "data/filesafety.h"
#include "data/tdm.h"
#include "maintenance/databasefiles.h"
#include "maintenance/maintenancegroups.h"
#include "support/app/appfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPushButton>

#include <sys/resource.h>

namespace {

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// Writes beyond limit bytes fail while it lives, as on a full disk.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t limit)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit small = m_old;
        small.rlim_cur = limit;
        setrlimit(RLIMIT_FSIZE, &small);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};

class Maintenance : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-3-1#,'支出','餐饮',30,0,-30)"));
        start();
        groups = mainWindow->maintenanceGroups;
    }

    QString database() const { return db->path(); }

    MaintenanceGroups *groups = nullptr;
};

} // namespace

TEST_F(Maintenance, ABackupIsTheFileByteForByteAndReplacesAnOldOne)
{
    const QString target = db->dir() + QStringLiteral("备份/x.qhd");
    QDir().mkpath(QFileInfo(target).absolutePath());
    write(target, "an older backup");
    platform.chooseFile(target);
    groups->BitBtn38->click();
    ASSERT_EQ(platform.fileRequests.size(), 1);
    const FileDialogRequest &asked = platform.fileRequests[0];
    EXPECT_EQ(asked.title, QStringLiteral("青禾家庭doz－－数据库份"));
    EXPECT_EQ(asked.filter, QStringLiteral("数据库文件|*.qhd|所有文件|*.*"));
    EXPECT_EQ(asked.defaultExtension, QStringLiteral(".qhd"));
    EXPECT_EQ(asked.fileName, QStringLiteral("2026-12-09帐本备份.qhd"));
    EXPECT_EQ(platform.texts(QStringLiteral("information")), QStringList{QStringLiteral("数据备份成功")});
    EXPECT_EQ(contents(target), contents(database()));
    EXPECT_EQ(QFileInfo(target).permissions() & (QFile::ReadOther | QFile::ReadGroup), QFileDevice::Permissions());
    EXPECT_EQ(QDir(QFileInfo(target).absolutePath()).entryList(QDir::Files), QStringList{QStringLiteral("x.qhd")});
}

TEST_F(Maintenance, AFailedBackupSaysSoAndLeavesTheOldTargetWhole)
{
    platform.chooseFile(db->dir() + QStringLiteral("没有的目录/x.qhd"));
    groups->BitBtn38->click();
    ASSERT_EQ(platform.texts(QStringLiteral("error")).size(), 1);
    EXPECT_TRUE(platform.texts(QStringLiteral("error")).at(0).startsWith(QStringLiteral("数据备份失败")));

    // a disk that fills up half-way
    const QString target = db->dir() + QStringLiteral("old.qhd");
    write(target, "the good old backup");
    platform.chooseFile(target);
    {
        FileSizeLimit full(4096);
        groups->BitBtn38->click();
    }
    EXPECT_EQ(platform.texts(QStringLiteral("error")).size(), 2);
    EXPECT_EQ(contents(target), QByteArray("the good old backup"));
    EXPECT_TRUE(FileSafety::leftovers(db->dir()).isEmpty());
    EXPECT_TRUE(platform.texts(QStringLiteral("information")).isEmpty());
}

TEST_F(Maintenance, RestoringTheBackupGivesBackItsRowsAndKeepsASafetyCopy)
{
    const QString backup = db->dir() + QStringLiteral("b.qhd");
    platform.chooseFile(backup);
    groups->BitBtn38->click();
    exec(QStringLiteral("insert into szzb (rq,lx,xm,zc,sr,jsze) values (#2026-3-2#,'支出','交通',5,0,-5)"));
    const QByteArray before = contents(database());

    platform.chooseFile(backup);
    platform.answer(false); // No: nothing happens
    groups->BitBtn39->click();
    EXPECT_EQ(platform.texts(QStringLiteral("message")).last(), QStringLiteral("您取消了数据恢复操作，数据未恢复！"));
    EXPECT_EQ(contents(database()), before);

    platform.chooseFile(backup);
    platform.answer(true);
    groups->BitBtn39->click();
    EXPECT_EQ(platform.fileRequests.last().title, QStringLiteral("青禾家庭doz－－打开库份数据文件"));
    EXPECT_EQ(
        platform.texts(QStringLiteral("question")).last(),
        QStringLiteral("   进行数据恢复操作后，现有数据将会被您刚才所选择的备份数据所覆盖，\r强烈建议您先将现有数据进行"
                       "备份，然后再进行数据恢复！  \r\r         是否确定现在就进行数据恢复！"));
    ASSERT_EQ(platform.texts(QStringLiteral("information")).size(), 2);
    EXPECT_TRUE(platform.texts(QStringLiteral("information"))
                    .last()
                    .startsWith(QStringLiteral("数据恢复成功！  重新启动《doz》后数据生效！")));
    const QString safety = DatabaseFiles::safetyCopyName(platform.now());
    EXPECT_TRUE(platform.texts(QStringLiteral("information")).last().contains(safety));
    EXPECT_EQ(platform.terminated, 1); // ended without the exit question
    EXPECT_EQ(platform.texts(QStringLiteral("question")).size(), 2);
    EXPECT_EQ(contents(database()), contents(backup));
    EXPECT_EQ(contents(db->dir() + safety), before);

    // the next start reads the restored rows
    destroy();
    start();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("1"));
}

TEST_F(Maintenance, WhatIsNoLedgerIsRefusedAndTheLedgerStaysByteForByte)
{
    const QString good = db->dir() + QStringLiteral("good.qhd");
    platform.chooseFile(good);
    groups->BitBtn38->click();
    const QByteArray before = contents(database());

    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    const QString png = db->dir() + QStringLiteral("picture.png");
    picture.save(png, "PNG");
    const QString empty = db->dir() + QStringLiteral("empty.qhd");
    write(empty, QByteArray());
    const QString truncated = db->dir() + QStringLiteral("truncated.qhd");
    write(truncated, contents(good).left(contents(good).size() / 2));
    const QString otherKey = db->dir() + QStringLiteral("other.qhd");
    QFile::copy(good, otherKey);
    {
        Connection other;
        other.setConnectionString(
            ledgerConnectionString(db->dir()).replace(QStringLiteral("Data.qhd"), QStringLiteral("other.qhd")));
        other.execute(QStringLiteral("ALTER Database Password another mxbt418260"));
    }
    int refused = 0;
    for (const QString &file : {png, empty, truncated, otherKey, db->dir() + QStringLiteral("missing.qhd")}) {
        platform.chooseFile(file);
        platform.answer(true);
        groups->BitBtn39->click();
        ++refused;
        ASSERT_EQ(platform.texts(QStringLiteral("error")).size(), refused) << file.toStdString();
        const QString shown = platform.texts(QStringLiteral("error")).last();
        EXPECT_TRUE(shown.startsWith(QStringLiteral("数据恢复失败\r"))) << file.toStdString();
        EXPECT_GT(shown.size(), QStringLiteral("数据恢复失败\r").size()) << "no reason given";
        EXPECT_EQ(contents(database()), before) << file.toStdString();
    }
    EXPECT_EQ(platform.terminated, 0);
    EXPECT_TRUE(QDir(db->dir()).entryList({QStringLiteral("恢复前的帐本*")}).isEmpty());
    EXPECT_TRUE(FileSafety::leftovers(db->dir()).isEmpty());
    // the program goes on with its data
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from szzb")), QStringLiteral("1"));
}

TEST_F(Maintenance, TheHelpButtonOpensTheCompiledHelpOrTheWebPageOrTellsItIsMissing)
{
    groups->BitBtn41->click();
    EXPECT_TRUE(platform.openedDocuments.isEmpty());
    EXPECT_TRUE(platform.errors().isEmpty());
    EXPECT_EQ(platform.texts(QStringLiteral("message")),
              QStringList{QStringLiteral("没有找到帮助文档：程序所在的文件夹“%1”中应有“doz帮助文档”。")
                              .arg(QDir::cleanPath(db->dir()))});
    platform.clearShown();
    QDir(db->dir()).mkpath(QStringLiteral("doz帮助文档"));
    write(db->dir() + QStringLiteral("doz帮助文档/index.html"), "<html></html>");
    groups->BitBtn41->click();
    EXPECT_EQ(platform.openedDocuments, QStringList{db->dir() + QStringLiteral("doz帮助文档/index.html")});
    write(db->dir() + QStringLiteral("doz帮助文档.chm"), "ITSF");
    groups->BitBtn41->click();
    EXPECT_EQ(platform.openedDocuments.last(), db->dir() + QStringLiteral("doz帮助文档.chm"));
    EXPECT_TRUE(platform.texts(QStringLiteral("message")).isEmpty());
    // no program on the desktop opens it: the notice says where it is
    platform.noDocumentViewer = true;
    groups->BitBtn41->click();
    ASSERT_EQ(platform.texts(QStringLiteral("message")).size(), 1);
    EXPECT_EQ(platform.texts(QStringLiteral("message")).first(),
              QStringLiteral("没有找到可以打开帮助文档的程序。请用浏览器打开：\r") + db->dir()
                  + QStringLiteral("doz帮助文档.chm"));
}
