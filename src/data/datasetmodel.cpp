#include "datasetmodel.h"

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
    m_rowBeforeReorder = m_dataset ? m_dataset->currentRow() : -1;
}

void DatasetModel::followReorder()
{
    // The dataset tells where its current row went, not where every row went;
    // persistent indexes on the current row (a view's current index and
    // selection) follow it, the others keep their positions.
    const int newRow = m_dataset ? m_dataset->currentRow() : -1;
    if (m_rowBeforeReorder >= 0 && newRow >= 0 && newRow != m_rowBeforeReorder) {
        const QModelIndexList persistent = persistentIndexList();
        QModelIndexList from;
        QModelIndexList to;
        for (const QModelIndex &i : persistent) {
            if (i.row() != m_rowBeforeReorder)
                continue;
            from.append(i);
            to.append(index(newRow, i.column()));
        }
        changePersistentIndexList(from, to);
    }
    m_rowBeforeReorder = -1;
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
    m_dataset->sort(field, order);
}
