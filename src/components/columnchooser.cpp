#include "columnchooser.h"

#include "dbgrideh.h"
#include "platform/platform.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

void ColumnChooser::choose(DBGridEh *grid)
{
    // The dialog lives for this call; its widgets are its children.
    QDialog dialog(grid);
    dialog.setObjectName(QStringLiteral("DBGridEhColumnsDialog"));
    dialog.setWindowTitle(QStringLiteral("设置表格列属性"));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("勾选要显示的列："), &dialog));
    auto *list = new QListWidget(&dialog);
    list->setObjectName(QStringLiteral("columns"));
    layout->addWidget(list);
    const QHeaderView *titles = grid->view()->horizontalHeader();
    for (int v = 0; v < titles->count(); ++v) {
        const int column = titles->logicalIndex(v);
        auto *item = new QListWidgetItem(grid->columns().at(column).title, list);
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setCheckState(grid->isColumnVisible(column) ? Qt::Checked : Qt::Unchecked);
        item->setData(Qt::UserRole, column);
    }
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    layout->addWidget(buttons);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    // a grid keeps at least one column
    QObject::connect(list, &QListWidget::itemChanged, &dialog, [list, buttons] {
        bool any = false;
        for (int i = 0; i < list->count() && !any; ++i)
            any = list->item(i)->checkState() == Qt::Checked;
        buttons->button(QDialogButtonBox::Ok)->setEnabled(any);
    });
    if (platform().showModal(&dialog) != QDialog::Accepted)
        return;
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem *item = list->item(i);
        grid->view()->setColumnHidden(item->data(Qt::UserRole).toInt(), item->checkState() != Qt::Checked);
    }
    grid->syncFrozenColumns();
}
