#include "budgetview.h"

#include "budgets.h"
#include "components/dbgrideh.h"
#include "components/forms.h"
#include "components/formwidgets.h"
#include "data/dataset.h"
#include "data/sqltext.h"
#include "data/tdm.h"
#include "platform/platform.h"
#include "statswidgets.h"
#include "tfrmyssz.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

using namespace StatsWidgets;

namespace {

// The 执行情况 column: a bar as long as the share spent (full at 100 %),
// coloured by BudgetView::barColor, with the percentage on it.
class BarDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem plain = option;
        initStyleOption(&plain, index);
        plain.text.clear();
        QStyledItemDelegate::paint(painter, plain, QModelIndex());
        bool ok = false;
        const double percent = index.data(Qt::EditRole).toDouble(&ok);
        if (!ok)
            return;
        const QRect box = option.rect.adjusted(3, 3, -3, -3);
        QRect bar = box;
        bar.setWidth(int(box.width() * std::min(percent, 100.0) / 100.0));
        painter->save();
        painter->fillRect(box, QColor(235, 235, 235));
        painter->fillRect(bar, BudgetView::barColor(percent));
        painter->setPen(Qt::black);
        painter->drawText(box, Qt::AlignCenter, QStringLiteral("%1%").arg(percent, 0, 'f', 1));
        painter->restore();
    }
};

const QString TotalLabel = QStringLiteral("合计（每月预算）");

QString line(const Budgets::Line &l)
{
    const auto yuan = [](qint64 cents) {
        return QString::number(double(cents) / 100.0, 'f', 2);
    };
    return QStringLiteral("select '%1' as xm, '%2' as zq, %3 as ys, %4 as zc, %5 as sy, %6 as bl")
        .arg(sqlText(l.item),
             l.item == TotalLabel ? QString()
             : l.yearly           ? QStringLiteral("全年")
                        : (l.carriedCents ? QStringLiteral("本月（含结转 %1）").arg(Budgets::yuan(l.carriedCents))
                                          : QStringLiteral("本月")),
             yuan(l.budgetCents), yuan(l.spentCents), yuan(l.leftCents()))
        .arg(l.percent(), 0, 'f', 2);
}

} // namespace

BudgetView::BudgetView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("BudgetView"));
    DateTimePicker5 = new QDateEdit(this);
    DateTimePicker5->setObjectName(QStringLiteral("DateTimePicker5"));
    DateTimePicker5->setAccessibleName(QStringLiteral("预算月份"));
    DateTimePicker5->setDisplayFormat(QStringLiteral("yyyy年MM月"));
    DateTimePicker5->setCalendarPopup(true);
    BitBtn17 = button("BitBtn17", QStringLiteral("设置预算"), this);

    ADOQYszx = new Dataset(DM->ADOConnection1, this);
    ADOQYszx->setObjectName(QStringLiteral("ADOQYszx"));
    m_source = new DataSource(ADOQYszx, this);
    DBGridEh4 = new DBGridEh(this);
    DBGridEh4->setObjectName(QStringLiteral("DBGridEh4"));
    DBGridEh4->setAccessibleName(QStringLiteral("预算执行表"));
    DBGridEh4->setDataSource(m_source);
    // the month's items and their total row, then the yearly ones: a sum
    // below the grid would add a year's spending to a month's
    // what is left of a budget gone over is red
    const auto overspent = [](GridColumn c) {
        c.negativeColor = QColor(255, 0, 0);
        return c;
    };
    const auto amount = [](const QString &title, const QString &field, const QColor &color) {
        GridColumn c = GridColumn::amount(title, field, 90, color);
        c.footer = FooterKind::None;
        return c;
    };
    DBGridEh4->setColumns({GridColumn::of(QStringLiteral("费用项目"), QStringLiteral("xm"), 130),
                           GridColumn::of(QStringLiteral("预算期间"), QStringLiteral("zq"), 150),
                           amount(QStringLiteral("预算"), QStringLiteral("ys"), QColor(0, 0, 255)),
                           amount(QStringLiteral("已支出"), QStringLiteral("zc"), QColor(255, 0, 0)),
                           overspent(amount(QStringLiteral("剩余"), QStringLiteral("sy"), QColor(0, 128, 0))),
                           GridColumn::of(QStringLiteral("执行情况"), QStringLiteral("bl"), 220)});
    DBGridEh4->view()->setItemDelegateForColumn(5, new BarDelegate(DBGridEh4));
    Label6 = new QLabel(this);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label6->setWordWrap(true);

    auto *top = new QHBoxLayout;
    auto *monthLabel = new QLabel(QStringLiteral("月份(&M)："), this);
    monthLabel->setBuddy(DateTimePicker5);
    top->addWidget(monthLabel);
    top->addWidget(DateTimePicker5);
    top->addStretch();
    top->addWidget(BitBtn17);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(top);
    layout->addWidget(DBGridEh4, 1);
    layout->addWidget(Label6);

    connect(DateTimePicker5, &QDateEdit::dateChanged, this, [this] { guard([this] { refresh(); }); });
    connect(BitBtn17, &QPushButton::clicked, this, guarded([this] { BitBtn17Click(); }));
}

QColor BudgetView::barColor(double percent)
{
    if (percent > 100.0)
        return QColor(229, 57, 53); // red: over budget
    if (percent > 80.0)
        return QColor(255, 179, 0); // amber: over 80 %
    return QColor(67, 160, 71);     // green
}

void BudgetView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    guard([this] {
        if (!m_monthChosen) { // this month, the first time
            const QSignalBlocker quiet(DateTimePicker5);
            DateTimePicker5->setDate(platform().today());
            m_monthChosen = true;
        }
        refresh();
    });
}

void BudgetView::refresh()
{
    const QList<Budgets::Line> lines = Budgets::execution(DM->ADOConnection1, DateTimePicker5->date());
    QStringList selects;
    QStringList yearly;
    const Budgets::Line *all = nullptr;
    Budgets::Line total;
    total.item = TotalLabel;
    int monthly = 0;
    for (const Budgets::Line &l : lines) {
        if (l.item == Budgets::AllExpenses) {
            all = &l;
        } else if (l.yearly) {
            yearly.append(line(l));
        } else {
            selects.append(line(l));
            total.budgetCents += l.budgetCents;
            total.spentCents += l.spentCents;
            ++monthly;
        }
    }
    if (monthly > 1)
        selects.append(line(total));
    selects += yearly;
    if (selects.isEmpty())
        selects.append(QStringLiteral("select '' as xm, '' as zq, 0.0 as ys, 0.0 as zc, 0.0 as sy, 0.0 as bl "
                                      "where 0"));
    ADOQYszx->requery(selects.join(QStringLiteral(" union all ")));
    if (all) {
        Label6->setText(QStringLiteral("全部支出：预算 %1 元，已支出 %2 元，%3 %4 元（%5%）")
                            .arg(Budgets::yuan(all->budgetCents), Budgets::yuan(all->spentCents),
                                 all->leftCents() >= 0 ? QStringLiteral("剩余") : QStringLiteral("超支"),
                                 Budgets::yuan(std::abs(all->leftCents())))
                            .arg(all->percent(), 0, 'f', 1));
        Label6->setStyleSheet(QStringLiteral("QLabel { color: %1; font-weight: bold; }")
                                  .arg(barColor(all->percent()).darker(130).name()));
    } else {
        Label6->setText(lines.isEmpty()
                            ? QStringLiteral("还没有设置预算：按“设置预算”为费用项目或全部支出设置每月或每年的预算。")
                            : QStringLiteral("全部支出没有设置预算。"));
        Label6->setStyleSheet(QString());
    }
    Label6->setAccessibleName(Label6->text());
}

void BudgetView::BitBtn17Click()
{
    platform().showModal(forms().FrmYssz);
    refresh();
}
