#include "gridlayouts.h"

#include "dbgrideh.h"

#include <QHeaderView>
#include <QSettings>
#include <QTableView>

QString GridLayouts::columnKey(const DBGridEh &grid, int column)
{
    // a column is known by its field; a second column of the same field, or
    // one without a field, by its position
    const QString &field = grid.columns().at(column).field;
    for (int i = 0; i < column; ++i)
        if (grid.columns().at(i).field.compare(field, Qt::CaseInsensitive) == 0)
            return QStringLiteral("#%1").arg(column);
    return field.isEmpty() ? QStringLiteral("#%1").arg(column) : field;
}

QString GridLayouts::layoutKey(const DBGridEh &grid)
{
    if (grid.objectName().isEmpty())
        return QString();
    const QWidget *owner = grid.window();
    if (!owner || owner == &grid)
        return grid.objectName();
    return QLatin1String(owner->metaObject()->className()) + QLatin1Char('/') + grid.objectName();
}

void GridLayouts::save(const DBGridEh &grid)
{
    if (layoutKey(grid).isEmpty())
        return;
    const QHeaderView *titles = grid.view()->horizontalHeader();
    QStringList order;
    QStringList widths;
    QStringList hidden;
    for (int v = 0; v < titles->count(); ++v) {
        const int column = titles->logicalIndex(v);
        order.append(columnKey(grid, column));
        widths.append(QString::number(titles->isSectionHidden(column)
                                          ? grid.scaledWidth(grid.columns().at(column).width)
                                          : titles->sectionSize(column)));
        if (titles->isSectionHidden(column))
            hidden.append(columnKey(grid, column));
    }
    QSettings settings;
    settings.beginGroup(layoutKey(grid));
    settings.setValue(QStringLiteral("columns"), order);
    settings.setValue(QStringLiteral("widths"), widths);
    settings.setValue(QStringLiteral("hidden"), hidden);
    settings.endGroup();
}

void GridLayouts::restore(DBGridEh &grid)
{
    if (layoutKey(grid).isEmpty())
        return;
    QSettings settings;
    settings.beginGroup(layoutKey(grid));
    const QStringList order = settings.value(QStringLiteral("columns")).toStringList();
    const QStringList widths = settings.value(QStringLiteral("widths")).toStringList();
    const QStringList hidden = settings.value(QStringLiteral("hidden")).toStringList();
    settings.endGroup();
    if (order.isEmpty())
        return;
    grid.keepWidths();
    QHeaderView *titles = grid.view()->horizontalHeader();
    int place = 0;
    for (int i = 0; i < order.size(); ++i) {
        int column = -1;
        for (int c = 0; c < grid.columns().size() && column < 0; ++c)
            if (columnKey(grid, c) == order.at(i))
                column = c;
        if (column < 0)
            continue; // a column the grid no longer has
        titles->moveSection(titles->visualIndex(column), place++);
        grid.view()->setColumnHidden(column, hidden.contains(order.at(i)));
        bool ok = false;
        const int width = widths.value(i).toInt(&ok);
        if (ok && width > 0) {
            if (grid.view()->isColumnHidden(column)) {
                grid.view()->setColumnHidden(column, false);
                grid.view()->setColumnWidth(column, width);
                grid.view()->setColumnHidden(column, true);
            } else {
                grid.view()->setColumnWidth(column, width);
            }
        }
    }
    grid.syncFrozenColumns();
}
