// What a person sees at the desktop: Qt's texts in Chinese, captions as
// given, questions that do not confirm on Enter, focus and highlighted list
// entries visible in every look.
#include "app/application.h"
#include "app/tfrmmian.h"
#include "components/dbcontrols.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/skindata.h"
#include "components/skinstore.h"
#include "contacts/contactspage.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "ledger/tfrmdz.h"
#include "ledger/tfrmzbcx.h"
#include "maintenance/maintenancegroups.h"
#include "platform/desktopplatform.h"
#include "settings/settingspage.h"
#include "settings/tfrmfyxm.h"
#include "settings/tfrmjtcy.h"
#include "settings/tfrmxmwh.h"
#include "stats/summarypage.h"
#include "support/app/appfixture.h"
#include "users/tfrmlog.h"
#include "users/userspage.h"

#include <algorithm>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

namespace {

// Luminance 0..255 of a colour.
int luminance(QRgb c)
{
    return (299 * qRed(c) + 587 * qGreen(c) + 114 * qBlue(c)) / 1000;
}

class Desktop : public AppFixture
{
protected:
    void SetUp() override { start(); }

    void activate(QWidget *w)
    {
        w->show();
        w->activateWindow();
        QApplication::setActiveWindow(w);
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST(Application, QtsOwnTextsAreChineseAndCaptionsStayAsGiven)
{
    const QString name = QCoreApplication::applicationName();
    setUpApplication(*qApp);
    EXPECT_TRUE(QCoreApplication::translate("QPlatformTheme", "&Yes").startsWith(QStringLiteral("是")));
    EXPECT_TRUE(QCoreApplication::translate("QPlatformTheme", "&No").startsWith(QStringLiteral("否")));
    EXPECT_EQ(QLocale().monthName(1), QStringLiteral("一月"));
    EXPECT_EQ(QApplication::applicationName(), QStringLiteral("青禾家庭doz V 2.0"));
    // no display name of its own, which Qt would append to every caption
    QApplication::setApplicationName(QStringLiteral("x"));
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QStringLiteral("x"));
    QApplication::setApplicationName(name);
}

TEST(Application, AQuestionIsNotConfirmedByEnter)
{
    const auto box
        = DesktopPlatform::questionBox(nullptr, QStringLiteral("   是否确认删除？  "), QStringLiteral("警告！！！"));
    EXPECT_EQ(box->windowTitle(), QStringLiteral("警告！！！"));
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
    EXPECT_EQ(box->escapeButton(), box->button(QMessageBox::No));
    int answer = -1;
    QTimer::singleShot(0, box.get(), [&box] { QTest::keyClick(box.get(), Qt::Key_Return); });
    answer = box->exec();
    EXPECT_EQ(answer, QMessageBox::No);
}

TEST(Application, AChoiceOffersItsButtonsInOrderEnterTheFirstEscTheLast)
{
    const QStringList choices = {QStringLiteral("接管并打开"), QStringLiteral("只读打开"), QStringLiteral("退出")};
    const auto box = DesktopPlatform::choiceBox(nullptr, QStringLiteral("帐本已经由另一个程序打开"), choices,
                                                QStringLiteral("青禾家庭doz V 2.0"));
    ASSERT_EQ(box->buttons().size(), 3);
    ASSERT_NE(box->defaultButton(), nullptr);
    EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("接管并打开"));
    ASSERT_NE(box->escapeButton(), nullptr);
    EXPECT_EQ(box->escapeButton()->text(), QStringLiteral("退出"));
    // the buttons stand in the order given, whatever the style's order of roles
    box->show();
    QApplication::processEvents();
    QList<QAbstractButton *> shown = box->buttons();
    std::sort(shown.begin(), shown.end(), [](QAbstractButton *a, QAbstractButton *b) { return a->x() < b->x(); });
    QStringList texts;
    for (QAbstractButton *b : shown)
        texts << b->text();
    EXPECT_EQ(texts, choices);
    box->hide();
    QTimer::singleShot(0, box.get(), [&box] { QTest::keyClick(box.get(), Qt::Key_Escape); });
    box->exec();
    EXPECT_EQ(box->clickedButton(), box->escapeButton());
}

TEST(Application, ExportDialogsListFilesOfTheChosenType)
{
    EXPECT_EQ(DesktopPlatform::nameFilters(QStringLiteral("xls （EXCEL电子表格）|xls|bmp|bmp|任意|*.qhd;*.mdb")),
              (QStringList{QStringLiteral("xls （EXCEL电子表格） (*.xls)"), QStringLiteral("bmp (*.bmp)"),
                           QStringLiteral("任意 (*.qhd *.mdb)")}));
}

TEST_F(Desktop, DialogsAskForATitleAndACloseBoxOnly)
{
    const QList<QWidget *> dialogs
        = {forms().FrmLog, forms().FrmDz, forms().FrmZbcx, forms().FrmFyxm, forms().FrmXmwh, forms().FrmJtcy};
    for (QWidget *d : dialogs) {
        const Qt::WindowFlags f = d->windowFlags();
        EXPECT_TRUE(f.testFlag(Qt::CustomizeWindowHint)) << d->objectName().toStdString();
        EXPECT_FALSE(f.testFlag(Qt::WindowMaximizeButtonHint)) << d->objectName().toStdString();
        EXPECT_FALSE(f.testFlag(Qt::WindowMinimizeButtonHint)) << d->objectName().toStdString();
        EXPECT_TRUE(f.testFlag(Qt::WindowCloseButtonHint)) << d->objectName().toStdString();
    }
}

TEST_F(Desktop, TheFocusIsVisibleInEveryLook)
{
    activate(mainWindow);
    for (int look = 0; look < mainWindow->SkinStore1->count(); ++look) {
        mainWindow->SkinData1->loadFromCollection(mainWindow->SkinStore1, look);
        mainWindow->ToolButton2->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        ASSERT_TRUE(mainWindow->ToolButton2->hasFocus()) << look;
        const QImage focused = mainWindow->ToolButton2->grab().toImage();
        mainWindow->ToolButton3->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        const QImage unfocused = mainWindow->ToolButton2->grab().toImage();
        EXPECT_NE(focused, unfocused) << "navigation button, look " << look;

        QPushButton *add = mainWindow->TabSheet1->BitBtn1;
        mainWindow->ToolButton1->click();
        add->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        const QImage buttonFocused = add->grab().toImage();
        mainWindow->TabSheet1->BitBtn2->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        EXPECT_NE(buttonFocused, add->grab().toImage()) << "push button, look " << look;
    }
}

TEST_F(Desktop, TheHighlightedEntryOfADropDownListIsLegibleInEveryLook)
{
    QComboBox *styles = mainWindow->TabSheet4->ComboBox6;
    mainWindow->ToolButton4->click();
    activate(mainWindow);
    for (int look = 0; look < mainWindow->SkinStore1->count(); ++look) {
        mainWindow->SkinData1->loadFromCollection(mainWindow->SkinStore1, look);
        styles->setCurrentIndex(2);
        styles->showPopup();
        QCoreApplication::processEvents();
        QAbstractItemView *list = styles->view();
        ASSERT_TRUE(list->isVisible()) << look;
        EXPECT_NE(qobject_cast<QStyledItemDelegate *>(styles->itemDelegate()), nullptr) << look;
        const QModelIndex current = list->model()->index(2, 0);
        list->setCurrentIndex(current);
        const QRect row = list->visualRect(current);
        const QImage image = list->viewport()->grab().toImage();
        // the ground at the right end of the row, the darkest and lightest ink on it
        const int ground = luminance(image.pixel(row.right() - 3, row.center().y()));
        int darkest = 255;
        int lightest = 0;
        for (int x = row.left(); x < row.left() + row.width() / 2; ++x)
            for (int y = row.top(); y <= row.bottom(); ++y) {
                darkest = std::min(darkest, luminance(image.pixel(x, y)));
                lightest = std::max(lightest, luminance(image.pixel(x, y)));
            }
        const int contrast = std::max(std::abs(ground - darkest), std::abs(ground - lightest));
        EXPECT_GT(contrast, 100) << "look " << look << " ground " << ground;
        styles->hidePopup();
    }
}

TEST_F(Desktop, TabLeavesAListAndEnterOpensAPage)
{
    activate(mainWindow);
    mainWindow->ToolButton2->setFocus(Qt::TabFocusReason);
    QTest::keyClick(mainWindow->ToolButton2, Qt::Key_Return);
    EXPECT_EQ(mainWindow->PageControl1->currentWidget(), static_cast<QWidget *>(mainWindow->TabSheet2));

    platform.onDialog(QStringLiteral("FrmFyxm"), [this](QDialog *d) {
        d->activateWindow();
        QApplication::setActiveWindow(d);
        QWidget *list = forms().FrmFyxm->DBGridEh1->view();
        list->setFocus(Qt::TabFocusReason);
        QTest::keyClick(list, Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(forms().FrmFyxm->BitBtn1));
    });
    platform.showModal(forms().FrmFyxm);
}

TEST_F(Desktop, EnterPressesThePagesFocusedButtonAndLeavesTheOthersKeys)
{
    activate(mainWindow);
    mainWindow->ToolButton1->click();
    QPushButton *filter = mainWindow->TabSheet1->BitBtn6; // 条件筛选
    filter->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(filter));
    platform.onDialog(QStringLiteral("FrmZbcx"), [](QDialog *d) { d->reject(); });
    QTest::keyClick(filter, Qt::Key_Return);
    EXPECT_EQ(platform.dialogsShown.filter(QStringLiteral("FrmZbcx")).size(), 1);
    platform.onDialog(QStringLiteral("FrmZbcx"), [](QDialog *d) { d->reject(); });
    activate(mainWindow); // as the window manager gives it back after the dialog
    filter->setFocus(Qt::TabFocusReason);
    QTest::keyClick(filter, Qt::Key_Enter);
    EXPECT_EQ(platform.dialogsShown.filter(QStringLiteral("FrmZbcx")).size(), 2);
    // a button that is off stays off
    filter->setEnabled(false);
    QTest::keyClick(mainWindow->TabSheet1, Qt::Key_Return);
    EXPECT_EQ(platform.dialogsShown.filter(QStringLiteral("FrmZbcx")).size(), 2);
    filter->setEnabled(true);
    activate(mainWindow);
    // Enter in a search box is the box's: the contacts' search runs, no button is pressed
    const qsizetype shown = platform.dialogsShown.size();
    mainWindow->ToolButton5->click();
    QLineEdit *search = mainWindow->TabSheet7->Edit5;
    search->setFocus(Qt::TabFocusReason);
    search->setText(QStringLiteral("没有这个人"));
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_EQ(dm->ADOQTxl->recordCount(), 0);
    EXPECT_EQ(platform.dialogsShown.size(), shown);
}

TEST_F(Desktop, TabGoesDownTheSettingsGroupsColumnByColumn)
{
    activate(mainWindow);
    mainWindow->ToolButton4->click(); // 系统设置
    MaintenanceGroups *maintenance = mainWindow->maintenanceGroups;
    UserGroups *users = mainWindow->userGroups;
    SettingsPage *settings = mainWindow->TabSheet4;
    maintenance->BitBtn41->setFocus(Qt::TabFocusReason);
    ASSERT_EQ(QApplication::focusWidget(), static_cast<QWidget *>(maintenance->BitBtn41));
    QStringList visited;
    for (int i = 0; i < 40 && QApplication::focusWidget(); ++i) {
        QWidget *at = QApplication::focusWidget();
        if (!settings->isAncestorOf(at))
            break;
        visited << at->objectName();
        QTest::keyClick(at, Qt::Key_Tab);
    }
    // the left column: help, start date, look, backup, the old ledger's
    // import; then the right one: users, password, automatic backups
    const QList<QWidget *> expected
        = {maintenance->BitBtn41,    settings->DBEdit1, settings->ComboBox6, maintenance->BitBtn38, maintenance->Edit6,
           users->DBGridEh4->view(), users->Edit1,      users->BitBtn24,     maintenance->ListView1};
    int last = -1;
    for (QWidget *w : expected) {
        const int at = visited.indexOf(w->objectName(), last + 1);
        EXPECT_GT(at, last) << w->objectName().toStdString() << " in " << visited.join(QLatin1Char(' ')).toStdString();
        last = std::max(last, at);
    }
}
