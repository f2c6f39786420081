#include "form.h"

#include "components/accessiblenames.h"
#include "platform/platform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QShowEvent>

namespace {
// A dialog with a title bar asks for exactly the buttons its flags name (a
// title and a close box): without the customize hint the window manager is
// told to add minimize and maximize. (Some window managers add them anyway
// unless the dialog also has a fixed size.)
Qt::WindowFlags dialogFrame(Qt::WindowFlags flags)
{
    if (flags.testFlag(Qt::WindowTitleHint) && !flags.testFlag(Qt::FramelessWindowHint))
        flags |= Qt::CustomizeWindowHint;
    return flags;
}
} // namespace

Form::Form(QWidget *parent, Qt::WindowFlags flags)
    : QDialog(parent, dialogFrame(flags))
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
    QPoint at = area.center() - QPoint(size.width() / 2, size.height() / 2);
    // At the first showing the window manager has not told its frame yet:
    // the size is the bare window's, and the position given is taken for
    // the bare window's too. Its frame will be about the main window's
    // (title bar), so the window goes where its frame is then centred.
    if (anchor && frameGeometry() == geometry()) {
        const QMargins frame(anchor->geometry().left() - anchor->frameGeometry().left(),
                             anchor->geometry().top() - anchor->frameGeometry().top(),
                             anchor->frameGeometry().right() - anchor->geometry().right(),
                             anchor->frameGeometry().bottom() - anchor->geometry().bottom());
        at += QPoint(frame.left() - (frame.left() + frame.right()) / 2,
                     frame.top() - (frame.top() + frame.bottom()) / 2);
    }
    move(at);
}

void Form::showEvent(QShowEvent *event)
{
    // A dialog of fixed size keeps the size it was laid out with (at least
    // what its contents need): nothing to maximize or drag bigger.
    if (windowFlags().testFlag(Qt::MSWindowsFixedSizeDialogHint) && !event->spontaneous())
        setFixedSize(size().expandedTo(minimumSizeHint()));
    QDialog::showEvent(event);
    if (!event->spontaneous())
        guard([this] { FormShow(); });
}

bool Form::event(QEvent *event)
{
    // every widget is made by now: the first polish comes with the first
    // showing
    if (event->type() == QEvent::Polish)
        nameFieldsByTheirLabels(this);
    return QDialog::event(event);
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
