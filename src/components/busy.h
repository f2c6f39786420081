#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <atomic>
#include <exception>
#include <functional>

class QProgressDialog;
class QWidget;

// Shows that the program is working while a long command runs, and keeps
// its windows painted meanwhile: the wait cursor at once, a progress window
// after a second (a moving bar while no count is known), with "取消" where
// the command can be given up. While it lasts, input to the program's other
// windows is held back, so that no second command starts in the middle of
// the first.
//
// The work itself runs elsewhere (a worker thread, a child process); the
// owner of a BusyIndicator spins its event loop with waitUntil().
class BusyIndicator : public QObject
{
    Q_OBJECT
public:
    // Object name of the progress window (tests find it by it).
    static const char *const ProgressName;

    BusyIndicator(QWidget *owner, const QString &label, bool cancellable = false);
    ~BusyIndicator() override;

    // The count of steps; 0 (the default) shows a moving bar.
    void setMaximum(qint64 maximum);
    void setValue(qint64 value);
    void setLabel(const QString &label);
    // Whether "取消" was pressed (or the progress window closed).
    bool cancelled() const;
    // Runs the event loop until done() is true or (when untilCancelled) the
    // command is given up; done() is asked every 20 ms and whenever wake()
    // is called on the indicator's thread (from another it does nothing).
    void waitUntil(const std::function<bool()> &done, bool untilCancelled = true);
    void wake();

    // The delay before the progress window shows (1000 ms; tests shorten it).
    static void setShowDelay(int milliseconds);

Q_SIGNALS:
    // After wake() on the indicator's thread.
    void woken();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QPointer<QProgressDialog> m_dialog;
    bool m_cancelled = false;
    bool m_cancellable = false;
    qint64 m_scale = 1;
};

// Runs work on a worker thread while a BusyIndicator shows, and returns
// when it has finished. An exception thrown by work is thrown again here.
// progress (may be null) is called from the worker with (done, total) and
// shown on the bar. When cancellable and the user gives up, cancelled
// becomes true for work to see; runBusy() still waits for work to end.
// A total of 0 shows a moving bar (no count known); label (from the worker
// too) changes what the window says.
struct BusyTask
{
    std::function<void(qint64 done, qint64 total)> progress;
    std::function<void(const QString &text)> label;
    const std::atomic<bool> *cancelled = nullptr;
};
void runBusy(QWidget *owner, const QString &label, const std::function<void(BusyTask &)> &work,
             bool cancellable = false);

class Dataset;

// Takes the rows of the reading dataset has under way (openInBackground)
// while owner's windows stay painted: the wait cursor at once, a moving bar
// with label after a second; then gives the heap the reading left behind
// back to the system. Does nothing without a reading under way. Throws the
// DbError the reading failed with (the dataset is then closed).
void finishReading(QWidget *owner, Dataset *dataset, const QString &label);
// Closes dataset, puts sql in place of its statement and reads it over the
// program's connection on a worker thread as finishReading() does (the
// program starts no statement meanwhile: its input is held back). Throws
// DbError: the statement cannot be translated or the reading failed (the
// dataset is then closed).
void requeryShowingProgress(QWidget *owner, Dataset *dataset, const QString &sql, const QString &label);
