// The start date and the appearance style.
#include "app/tfrmmian.h"
#include "components/dbcontrols.h"
#include "components/skindata.h"
#include "data/tdm.h"
#include "settings/settingspage.h"
#include "support/app/appfixture.h"

#include <QComboBox>
#include <QPushButton>
#include <QToolButton>

namespace {

class Settings : public AppFixture
{
protected:
    void SetUp() override
    {
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#2025-5-5#,'支出','餐饮',1)"));
        exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#2026-5-5#,'支出','餐饮',2)"));
        start();
        page = mainWindow->TabSheet4;
        mainWindow->ToolButton4->click();
    }
    SettingsPage *page = nullptr;
};

} // namespace

TEST_F(Settings, TheStartDateToggle)
{
    EXPECT_TRUE(page->DBEdit1->isReadOnly());
    EXPECT_EQ(page->DBEdit1->text(), QStringLiteral("2026-01-01"));
    page->BitBtn25->click();
    EXPECT_EQ(page->BitBtn25->text(), QStringLiteral("确定"));
    EXPECT_FALSE(page->DBEdit1->isReadOnly());
    EXPECT_EQ(page->DBEdit1->background(), QColor(0, 255, 255));
    EXPECT_EQ(dm->ADOTXtcs->state(), Dataset::State::Edit);
    page->DBEdit1->setText(QStringLiteral("2025-1-1"));
    page->BitBtn25->click();
    EXPECT_EQ(page->BitBtn25->text(), QStringLiteral("修改"));
    EXPECT_TRUE(page->DBEdit1->isReadOnly());
    EXPECT_FALSE(page->DBEdit1->background().isValid());
    EXPECT_EQ(scalar(QStringLiteral("select qsny from xtcs")), QStringLiteral("2025-01-01"));
    EXPECT_EQ(dm->ADOQlsz->sqlText(), QStringLiteral("select * from szzb where rq>=#2025-01-01#"));
    EXPECT_EQ(dm->ADOQlsz->recordCount(), 2);

    // a start date later than every entry empties the list
    page->BitBtn25->click();
    page->DBEdit1->setText(QStringLiteral("2027-01-01"));
    page->BitBtn25->click();
    EXPECT_EQ(dm->ADOQlsz->recordCount(), 0);
}

TEST_F(Settings, ATextThatIsNotADateIsRefused)
{
    page->BitBtn25->click();
    page->DBEdit1->setText(QStringLiteral("明天"));
    page->BitBtn25->click();
    ASSERT_EQ(platform.errors().size(), 1);
    EXPECT_EQ(platform.errors().first(), QStringLiteral("'明天' 不是有效的日期"));
    EXPECT_EQ(page->BitBtn25->text(), QStringLiteral("确定")); // still editing
    EXPECT_EQ(dm->ADOTXtcs->state(), Dataset::State::Edit);
    page->DBEdit1->setText(QStringLiteral("2026-02-01"));
    page->BitBtn25->click();
    EXPECT_EQ(scalar(QStringLiteral("select qsny from xtcs")), QStringLiteral("2026-02-01"));
}

TEST_F(Settings, TheStyleIsAppliedAndStored)
{
    page->ComboBox6->setCurrentIndex(2);
    EXPECT_EQ(scalar(QStringLiteral("select jmfg from xtcs")), QStringLiteral("0")); // choosing alone stores nothing
    page->BitBtn26->click();
    EXPECT_EQ(mainWindow->SkinData1->index(), 2);
    EXPECT_EQ(scalar(QStringLiteral("select jmfg from xtcs")), QStringLiteral("2"));
}

TEST_F(Settings, TheStyleWhileTheStartDateIsEditedStoresBoth)
{
    page->BitBtn25->click();
    page->DBEdit1->setText(QStringLiteral("2025-01-01"));
    page->ComboBox6->setCurrentIndex(4);
    page->BitBtn26->click();
    EXPECT_EQ(page->BitBtn25->text(), QStringLiteral("修改"));
    EXPECT_EQ(scalar(QStringLiteral("select qsny from xtcs")), QStringLiteral("2025-01-01"));
    EXPECT_EQ(scalar(QStringLiteral("select jmfg from xtcs")), QStringLiteral("4"));
    EXPECT_EQ(dm->ADOQlsz->recordCount(), 2);
}

TEST_F(Settings, AnEmptyStartDateIsRefused)
{
    for (const QString &empty : {QString(), QStringLiteral("   ")}) {
        page->BitBtn25->click();
        page->DBEdit1->setText(empty);
        page->BitBtn25->click();
        EXPECT_EQ(platform.errors().last(), QStringLiteral("'%1' 不是有效的日期").arg(empty));
        EXPECT_EQ(page->BitBtn25->text(), QStringLiteral("确定")); // still editing
        page->DBEdit1->setText(QStringLiteral("2026-01-01"));
        page->BitBtn25->click();
        EXPECT_EQ(page->BitBtn25->text(), QStringLiteral("修改"));
    }
    EXPECT_EQ(platform.errors().size(), 2);
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from xtcs where qsny='2026-01-01'")), QStringLiteral("1"));
    EXPECT_TRUE(dm->ADOQlsz->isActive());
}
