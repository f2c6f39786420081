#pragma once

#include "components/onfirstuse.h"

#include <QDate>
#include <QMainWindow>
#include <QStringList>

#include <memory>

namespace FileSafety {
class FolderPresence;
}
class LedgerLock;

class QDateEdit;
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
    // available: neededWidth() wide (at least 1260) and centred, or the
    // whole screen (*maximized) where it has not that room. Later starts
    // open where the window was left.
    static QRect firstGeometry(const QRect &available, int neededWidth, bool *maximized);
    // The width in which every page shows all of its grid's columns (makes
    // the pages whose grids span them).
    int neededWidth();
    // The count of due memos for the memo page, given to it when it is made.
    void showDueCount(int count);

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
    // The pages but the ledger's and the start's are made when first shown
    // (or used): most sessions only keep the books.
    OnFirstUse<SummaryPage> TabSheet2;
    OnFirstUse<ComparisonPage> TabSheet3;
    OnFirstUse<SettingsPage> TabSheet4;
    StartPage *TabSheet5;
    OnFirstUse<MemoPage> TabSheet6;
    OnFirstUse<ContactsPage> TabSheet7;
    StatusBar *StatusBar1;

    GridPrinter *PrintDBGridEh1;
    SaveDialog *SaveDialog1;
    SaveDialog *SaveDialog2;                         // pictures of the charts
    OnFirstUse<UserGroups> userGroups;               // on TabSheet4, made with it
    OnFirstUse<MaintenanceGroups> maintenanceGroups; // on TabSheet4, made with it
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

    // Whether the ledger is open read-only: another program has it, and
    // every command that would change it is off.
    bool isReadOnly() const { return m_readOnly; }
    // Whether the household chose at start not to open the ledger at all
    // (the program is ending).
    bool declinedLedger() const { return m_declined; }
    // The commands that change the ledger (buttons of the pages and of the
    // dialogs that write), turned off while it is open read-only; those of
    // the pages made so far.
    QList<QWidget *> writeCommands() const;
    // Turns off writeCommands() and says 只读 in the caption; called once
    // the windows of the start are made. A page made later on a ledger open
    // read-only comes with its commands off.
    void applyReadOnly();
    // Turns off writeCommands() (again), for a window made later on a
    // ledger open read-only.
    void turnOffWriting();
    // At the exit, after a session that changed the ledger: the automatic
    // backup (AutoBackups). Nothing for a ledger open read-only or
    // unchanged. A failure never stops the exit: it is noted for the next
    // start to tell.
    void keepAutomaticBackup();

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
    void keyPressEvent(QKeyEvent *event) override;

private:
    void placeOnScreen();
    enum class Access { Write, ReadOnly, None };
    // Takes the lock beside ledger, or asks the household what to do when
    // another program has it.
    Access lockLedger(const QString &ledger);
    // What the household should know before the login: copies left by a
    // sync program beside the ledger, an automatic backup that failed.
    void tellAtStart(const QString &ledger);
    QToolButton *addNavigationButton(const char *name, const QString &caption, int icon);
    // The makers of the pages made when first used: each page comes as it
    // would have been at the start (dates, items, look) and into the stack.
    void makeSummaryPage();
    void makeComparisonPage();
    void makeSettingsPage();
    void makeMemoPage();
    void makeContactsPage();
    void placePage(QWidget *page, int number);
    void giveStatsDates(QDateEdit *from, QDateEdit *to) const;

    bool m_shown = false;
    bool m_activating = false;
    // present in the ledger's folder for the whole run
    std::unique_ptr<FileSafety::FolderPresence> m_presence;
    // the lock beside the ledger, held for the whole run unless read-only
    std::unique_ptr<LedgerLock> m_lock;
    bool m_readOnly = false;
    // what the later pages take from the start
    QDate m_statsFrom;
    QDate m_statsTo;
    int m_style = 0;
    bool m_listsRead = false;
    QStringList m_itemsAtStart;  // of the comparison's item list
    QStringList m_groupsAtStart; // of the contacts' group filter
    int m_dueCount = -1;         // none told yet
    bool m_declined = false;
    qint64 m_commitsAtStart = 0; // of the program's connection, once started
};
