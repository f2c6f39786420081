#pragma once

#include <QList>
#include <QString>

// The kind of value a column holds, read from its declared type.
enum class FieldKind { Integer, Float, Date, DateTime, Text, Memo };

struct TableColumn
{
    QString name;
    FieldKind kind = FieldKind::Text;
};

struct TableInfo
{
    QString name;
    QList<TableColumn> columns;
    int autoIncrement = -1; // index of the AutoNumber column, -1 when none
};
