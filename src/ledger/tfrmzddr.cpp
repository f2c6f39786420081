#include "tfrmzddr.h"

#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "tfrmzdgz.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QStringList columnValues(Connection *connection, const QString &sql)
{
    Dataset d(connection);
    d.addSql(sql);
    d.open();
    QStringList out;
    for (int r = 0; r < d.recordCount(); ++r)
        out.append(d.textAt(r, 0));
    return out;
}

// Item, detail and account are chosen from the ledger's own lists.
class ChoiceDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &index) const override
    {
        auto *box = new QComboBox(parent);
        Connection *connection = DM->ADOConnection1;
        QStringList values;
        guard([&] {
            if (index.column() == BillRowsModel::Item)
                values = columnValues(connection, QStringLiteral("select xmmc from fyxm"));
            else if (index.column() == BillRowsModel::Detail)
                values = BillImport::detailsOf(
                    connection, index.siblingAtColumn(BillRowsModel::Item).data(Qt::DisplayRole).toString());
            else
                values = columnValues(connection, QStringLiteral("select cyxm from jtcy"));
        });
        box->addItems(values);
        box->setAccessibleName(index.model()->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString());
        return box;
    }
    void setEditorData(QWidget *editor, const QModelIndex &index) const override
    {
        auto *box = static_cast<QComboBox *>(editor);
        box->setCurrentIndex(box->findText(index.data(Qt::DisplayRole).toString()));
    }
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override
    {
        const auto *box = static_cast<QComboBox *>(editor);
        if (box->currentIndex() >= 0)
            model->setData(index, box->currentText(), Qt::EditRole);
    }
};

const char *const Titles[]
    = {"导入", "行", "日期", "收支", "金额", "交易对方", "商品说明", "费用项目", "费用明细", "收支帐户", "说明"};

} // namespace

// --- the rows --------------------------------------------------------------------

BillRowsModel::BillRowsModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

void BillRowsModel::setPreview(BillImport::Preview *preview)
{
    beginResetModel();
    m_preview = preview;
    endResetModel();
}

void BillRowsModel::refresh()
{
    beginResetModel();
    endResetModel();
    Q_EMIT ticksChanged();
}

int BillRowsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_preview ? 0 : int(m_preview->rows.size());
}

int BillRowsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BillRowsModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || !m_preview || index.row() >= m_preview->rows.size())
        return QVariant();
    const BillImport::Candidate &c = m_preview->rows.at(index.row());
    if (role == Qt::CheckStateRole && index.column() == Tick)
        return c.ticked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ForegroundRole) {
        if (c.invalid)
            return QColor(Qt::red);
        if (!c.ticked)
            return QColor(Qt::gray);
        if (index.column() == Amount)
            return c.income ? QColor(0, 128, 0) : QColor(255, 0, 0);
        return QVariant();
    }
    if (role == Qt::TextAlignmentRole && index.column() == Amount)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && index.column() == Note)
        return c.note;
    if (role != Qt::DisplayRole && role != Qt::EditRole && role != Qt::AccessibleTextRole)
        return QVariant();
    switch (index.column()) {
    case Tick:
        return role == Qt::AccessibleTextRole ? (c.ticked ? QStringLiteral("导入") : QStringLiteral("不导入"))
                                              : QVariant();
    case Line:
        return c.row.line;
    case Date:
        return c.row.date.isValid() ? c.row.date.toString(QStringLiteral("yyyy-MM-dd")) : QString();
    case Kind:
        if (c.invalid)
            return QString();
        if (c.row.verdict == Bills::Verdict::Transfer || c.row.verdict == Bills::Verdict::Closed)
            return Bills::verdictName(c.row.verdict);
        return c.income ? QStringLiteral("收入") : QStringLiteral("支出");
    case Amount:
        return c.invalid ? QString() : BillImport::yuan(c.cents);
    case Counterparty:
        return c.row.counterparty;
    case Goods:
        return c.row.description;
    case Item:
        return c.item;
    case Detail:
        return c.detail;
    case Account:
        return c.account;
    case Note:
        return c.note;
    default:
        return QVariant();
    }
}

QVariant BillRowsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(Titles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags BillRowsModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!index.isValid() || !m_preview)
        return f;
    const BillImport::Candidate &c = m_preview->rows.at(index.row());
    // a row already in the ledger cannot be ticked: never twice
    if (index.column() == Tick && !c.invalid && !c.imported)
        f |= Qt::ItemIsUserCheckable;
    if ((index.column() == Item || index.column() == Detail || index.column() == Account) && !c.invalid)
        f |= Qt::ItemIsEditable;
    return f;
}

bool BillRowsModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || !m_preview)
        return false;
    BillImport::Candidate &c = m_preview->rows[index.row()];
    if (index.column() == Tick && role == Qt::CheckStateRole) {
        if (c.invalid || c.imported)
            return false;
        c.ticked = value.toInt() == Qt::Checked;
        c.userTick = c.ticked;
        // the refunds of a purchase in this bill follow it: a refund
        // without its purchase would be an income with nothing to net
        for (int r = 0; r < m_preview->rows.size(); ++r) {
            BillImport::Candidate &refund = m_preview->rows[r];
            if (refund.row.verdict == Bills::Verdict::Refund && refund.row.original == index.row() && refund.row.counted
                && !refund.imported && !refund.invalid) {
                refund.ticked = c.ticked;
                refund.userTick = c.ticked;
                Q_EMIT dataChanged(this->index(r, 0), this->index(r, ColumnCount - 1));
            }
        }
        Q_EMIT dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(ColumnCount - 1));
        Q_EMIT ticksChanged();
        return true;
    }
    if (role != Qt::EditRole)
        return false;
    const QString text = value.toString();
    switch (index.column()) {
    case Item: {
        if (text == c.item)
            return false;
        c.item = text;
        // the first detail of the item chosen
        QStringList details;
        guard([&] { details = BillImport::detailsOf(DM->ADOConnection1, text); });
        c.detail = details.value(0);
        c.userChose = true;
        break;
    }
    case Detail:
        if (text == c.detail)
            return false;
        c.detail = text;
        c.userChose = true;
        break;
    case Account:
        c.account = text;
        break;
    default:
        return false;
    }
    Q_EMIT dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(ColumnCount - 1));
    if (index.column() != Account)
        Q_EMIT chosen(index.row());
    return true;
}

// --- the dialog ------------------------------------------------------------------------

TFrmZddr::TFrmZddr(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::WindowMaximizeButtonHint)
{
    setObjectName(QStringLiteral("FrmZddr"));
    setWindowTitle(QStringLiteral("导入账单"));
    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);

    GroupBox1 = new QGroupBox(QStringLiteral("列对应（这个账单的格式还不认识：请指出各列的意思）"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto *mapping = new QGridLayout(GroupBox1);
    const QList<QPair<const char *, QComboBox **>> boxes
        = {{"日期", &ComboBox1},     {"金额（有正负）", &ComboBox2}, {"收入金额", &ComboBox3}, {"支出金额", &ComboBox4},
           {"交易对方", &ComboBox5}, {"说明", &ComboBox6},           {"交易号", &ComboBox7}};
    int n = 0;
    // each list in a titled group of its own: a screen reader announces a
    // list by its entry within its group's name
    for (const auto &[caption, box] : boxes) {
        *box = new QComboBox(GroupBox1);
        (*box)->setObjectName(QStringLiteral("ComboBox%1").arg(n + 1));
        (*box)->setAccessibleName(QString::fromUtf8(caption));
        mapping->addWidget(FormWidgets::group(QString::fromUtf8(caption), {*box}, GroupBox1), n / 4, n % 4);
        ++n;
    }
    CheckBox1 = new QCheckBox(QStringLiteral("正数为支出"), GroupBox1);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    BitBtn5 = new QPushButton(QStringLiteral("应用列对应"), GroupBox1);
    BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
    auto *apply = new QVBoxLayout;
    apply->addWidget(CheckBox1);
    apply->addWidget(BitBtn5);
    mapping->addLayout(apply, 1, 3);

    DBGridEh1 = new QTableView(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setAccessibleName(QStringLiteral("账单明细"));
    Model = new BillRowsModel(this);
    DBGridEh1->setModel(Model);
    DBGridEh1->setItemDelegate(new ChoiceDelegate(DBGridEh1));
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
                               | QAbstractItemView::SelectedClicked);
    DBGridEh1->setTabKeyNavigation(false);
    DBGridEh1->verticalHeader()->hide();
    DBGridEh1->verticalHeader()->setDefaultSectionSize(DBGridEh1->fontMetrics().height() + 6);
    DBGridEh1->setWordWrap(false);
    const int widths[] = {40, 40, 82, 44, 76, 150, 170, 80, 80, 110, 260};
    for (int c = 0; c < BillRowsModel::ColumnCount; ++c)
        DBGridEh1->setColumnWidth(c, widths[c]);
    DBGridEh1->horizontalHeader()->setStretchLastSection(true);

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setStyleSheet(QStringLiteral("QLabel { color: #000080; }"));
    BitBtn1 = new QPushButton(QStringLiteral("导入"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("撤销上次导入"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn3 = new QPushButton(QStringLiteral("分类规则"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    BitBtn4 = new QPushButton(QStringLiteral("取消"), this);
    BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
    BitBtn6 = new QPushButton(QStringLiteral("重新对应列"), this);
    BitBtn6->setObjectName(QStringLiteral("BitBtn6"));
    BitBtn6->setToolTip(QStringLiteral("这个格式的列对应是以前指定的；对应错了可以重新指定"));
    BitBtn1->setDefault(true);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Label2, 1);
    for (QPushButton *b : {BitBtn6, BitBtn3, BitBtn2, BitBtn1, BitBtn4})
        buttons->addWidget(b);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(GroupBox1);
    layout->addWidget(DBGridEh1, 1);
    layout->addLayout(buttons);
    resize(1180, 620);
    setTabOrder(DBGridEh1, BitBtn3);
    setTabOrder(BitBtn3, BitBtn2);
    setTabOrder(BitBtn2, BitBtn1);
    setTabOrder(BitBtn1, BitBtn4);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    connect(BitBtn4, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn5, &QPushButton::clicked, this, guarded([this] { BitBtn5Click(); }));
    connect(BitBtn6, &QPushButton::clicked, this, [this] {
        showMapping(true);
        ComboBox1->setFocus();
    });
    connect(Model, &BillRowsModel::ticksChanged, this, [this] { updateSummary(); });
    connect(Model, &BillRowsModel::chosen, this, [this](int row) { guard([this, row] { offerRule(row); }); });
    forms().FrmZddr = this;
}

void TFrmZddr::setPreview(BillImport::Preview preview)
{
    m_preview = std::move(preview);
    m_changed = false;
    m_firstImported = 0;
    m_ruleAnswers.clear();
    Model->setPreview(&m_preview);
    Label1->setText(QStringLiteral("文件：%1　　（%2）")
                        .arg(QFileInfo(m_preview.file).fileName(), m_preview.source == Bills::Source::Unknown
                                                                       ? QStringLiteral("格式未知")
                                                                       : m_preview.sourceName));
    Label1->setToolTip(QDir::toNativeSeparators(m_preview.file));
    // an unknown layout is mapped first; a mapped one can be mapped anew
    QStringList names = m_preview.header;
    names.removeAll(QString());
    const std::pair<QComboBox *, Bills::Field> fields[]
        = {{ComboBox1, Bills::Field::Date},         {ComboBox2, Bills::Field::Amount},
           {ComboBox3, Bills::Field::Income},       {ComboBox4, Bills::Field::Expense},
           {ComboBox5, Bills::Field::Counterparty}, {ComboBox6, Bills::Field::Description},
           {ComboBox7, Bills::Field::TransactionNo}};
    for (const auto &[box, field] : fields) {
        box->clear();
        box->addItem(QStringLiteral("（无）"));
        box->addItems(names);
        // a layout mapped before is mapped anew from what it was
        if (m_preview.mapping)
            box->setCurrentIndex(std::max(0, box->findText(m_preview.mapping->column(field))));
    }
    CheckBox1->setChecked(m_preview.mapping && m_preview.mapping->positiveIsExpense);
    showMapping(m_preview.source == Bills::Source::Unknown);
    // a layout mapped before may be mapped anew
    BitBtn6->setVisible(m_preview.source == Bills::Source::Mapped);
    updateSummary();
}

void TFrmZddr::FormShow()
{
    centreOnMainWindow();
    (GroupBox1->isVisible() ? static_cast<QWidget *>(ComboBox1) : DBGridEh1)->setFocus();
    if (Model->rowCount() > 0 && !DBGridEh1->currentIndex().isValid())
        DBGridEh1->setCurrentIndex(Model->index(0, BillRowsModel::Tick));
}

void TFrmZddr::showMapping(bool shown)
{
    GroupBox1->setVisible(shown);
}

QString TFrmZddr::summary() const
{
    int ticked = 0;
    qint64 income = 0;
    qint64 expense = 0;
    for (const BillImport::Candidate &c : m_preview.rows) {
        if (!c.ticked || c.invalid)
            continue;
        ++ticked;
        (c.income ? income : expense) += c.cents;
    }
    return QStringLiteral("共 %1 行，勾选 %2 行：收入 %3 元，支出 %4 元")
        .arg(m_preview.rows.size())
        .arg(ticked)
        .arg(BillImport::yuan(income), BillImport::yuan(expense));
}

void TFrmZddr::updateSummary()
{
    Label2->setText(summary());
    Label2->setAccessibleName(Label2->text());
}

void TFrmZddr::offerRule(int row)
{
    BillImport::Candidate &c = m_preview.rows[row];
    const QString keyword = !c.row.counterparty.isEmpty() ? c.row.counterparty.left(50) : c.row.description.left(50);
    if (keyword.isEmpty() || c.item.isEmpty())
        return;
    // one question a keyword: the item and then its detail are one choice;
    // an answer given holds for the rest of this bill
    const auto answered = m_ruleAnswers.constFind(keyword);
    if (answered != m_ruleAnswers.cend() && !answered.value())
        return;
    QString item;
    QString detail;
    if (BillImport::ruleFor(DM->ADOConnection1, keyword, QString(), &item, &detail) && item == c.item
        && detail == c.detail)
        return; // the rule there is already
    if (answered == m_ruleAnswers.cend()) {
        const bool yes
            = platform().askYesNo(this, QStringLiteral("以后“%1”都记为 %2/%3？").arg(keyword, c.item, c.detail));
        m_ruleAnswers.insert(keyword, yes);
        if (!yes)
            return;
    }
    BillImport::addRule(DM->ADOConnection1, keyword, c.item, c.detail);
    // the other rows of that counterparty follow at once
    for (BillImport::Candidate &other : m_preview.rows) {
        if (other.userChose || other.invalid)
            continue;
        if (other.row.counterparty.contains(keyword, Qt::CaseInsensitive)
            || other.row.description.contains(keyword, Qt::CaseInsensitive)) {
            other.item = c.item;
            other.detail = c.detail;
            other.fromRule = true;
        }
    }
    Model->refresh();
}

void TFrmZddr::BitBtn5Click()
{
    Bills::ColumnMapping mapping;
    const auto column = [](QComboBox *box) {
        return box->currentIndex() > 0 ? box->currentText() : QString();
    };
    mapping.setColumn(Bills::Field::Date, column(ComboBox1));
    mapping.setColumn(Bills::Field::Amount, column(ComboBox2));
    mapping.setColumn(Bills::Field::Income, column(ComboBox3));
    mapping.setColumn(Bills::Field::Expense, column(ComboBox4));
    mapping.setColumn(Bills::Field::Counterparty, column(ComboBox5));
    mapping.setColumn(Bills::Field::Description, column(ComboBox6));
    mapping.setColumn(Bills::Field::TransactionNo, column(ComboBox7));
    mapping.positiveIsExpense = CheckBox1->isChecked();
    QString why;
    if (!BillImport::applyMapping(DM->ADOConnection1, &m_preview, mapping, &why)) {
        platform().showMessage(this, QStringLiteral("列对应不完整：%1").arg(why));
        return;
    }
    Label1->setText(
        QStringLiteral("文件：%1　　（%2）").arg(QFileInfo(m_preview.file).fileName(), m_preview.sourceName));
    showMapping(false);
    BitBtn6->setVisible(true);
    Model->refresh();
    DBGridEh1->setFocus();
}

void TFrmZddr::BitBtn1Click()
{
    TDM *dm = DM;
    // the ledger lists entries from its start date on
    const QDate start = dm->startDate(platform().today());
    int ticked = 0;
    int earlier = 0;
    for (const BillImport::Candidate &c : m_preview.rows) {
        if (!c.ticked || c.invalid)
            continue;
        ++ticked;
        earlier += c.row.date < start ? 1 : 0;
    }
    if (ticked == 0) {
        platform().showMessage(this, QStringLiteral("没有勾选要导入的帐目。"));
        return;
    }
    const QString operatorName = dm->ADOQLog->isActive() && !dm->ADOQLog->isEmpty()
                                     ? dm->ADOQLog->asString(QStringLiteral("yhmc"))
                                     : QString();
    const BillImport::Result result = BillImport::import(dm->ADOConnection1, m_preview, operatorName, platform().now());
    m_changed = true;
    m_firstImported = result.ids.value(0);
    // the rows just imported are known as imported from now on
    BillImport::prepare(dm->ADOConnection1, &m_preview);
    Model->refresh();
    QString text = QStringLiteral("已导入 %1 笔帐目：收入 %2 元，支出 %3 元。")
                       .arg(result.entries)
                       .arg(BillImport::yuan(result.incomeCents), BillImport::yuan(result.expenseCents));
    if (earlier > 0)
        text += QStringLiteral("\r其中 %1 笔早于帐本起始日期 %2，流水帐中不列出（可用“条件筛选”查看）。")
                    .arg(earlier)
                    .arg(start.toString(QStringLiteral("yyyy-MM-dd")));
    platform().showMessage(this, text);
    accept();
}

void TFrmZddr::BitBtn2Click()
{
    Connection *connection = DM->ADOConnection1;
    const BillImport::Batch batch = BillImport::lastBatch(connection);
    if (batch.id == 0) {
        platform().showMessage(this, QStringLiteral("还没有导入过账单。"));
        return;
    }
    if (!platform().askYesNo(this, QStringLiteral("   是否撤销上次导入（%1 导入的“%2”，%3 笔帐目）？  ")
                                       .arg(batch.when.toString(QStringLiteral("yyyy-MM-dd hh:mm")), batch.file)
                                       .arg(batch.entries)))
        return;
    const int removed = BillImport::undo(connection, batch.id);
    m_changed = true;
    BillImport::prepare(connection, &m_preview);
    Model->refresh();
    platform().showMessage(this, QStringLiteral("已撤销上次导入，删除了 %1 笔帐目。").arg(removed));
}

void TFrmZddr::BitBtn3Click()
{
    platform().showModal(forms().FrmZdgz);
    // rules changed: the suggestions follow (what the user chose stays)
    BillImport::prepare(DM->ADOConnection1, &m_preview);
    Model->refresh();
}
