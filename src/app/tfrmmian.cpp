#include "tfrmmian.h"

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
#include "data/schema.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "ledger/ledgerpage.h"
#include "maintenance/maintenancegroups.h"
#include "memos/memopage.h"
#include "platform/platform.h"
#include "settings/settingspage.h"
#include "startpage.h"
#include "stats/comparisonpage.h"
#include "stats/summarypage.h"
#include "users/tfrmlog.h"
#include "users/userspage.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSettings>
#include <QStackedWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

TFrmMian::TFrmMian(QWidget *parent)
    : QMainWindow(parent)
{
    setObjectName(QStringLiteral("FrmMian"));
    setWindowTitle(QStringLiteral("『青禾』家庭doz V2.0"));
    setWindowIcon(Artwork::applicationIcon());
    placeOnScreen();

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
    TabSheet2 = new SummaryPage(PrintDBGridEh1, SaveDialog1, SaveDialog2, PageControl1);
    TabSheet3 = new ComparisonPage(PrintDBGridEh1, SaveDialog1, SaveDialog2, PageControl1);
    TabSheet4 = new SettingsPage(SkinStore1, SkinData1, PageControl1);
    TabSheet5 = new StartPage(PageControl1);
    TabSheet6 = new MemoPage(PageControl1);
    TabSheet7 = new ContactsPage(PrintDBGridEh1, SaveDialog1, PageControl1);
    userGroups = new UserGroups(TabSheet4);
    maintenanceGroups = new MaintenanceGroups(TabSheet4);
    QGridLayout *settings = TabSheet4->groups();
    settings->addWidget(maintenanceGroups->versionGroup, 0, 0);
    settings->addWidget(maintenanceGroups->databaseGroup, 3, 0);
    settings->addWidget(userGroups->GroupBox9, 0, 1, 2, 1);
    settings->addWidget(userGroups->GroupBox10, 2, 1, 2, 1);
    settings->addWidget(maintenanceGroups->importGroup, 4, 0, 1, 2);
    const QList<QWidget *> pages = {TabSheet1, TabSheet2, TabSheet3, TabSheet4, TabSheet5, TabSheet6, TabSheet7};
    for (int i = 0; i < pages.size(); ++i) {
        pages[i]->setObjectName(QStringLiteral("TabSheet%1").arg(i + 1));
        PageControl1->addWidget(pages[i]);
    }
    PageControl1->setCurrentWidget(TabSheet5);
    setCentralWidget(central);

    StatusBar1 = new StatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->addPanel(188, QStringLiteral("操作员："));
    StatusBar1->addPanel(368, QStringLiteral("☆☆☆　欢迎使用【青禾家庭收支doz】！ ☆☆☆"));
    setStatusBar(StatusBar1);

    forms().FrmMian = this;
    guard([this] { FormCreate(); });
}

TFrmMian::~TFrmMian() = default;

QRect TFrmMian::firstGeometry(const QRect &available, bool *maximized)
{
    // room for every page's columns; a screen that has not that room is
    // used whole
    const QSize wanted(1260, 680);
    const QSize frame(16, 48); // title bar and borders of a usual window manager
    *maximized
        = available.width() < wanted.width() + frame.width() || available.height() < wanted.height() + frame.height();
    if (*maximized)
        return available;
    QRect r(QPoint(0, 0), wanted);
    r.moveCenter(available.center());
    return r;
}

void TFrmMian::placeOnScreen()
{
    const QByteArray saved = QSettings().value(QStringLiteral("TFrmMian/geometry")).toByteArray();
    if (!saved.isEmpty() && restoreGeometry(saved))
        return; // as the household left it (kept on a screen that is there)
    const QScreen *s = screen();
    bool maximized = false;
    const QRect r = firstGeometry(s ? s->availableGeometry() : QRect(0, 0, 1366, 768), &maximized);
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
    // What a killed program left beside the ledger (temporary copies of the
    // whole ledger among them) goes, when no other program is there.
    m_presence = std::make_unique<FileSafety::FolderPresence>(platform().programDirectory());
    if (m_presence->arrivedAlone())
        FileSafety::removeLeftovers(platform().programDirectory());
    dm->ADOConnection1->setConnectionString(ledgerConnectionString(platform().programDirectory()));
    dm->ADOConnection1->setLoginPrompt(false);
    dm->ADOTXtcs->open();
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
    // the statistics pages run from the start date to today
    TabSheet2->DateTimePicker2->setDate(platform().today());
    TabSheet3->DateTimePicker4->setDate(platform().today());
    TabSheet2->DateTimePicker1->setDate(start);
    TabSheet3->DateTimePicker3->setDate(start);
    int style = int(dm->ADOTXtcs->asInteger(QStringLiteral("jmfg")));
    if (style < 0 || style >= SkinStore1->count())
        style = 0;
    TabSheet4->ComboBox6->setCurrentIndex(style);
    SkinData1->loadFromCollection(SkinStore1, style);
    SkinData1->setActive(true);
    LoginDone = false;
}

void TFrmMian::FormShow()
{
    if (DM->ADOQlsz->isActive())
        DM->ADOQlsz->last();
    if (DM->ADOConnection1->isConnected()) {
        TabSheet3->fillItems();
        TabSheet7->fillGroups();
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
        event->accept();
    } else
        event->ignore();
}
