#include "contactspage.h"

#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "components/gridexport.h"
#include "components/gridprinter.h"
#include "data/rowinprogress.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmtxl.h"
#include "vcard.h"

#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <stdexcept>

namespace {

const QString Everyone = QStringLiteral("全部");
const char *const SearchColumns[]
    = {"lxrxm", "bm", "sjhm", "bgdh", "jtdh", "qq", "yx", "wz", "gsmc", "jtdz", "sr", "txlbz"};

GridColumn column(const char *title, const char *field, int width, bool centred = false)
{
    return GridColumn::of(QString::fromUtf8(title), QLatin1String(field), width,
                          centred ? Qt::AlignCenter : Qt::AlignLeft);
}

} // namespace

void presetNewContact()
{
    TDM *dm = DM;
    Dataset *contacts = dm->ADOQTxl;
    if (dm->ADOQLxrfz->isActive() && !dm->ADOQLxrfz->isEmpty())
        contacts->setValue(QStringLiteral("fz"), dm->ADOQLxrfz->value(QStringLiteral("zm")));
    contacts->setValue(QStringLiteral("xb"), QStringLiteral("男"));
}

ContactsPage::ContactsPage(GridPrinter *printer, SaveDialog *saveDialog, QWidget *parent)
    : QWidget(parent)
    , m_printer(printer)
    , m_saveDialog(saveDialog)
{
    Label17 = new QLabel(QStringLiteral("家  庭  通  讯  录"), this);
    Label17->setObjectName(QStringLiteral("Label17"));
    Label17->setAlignment(Qt::AlignCenter);
    Label17->setStyleSheet(QStringLiteral("QLabel { color: blue; font-weight: bold; font-size: 22px; }"));

    DBGridEh6 = new DBGridEh(this);
    DBGridEh6->setAccessibleName(QStringLiteral("通讯录列表"));
    DBGridEh6->setObjectName(QStringLiteral("DBGridEh6"));
    DBGridEh6->setDataSource(DM->DSTxl);
    DBGridEh6->setColumns({column("序号", "txlid", 35, true),
                           column("分组", "fz", 60).counting(QStringLiteral("共 0 人")), column("姓名", "lxrxm", 53),
                           column("网名", "bm", 73), column("性别", "xb", 35, true), column("手机号码", "sjhm", 84),
                           column("办公电话", "bgdh", 84), column("家庭电话", "jtdh", 80), column("QQ号码", "qq", 69),
                           column("电子邮箱", "yx", 132), column("网址", "wz", 143), column("工作单位", "gsmc", 167),
                           column("家庭地址", "jtdz", 135), column("生日", "sr", 73),
                           column("备注", "txlbz", 188).fillingTheRoom()});
    DBGridEh6->setFrozenColumns(3);

    BitBtn32 = new QPushButton(QStringLiteral("添加"), this);
    BitBtn33 = new QPushButton(QStringLiteral("修改"), this);
    BitBtn34 = new QPushButton(QStringLiteral("删除"), this);
    BitBtn35 = new QPushButton(QStringLiteral("打印"), this);
    BitBtn36 = new QPushButton(QStringLiteral("导出数据"), this);
    auto *searchBox = new QGroupBox(QStringLiteral("条件查询"), this);
    ComboBox7 = new QComboBox(searchBox);
    ComboBox7->addItems({QStringLiteral("姓名"), QStringLiteral("网名"), QStringLiteral("手机号码"),
                         QStringLiteral("办公电话"), QStringLiteral("家庭电话"), QStringLiteral("QQ号码"),
                         QStringLiteral("电子邮箱"), QStringLiteral("网址"), QStringLiteral("工作单位"),
                         QStringLiteral("家庭地址"), QStringLiteral("生日"), QStringLiteral("备注")});
    Edit5 = new QLineEdit(searchBox);
    BitBtn37 = new QPushButton(QStringLiteral("查询"), searchBox);
    auto *search = new QHBoxLayout(searchBox);
    search->setContentsMargins(6, 2, 6, 2);
    search->addWidget(ComboBox7);
    search->addWidget(Edit5, 1);
    search->addWidget(BitBtn37);
    auto *groupBox = new QGroupBox(QStringLiteral("分组查询"), this);
    ComboBox8 = new QComboBox(groupBox);
    ComboBox8->addItem(Everyone);
    auto *groups = new QHBoxLayout(groupBox);
    groups->setContentsMargins(6, 2, 6, 2);
    groups->addWidget(ComboBox8);
    const QList<QPair<const char *, QWidget *>> named
        = {{"BitBtn32", BitBtn32}, {"BitBtn33", BitBtn33}, {"BitBtn34", BitBtn34},
           {"BitBtn35", BitBtn35}, {"BitBtn36", BitBtn36}, {"ComboBox7", ComboBox7},
           {"Edit5", Edit5},       {"BitBtn37", BitBtn37}, {"ComboBox8", ComboBox8}};
    for (const auto &[name, widget] : named)
        widget->setObjectName(QLatin1String(name));
    ComboBox7->setAccessibleName(QStringLiteral("查询项目"));
    Edit5->setAccessibleName(QStringLiteral("查询内容"));
    ComboBox8->setAccessibleName(QStringLiteral("分组查询"));

    auto *bar = new QHBoxLayout;
    for (QPushButton *b : {BitBtn32, BitBtn33, BitBtn34, BitBtn35, BitBtn36}) {
        b->setMinimumWidth(0);
        bar->addWidget(b);
    }
    bar->addWidget(searchBox, 1);
    bar->addWidget(groupBox);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(Label17);
    layout->addWidget(DBGridEh6, 1);
    layout->addLayout(bar);

    connect(BitBtn32, &QPushButton::clicked, this, guarded([this] { BitBtn32Click(); }));
    connect(BitBtn33, &QPushButton::clicked, this, guarded([this] { BitBtn33Click(); }));
    connect(BitBtn34, &QPushButton::clicked, this, guarded([this] { BitBtn34Click(); }));
    connect(BitBtn35, &QPushButton::clicked, this, guarded([this] { BitBtn35Click(); }));
    connect(BitBtn36, &QPushButton::clicked, this, guarded([this] { BitBtn36Click(); }));
    connect(BitBtn37, &QPushButton::clicked, this, guarded([this] { BitBtn37Click(); }));
    connect(Edit5, &QLineEdit::returnPressed, BitBtn37, &QPushButton::click);
    connect(ComboBox7, &QComboBox::activated, this, guarded([this] { ComboBox7Click(); }));
    connect(ComboBox8, &QComboBox::activated, this, guarded([this] { ComboBox8Click(); }));
    // a double click edits as "修改" does, and not while "修改" is off
    connect(DBGridEh6, &DBGridEh::doubleClicked, BitBtn33, &QPushButton::click);
}

QStringList ContactsPage::readGroups()
{
    Dataset *groups = DM->ADOQLxrfz;
    return groups->isActive() ? FormWidgets::values(groups, QStringLiteral("zm")) : QStringList();
}

void ContactsPage::fillGroups(const QStringList &names)
{
    FormWidgets::fillList(ComboBox8, Everyone, names);
}

QString ContactsPage::exportFilter(const QString &gridFilter)
{
    return gridFilter + QStringLiteral("|vcf （电子名片）|vcf");
}

void ContactsPage::BitBtn32Click()
{
    RowInProgress row(DM->ADOQTxl);
    presetNewContact();
    row.keep();
    platform().showModal(forms().FrmTxl);
}

void ContactsPage::BitBtn33Click()
{
    DM->ADOQTxl->edit();
    platform().showModal(forms().FrmTxl);
}

void ContactsPage::BitBtn34Click()
{
    if (platform().askYesNo(window(), QStringLiteral("   是否确认删除？  ")))
        DM->ADOQTxl->remove();
}

void ContactsPage::BitBtn35Click()
{
    m_printer->previewGrid(DBGridEh6, QStringLiteral("家庭通讯录"), window());
}

void ContactsPage::BitBtn36Click()
{
    Dataset *contacts = DM->ADOQTxl;
    if (!contacts->isActive())
        return;
    m_saveDialog->fileName = QStringLiteral("家庭通讯录");
    // this page offers vCards besides the grid's formats
    const QString gridFilter = m_saveDialog->filter;
    const int vcards = int(gridFilter.count(QLatin1Char('|')) + 1) / 2 + 1;
    m_saveDialog->filter = exportFilter(gridFilter);
    bool chosen = false;
    try {
        chosen = m_saveDialog->execute(DBGridEh6);
    } catch (...) {
        m_saveDialog->filter = gridFilter;
        throw;
    }
    m_saveDialog->filter = gridFilter;
    if (!chosen)
        return;
    if (m_saveDialog->filterIndex != vcards) {
        WriteGridExport(m_saveDialog, DBGridEh6);
        return;
    }
    m_saveDialog->fileName += QStringLiteral(".vcf");
    if (!VCard::write(*contacts, m_saveDialog->fileName))
        throw std::runtime_error(
            QStringLiteral("无法写入文件“%1”").arg(QDir::toNativeSeparators(m_saveDialog->fileName)).toStdString());
}

void ContactsPage::ComboBox7Click()
{
    Edit5->setFocus();
    Edit5->selectAll();
}

QString ContactsPage::searchStatement(int index, const QString &text)
{
    const int column = qBound(0, index, int(std::size(SearchColumns)) - 1);
    QString typed = text.trimmed();
    // a birthday is found however it is typed: it is stored as yyyy-MM-dd
    if (qstrcmp(SearchColumns[column], "sr") == 0)
        typed = FormWidgets::canonicalDate(typed);
    return QStringLiteral("select * from txl where  ") + likeCondition(QLatin1String(SearchColumns[column]), typed);
}

void ContactsPage::BitBtn37Click()
{
    Dataset *contacts = DM->ADOQTxl;
    contacts->requery(searchStatement(ComboBox7->currentIndex(), Edit5->text()));
    Edit5->setFocus();
    Edit5->selectAll();
}

void ContactsPage::ComboBox8Click()
{
    QString statement = QStringLiteral("select * from txl");
    if (ComboBox8->currentText() != Everyone)
        statement += QStringLiteral(" where fz='") + sqlText(ComboBox8->currentText()) + QStringLiteral("'");
    Dataset *contacts = DM->ADOQTxl;
    contacts->requery(statement);
}
