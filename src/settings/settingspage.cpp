#include "settingspage.h"

#include "components/busy.h"

#include "components/dbcontrols.h"
#include "components/skindata.h"
#include "components/skinstore.h"
#include "data/dberror.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QColor Aqua(0, 255, 255);
}

SettingsPage::SettingsPage(SkinStore *store, SkinData *engine, QWidget *parent)
    : QWidget(parent)
    , m_store(store)
    , m_engine(engine)
{
    startDateGroup = new QGroupBox(QStringLiteral("帐本起始日期设置"), this);
    Label9 = new QLabel(QStringLiteral("帐本起始日期"), startDateGroup);
    DBEdit1 = new DBEdit(DM->DSxtcs, QStringLiteral("qsny"), startDateGroup);
    DBEdit1->setObjectName(QStringLiteral("DBEdit1"));
    DBEdit1->setReadOnly(true);
    BitBtn25 = new QPushButton(QStringLiteral("修改"), startDateGroup);
    BitBtn25->setObjectName(QStringLiteral("BitBtn25"));
    Label10 = new QLabel(QStringLiteral("当记帐时间长久后，帐本记录条数非常多，不便于翻看和记帐操作。设置帐本起始日期，"
                                        "流水帐将只显示起始日期之后的帐本记录。"),
                         startDateGroup);
    Label10->setWordWrap(true);
    // room for its three lines however the groups beside it squeeze the page
    Label10->setMinimumHeight(Label10->fontMetrics().lineSpacing() * 3 + 4);
    auto *startRow = new QHBoxLayout;
    startRow->addWidget(Label9);
    startRow->addWidget(DBEdit1, 1);
    startRow->addWidget(BitBtn25);
    auto *startLayout = new QVBoxLayout(startDateGroup);
    startLayout->addLayout(startRow);
    startLayout->addWidget(Label10);

    styleGroup = new QGroupBox(QStringLiteral("帐本界面风格设置"), this);
    Label11 = new QLabel(QStringLiteral("帐本界面风格"), styleGroup);
    ComboBox6 = new QComboBox(styleGroup);
    ComboBox6->setObjectName(QStringLiteral("ComboBox6"));
    ComboBox6->addItems({QStringLiteral("界面风格一"), QStringLiteral("界面风格二"), QStringLiteral("界面风格三"),
                         QStringLiteral("界面风格四"), QStringLiteral("界面风格五"), QStringLiteral("界面风格六")});
    BitBtn26 = new QPushButton(QStringLiteral("确定修改"), styleGroup);
    BitBtn26->setObjectName(QStringLiteral("BitBtn26"));
    auto *styleRow = new QHBoxLayout(styleGroup);
    styleRow->addWidget(Label11);
    styleRow->addWidget(ComboBox6, 1);
    styleRow->addWidget(BitBtn26);

    m_groups = new QGridLayout;
    // row 0 and the second column are for the groups of other subsystems
    m_groups->addWidget(startDateGroup, 1, 0);
    m_groups->addWidget(styleGroup, 2, 0);
    m_groups->setColumnStretch(0, 1);
    m_groups->setColumnStretch(1, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(m_groups);
    layout->addStretch();

    connect(BitBtn25, &QPushButton::clicked, this, guarded([this] { BitBtn25Click(); }));
    // while the start date is edited, Enter stores it and Esc gives it up
    connect(DBEdit1, &QLineEdit::returnPressed, this, guarded([this] {
                if (BitBtn25->text() == QStringLiteral("确定"))
                    BitBtn25Click();
            }));
    connect(BitBtn26, &QPushButton::clicked, this, guarded([this] { BitBtn26Click(); }));
}

void SettingsPage::BitBtn25Click()
{
    if (BitBtn25->text() == QStringLiteral("修改")) {
        DM->ADOTXtcs->edit();
        DBEdit1->setReadOnly(false);
        BitBtn25->setText(QStringLiteral("确定"));
        DBEdit1->setBackground(Aqua);
        DBEdit1->setFocus();
        DBEdit1->selectAll();
        return;
    }
    storeStartDate();
}

// Stores the date typed (a text that is not a date is refused and the group
// stays in editing), leaves editing and lists the ledger from the new date.
void SettingsPage::storeStartDate()
{
    TDM *dm = DM;
    // An empty start date would be stored as no date at all, and every list
    // from it would fail: it is refused like any text that is not a date.
    if (DBEdit1->text().trimmed().isEmpty())
        throw notADate(DBEdit1->text());
    dm->ADOTXtcs->post();
    BitBtn25->setText(QStringLiteral("修改"));
    DBEdit1->setBackground(QColor());
    DBEdit1->setReadOnly(true);
    requeryShowingProgress(window(), dm->ADOQlsz,
                           QStringLiteral("select * from szzb where rq>=#")
                               + sqlDate(dm->ADOTXtcs->asDate(QStringLiteral("qsny"))) + QStringLiteral("#"),
                           QStringLiteral("正在读取流水帐……"));
}

void SettingsPage::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && BitBtn25->text() == QStringLiteral("确定")) {
        guard([this] {
            DM->ADOTXtcs->cancel();
            BitBtn25->setText(QStringLiteral("修改"));
            DBEdit1->setBackground(QColor());
            DBEdit1->setReadOnly(true);
        });
        return;
    }
    QWidget::keyPressEvent(event);
}

void SettingsPage::BitBtn26Click()
{
    // The style shares the row of the start date: a start date being edited
    // is stored first, as its own "确定" would.
    if (BitBtn25->text() == QStringLiteral("确定"))
        storeStartDate();
    const int position = ComboBox6->currentIndex();
    m_engine->loadFromCollection(m_store, position);
    m_engine->setActive(true);
    Dataset *xtcs = DM->ADOTXtcs;
    xtcs->edit();
    xtcs->setValue(QStringLiteral("jmfg"), position);
    xtcs->post();
}
