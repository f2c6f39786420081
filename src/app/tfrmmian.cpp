#include "tfrmmian.h"

#include "components/accessiblenames.h"
#include "components/artwork.h"
#include "components/busy.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/gridexport.h"
#include "components/gridprinter.h"
#include "components/skindata.h"
#include "components/skinstore.h"
#include "components/statusbar.h"
#include "contacts/contactspage.h"
#include "data/dberror.h"
#include "data/filesafety.h"
#include "data/ledgerfolder.h"
#include "data/ledgerlock.h"
#include "data/schema.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "maintenance/autobackups.h"
#include "maintenance/maintenancegroups.h"
#include "memos/memopage.h"
#include "memos/tfrmjstx.h"
#include "platform/errortext.h"
#include "platform/platform.h"
#include "settings/settingspage.h"
#include "startpage.h"
#include "stats/budgetview.h"
#include "stats/comparisonpage.h"
#include "stats/summarypage.h"
#include "users/tfrmlog.h"
#include "users/userspage.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const int LeastWidth = 1260;
const int FrameWidth = 16; // the borders of a usual window manager

} // namespace

TFrmMian::TFrmMian(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmMian"));
    setWindowTitle(QStringLiteral("『青禾』家庭doz V2.0"));
    setWindowIcon(Artwork::applicationIcon());

    PrintDBGridEh1 = new GridPrinter(this);
    PrintDBGridEh1->setObjectName(QStringLiteral("PrintDBGridEh1"));
    DBGridEh::setSharedPrinter(PrintDBGridEh1); // every grid prints through it
    SaveDialog1 = new SaveDialog(this);
    SaveDialog1->setObjectName(QStringLiteral("SaveDialog1"));
    SaveDialog1->filter = QStringLiteral(
        "xls （EXCEL电子表格）|xls|txt （文本文件）|txt|htm （网页文件）|htm|xlsx （Excel 工作簿）|xlsx");
    SaveDialog2 = new SaveDialog(this);
    SaveDialog2->setObjectName(QStringLiteral("SaveDialog2"));
    SaveDialog2->filter = QStringLiteral("bmp|bmp");
    SkinStore1 = new SkinStore(this);
    SkinData1 = new SkinData(this);

    auto *central = new QWidget(this);
    auto *outer = new QVBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    Panel1 = new QLabel(QStringLiteral(" 家   庭   收   支   小   帐   本"), central);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFixedHeight(40);
    Panel1->setAlignment(Qt::AlignCenter);
    Panel1->setStyleSheet(QStringLiteral("QLabel#Panel1 { color: #d00000; font-family: '黑体', 'SimHei', "
                                         "'Noto Sans CJK SC'; font-size: 24px; font-weight: bold; }"));
    Panel1->setFrameShape(QFrame::StyledPanel);
    outer->addWidget(Panel1);

    auto *body = new QHBoxLayout;
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    outer->addLayout(body, 1);

    ToolBar1 = new QToolBar(central);
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setOrientation(Qt::Vertical);
    ToolBar1->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    ToolBar1->setIconSize(QSize(48, 46));
    ToolBar1->setMovable(false);
    ToolBar1->setCursor(Qt::PointingHandCursor);
    ToolBar1->setAccessibleName(QStringLiteral("功能导航"));
    // the bar's own button for the commands that do not fit, on a low screen
    if (auto *more = ToolBar1->findChild<QWidget *>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(QStringLiteral("更多功能"));
    body->addWidget(ToolBar1);

    ToolButton1 = addNavigationButton("ToolButton1", QStringLiteral("  收支帐本  "), int(Artwork::NavIcon::Ledger));
    ToolButton2 = addNavigationButton("ToolButton2", QStringLiteral(" 分类统计"), int(Artwork::NavIcon::Summary));
    ToolButton3 = addNavigationButton("ToolButton3", QStringLiteral("对比分析 "), int(Artwork::NavIcon::Comparison));
    ToolButton7 = addNavigationButton("ToolButton7", QStringLiteral("记事提醒"), int(Artwork::NavIcon::Memos));
    ToolButton5 = addNavigationButton("ToolButton5", QStringLiteral("通  讯  录"), int(Artwork::NavIcon::Contacts));
    ToolButton4 = addNavigationButton("ToolButton4", QStringLiteral("系统设置"), int(Artwork::NavIcon::Settings));
    ToolButton6 = addNavigationButton("ToolButton6", QStringLiteral(" 退出帐本 "), int(Artwork::NavIcon::Exit));
    connect(ToolButton1, &QToolButton::clicked, this, guarded([this] { ToolButton1Click(); }));
    connect(ToolButton2, &QToolButton::clicked, this, guarded([this] { ToolButton2Click(); }));
    connect(ToolButton3, &QToolButton::clicked, this, guarded([this] { ToolButton3Click(); }));
    connect(ToolButton4, &QToolButton::clicked, this, guarded([this] { ToolButton4Click(); }));
    connect(ToolButton5, &QToolButton::clicked, this, guarded([this] { ToolButton5Click(); }));
    connect(ToolButton6, &QToolButton::clicked, this, guarded([this] { ToolButton6Click(); }));
    connect(ToolButton7, &QToolButton::clicked, this, guarded([this] { ToolButton7Click(); }));

    PageControl1 = new QStackedWidget(central);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    body->addWidget(PageControl1, 1);
    TabSheet1 = new LedgerPage(PrintDBGridEh1, SaveDialog1, PageControl1);
    TabSheet5 = new StartPage(PageControl1);
    placePage(TabSheet1, 1);
    placePage(TabSheet5, 5);
    // the makers make nothing once the window is going
    const auto whileHere = [this](void (TFrmMian::*make)()) {
        return [this, make] {
            if (forms().FrmMian == this)
                (this->*make)();
        };
    };
    TabSheet6.setMaker(whileHere(&TFrmMian::makeMemoPage));
    TabSheet7.setMaker(whileHere(&TFrmMian::makeContactsPage));
    TabSheet2.setMaker(whileHere(&TFrmMian::makeSummaryPage));
    TabSheet3.setMaker(whileHere(&TFrmMian::makeComparisonPage));
    TabSheet4.setMaker(whileHere(&TFrmMian::makeSettingsPage));
    userGroups.setMaker([this] { TabSheet4.get(); });
    maintenanceGroups.setMaker([this] { TabSheet4.get(); });
    PageControl1->setCurrentWidget(TabSheet5);
    setCentralWidget(central);

    StatusBar1 = new StatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->addPanel(188, QStringLiteral("操作员："));
    StatusBar1->addPanel(368, QStringLiteral("☆☆☆　欢迎使用【青禾家庭收支doz】！ ☆☆☆"));
    // where the ledger is, once it is opened
    StatusBar1->addPanel(440, QString());
    setStatusBar(StatusBar1);

    forms().FrmMian = this;
    guard([this] { FormCreate(); });
    placeOnScreen(); // once the pages know their columns
}

TFrmMian::~TFrmMian()
{
    // the windows and pages go with this one; none is made while they go
    forms().FrmMian = nullptr;
}

void TFrmMian::placePage(QWidget *page, int number)
{
    page->setObjectName(QStringLiteral("TabSheet%1").arg(number));
    PageControl1->addWidget(page);
    nameFieldsByTheirLabels(page);
    // a page made on a ledger open read-only comes with its commands off
    if (m_readOnly)
        turnOffWriting();
}

void TFrmMian::giveStatsDates(QDateEdit *from, QDateEdit *to) const
{
    // the statistics run from the start date to the day of the start
    if (m_statsFrom.isValid()) {
        to->setDate(m_statsTo);
        from->setDate(m_statsFrom);
    }
}

void TFrmMian::makeSummaryPage()
{
    auto *page = new SummaryPage(PrintDBGridEh1, SaveDialog1, SaveDialog2, PageControl1);
    TabSheet2 = page;
    giveStatsDates(page->DateTimePicker1, page->DateTimePicker2);
    placePage(page, 2);
}

void TFrmMian::makeComparisonPage()
{
    auto *page = new ComparisonPage(PrintDBGridEh1, SaveDialog1, SaveDialog2, PageControl1);
    TabSheet3 = page;
    giveStatsDates(page->DateTimePicker3, page->DateTimePicker4);
    // the items as they were when the window was first shown
    if (m_listsRead)
        page->fillItems(m_itemsAtStart);
    placePage(page, 3);
}

void TFrmMian::makeMemoPage()
{
    auto *page = new MemoPage(PageControl1);
    TabSheet6 = page;
    if (m_dueCount >= 0)
        page->setDueCount(m_dueCount);
    placePage(page, 6);
}

void TFrmMian::makeContactsPage()
{
    auto *page = new ContactsPage(PrintDBGridEh1, SaveDialog1, PageControl1);
    TabSheet7 = page;
    // the groups as they were when the window was first shown
    if (m_listsRead)
        page->fillGroups(m_groupsAtStart);
    placePage(page, 7);
}

void TFrmMian::showDueCount(int count)
{
    m_dueCount = count;
    if (MemoPage *memos = TabSheet6.ifMade())
        memos->setDueCount(count);
}

void TFrmMian::makeSettingsPage()
{
    auto *page = new SettingsPage(SkinStore1, SkinData1, PageControl1);
    TabSheet4 = page;
    auto *users = new UserGroups(page);
    userGroups = users;
    auto *maintenance = new MaintenanceGroups(page);
    maintenanceGroups = maintenance;
    QGridLayout *settings = page->groups();
    settings->addWidget(maintenance->versionGroup, 0, 0);
    settings->addWidget(maintenance->databaseGroup, 3, 0);
    settings->addWidget(users->GroupBox9, 0, 1, 2, 1);
    settings->addWidget(users->GroupBox10, 2, 1, 2, 1);
    settings->addWidget(maintenance->importGroup, 4, 0);
    settings->addWidget(maintenance->autoBackupGroup, 4, 1);
    page->ComboBox6->setCurrentIndex(m_style);
    maintenance->fillAutoBackups();
    // Tab goes down the left column of groups, then down the right one, as
    // they are seen (not in the order the groups were made)
    QList<QWidget *> groups;
    for (int column = 0; column < settings->columnCount(); ++column) {
        for (int row = 0; row < settings->rowCount(); ++row) {
            QLayoutItem *item = settings->itemAtPosition(row, column);
            if (item && item->widget() && !groups.contains(item->widget()))
                groups.append(item->widget());
        }
    }
    QList<QWidget *> stops;
    for (QWidget *group : groups) {
        for (QWidget *w : group->findChildren<QWidget *>()) {
            if ((w->focusPolicy() & Qt::TabFocus) && (isNamedField(w) || qobject_cast<QAbstractButton *>(w)))
                stops.append(w);
        }
    }
    for (int i = 1; i < stops.size(); ++i)
        QWidget::setTabOrder(stops[i - 1], stops[i]);
    placePage(page, 4);
}

QRect TFrmMian::firstGeometry(const QRect &available, int neededWidth, bool *maximized)
{
    // room for every page's columns; a screen that has not that room is
    // used whole
    // and on a tall screen the lists get most of its height
    const QSize wanted(qMax(LeastWidth, neededWidth), qMax(680, available.height() * 4 / 5));
    const QSize frame(FrameWidth, 48); // title bar and borders of a usual window manager
    *maximized
        = available.width() < wanted.width() + frame.width() || available.height() < wanted.height() + frame.height();
    if (*maximized)
        return available;
    QRect r(QPoint(0, 0), wanted);
    r.moveCenter(available.center());
    return r;
}

int TFrmMian::neededWidth()
{
    // the pages whose grid spans them: the navigation bar, the page's
    // margins and the grid's columns
    int grids = 0;
    for (const DBGridEh *grid : {TabSheet1->DBGridEh1, TabSheet6->DBGridEh5, TabSheet7->DBGridEh6})
        grids = qMax(grids, grid->neededWidth());
    return ToolBar1->sizeHint().width() + 2 * 6 + grids;
}

void TFrmMian::placeOnScreen()
{
    const QByteArray saved = QSettings().value(QStringLiteral("TFrmMian/geometry")).toByteArray();
    if (!saved.isEmpty() && restoreGeometry(saved))
        return; // as the household left it (kept on a screen that is there)
    const QScreen *s = screen();
    const QRect available = s ? s->availableGeometry() : QRect(0, 0, 1366, 768);
    bool maximized = false;
    // a screen narrower than the least width is used whole, whatever the
    // pages need (and they need not be made to be measured)
    const int needed = available.width() < LeastWidth + FrameWidth ? LeastWidth : neededWidth();
    const QRect r = firstGeometry(available, needed, &maximized);
    resize(r.size());
    move(r.topLeft());
    if (maximized)
        setWindowState(windowState() | Qt::WindowMaximized);
}

QToolButton *TFrmMian::addNavigationButton(const char *name, const QString &caption, int icon)
{
    auto *button = new QToolButton(ToolBar1);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    // the blanks centre the caption under the icon; a screen reader says
    // "通讯录", not "通  讯  录"
    button->setAccessibleName(QString(caption).remove(QLatin1Char(' ')));
    button->setIcon(QIcon(Artwork::navigationIcon(Artwork::NavIcon(icon), devicePixelRatioF())));
    button->setIconSize(QSize(48, 46));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setCursor(Qt::PointingHandCursor);
    button->setMinimumWidth(86);
    button->setAutoRaise(true);
    ToolBar1->addWidget(button);
    button->installEventFilter(this); // Enter opens the page, as Space does
    return button;
}

void TFrmMian::FormCreate()
{
    TDM *dm = DM;
    // An installed program keeps the ledger in the user's data folder and
    // makes it there at the first start; a ledger that cannot be made is
    // told, and the opening below fails as for any missing ledger.
    QString why;
    if (!LedgerFolder::prepare(platform().today(), &why))
        platform().showError(this, QStringLiteral("无法建立帐本数据文件，程序无法使用。\r") + why);
    const QString folder = LedgerFolder::path();
    const QString ledger = folder + LedgerFolder::LedgerName;
    if (QFileInfo::exists(ledger)) {
        const Access access = lockLedger(ledger);
        if (access == Access::None) {
            m_declined = true;
            platform().terminate();
            return;
        }
        m_readOnly = access == Access::ReadOnly;
    }
    // What a killed program left beside the ledger (temporary copies of the
    // whole ledger among them) goes, when no other program is there.
    m_presence = std::make_unique<FileSafety::FolderPresence>(folder);
    if (!m_readOnly && m_presence->arrivedAlone())
        FileSafety::removeLeftovers(folder);
    dm->ADOConnection1->setConnectionString(ledgerConnectionString(folder));
    if (m_readOnly)
        dm->ADOConnection1->setProperty(QStringLiteral("Mode"), QStringLiteral("Read"));
    dm->ADOConnection1->setLoginPrompt(false);
    dm->ADOTXtcs->open();
    if (!m_readOnly)
        Schema::addMissingParts(dm->ADOConnection1->handle());
    // A start date that is empty or cannot be read lists the ledger from the
    // first day of this year, and says so; the stored value stays as it is.
    const QDate start = dm->startDate(platform().today());
    if (!dm->storedStartDate().isValid()) {
        platform().showMessage(
            this, QStringLiteral("帐本起始日期无效，流水帐暂从%1起列出。请在“系统设置”中重新设置帐本起始日期。")
                      .arg(sqlDate(start)));
    }
    dm->ADOQlsz->close();
    dm->ADOQlsz->clearSql();
    dm->ADOQlsz->addSql(QStringLiteral("select * from szzb where rq>=#") + sqlDate(start) + QStringLiteral("#"));
    // The ledger is read while the login is shown; the login takes it.
    dm->ADOQlsz->openInBackground();
    for (Dataset *d :
         {dm->ADOQFyxmrr, dm->ADOQjtcyrr, dm->ADOQczyh, dm->ADOQjs, dm->ADOTJslx, dm->ADOQTxl, dm->ADOQLxrfz})
        d->open();
    TabSheet1->bindColumns();
    PrintDBGridEh1->pageFooterCentre().append(QStringLiteral("打印时间:") + Dataset::displayText(platform().now()));
    // the statistics pages run from the start date to today (given to them
    // when they are made)
    m_statsTo = platform().today();
    m_statsFrom = start;
    int style = int(dm->ADOTXtcs->asInteger(QStringLiteral("jmfg")));
    if (style < 0 || style >= SkinStore1->count())
        style = 0;
    m_style = style; // the settings page's choice, when it is made
    SkinData1->loadFromCollection(SkinStore1, style);
    SkinData1->setActive(true);
    StatusBar1->setPanelText(2, (m_readOnly ? QStringLiteral("帐本（只读）：") : QStringLiteral("帐本："))
                                    + QDir::toNativeSeparators(LedgerFolder::shown(ledger)));
    tellAtStart(ledger);
    // what start-up itself wrote (parts an older ledger lacked) is no change
    // of the household's
    m_commitsAtStart = dm->ADOConnection1->commitCount();
    // other computers see every hour that the ledger is still in use here
    auto *stillHere = new QTimer(this);
    connect(stillHere, &QTimer::timeout, this, guarded([this] {
                if (m_lock)
                    m_lock->refresh(platform().now());
            }));
    stillHere->start(60 * 60 * 1000);
    LoginDone = false;
}

TFrmMian::Access TFrmMian::lockLedger(const QString &ledger)
{
    m_lock = std::make_unique<LedgerLock>(ledger);
    const QDateTime now = platform().now();
    QString why;
    LedgerLock::Holder holder;
    LedgerLock::Status status = m_lock->examine(now, &holder);
    if (status == LedgerLock::Status::Free) {
        if (m_lock->take(now, &why))
            return Access::Write;
        // another program took it in the meantime, or none can be written
        status = m_lock->examine(now, &holder);
    }
    const QString shownLedger = QDir::toNativeSeparators(LedgerFolder::shown(ledger));
    const QString readOnly = QStringLiteral("只读打开");
    const QString takeOver = QStringLiteral("接管并打开");
    const QString quit = QStringLiteral("退出");
    const QString who = QStringLiteral("\r\r        电脑：%1\r        用户：%2\r        打开时间：%3\r\r")
                            .arg(holder.host, holder.user.isEmpty() ? QStringLiteral("（不详）") : holder.user,
                                 holder.since.toLocalTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    const QString oneWriter = QStringLiteral("同一时间只能有一处修改帐本，否则两处记下的帐目会互相覆盖。");
    const QString choices
        = QStringLiteral("您可以以只读方式打开帐本（只能查看、打印和导出，不能修改），或者退出程序。");
    const QString orTakeOver
        = QStringLiteral("\r\r您可以接管帐本锁并正常打开帐本，也可以以只读方式打开，或者退出程序。");
    QString text;
    switch (status) {
    case LedgerLock::Status::Free:
        text = QStringLiteral("无法为帐本“%1”建立帐本锁，不能确保只有这一处在修改帐本。\r%2\r\r").arg(shownLedger, why)
               + choices;
        break;
    case LedgerLock::Status::Held:
        text = QStringLiteral("帐本“%1”已经由另一个程序打开：").arg(shownLedger) + who + oneWriter
               + QStringLiteral("\r") + choices;
        break;
    case LedgerLock::Status::Stale:
        text = QStringLiteral("帐本“%1”上留有另一个程序的帐本锁：").arg(shownLedger) + who
               + (LedgerLock::isThisComputer(holder)
                      ? QStringLiteral("那个程序已经不在运行了，帐本锁是它异常退出（或电脑重新启动）时留下的。")
                      : QStringLiteral("那台电脑已经超过一天没有表明它还在使用帐本，帐本锁可能是程序异常退出时"
                                       "留下的。请确认那台电脑上的程序已经关闭。"))
               + orTakeOver;
        break;
    case LedgerLock::Status::Damaged:
        text = QStringLiteral("帐本“%1”旁的帐本锁文件“%2”无法识别（可能已损坏），不知道是否有另一个程序正在使用帐本。"
                              "%3")
                   .arg(shownLedger, QFileInfo(m_lock->file()).fileName(), QStringLiteral("\r\r") + oneWriter)
               + orTakeOver;
        break;
    }
    const bool offerTakeOver = status == LedgerLock::Status::Stale || status == LedgerLock::Status::Damaged;
    const QStringList buttons = offerTakeOver ? QStringList{takeOver, readOnly, quit} : QStringList{readOnly, quit};
    const QString chosen = buttons.value(platform().askChoice(this, text, buttons, ApplicationTitle));
    if (chosen == takeOver) {
        if (m_lock->takeOver(now, &why))
            return Access::Write;
        const QString again = QStringLiteral("无法接管帐本锁：%1\r\r").arg(why) + choices;
        return platform().askChoice(this, again, {readOnly, quit}, ApplicationTitle) == 0 ? Access::ReadOnly
                                                                                          : Access::None;
    }
    return chosen == readOnly ? Access::ReadOnly : Access::None;
}

QList<QWidget *> TFrmMian::writeCommands() const
{
    QList<QWidget *> commands = {TabSheet1->BitBtn1, TabSheet1->BitBtn2, TabSheet1->BitBtn3, TabSheet1->BitBtn7};
    if (const MemoPage *memos = TabSheet6.ifMade())
        commands << memos->BitBtn27 << memos->BitBtn28 << memos->BitBtn29;
    if (const ContactsPage *contacts = TabSheet7.ifMade())
        commands << contacts->BitBtn32 << contacts->BitBtn33 << contacts->BitBtn34;
    // the templates of recurring entries
    commands << TabSheet1->BitBtn8;
    if (const SettingsPage *settings = TabSheet4.ifMade())
        commands << settings->BitBtn25 << settings->BitBtn26;
    if (const UserGroups *users = userGroups.ifMade())
        commands << users->BitBtn21 << users->BitBtn22 << users->BitBtn23 << users->BitBtn24;
    if (const MaintenanceGroups *maintenance = maintenanceGroups.ifMade())
        commands << maintenance->BitBtn39 << maintenance->BitBtn40 << maintenance->BitBtn42;
    // the budgets
    if (const SummaryPage *summary = TabSheet2.ifMade())
        commands << summary->BudgetView1->BitBtn17;
    // the reminder of a due memo opens its editor at login
    if (TFrmJstx *memo = forms().FrmJstx.ifMade())
        commands << memo->BitBtn1 << memo->BitBtn3 << memo->BitBtn4 << memo->SpeedButton1;
    return commands;
}

void TFrmMian::applyReadOnly()
{
    turnOffWriting();
    setWindowTitle(windowTitle() + QStringLiteral("（只读）"));
}

void TFrmMian::turnOffWriting()
{
    for (QWidget *command : writeCommands())
        command->setEnabled(false);
    if (MaintenanceGroups *maintenance = maintenanceGroups.ifMade())
        maintenance->setReadOnly(true);
    if (UserGroups *users = userGroups.ifMade()) {
        for (QLineEdit *box : {users->Edit1, users->Edit2, users->Edit3})
            box->setEnabled(false);
    }
}

void TFrmMian::tellAtStart(const QString &ledger)
{
    const QStringList copies = LedgerFolder::conflictedCopies(ledger);
    if (!copies.isEmpty()) {
        platform().showMessage(
            this, QStringLiteral("在帐本所在的文件夹“%1”中发现了同步程序留下的冲突副本：\r\r        %2\r\r"
                                 "两台电脑同时修改帐本时，同步程序会把其中一处的帐本另存为这样的副本，"
                                 "副本中可能有另一处记下而本帐本中没有的帐目。\r"
                                 "请核对：需要时可在“系统设置”中用“数据恢复”打开它（恢复前会自动保存现有帐本）；"
                                 "确认不再需要后，请把它删除或移走，本提示就不再出现。")
                      .arg(QDir::toNativeSeparators(LedgerFolder::shown(QFileInfo(ledger).absolutePath())),
                           copies.join(QStringLiteral("\r        "))));
    }
    const QString failure = AutoBackups::takeFailureNotice(ledger);
    if (!failure.isEmpty())
        platform().showMessage(this, failure);
}

void TFrmMian::keepAutomaticBackup()
{
    Connection *connection = DM->ADOConnection1;
    if (m_readOnly || m_declined || connection->commitCount() == m_commitsAtStart)
        return;
    const QString ledger = connection->dataSource();
    QString why;
    bool kept = false;
    try {
        kept = AutoBackups::make(connection, LedgerFolder::backupsFolder(ledger), platform().now(), &why,
                                 [this](const std::function<void()> &copy) {
                                     runBusy(this, QStringLiteral("正在自动备份帐本……"),
                                             [&copy](BusyTask &) { copy(); });
                                 });
    } catch (const std::exception &e) {
        why = errorText(QString::fromUtf8(e.what()));
    }
    if (!kept)
        AutoBackups::noteFailure(ledger, platform().now(), why);
}

void TFrmMian::FormShow()
{
    if (DM->ADOQlsz->isActive())
        DM->ADOQlsz->last();
    if (DM->ADOConnection1->isConnected()) {
        // kept for the pages made later
        m_itemsAtStart = ComparisonPage::readItems();
        m_groupsAtStart = ContactsPage::readGroups();
        m_listsRead = true;
        if (ComparisonPage *comparison = TabSheet3.ifMade())
            comparison->fillItems(m_itemsAtStart);
        if (ContactsPage *contacts = TabSheet7.ifMade())
            contacts->fillGroups(m_groupsAtStart);
    }
}

void TFrmMian::finishLedgerLoad()
{
    Dataset *ledger = DM->ADOQlsz;
    if (!ledger->isOpening())
        return;
    finishReading(this, ledger, QStringLiteral("正在读取流水帐……"));
    ledger->last();
}

void TFrmMian::FormActivate()
{
    if (LoginDone || m_activating || !forms().FrmLog)
        return;
    m_activating = true;
    platform().showModal(forms().FrmLog);
    m_activating = false;
}

bool TFrmMian::FormCloseQuery()
{
    return platform().askYesNo(this, QStringLiteral("   是否确定退出【青禾家庭doz】？  "),
                               QStringLiteral("欢迎使用青禾家庭doz"));
}

void TFrmMian::ToolButton1Click()
{
    PageControl1->setCurrentWidget(TabSheet1);
}

void TFrmMian::ToolButton2Click()
{
    PageControl1->setCurrentWidget(TabSheet2);
}

void TFrmMian::ToolButton3Click()
{
    PageControl1->setCurrentWidget(TabSheet3);
}

void TFrmMian::ToolButton4Click()
{
    PageControl1->setCurrentWidget(TabSheet4);
}

void TFrmMian::ToolButton5Click()
{
    PageControl1->setCurrentWidget(TabSheet7);
}

void TFrmMian::ToolButton6Click()
{
    close();
}

void TFrmMian::ToolButton7Click()
{
    PageControl1->setCurrentWidget(TabSheet6);
}

bool TFrmMian::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (auto *button = qobject_cast<QToolButton *>(watched);
            button && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            button->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFrmMian::keyPressEvent(QKeyEvent *event)
{
    // Enter presses the focused button of a page, as Space does (a button
    // outside a dialog leaves Enter to its window)
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto *button = qobject_cast<QPushButton *>(QApplication::focusWidget());
            button && button->window() == this && button->isEnabled()) {
            button->click();
            event->accept();
            return;
        }
    }
    QMainWindow::keyPressEvent(event);
}

void TFrmMian::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    guard([this] { FormShow(); });
}

void TFrmMian::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !LoginDone)
        QMetaObject::invokeMethod(
            this, [this] { guard([this] { FormActivate(); }); }, Qt::QueuedConnection);
}

void TFrmMian::closeEvent(QCloseEvent *event)
{
    bool canClose = false;
    guard([&] { canClose = FormCloseQuery(); });
    if (canClose) {
        QSettings().setValue(QStringLiteral("TFrmMian/geometry"), saveGeometry());
        guard([this] { keepAutomaticBackup(); });
        if (m_lock)
            m_lock->release();
        event->accept();
    } else
        event->ignore();
}
