#include "tfrmdqjz.h"

#include "components/forms.h"
#include "data/dataset.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "stats/budgets.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

const char *const Titles[] = {"记入", "日期", "收支", "费用项目", "费用明细", "金额", "收支帐户", "说明"};

QString amountText(qint64 cents)
{
    return QString::number(double(cents) / 100.0, 'f', 2);
}

// Reads the ledger list anew (after entries were made elsewhere), keeping
// its statement.
void rereadLedger()
{
    Dataset *ledger = DM->ADOQlsz;
    if (ledger->isActive()) {
        ledger->close();
        ledger->open();
        ledger->last();
    }
}

QString operatorName()
{
    Dataset *log = DM->ADOQLog;
    return log->isActive() && !log->isEmpty() ? log->asString(QStringLiteral("yhmc")) : QString();
}

} // namespace

// --- the occurrences -------------------------------------------------------------------

OccurrencesModel::OccurrencesModel(QObject *parent)
    : QAbstractTableModel(parent)
{}

void OccurrencesModel::setRows(const QList<Row> &rows)
{
    beginResetModel();
    m_rows = rows;
    endResetModel();
    Q_EMIT changed();
}

int OccurrencesModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int OccurrencesModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant OccurrencesModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return QVariant();
    const Row &r = m_rows.at(index.row());
    const Recurring::Template &t = r.occurrence.t;
    if (role == Qt::CheckStateRole && index.column() == Tick && !r.done)
        return r.ticked ? Qt::Checked : Qt::Unchecked;
    if (role == Qt::ForegroundRole) {
        if (r.done)
            return QColor(Qt::gray);
        if (index.column() == Amount)
            return t.type == QStringLiteral("收入") ? QColor(0, 128, 0) : QColor(255, 0, 0);
        return QVariant();
    }
    if (role == Qt::BackgroundRole && index.column() == Amount && !r.done && t.estimated)
        return QColor(255, 248, 200); // an estimate: the amount is asked for
    if (role == Qt::TextAlignmentRole && index.column() == Amount)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::AccessibleTextRole && index.column() == Tick)
        return r.done ? QStringLiteral("已记入") : r.ticked ? QStringLiteral("记入") : QStringLiteral("不记入");
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    switch (index.column()) {
    case Tick:
        return r.done ? QStringLiteral("已记入") : QVariant();
    case Date:
        return r.occurrence.date.toString(QStringLiteral("yyyy-MM-dd"));
    case Kind:
        return t.type;
    case Item:
        return t.item;
    case Detail:
        return t.detail;
    case Amount:
        return r.amountGiven ? amountText(r.cents) : QString();
    case Account:
        return t.account;
    case Note:
        if (r.done)
            return QStringLiteral("自动记帐，已记入帐本");
        if (t.estimated && !r.amountGiven)
            return QStringLiteral("估计金额约 %1 元：请填写实际金额").arg(amountText(t.cents));
        return t.ruleText();
    default:
        return QVariant();
    }
}

QVariant OccurrencesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return QString::fromUtf8(Titles[section]);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags OccurrencesModel::flags(const QModelIndex &index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (!index.isValid() || m_rows.at(index.row()).done)
        return f;
    if (index.column() == Tick)
        f |= Qt::ItemIsUserCheckable;
    if (index.column() == Amount)
        f |= Qt::ItemIsEditable;
    return f;
}

bool OccurrencesModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!index.isValid() || m_rows.at(index.row()).done)
        return false;
    Row &r = m_rows[index.row()];
    if (index.column() == Tick && role == Qt::CheckStateRole) {
        // an estimate is ticked only with its amount
        r.ticked = value.toInt() == Qt::Checked && r.amountGiven;
    } else if (index.column() == Amount && role == Qt::EditRole) {
        qint64 cents = 0;
        QString why;
        if (!Budgets::parseAmount(value.toString(), &cents, &why)) {
            platform().showMessage(QApplication::activeWindow(), why);
            return false;
        }
        r.cents = cents;
        r.amountGiven = true;
        r.ticked = true;
    } else {
        return false;
    }
    Q_EMIT dataChanged(index.siblingAtColumn(0), index.siblingAtColumn(ColumnCount - 1));
    Q_EMIT changed();
    return true;
}

// --- the dialog -------------------------------------------------------------------------

TFrmDqjz::TFrmDqjz(QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("FrmDqjz"));
    setWindowTitle(QStringLiteral("到期的定期收支"));
    Label1 = new QLabel(QStringLiteral("以下定期收支已经到期。勾选要记入帐本的各次（金额可以修改），按“记入帐本”："),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    DBGridEh1 = new QTableView(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setAccessibleName(QStringLiteral("到期的定期收支"));
    Model = new OccurrencesModel(this);
    DBGridEh1->setModel(Model);
    DBGridEh1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DBGridEh1->setSelectionMode(QAbstractItemView::SingleSelection);
    DBGridEh1->setEditTriggers(QAbstractItemView::AllEditTriggers);
    DBGridEh1->setTabKeyNavigation(false);
    DBGridEh1->verticalHeader()->hide();
    DBGridEh1->verticalHeader()->setDefaultSectionSize(DBGridEh1->fontMetrics().height() + 6);
    const int widths[] = {56, 84, 44, 80, 80, 80, 90, 240};
    for (int c = 0; c < OccurrencesModel::ColumnCount; ++c)
        DBGridEh1->setColumnWidth(c, widths[c]);
    DBGridEh1->horizontalHeader()->setStretchLastSection(true);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setStyleSheet(QStringLiteral("QLabel { color: #000080; }"));
    BitBtn1 = new QPushButton(QStringLiteral("记入帐本"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn2 = new QPushButton(QStringLiteral("以后再说"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn1->setDefault(true);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Label2, 1);
    buttons->addWidget(BitBtn1);
    buttons->addWidget(BitBtn2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(DBGridEh1, 1);
    layout->addLayout(buttons);
    resize(820, 400);
    setTabOrder(DBGridEh1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);

    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
    connect(Model, &OccurrencesModel::changed, this, [this] { updateSummary(); });
    forms().FrmDqjz = this;
}

void TFrmDqjz::setOccurrences(const QList<Recurring::Occurrence> &toConfirm, const QList<Recurring::Occurrence> &posted)
{
    m_posted = 0;
    QList<OccurrencesModel::Row> rows;
    for (const Recurring::Occurrence &o : posted)
        rows.append({o, false, true, o.t.cents, true});
    for (const Recurring::Occurrence &o : toConfirm) {
        // an estimate is asked for: no amount and no tick until it is given
        const bool given = !o.t.estimated;
        rows.append({o, given, false, o.t.cents, given});
    }
    Model->setRows(rows);
    BitBtn1->setEnabled(!toConfirm.isEmpty());
}

void TFrmDqjz::FormShow()
{
    centreOnMainWindow();
    DBGridEh1->setFocus();
    for (int r = 0; r < Model->rowCount(); ++r)
        if (!Model->rows().at(r).done) {
            DBGridEh1->setCurrentIndex(Model->index(r, OccurrencesModel::Tick));
            break;
        }
}

void TFrmDqjz::updateSummary()
{
    int ticked = 0;
    int waiting = 0;
    int done = 0;
    for (const OccurrencesModel::Row &r : Model->rows()) {
        if (r.done)
            ++done;
        else if (r.ticked)
            ++ticked;
        else
            ++waiting;
    }
    QString text = QStringLiteral("勾选 %1 笔").arg(ticked);
    if (waiting)
        text += QStringLiteral("，%1 笔留待以后").arg(waiting);
    if (done)
        text += QStringLiteral("；%1 笔已自动记帐").arg(done);
    Label2->setText(text);
    Label2->setAccessibleName(text);
}

void TFrmDqjz::BitBtn1Click()
{
    QList<Recurring::Posting> postings;
    for (const OccurrencesModel::Row &r : Model->rows())
        if (!r.done && r.ticked && r.amountGiven)
            postings.append({r.occurrence, r.cents});
    if (postings.isEmpty()) {
        platform().showMessage(this, QStringLiteral("没有勾选要记入帐本的定期收支。"));
        return;
    }
    m_posted += int(Recurring::post(DM->ADOConnection1, postings, operatorName(), platform().now()).size());
    accept();
}

void TFrmDqjz::atLogin()
{
    Connection *connection = DM->ADOConnection1;
    const QList<Recurring::Occurrence> due = Recurring::due(connection, platform().today());
    if (due.isEmpty())
        return;
    QList<Recurring::Posting> automatic;
    QList<Recurring::Occurrence> postedByThemselves;
    QList<Recurring::Occurrence> toConfirm;
    for (const Recurring::Occurrence &o : due) {
        if (o.t.mode == Recurring::Mode::Automatic && !o.t.estimated) {
            automatic.append({o, o.t.cents});
            postedByThemselves.append(o);
        } else {
            toConfirm.append(o);
        }
    }
    int made = 0;
    if (!automatic.isEmpty())
        made += int(Recurring::post(connection, automatic, operatorName(), platform().now()).size());
    TFrmDqjz *form = forms().FrmDqjz;
    form->setOccurrences(toConfirm, postedByThemselves);
    platform().showModal(form);
    made += form->posted();
    if (made > 0)
        rereadLedger();
}

int TFrmDqjz::offerPast(const QList<Recurring::Occurrence> &past)
{
    TFrmDqjz *form = forms().FrmDqjz;
    form->setOccurrences(past, {});
    platform().showModal(form);
    if (form->posted() > 0)
        rereadLedger();
    return form->posted();
}
