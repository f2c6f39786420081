#include "statswidgets.h"

#include <QLabel>
#include <QPushButton>

namespace StatsWidgets {

QLabel *pageTitle(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignCenter);
    label->setStyleSheet(QStringLiteral("QLabel { color: blue; font-weight: bold; font-size: 18px; }"));
    return label;
}

QPushButton *button(const char *name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(QLatin1String(name));
    b->setAutoDefault(false);
    return b;
}

GridColumn textColumn(const QString &title, const QString &field, int width)
{
    GridColumn c;
    c.title = title;
    c.field = field;
    c.width = width;
    return c;
}

GridColumn amountColumn(const QString &title, const QString &field, int width, const QColor &color)
{
    GridColumn c = textColumn(title, field, width);
    c.alignment = Qt::AlignRight | Qt::AlignVCenter;
    c.displayFormat = QStringLiteral("0.00");
    c.color = color;
    c.footer = FooterKind::Sum;
    c.footerFormat = QStringLiteral("0.00");
    c.footerAlignment = Qt::AlignRight | Qt::AlignVCenter;
    c.footerColor = color;
    return c;
}

} // namespace StatsWidgets
