#include "form.h"

#include "platform/platform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QShowEvent>

Form::Form(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, flags)
{}

void Form::done(int result)
{
    guard([this] { FormClose(); });
    QDialog::done(result);
}

void Form::centreOnMainWindow()
{
    const QWidget *anchor = parentWidget() ? parentWidget()->window() : nullptr;
    const QRect area
        = anchor ? anchor->frameGeometry() : (screen() ? screen()->availableGeometry() : QRect(0, 0, 1024, 768));
    const QSize size = frameGeometry().size().isValid() ? frameGeometry().size() : sizeHint();
    move(area.center() - QPoint(size.width() / 2, size.height() / 2));
}

void Form::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guard([this] { FormShow(); });
}

QHBoxLayout *centredRow(const QList<QWidget *> &widgets)
{
    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QWidget *w : widgets)
        row->addWidget(w);
    row->addStretch();
    return row;
}
