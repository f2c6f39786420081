#include "datasetmodel.h"

#include "platform/platform.h"

DatasetModel::DatasetModel(Dataset *dataset, QObject *parent)
    : QAbstractTableModel(parent)
    , m_dataset(dataset)
{
    resolveFields();
    connectDataset();
}

void DatasetModel::connectDataset()
{
    if (!m_dataset)
        return;
    Dataset *d = m_dataset;
    // Opening, closing and re-querying replace every row and maybe the fields.
    connect(d, &Dataset::aboutToReset, this, [this] { beginReset(); });
    connect(d, &Dataset::reset, this, [this] { endReset(); });

    // append() adds the row being inserted at the end; cancel() of that row
    // and remove() take one row away.
    connect(d, &Dataset::rowAboutToBeInserted, this, [this](int row) { beginInsertRows(QModelIndex(), row, row); });
    connect(d, &Dataset::rowInserted, this, [this](int) { endInsertRows(); });
    connect(d, &Dataset::rowAboutToBeRemoved, this, [this](int row) { beginRemoveRows(QModelIndex(), row, row); });
    connect(d, &Dataset::rowRemoved, this, [this](int) { endRemoveRows(); });

    // A sort in memory is a change of layout: same rows, other positions.
    connect(d, &Dataset::aboutToReorder, this, [this] { rememberCurrentForReorder(); });
    connect(d, &Dataset::reordered, this, [this] { followReorder(); });

    connect(d, &Dataset::rowChanged, this, [this](int row) {
        const int columns = columnCount();
        if (row < 0 || row >= rowCount() || columns == 0)
            return;
        Q_EMIT dataChanged(index(row, 0), index(row, columns - 1), {Qt::DisplayRole, Qt::EditRole});
    });

    // The dataset may go first (it belongs to the data module, the model to a
    // screen); afterwards the model is empty.
    connect(d, &QObject::destroyed, this, [this] {
        if (!m_resetting)
            beginResetModel();
        m_resetting = false;
        m_fieldIndexes.assign(std::size_t(m_fieldNames.size()), -1);
        endResetModel();
    });
}

void DatasetModel::beginReset()
{
    if (m_resetting)
        return;
    m_resetting = true;
    beginResetModel();
}

void DatasetModel::endReset()
{
    // A reset announced without aboutToReset still gets a complete pair.
    if (!m_resetting)
        beginResetModel();
    resolveFields();
    m_resetting = false;
    endResetModel();
}

void DatasetModel::rememberCurrentForReorder()
{
    Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // every persistent index (a view's current index, its selection) is
    // tied to the stored row it stands on, which a sort does not change
    m_persistentBefore = persistentIndexList();
    m_storageBefore.clear();
    m_storageBefore.reserve(m_persistentBefore.size());
    for (const QModelIndex &i : std::as_const(m_persistentBefore))
        m_storageBefore.append(m_dataset ? m_dataset->storageRowAt(i.row()) : -1);
}

void DatasetModel::followReorder()
{
    QSet<qint64> rows;
    for (qint64 r : std::as_const(m_storageBefore))
        if (r >= 0)
            rows.insert(r);
    const QHash<qint64, int> now = m_dataset ? m_dataset->positionsOf(rows) : QHash<qint64, int>();
    QModelIndexList to;
    to.reserve(m_persistentBefore.size());
    for (int k = 0; k < m_persistentBefore.size(); ++k) {
        const QModelIndex &was = m_persistentBefore.at(k);
        const auto it = now.constFind(m_storageBefore.at(k));
        to.append(it == now.constEnd() ? was : index(it.value(), was.column()));
    }
    changePersistentIndexList(m_persistentBefore, to);
    m_persistentBefore.clear();
    m_storageBefore.clear();
    Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void DatasetModel::resolveFields()
{
    m_fieldIndexes.clear();
    if (m_fieldNames.isEmpty()) {
        if (isOpen())
            for (int f = 0; f < m_dataset->fieldCount(); ++f)
                m_fieldIndexes.push_back(f);
        return;
    }
    for (const QString &name : std::as_const(m_fieldNames))
        m_fieldIndexes.push_back(isOpen() ? m_dataset->fieldIndex(name) : -1);
}

void DatasetModel::setColumnFields(const QStringList &fields)
{
    beginResetModel();
    m_fieldNames = fields;
    m_titles.clear();
    resolveFields();
    endResetModel();
}

int DatasetModel::fieldOfColumn(int column) const
{
    if (column < 0 || column >= int(m_fieldIndexes.size()))
        return -1;
    return m_fieldIndexes[std::size_t(column)];
}

int DatasetModel::columnOfField(int field) const
{
    if (field < 0)
        return -1;
    for (std::size_t c = 0; c < m_fieldIndexes.size(); ++c)
        if (m_fieldIndexes[c] == field)
            return int(c);
    return -1;
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !isOpen())
        return 0;
    return m_dataset->recordCount();
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return m_fieldNames.isEmpty() ? int(m_fieldIndexes.size()) : int(m_fieldNames.size());
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid) || !isOpen())
        return QVariant();
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return QVariant();
    const int field = fieldOfColumn(index.column());
    if (field < 0)
        return QVariant();
    if (role == Qt::DisplayRole)
        return m_dataset->textAt(index.row(), field);
    return m_dataset->valueAt(index.row(), field);
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || section < 0)
        return QVariant();
    if (orientation == Qt::Vertical)
        return section < rowCount() ? QVariant(section + 1) : QVariant();
    if (section >= columnCount())
        return QVariant();
    const auto title = m_titles.constFind(section);
    if (title != m_titles.constEnd())
        return *title;
    if (!m_fieldNames.isEmpty())
        return m_fieldNames.at(section);
    const int field = fieldOfColumn(section);
    return field >= 0 && isOpen() ? QVariant(m_dataset->field(field).name) : QVariant();
}

bool DatasetModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole) || section < 0
        || section >= columnCount())
        return false;
    m_titles.insert(section, value.toString());
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}

void DatasetModel::sort(int column, Qt::SortOrder order)
{
    const int field = fieldOfColumn(column);
    if (field < 0 || !isOpen())
        return;
    // Qt calls this: nothing may be thrown back into it (a pending row that
    // cannot be saved first ends here, in the general error box)
    guard([&] { m_dataset->sort(field, order); });
}
