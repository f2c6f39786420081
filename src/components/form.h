#pragma once

#include <QDialog>
#include <QList>

class QHBoxLayout;

// Base of the program's dialogs. They are created once and shown modally
// again and again. FormShow() runs each time the dialog is shown and
// FormClose() each time it closes, however it closes (a button, Esc, the
// close box); both run inside the general error guard.
class Form : public QDialog
{
    Q_OBJECT
public:
    explicit Form(QWidget *parent = nullptr, Qt::WindowFlags flags = {});

    // Closes the dialog with the given result; FormClose() runs first.
    void done(int result) override;
    // Centres the dialog over the main window (or the screen without one).
    void centreOnMainWindow();

protected:
    virtual void FormShow() {}
    virtual void FormClose() {}
    void showEvent(QShowEvent *event) override;
    // Names the fields by their labels when the dialog is first polished.
    bool event(QEvent *event) override;
};

// A row of buttons centred under a dialog's fields (the caller's layout
// takes ownership when the row is added to it).
QHBoxLayout *centredRow(const QList<QWidget *> &widgets);
