#include "listdialog.h"

#include "components/dbgrideh.h"
#include "platform/platform.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

ListDialog::ListDialog(const QString &caption, DataSource *source, const QString &title, const QString &field,
                       const QString &footer, QWidget *parent)
    : Form(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(caption);
    DBGridEh1 = new DBGridEh(this);
    DBGridEh1->setObjectName(QStringLiteral("DBGridEh1"));
    DBGridEh1->setAccessibleName(caption);
    DBGridEh1->setDataSource(source);
    DBGridEh1->setColumns({GridColumn::of(title, field, 180).counting(footer, QColor(128, 0, 0))});
    DBGridEh1->view()->horizontalHeader()->setStretchLastSection(true); // the one column fills the list
    BitBtn1 = new QPushButton(QStringLiteral("增加"), this);
    BitBtn2 = new QPushButton(QStringLiteral("修改"), this);
    BitBtn3 = new QPushButton(QStringLiteral("删除"), this);
    BitBtn4 = new QPushButton(QStringLiteral("退出"), this);
    const QList<QPushButton *> all = {BitBtn1, BitBtn2, BitBtn3, BitBtn4};
    auto *buttons = new QHBoxLayout;
    for (int i = 0; i < all.size(); ++i) {
        all[i]->setObjectName(QStringLiteral("BitBtn%1").arg(i + 1));
        all[i]->setAutoDefault(false);
        buttons->addWidget(all[i]);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DBGridEh1, 1);
    layout->addLayout(buttons);
    resize(300, 340);
    connect(BitBtn1, &QPushButton::clicked, this, guarded([this] { BitBtn1Click(); }));
    connect(BitBtn2, &QPushButton::clicked, this, guarded([this] { BitBtn2Click(); }));
    connect(BitBtn3, &QPushButton::clicked, this, guarded([this] { BitBtn3Click(); }));
    connect(BitBtn4, &QPushButton::clicked, this, guarded([this] { BitBtn4Click(); }));
}

void ListDialog::FormShow()
{
    centreOnMainWindow();
}

void ListDialog::BitBtn4Click()
{
    close();
}
