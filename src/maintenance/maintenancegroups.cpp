#include "maintenancegroups.h"

#include "autobackups.h"
#include "components/artwork.h"
#include "components/busy.h"
#include "data/dberror.h"
#include "data/filesafety.h"
#include "data/ledgerfolder.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "databasefiles.h"
#include "importer.h"
#include "jetstaging.h"
#include "platform/errortext.h"
#include "platform/platform.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

const QString DatabaseFilter = QStringLiteral("数据库文件|*.qhd|所有文件|*.*");

} // namespace

MaintenanceGroups::MaintenanceGroups(QWidget *parent)
    : QObject(parent)
    , m_page(parent)
{
    databaseGroup = new QGroupBox(QStringLiteral("数据库管理"), parent);
    databaseGroup->setObjectName(QStringLiteral("GroupBox11"));
    BitBtn38 = new QPushButton(QStringLiteral("数据备份"), databaseGroup);
    BitBtn38->setObjectName(QStringLiteral("BitBtn38"));
    BitBtn39 = new QPushButton(QStringLiteral("数据恢复"), databaseGroup);
    BitBtn39->setObjectName(QStringLiteral("BitBtn39"));
    auto *database = new QHBoxLayout(databaseGroup);
    database->addWidget(BitBtn38);
    database->addWidget(BitBtn39);

    autoBackupGroup = new QGroupBox(QStringLiteral("自动备份"), parent);
    autoBackupGroup->setObjectName(QStringLiteral("GroupBox14"));
    ListView1 = new QTreeWidget(autoBackupGroup);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setAccessibleName(QStringLiteral("自动备份"));
    ListView1->setHeaderLabels({QStringLiteral("备份时间"), QStringLiteral("大小")});
    ListView1->setRootIsDecorated(false);
    ListView1->setAllColumnsShowFocus(true);
    ListView1->setUniformRowHeights(true);
    ListView1->header()->setStretchLastSection(false);
    ListView1->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    ListView1->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    // the header and three rows; more scroll
    ListView1->setFixedHeight(ListView1->fontMetrics().height() * 5 + 8);
    Label20 = new QLabel(autoBackupGroup);
    Label20->setObjectName(QStringLiteral("Label20"));
    Label20->setWordWrap(true);
    Label20->setTextInteractionFlags(Qt::TextSelectableByMouse);
    BitBtn42 = new QPushButton(QStringLiteral("恢复"), autoBackupGroup);
    BitBtn42->setObjectName(QStringLiteral("BitBtn42"));
    BitBtn42->setAccessibleName(QStringLiteral("恢复所选的自动备份"));
    BitBtn42->setEnabled(false);
    auto *beside = new QVBoxLayout;
    beside->addWidget(Label20, 1);
    beside->addWidget(BitBtn42, 0, Qt::AlignRight);
    auto *autoBackups = new QHBoxLayout(autoBackupGroup);
    autoBackups->addWidget(ListView1, 1);
    autoBackups->addLayout(beside);
    Label20->setFixedWidth(Label20->fontMetrics().horizontalAdvance(QStringLiteral("帐")) * 15);

    versionGroup = new QGroupBox(QStringLiteral("版本信息"), parent);
    versionGroup->setObjectName(QStringLiteral("GroupBox8"));
    Image2 = new QLabel(versionGroup);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setFrameShape(QFrame::Panel);
    Image2->setFrameShadow(QFrame::Sunken);
    Image2->setFixedSize(320, 96);
    Image2->setPixmap(Artwork::versionBanner(QSize(316, 92), parent->devicePixelRatioF()));
    Image2->setAccessibleName(QStringLiteral("『青禾』家庭doz 版本 V 2.0"));
    BitBtn41 = new QPushButton(QStringLiteral("帮助文档"), Image2);
    BitBtn41->setObjectName(QStringLiteral("BitBtn41"));
    BitBtn41->setIcon(parent->style()->standardIcon(QStyle::SP_DialogHelpButton));
    BitBtn41->setCursor(Qt::PointingHandCursor);
    // toward the lower middle of the banner, under its texts
    auto *onBanner = new QVBoxLayout(Image2);
    onBanner->setContentsMargins(0, 0, 0, 6);
    onBanner->addStretch();
    onBanner->addWidget(BitBtn41, 0, Qt::AlignHCenter);
    auto *version = new QVBoxLayout(versionGroup);
    version->setContentsMargins(6, 4, 6, 4);
    version->addWidget(Image2, 0, Qt::AlignHCenter);
    versionGroup->setMinimumHeight(Image2->height() + 34);

    importGroup = new QGroupBox(QStringLiteral("1.0旧版本帐本数据移植"), parent);
    importGroup->setObjectName(QStringLiteral("GroupBox13"));
    auto *frame = new QFrame(importGroup);
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
    Button2 = new QPushButton(QStringLiteral("选择1.0旧版数据库文件“DATA”"), frame);
    Button2->setObjectName(QStringLiteral("Button2"));
    Edit6 = new QLineEdit(frame);
    Edit6->setObjectName(QStringLiteral("Edit6"));
    Edit6->setReadOnly(true);
    Edit6->setAccessibleName(QStringLiteral("1.0旧版数据库文件"));
    Edit6->setStyleSheet(QStringLiteral("QLineEdit { color: blue; }"));
    auto *inner = new QHBoxLayout(frame);
    inner->setContentsMargins(4, 4, 4, 4);
    inner->addWidget(Button2);
    inner->addWidget(Edit6, 1);
    BitBtn40 = new QPushButton(QStringLiteral("导入1.0旧版帐本数据"), importGroup);
    BitBtn40->setObjectName(QStringLiteral("BitBtn40"));
    auto *importing = new QHBoxLayout(importGroup);
    importing->addWidget(frame, 1);
    importing->addWidget(BitBtn40);

    connect(Button2, &QPushButton::clicked, this, guarded([this] { Button2Click(); }));
    connect(BitBtn40, &QPushButton::clicked, this, guarded([this] { BitBtn40Click(); }));
    connect(BitBtn38, &QPushButton::clicked, this, guarded([this] { BitBtn38Click(); }));
    connect(BitBtn39, &QPushButton::clicked, this, guarded([this] { BitBtn39Click(); }));
    connect(BitBtn41, &QPushButton::clicked, this, guarded([this] { BitBtn41Click(); }));
    connect(BitBtn42, &QPushButton::clicked, this, guarded([this] { BitBtn42Click(); }));
    // a backup is restored by its button, or by Enter or a double click on it
    connect(ListView1, &QTreeWidget::itemActivated, this, guarded([this] { BitBtn42->click(); }));
    connect(ListView1, &QTreeWidget::currentItemChanged, this,
            guarded([this] { BitBtn42->setEnabled(ListView1->currentItem() && !m_readOnly); }));
}

QString MaintenanceGroups::proposedBackupName()
{
    return sqlDate(platform().today()) + QStringLiteral("帐本备份.qhd");
}

void MaintenanceGroups::BitBtn38Click()
{
    FileDialogRequest request;
    request.defaultExtension = QStringLiteral(".qhd");
    request.filter = DatabaseFilter;
    request.title = QStringLiteral("青禾家庭doz－－数据库份");
    request.fileName = proposedBackupName();
    const FileDialogResult chosen = platform().saveFile(m_page->window(), request);
    if (!chosen.accepted || chosen.fileName.isEmpty())
        return;
    QString why;
    const bool ok
        = DatabaseFiles::backup(DM->ADOConnection1, chosen.fileName, &why, [this](const std::function<void()> &copy) {
              runBusy(m_page->window(), QStringLiteral("正在备份数据……"), [&copy](BusyTask &) { copy(); });
          });
    if (ok)
        platform().showInformation(m_page->window(), QStringLiteral("数据备份成功"), QStringLiteral("提示"));
    else
        platform().showError(m_page->window(), QStringLiteral("数据备份失败\r") + why, QStringLiteral("提示"));
}

void MaintenanceGroups::BitBtn39Click()
{
    FileDialogRequest request;
    request.defaultExtension = QStringLiteral(".qhd");
    request.filter = DatabaseFilter;
    request.title = QStringLiteral("青禾家庭doz－－打开库份数据文件");
    const FileDialogResult chosen = platform().openFile(m_page->window(), request);
    if (!chosen.accepted)
        return;
    restoreFrom(chosen.fileName);
}

void MaintenanceGroups::restoreFrom(const QString &file)
{
    QWidget *owner = m_page->window();
    if (!platform().askYesNo(owner,
                             QStringLiteral("   进行数据恢复操作后，现有数据将会被您刚才所选择的备份数据所覆盖，\r"
                                            "强烈建议您先将现有数据进行备份，然后再进行数据恢复！  \r\r"
                                            "         是否确定现在就进行数据恢复！"))) {
        platform().showMessage(owner, QStringLiteral("您取消了数据恢复操作，数据未恢复！"));
        return;
    }
    if (file.isEmpty())
        return;
    Connection *connection = DM->ADOConnection1;
    const QString database = connection->dataSource();
    const QString password = connection->password();
    // The chosen file is copied beside the ledger and examined there, off
    // the event loop and cancellable; nothing of the ledger changes yet.
    QString why;
    QString prepared;
    bool cancelled = false;
    runBusy(
        owner, QStringLiteral("正在检查所选的备份文件……"),
        [&](BusyTask &task) {
            const auto progress = [&task](qint64 done, qint64 total) {
                task.progress(done, total);
                if (total == 0) // the copy is made, the check begins
                    task.label(QStringLiteral("正在检查所选备份文件的完整性……"));
            };
            prepared = DatabaseFiles::prepareRestore(database, file, password, &why, task.cancelled, progress);
            cancelled = task.cancelled && *task.cancelled;
        },
        true);
    if (cancelled) {
        DatabaseFiles::discardPrepared(prepared);
        platform().showMessage(owner, QStringLiteral("您取消了数据恢复操作，数据未恢复！"));
        return;
    }
    if (prepared.isEmpty()) {
        platform().showError(owner, QStringLiteral("数据恢复失败\r") + why, QStringLiteral("提示"));
        return;
    }
    const QString safetyName = DatabaseFiles::safetyCopyName(platform().now());
    const QString safetyCopy = QFileInfo(database).absolutePath() + QLatin1Char('/') + safetyName;
    connection->close(); // nothing of the old file stays open while it is replaced
    bool replaced = false;
    runBusy(owner, QStringLiteral("正在恢复数据……"),
            [&](BusyTask &) { replaced = DatabaseFiles::commitRestore(prepared, database, safetyCopy, &why); });
    if (!replaced) {
        platform().showError(owner, QStringLiteral("数据恢复失败\r") + why, QStringLiteral("提示"));
        return;
    }
    platform().showInformation(owner,
                               QStringLiteral("数据恢复成功！  重新启动《doz》后数据生效！\r\r原有数据已保存为“")
                                   + safetyName + QStringLiteral("”。"),
                               QStringLiteral("提示"));
    platform().terminate(); // without the exit question
}

void MaintenanceGroups::fillAutoBackups()
{
    ListView1->clear();
    Connection *connection = DM ? DM->ADOConnection1 : nullptr;
    if (!connection || connection->dataSource().isEmpty()) {
        Label20->clear();
        return;
    }
    const QString folder = LedgerFolder::backupsFolder(connection->dataSource());
    Label20->setText(QStringLiteral("帐本有改动时，退出程序会自动备份到“%1”，保留最近%2天和%3个月中各自的最后一份。")
                         .arg(QDir::toNativeSeparators(LedgerFolder::shown(QDir::cleanPath(folder))))
                         .arg(AutoBackups::DaysKept)
                         .arg(AutoBackups::MonthsKept));
    // every line of it shows, however the page squeezes the group
    Label20->setMinimumHeight(Label20->heightForWidth(Label20->width()));
    const QLocale locale;
    for (const AutoBackups::Backup &b : AutoBackups::list(folder)) {
        auto *item = new QTreeWidgetItem(ListView1);
        item->setText(0, b.when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
        item->setText(1, locale.formattedDataSize(b.size, 1, QLocale::DataSizeTraditionalFormat));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setData(0, Qt::UserRole, b.path);
    }
    if (ListView1->topLevelItemCount() > 0)
        ListView1->setCurrentItem(ListView1->topLevelItem(0));
    BitBtn42->setEnabled(ListView1->currentItem() && !m_readOnly);
}

void MaintenanceGroups::BitBtn42Click()
{
    const QTreeWidgetItem *item = ListView1->currentItem();
    if (!item || m_readOnly)
        return;
    restoreFrom(item->data(0, Qt::UserRole).toString());
}

void MaintenanceGroups::setReadOnly(bool readOnly)
{
    m_readOnly = readOnly;
    for (QWidget *w :
         {static_cast<QWidget *>(BitBtn39), static_cast<QWidget *>(BitBtn40), static_cast<QWidget *>(Button2)})
        w->setEnabled(!readOnly);
    BitBtn42->setEnabled(!readOnly && ListView1->currentItem());
}

QString MaintenanceGroups::helpDocument()
{
    const QString dir = platform().programDirectory();
    const QString compiled = dir + QStringLiteral("doz帮助文档.chm");
    if (QFileInfo::exists(compiled))
        return compiled;
    const QString html = dir + QStringLiteral("doz帮助文档/index.html");
    if (QFileInfo::exists(html))
        return html;
    const QString installed = QDir::cleanPath(dir + QStringLiteral("../share/doc/doz/help/index.html"));
    if (QFileInfo::exists(installed))
        return installed;
    return QString();
}

void MaintenanceGroups::BitBtn41Click()
{
    const QString document = helpDocument();
    // a missing document is told (no desktop here says it), and so is one
    // that no viewer could open
    if (document.isEmpty()) {
        platform().showMessage(m_page->window(),
                               QStringLiteral("没有找到帮助文档：程序所在的文件夹“%1”中应有“doz帮助文档”。")
                                   .arg(QDir::toNativeSeparators(QDir::cleanPath(platform().programDirectory()))));
        return;
    }
    if (!platform().openDocument(document))
        platform().showMessage(m_page->window(), QStringLiteral("没有找到可以打开帮助文档的程序。请用浏览器打开：\r")
                                                     + QDir::toNativeSeparators(document));
}

void MaintenanceGroups::Button2Click()
{
    FileDialogRequest request;
    request.defaultExtension = QStringLiteral(".mdb");
    request.filter = QStringLiteral("青禾家庭doz1.0 数据库文件|*.mdb|所有文件|*.*");
    request.title = QStringLiteral("打开青禾家庭doz1.0 数据库文件");
    const FileDialogResult chosen = platform().openFile(m_page->window(), request);
    if (chosen.accepted)
        Edit6->setText(chosen.fileName);
}

void MaintenanceGroups::BitBtn40Click()
{
    QWidget *owner = m_page->window();
    if (Edit6->text().isEmpty()) {
        platform().showMessage(owner, QStringLiteral("请先选中1.0旧版数据库文件“DATA.mdb”"));
        Button2Click();
        return;
    }
    const QString file = Edit6->text();
    const QString question = QStringLiteral("    是否确认 “") + file
                             + QStringLiteral("” 为原《青禾家庭doz1.0》的数据库文件？  ") + QLatin1Char('\r')
                             + QStringLiteral("    进行数据移植操作后，现有2.0版的帐本信息将全部会被1.0旧版数据所替换，"
                                              "建议您先进行数据备份后再进行数据移植操作！")
                             + QStringLiteral("\r\r")
                             + QStringLiteral("    为防止帐目数据出现错乱，请勿重复进行数据移植操作！")
                             + QStringLiteral("\r\r") + QStringLiteral("         是否确定现在就进行数据移植！");
    if (!platform().askYesNo(owner, question)) {
        platform().showMessage(owner, QStringLiteral("您取消了数据移植操作，1.0版数据未导入！"));
        return;
    }
    Connection *ledger = DM->ADOConnection1;
    const QString fileName = QFileInfo(file).fileName();
    // neither a 1.0 file nor a ledger file: refused before anything is copied
    const Importer::Kind kind = Importer::kindOf(file, ledger->password());
    if (kind == Importer::Kind::Unknown) {
        platform().showMessage(owner, QStringLiteral("“%1”不是《青禾家庭doz1.0》的数据库文件（Access 数据库），"
                                                     "1.0版数据未导入！")
                                          .arg(file));
        return;
    }
    // The temporary file stays encrypted with the ledger's password and is
    // removed whatever happens.
    const QString temp = QFileInfo(ledger->dataSource()).absolutePath() + QLatin1Char('/') + Importer::TemporaryName;
    struct Removal
    {
        QString path;
        void now() const
        {
            for (const char *suffix : {"", "-journal"})
                QFile::remove(path + QLatin1String(suffix));
        }
        ~Removal() { now(); }
    } removal{temp};
    if (kind == Importer::Kind::Jet) {
        // the Access library runs in a child process: a damaged file costs a notice
        JetStaging::Limits limits;
        limits.seconds = int(60 + QFileInfo(file).size() / (1024 * 1024));
        const JetStaging::Result staged = JetStaging::run(owner, file, temp, ledger->password(), limits);
        if (staged.outcome == JetStaging::Outcome::Cancelled) {
            platform().showMessage(owner, QStringLiteral("您取消了数据移植操作，1.0版数据未导入！"));
            return;
        }
        if (staged.outcome == JetStaging::Outcome::Refused) {
            platform().showMessage(
                owner,
                QStringLiteral("“%1”不能作为1.0旧版数据导入，1.0版数据未导入！\r%2").arg(fileName, staged.reason));
            return;
        }
        if (staged.outcome == JetStaging::Outcome::NotWritten) {
            platform().showMessage(owner, QStringLiteral("读取“%1”时无法写入导入用的临时文件，1.0版数据未导入，"
                                                         "帐本未作任何改动。\r%2")
                                              .arg(fileName, staged.reason));
            return;
        }
        if (staged.outcome != JetStaging::Outcome::Staged) {
            platform().showMessage(owner,
                                   QStringLiteral("1.0旧版数据库文件已损坏，无法读取：“%1”\r%2\r1.0版数据未导入，"
                                                  "帐本未作任何改动。")
                                       .arg(fileName, staged.reason));
            return;
        }
    } else {
        // a copy that keeps the password: no plain copy of anybody's books
        QString why;
        QFile::remove(temp);
        if (!FileSafety::writeAtomically(
                temp, [&](int fd) { return FileSafety::copyInto(file, fd, &why); }, &why)) {
            platform().showMessage(owner, QStringLiteral("无法复制文件“%1”，1.0版数据未导入！\r%2").arg(fileName, why));
            return;
        }
    }
    // all six tables and the version, or nothing
    try {
        runBusy(owner, QStringLiteral("正在导入1.0旧版帐本数据……"), [&](BusyTask &) {
            // the entries of imported bills are gone with the ledger's
            // entries: an undo must not take the new ones for them
            QStringList all = Importer::statements(temp);
            all << QStringLiteral("delete from drjl") << QStringLiteral("delete from drpc");
            ledger->executeInTransaction(all);
        });
    } catch (const DbError &e) {
        throw DbError(QStringLiteral("1.0旧版数据导入失败，帐本未作任何改动。\r") + errorText(e.message()));
    }
    // the program ends below without unwinding this frame
    removal.now();
    platform().showMessage(owner, QStringLiteral("1.0旧版数据导入成功！  请重启《青禾家庭doz2.0》后数据生效！"));
    platform().terminate(); // without the exit question
}
