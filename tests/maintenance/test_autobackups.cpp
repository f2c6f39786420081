// The automatic backups: their names, which of them are kept, and the
// backups of many sessions on the clock of the scripted platform.
#include "app/tfrmmian.h"
#include "data/tdm.h"
#include "maintenance/autobackups.h"
#include "support/app/appfixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

QDateTime at(int y, int m, int d, int h = 21, int min = 0)
{
    return QDateTime(QDate(y, m, d), QTime(h, min, 0));
}

QStringList namesOf(const QList<AutoBackups::Backup> &backups)
{
    QStringList names;
    for (const AutoBackups::Backup &b : backups)
        names << b.when.toString(QStringLiteral("yyyy-MM-dd hh:mm"));
    return names;
}

TEST(AutoBackupNames, CarryTheirTimeAndNothingElseIsTakenForOne)
{
    EXPECT_EQ(AutoBackups::fileName(at(2026, 12, 9, 10, 30)), QStringLiteral("自动备份 2026-12-09 103000.qhd"));
    EXPECT_EQ(AutoBackups::timeOf(QStringLiteral("自动备份 2026-12-09 103000.qhd")), at(2026, 12, 9, 10, 30));
    for (const char *other :
         {"自动备份 2026-12-09 103000.qhd.doz-tmp-1-0", "自动备份 2026-13-09 103000.qhd",
          "恢复前的帐本 2026-12-09 103000.qhd", "自动备份 2026-12-09.qhd", "x自动备份 2026-12-09 103000.qhd"})
        EXPECT_FALSE(AutoBackups::timeOf(QString::fromUtf8(other)).isValid()) << other;
}

TEST(AutoBackupRule, KeepsTheNewestOfTenDaysAndOfTwelveMonths)
{
    // a household that keeps its books now daily, now once in a while
    QList<AutoBackups::Backup> backups;
    const QList<QDateTime> times
        = {at(2026, 12, 9), at(2026, 12, 9, 9), at(2026, 12, 8), at(2026, 12, 1),  at(2026, 11, 28), at(2026, 11, 20),
           at(2026, 11, 3), at(2026, 10, 30),   at(2026, 10, 2), at(2026, 9, 15),  at(2026, 7, 1),   at(2026, 6, 30),
           at(2026, 6, 29), at(2026, 3, 3),     at(2026, 1, 31), at(2025, 12, 31), at(2025, 11, 30), at(2025, 10, 31),
           at(2025, 9, 30), at(2025, 9, 1),     at(2024, 5, 5)};
    for (const QDateTime &t : times)
        backups.append({AutoBackups::fileName(t), t, 1});
    const QStringList dropped = namesOf(AutoBackups::dropped(backups));
    // ten days: 12-09 (21:00), 12-08, 12-01, 11-28, 11-20, 11-03, 10-30, 10-02, 09-15, 07-01; the twelve
    // months that have one: 2026-12, 11, 10, 09, 07, 06 (06-30), 03, 01, 2025-12, 11, 10, 09 (09-30)
    EXPECT_EQ(dropped, (QStringList{QStringLiteral("2026-12-09 09:00"), QStringLiteral("2026-06-29 21:00"),
                                    QStringLiteral("2025-09-01 21:00"), QStringLiteral("2024-05-05 21:00")}));
    // fewer than the rule keeps: nothing goes
    EXPECT_TRUE(AutoBackups::dropped(backups.mid(0, 1)).isEmpty());
    EXPECT_TRUE(AutoBackups::dropped({}).isEmpty());
}

using AutoBackupSessions = AppFixture;

TEST_F(AutoBackupSessions, DailySessionsKeepTheLastTenDaysAndTheMonthsBefore)
{
    start();
    const QString folder = db->dir() + QStringLiteral("backups/");
    QDir(db->dir()).mkdir(QStringLiteral("backups"));
    QFile mine(folder + QStringLiteral("我自己的备份.qhd"));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.close();
    // a session each evening from the first of October to the ninth of December
    for (QDate day(2026, 10, 1); day <= QDate(2026, 12, 9); day = day.addDays(1)) {
        platform.setNow(QDateTime(day, QTime(20, 45, 3)));
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#%1#,'支出','餐饮',1)")
                 .arg(day.toString(Qt::ISODate)));
        mainWindow->keepAutomaticBackup();
        const int days = int(QDate(2026, 10, 1).daysTo(day)) + 1;
        // October's last stays as its month's once it is out of the ten days
        const int kept = qMin(days, 10) + (day >= QDate(2026, 11, 10) ? 1 : 0);
        ASSERT_EQ(AutoBackups::list(folder).size(), kept) << day.toString(Qt::ISODate).toStdString();
    }
    const QStringList kept = namesOf(AutoBackups::list(folder));
    QStringList expected;
    for (QDate day(2026, 12, 9); day >= QDate(2026, 11, 30); day = day.addDays(-1))
        expected << day.toString(QStringLiteral("yyyy-MM-dd 20:45"));
    expected << QStringLiteral("2026-10-31 20:45");
    EXPECT_EQ(kept, expected);
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("我自己的备份.qhd"))) << "the household's own file stays";
    EXPECT_TRUE(platform.errors().isEmpty());
}

} // namespace
