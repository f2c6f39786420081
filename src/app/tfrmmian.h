#pragma once

#include <QMainWindow>

#include <memory>

namespace FileSafety {
class FolderPresence;
}

class QLabel;
class QStackedWidget;
class QToolBar;
class QToolButton;
class GridPrinter;
class LedgerPage;
class SaveDialog;
class SummaryPage;
class UserGroups;
class MaintenanceGroups;
class ContactsPage;
class MemoPage;
class ComparisonPage;
class SettingsPage;
class SkinData;
class SkinStore;
class StartPage;
class StatusBar;

// The main window: the banner, the navigation bar, the pages and the status
// bar, and the components the pages share (grid printer, export dialog, skin
// engine). It owns all of them as children.
class TFrmMian : public QMainWindow
{
    Q_OBJECT
public:
    explicit TFrmMian(QWidget *parent = nullptr);
    ~TFrmMian() override;

    // Where the window opens the first time, on a screen whose free area is
    // available: large enough for every page's columns and centred, or the
    // whole screen (*maximized) where it has not that room. Later starts
    // open where the window was left.
    static QRect firstGeometry(const QRect &available, bool *maximized);

    QLabel *Panel1;
    QToolBar *ToolBar1;
    QToolButton *ToolButton1; // ledger
    QToolButton *ToolButton2; // category summary
    QToolButton *ToolButton3; // period comparison
    QToolButton *ToolButton7; // memos
    QToolButton *ToolButton5; // contacts
    QToolButton *ToolButton4; // settings
    QToolButton *ToolButton6; // exit
    QStackedWidget *PageControl1;
    LedgerPage *TabSheet1;
    SummaryPage *TabSheet2;
    ComparisonPage *TabSheet3;
    SettingsPage *TabSheet4;
    StartPage *TabSheet5;
    MemoPage *TabSheet6;
    ContactsPage *TabSheet7;
    StatusBar *StatusBar1;

    GridPrinter *PrintDBGridEh1;
    SaveDialog *SaveDialog1;
    SaveDialog *SaveDialog2;              // pictures of the charts
    UserGroups *userGroups;               // on TabSheet4
    MaintenanceGroups *maintenanceGroups; // on TabSheet4
    SkinStore *SkinStore1;
    SkinData *SkinData1;

    // The steps of creation, first showing, activation and close request.
    void FormCreate();
    void FormShow();
    void FormActivate();
    bool FormCloseQuery();
    // Opens the ledger list on the rows read while the login was shown and
    // stands on the newest; nothing when it is not being read. Throws the
    // DbError of the reading (the list then stays closed).
    void finishLedgerLoad();

    void ToolButton1Click();
    void ToolButton2Click();
    void ToolButton3Click();
    void ToolButton4Click();
    void ToolButton5Click();
    void ToolButton6Click();
    void ToolButton7Click();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void placeOnScreen();
    QToolButton *addNavigationButton(const char *name, const QString &caption, int icon);

    bool m_shown = false;
    bool m_activating = false;
    // present in the ledger's folder for the whole run
    std::unique_ptr<FileSafety::FolderPresence> m_presence;
};
