#include "maintenancegroups.h"

#include "components/artwork.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "databasefiles.h"
#include "platform/platform.h"

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
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

    versionGroup = new QGroupBox(QStringLiteral("版本信息"), parent);
    versionGroup->setObjectName(QStringLiteral("GroupBox8"));
    Image2 = new QLabel(versionGroup);
    Image2->setObjectName(QStringLiteral("Image2"));
    Image2->setFrameShape(QFrame::Panel);
    Image2->setFrameShadow(QFrame::Sunken);
    Image2->setFixedSize(330, 112);
    Image2->setPixmap(Artwork::versionBanner(QSize(326, 108), parent->devicePixelRatioF()));
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
    version->addWidget(Image2, 0, Qt::AlignCenter);

    connect(BitBtn38, &QPushButton::clicked, this, guarded([this] { BitBtn38Click(); }));
    connect(BitBtn39, &QPushButton::clicked, this, guarded([this] { BitBtn39Click(); }));
    connect(BitBtn41, &QPushButton::clicked, this, guarded([this] { BitBtn41Click(); }));
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
    if (DatabaseFiles::backup(DM->ADOConnection1, chosen.fileName, &why))
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
    if (!platform().askYesNo(m_page->window(),
                             QStringLiteral("   进行数据恢复操作后，现有数据将会被您刚才所选择的备份数据所覆盖，\r"
                                            "强烈建议您先将现有数据进行备份，然后再进行数据恢复！  \r\r"
                                            "         是否确定现在就进行数据恢复！"))) {
        platform().showMessage(m_page->window(), QStringLiteral("您取消了数据恢复操作，数据未恢复！"));
        return;
    }
    if (chosen.fileName.isEmpty())
        return;
    Connection *connection = DM->ADOConnection1;
    const QString database = connection->dataSource();
    QString why;
    // the chosen file is examined before anything is replaced
    if (!DatabaseFiles::isLedger(chosen.fileName, connection->password(), &why)) {
        platform().showError(m_page->window(), QStringLiteral("数据恢复失败\r") + why, QStringLiteral("提示"));
        return;
    }
    const QString safetyCopy = platform().programDirectory() + DatabaseFiles::SafetyCopyName;
    connection->close(); // nothing of the old file stays open while it is replaced
    if (!DatabaseFiles::replace(database, chosen.fileName, safetyCopy, &why)) {
        platform().showError(m_page->window(), QStringLiteral("数据恢复失败\r") + why, QStringLiteral("提示"));
        return;
    }
    platform().showInformation(m_page->window(),
                               QStringLiteral("数据恢复成功！  重新启动《doz》后数据生效！\r\r原有数据已保存为“")
                                   + DatabaseFiles::SafetyCopyName + QStringLiteral("”。"),
                               QStringLiteral("提示"));
    platform().terminate(); // without the exit question
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
    return QString();
}

void MaintenanceGroups::BitBtn41Click()
{
    const QString document = helpDocument();
    if (!document.isEmpty())
        platform().openDocument(document);
}
