// Start-up, the main window and its close confirmation.
#include "app/startpage.h"
#include "app/tfrmmian.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/gridprinter.h"
#include "components/skindata.h"
#include "components/statusbar.h"
#include "contacts/contactspage.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "ledger/tfrmzbcx.h"
#include "memos/memopage.h"
#include "settings/settingspage.h"
#include "settings/tfrmrq.h"
#include "stats/comparisonpage.h"
#include "stats/summarypage.h"
#include "stats/tfrmyssz.h"
#include "support/app/appfixture.h"
#include "users/tfrmlog.h"

#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QPushButton>
#include <QScrollBar>
#include <QSemaphore>
#include <QTableView>

#include <QStackedWidget>
#include <QToolButton>
#include <atomic>
#include <memory>

#include <cstdio>

using StartUp = AppFixture;

TEST_F(StartUp, CreatesTheWindowsAndOpensTheDatasets)
{
    exec(QStringLiteral("delete from szzb"));
    // one entry before the start date, two after it
    exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#2025-12-31#,'支出','餐饮',1)"));
    exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#2026-1-1#,'支出','餐饮',2)"));
    exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#2026-3-1#,'支出','交通',3)"));
    platform.setNow(QDateTime(QDate(2026, 12, 9), QTime(8, 5, 6)));
    create();
    ASSERT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_NE(mainWindow, nullptr);
    EXPECT_EQ(mainWindow->windowTitle(), QStringLiteral("『青禾』家庭doz V2.0"));
    // the test screen (800×600) has no room for every page's columns
    EXPECT_TRUE(mainWindow->windowState() & Qt::WindowMaximized);
    EXPECT_NE(forms().FrmLog, nullptr);
    // the dialogs are made when first used, and so are the larger pages
    for (bool made : {forms().FrmDz.made(), forms().FrmJstx.made(), forms().FrmTxl.made(), mainWindow->TabSheet2.made(),
                      mainWindow->TabSheet3.made(), mainWindow->TabSheet4.made(), mainWindow->userGroups.made(),
                      mainWindow->TabSheet6.made(), mainWindow->TabSheet7.made()})
        EXPECT_FALSE(made);
    EXPECT_FALSE(forms().FrmDqjz.made());
    EXPECT_FALSE(forms().FrmYsxg.made());
    EXPECT_FALSE(forms().FrmRQ.made());
    EXPECT_NE(forms().FrmRQ.get(), nullptr);
    EXPECT_EQ(forms().FrmRQ->parentWidget(), static_cast<QWidget *>(mainWindow));
    // an editor comes with its list
    EXPECT_NE(forms().FrmYsxg.get(), nullptr);
    EXPECT_TRUE(forms().FrmYssz.made());
    EXPECT_EQ(forms().FrmYsxg->parentWidget(), static_cast<QWidget *>(forms().FrmYssz.get()));
    EXPECT_FALSE(LoginDone);
    EXPECT_EQ(dm->ADOConnection1->connectionString(), ledgerConnectionString(db->dir()));
    for (Dataset *d : {dm->ADOTXtcs, dm->ADOQFyxmrr, dm->ADOQjtcyrr, dm->ADOQczyh, dm->ADOQjs, dm->ADOTJslx,
                       dm->ADOQTxl, dm->ADOQLxrfz})
        EXPECT_TRUE(d->isActive()) << d->objectName().toStdString();
    EXPECT_FALSE(dm->ADOQFymxrr->isActive());
    // the ledger is being read while the login shows
    EXPECT_EQ(dm->ADOQlsz->sqlText(), QStringLiteral("select * from szzb where rq>=#2026-01-01#"));
    EXPECT_TRUE(dm->ADOQlsz->isOpening());
    EXPECT_FALSE(dm->ADOQlsz->isActive());
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet5));

    mainWindow->show();
    EXPECT_EQ(mainWindow->StatusBar1->panelText(0), QStringLiteral("操作员："));
    EXPECT_EQ(mainWindow->StatusBar1->panelText(1), QStringLiteral("☆☆☆　欢迎使用【青禾家庭收支doz】！ ☆☆☆"));
    // the login user list was read after the main window opened the users
    EXPECT_EQ(forms().FrmLog->ComboBox1->count(), 1);
    EXPECT_EQ(dm->ADOQczyh->currentRow(), 0);

    // a successful login opens the ledger on its newest row
    platform.onDialog(QStringLiteral("FrmLog"), [](QDialog *d) { static_cast<TFrmLog *>(d)->BitBtn1->click(); });
    mainWindow->FormActivate();
    ASSERT_TRUE(LoginDone);
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_FALSE(dm->ADOQlsz->isOpening());
    ASSERT_TRUE(dm->ADOQlsz->isActive());
    EXPECT_EQ(dm->ADOQlsz->recordCount(), 2);
    EXPECT_EQ(dm->ADOQlsz->currentRow(), 1); // the newest row
    EXPECT_EQ(dm->ADOQlsz->asString(QStringLiteral("xm")), QStringLiteral("交通"));
    // the item list stands on the row's item, and follows the row, before
    // the entry editor was ever opened
    EXPECT_FALSE(forms().FrmDz.made());
    EXPECT_EQ(dm->ADOQFyxmrr->asString(QStringLiteral("xmmc")), QStringLiteral("交通"));
    dm->ADOQlsz->first();
    EXPECT_EQ(dm->ADOQFyxmrr->asString(QStringLiteral("xmmc")), QStringLiteral("餐饮"));
    dm->ADOQlsz->last();

    // the pages made later take the dates and the items of the start
    platform.setNow(QDateTime(QDate(2026, 12, 11), QTime(9, 0, 0)));
    exec(QStringLiteral("insert into fyxm (xmmc) values ('新项目')"));
    EXPECT_EQ(mainWindow->TabSheet2->DateTimePicker1->date(), QDate(2026, 1, 1));
    EXPECT_EQ(mainWindow->TabSheet2->DateTimePicker2->date(), QDate(2026, 12, 9));
    EXPECT_EQ(mainWindow->TabSheet3->DateTimePicker3->date(), QDate(2026, 1, 1));
    EXPECT_EQ(mainWindow->TabSheet3->DateTimePicker4->date(), QDate(2026, 12, 9));
    QComboBox *items = mainWindow->TabSheet3->ComboBox5;
    EXPECT_EQ(items->itemText(0), QStringLiteral("选择全部"));
    EXPECT_EQ(items->currentIndex(), 0);
    EXPECT_EQ(items->count(), 1 + scalar(QStringLiteral("select count(*) from fyxm")).toInt() - 1);
    EXPECT_EQ(items->findText(QStringLiteral("新项目")), -1);
    EXPECT_NE(items->findText(QStringLiteral("交通")), -1);
    EXPECT_EQ(mainWindow->TabSheet4->ComboBox6->currentIndex(), int(dm->ADOTXtcs->asInteger(QStringLiteral("jmfg"))));
    EXPECT_EQ(mainWindow->PageControl1->indexOf(mainWindow->TabSheet4), mainWindow->PageControl1->count() - 1);
    mainWindow->ToolButton4->click();
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet4));

    // the printout footer is made once, at the start
    EXPECT_EQ(mainWindow->PrintDBGridEh1->pageFooterCentre(),
              QStringList{QStringLiteral("打印时间:2026-12-09 08:05:06")});
}

TEST_F(StartUp, NoDialogIsMadeOnceTheMainWindowIsGone)
{
    create();
    EXPECT_NE(forms().FrmRQ.get(), nullptr); // made while the window is there
    delete mainWindow;
    mainWindow = nullptr;
    EXPECT_EQ(forms().FrmMian, nullptr);
    EXPECT_EQ(forms().FrmZbcx.get(), nullptr);
    EXPECT_EQ(forms().FrmJstx.get(), nullptr);
    EXPECT_EQ(forms().FrmGzwh.get(), nullptr); // through its list dialog's slot
}

TEST_F(StartUp, TheLedgerGridHasItsTwelveColumns)
{
    create();
    DBGridEh *grid = mainWindow->TabSheet1->DBGridEh1;
    const QList<GridColumn> &columns = grid->columns();
    ASSERT_EQ(columns.size(), 12);
    QStringList fields;
    for (const GridColumn &c : columns)
        fields << c.field;
    EXPECT_EQ(fields.join(QLatin1Char(',')), QStringLiteral("zbid,rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj"));
    EXPECT_EQ(columns[3].footerFormat, QStringLiteral("共0条记录"));
    EXPECT_EQ(columns[5].displayFormat, QStringLiteral("0.00"));
    EXPECT_EQ(columns[9].width, 214);
}

TEST_F(StartUp, NavigationSwitchesPages)
{
    start();
    mainWindow->ToolButton1->click();
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet1));
    mainWindow->ToolButton4->click();
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet4));
    mainWindow->ToolButton5->click();
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet7));
    mainWindow->ToolButton7->click();
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet6));
    EXPECT_EQ(mainWindow->ToolButton1->text(), QStringLiteral("  收支帐本  "));
    EXPECT_EQ(mainWindow->ToolButton6->text(), QStringLiteral(" 退出帐本 "));
}

TEST_F(StartUp, ClosingAsksFirst)
{
    start();
    mainWindow->ToolButton1->click();
    platform.answer(false);
    mainWindow->ToolButton6->click();
    EXPECT_TRUE(mainWindow->isVisible());
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet1));
    ASSERT_EQ(platform.shown.size(), 1);
    EXPECT_EQ(platform.shown[0].caption, QStringLiteral("欢迎使用青禾家庭doz"));
    EXPECT_EQ(platform.shown[0].text, QStringLiteral("   是否确定退出【青禾家庭doz】？  "));
    platform.answer(true);
    mainWindow->close();
    EXPECT_FALSE(mainWindow->isVisible());
}

TEST_F(StartUp, TheStoredStyleIsLoaded)
{
    exec(QStringLiteral("update xtcs set jmfg=5"));
    create();
    EXPECT_EQ(mainWindow->TabSheet4->ComboBox6->currentIndex(), 5);
    EXPECT_EQ(mainWindow->SkinData1->index(), 5);
    EXPECT_TRUE(mainWindow->SkinData1->isActive());
}

TEST_F(StartUp, AStylePositionOutOfRangeFallsBackToTheFirst)
{
    exec(QStringLiteral("update xtcs set jmfg=9"));
    create();
    EXPECT_EQ(mainWindow->TabSheet4->ComboBox6->currentIndex(), 0);
    EXPECT_EQ(mainWindow->SkinData1->index(), 0);
}

// The ledger is read on a worker thread while the login shows. Here the file
// is replaced by garbage before the worker opens it: the login reports the
// failure in the general error box and the program goes on, on the file it
// had opened.
TEST_F(StartUp, ALedgerReadingThatFailsIsReportedAtLoginAndTheProgramStaysUsable)
{
    exec(QStringLiteral("delete from szzb"));
    exec(QStringLiteral("insert into szzb (rq,lx,xm,zc) values (#2026-3-1#,'支出','交通',3)"));
    platform.setToday(QDate(2026, 12, 9));
    QSemaphore replaced;
    // the reading at start waits for the file to be replaced; later ones not
    auto first = std::make_shared<std::atomic<bool>>(true);
    Dataset::setBackgroundReadHook([&replaced, first] {
        if (first->exchange(false))
            replaced.acquire();
    });
    struct Unhook
    {
        ~Unhook() { Dataset::setBackgroundReadHook({}); }
    } unhook;
    create();
    ASSERT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(dm->ADOQlsz->isOpening());
    {
        QFile garbage(db->path() + QStringLiteral(".new"));
        ASSERT_TRUE(garbage.open(QIODevice::WriteOnly));
        garbage.write(QByteArray(8192, 'x'));
        garbage.close();
        ASSERT_EQ(
            std::rename(QFile::encodeName(garbage.fileName()).constData(), QFile::encodeName(db->path()).constData()),
            0);
    }
    replaced.release();

    mainWindow->show();
    platform.onDialog(QStringLiteral("FrmLog"), [](QDialog *d) { static_cast<TFrmLog *>(d)->BitBtn1->click(); });
    mainWindow->FormActivate();
    ASSERT_TRUE(LoginDone);
    ASSERT_EQ(platform.errors().size(), 1);
    EXPECT_TRUE(platform.errors().first().contains(QStringLiteral("not a database")))
        << platform.errors().first().toStdString();
    EXPECT_FALSE(dm->ADOQlsz->isActive());
    EXPECT_FALSE(dm->ADOQlsz->isOpening());
    // the ledger page opens and the filter's 全部 lists the ledger again
    mainWindow->ToolButton1->click();
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet1));
    platform.onDialog(QStringLiteral("FrmZbcx"), [](QDialog *) { forms().FrmZbcx->BitBtn3->click(); });
    mainWindow->TabSheet1->BitBtn6->click();
    EXPECT_EQ(platform.errors().size(), 1) << platform.errors().join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(dm->ADOQlsz->isActive());
    EXPECT_EQ(dm->ADOQlsz->recordCount(), 1);
}

TEST_F(StartUp, AMissingDatabaseIsReportedAndTheProgramStaysUp)
{
    QFile::remove(db->path());
    create();
    ASSERT_EQ(platform.errors().size(), 1);
    EXPECT_TRUE(platform.errors().first().contains(QStringLiteral("Data.qhd")));
    EXPECT_FALSE(dm->ADOQlsz->isActive());
    mainWindow->show();
    EXPECT_EQ(platform.errors().size(), 1);
    mainWindow->ToolButton1->click();
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet1));
}

TEST_F(StartUp, AStartDateThatCannotBeReadListsFromTheFirstOfThisYear)
{
    for (const char *stored : {"null", "'明天'"}) {
        exec(QStringLiteral("update xtcs set qsny=%1").arg(QLatin1String(stored)));
        platform.setToday(QDate(2027, 5, 6));
        platform.clearShown();
        create();
        EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
        EXPECT_EQ(platform.texts(QStringLiteral("message")).size(), 1) << stored; // said once
        EXPECT_TRUE(platform.texts(QStringLiteral("message")).value(0).contains(QStringLiteral("2027-01-01")));
        EXPECT_EQ(dm->ADOQlsz->sqlText(), QStringLiteral("select * from szzb where rq>=#2027-01-01#"));
        EXPECT_TRUE(dm->ADOQlsz->isOpening());
        for (Dataset *d : {dm->ADOQFyxmrr, dm->ADOQjtcyrr, dm->ADOQczyh})
            EXPECT_TRUE(d->isActive()) << d->objectName().toStdString();
        EXPECT_EQ(mainWindow->TabSheet4->ComboBox6->currentIndex(), 0); // the style was loaded after it
        destroy();
    }
}

TEST_F(StartUp, AnOlderDatabaseGetsTheIndexOfTheTotals)
{
    exec(QStringLiteral("drop index szzb_totals"));
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sqlite_master where name='szzb_totals'")),
              QStringLiteral("0"));
    create();
    EXPECT_TRUE(platform.errors().isEmpty()) << platform.errors().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("select count(*) from sqlite_master where name='szzb_totals'")),
              QStringLiteral("1"));
}

TEST_F(StartUp, TheWindowOpensWithRoomForEveryPagesColumns)
{
    start();
    // Whether a page shows every column of its grid whole, with the window
    // as it opens on a screen of the given free area.
    const auto showsEveryColumn = [&](const QRect &screen, QWidget *page, DBGridEh *grid) {
        bool maximized = false;
        const QRect r = TFrmMian::firstGeometry(screen, mainWindow->neededWidth(), &maximized);
        // a maximized window loses its title bar's height to the frame
        mainWindow->resize(maximized ? r.size() - QSize(0, 24) : r.size());
        mainWindow->PageControl1->setCurrentWidget(page);
        QApplication::processEvents();
        QTableView *view = grid->view();
        int shown = 0;
        for (int c = 0; c < grid->columns().size(); ++c) {
            if (view->isColumnHidden(c))
                continue;
            // no column narrower than it was given, scaled for the font
            if (!grid->columns().at(c).fills) {
                EXPECT_GE(view->columnWidth(c), grid->scaledWidth(grid->columns().at(c).width));
            }
            EXPECT_GE(view->columnWidth(c), grid->columns().at(c).width);
            shown += view->columnWidth(c);
        }
        return shown <= view->viewport()->width() && view->horizontalScrollBar()->maximum() == 0;
    };
    const QRect small(0, 0, 1366, 740); // a 1366×768 screen with a panel
    const QRect large(0, 0, 1920, 1050);
    bool maximized = false;
    TFrmMian::firstGeometry(small, mainWindow->neededWidth(), &maximized);
    EXPECT_TRUE(maximized); // the address book needs more than 1366
    EXPECT_TRUE(showsEveryColumn(small, mainWindow->TabSheet1, mainWindow->TabSheet1->DBGridEh1));
    EXPECT_TRUE(showsEveryColumn(small, mainWindow->TabSheet6, mainWindow->TabSheet6->DBGridEh5));
    const QRect r = TFrmMian::firstGeometry(large, mainWindow->neededWidth(), &maximized);
    EXPECT_FALSE(maximized);
    EXPECT_TRUE(large.contains(r));
    EXPECT_EQ(r.center(), large.center());
    for (auto [page, grid] : {std::pair<QWidget *, DBGridEh *>{mainWindow->TabSheet1, mainWindow->TabSheet1->DBGridEh1},
                              {mainWindow->TabSheet6, mainWindow->TabSheet6->DBGridEh5},
                              {mainWindow->TabSheet7, mainWindow->TabSheet7->DBGridEh6}})
        EXPECT_TRUE(showsEveryColumn(large, page, grid)) << page->objectName().toStdString();
    // a larger window gives the remark the room; a smaller one takes it back
    QTableView *ledger = mainWindow->TabSheet1->DBGridEh1->view();
    const int remark = 9;
    ASSERT_EQ(mainWindow->TabSheet1->DBGridEh1->columns().at(remark).field, QStringLiteral("bz"));
    mainWindow->PageControl1->setCurrentWidget(mainWindow->TabSheet1);
    mainWindow->resize(1900, 700);
    QApplication::processEvents();
    const int wide = ledger->columnWidth(remark);
    mainWindow->resize(1500, 700);
    QApplication::processEvents();
    EXPECT_EQ(ledger->columnWidth(remark), wide - 400);
    // a screen that has not the room is used whole
    const QRect tiny(0, 0, 1280, 720);
    EXPECT_EQ(TFrmMian::firstGeometry(tiny, 1200, &maximized), tiny);
    EXPECT_TRUE(maximized);
}

TEST_F(StartUp, TheWindowOpensWhereItWasLeft)
{
    start();
    mainWindow->resize(1100, 650);
    mainWindow->move(40, 30);
    const QRect left = mainWindow->geometry();
    platform.answer(true);
    mainWindow->close();
    destroy();
    create();
    EXPECT_EQ(mainWindow->geometry().size(), left.size());
    EXPECT_EQ(mainWindow->geometry().topLeft(), left.topLeft());
}
