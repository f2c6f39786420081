#pragma once

#include "dataset.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QPointer>
#include <QStringList>

#include <vector>

// Presents a Dataset to item views: one model row per dataset row (the row
// being inserted included), one model column per chosen field. It follows
// every change signal of the dataset with the matching notifications, so views
// and proxies stay consistent through open, append, post, cancel, delete,
// sort, re-query and close. It only reads the dataset; it never moves it.
class DatasetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The dataset is not owned and may be destroyed first (the model then
    // shows nothing); the model is owned by parent.
    DatasetModel(Dataset *dataset, QObject *parent);

    Dataset *dataset() const { return m_dataset; }

    // Makes the model columns these fields, in this order; the names are
    // resolved to field indexes each time the dataset opens, and a name the
    // result lacks gives an empty column. An empty list shows every field.
    void setColumnFields(const QStringList &fields);
    QStringList columnFields() const { return m_fieldNames; }
    // Field index of the dataset behind a model column; -1 when the column
    // has no such field in the open result (or the dataset is closed).
    int fieldOfColumn(int column) const;
    // Model column showing a field index; -1 when none does.
    int columnOfField(int field) const;

    // recordCount() of the open dataset, 0 when it is closed.
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The number of chosen fields (constant while it is closed, so headers
    // keep their sections), or the result's field count when none are chosen.
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    // DisplayRole: Dataset::textAt; EditRole: Dataset::valueAt. Invalid for
    // other roles and for indexes outside the model.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // Horizontal: the title given by setHeaderData, else the field name;
    // vertical: the 1-based row number.
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // Stores a horizontal DisplayRole title for a column; false otherwise.
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    // Sorts the dataset's rows in memory by the column's field (Dataset::sort);
    // may post a pending row first and then throws what the post throws.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

private:
    void connectDataset();
    void resolveFields();
    void beginReset();
    void endReset();
    void rememberCurrentForReorder();
    void followReorder();
    bool isOpen() const { return m_dataset && m_dataset->isActive(); }

    QPointer<Dataset> m_dataset;
    QStringList m_fieldNames;
    QHash<int, QString> m_titles;    // column -> title given by setHeaderData
    std::vector<int> m_fieldIndexes; // model column -> dataset field, resolved on open
    bool m_resetting = false;
    QModelIndexList m_persistentBefore; // the persistent indexes before a sort
    QList<qint64> m_storageBefore;      // and the stored rows they stood on
};
