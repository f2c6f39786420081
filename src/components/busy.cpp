#include "busy.h"

#include "data/connection.h"
#include "data/dataset.h"

#include "platform/platform.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QEventLoop>
#include <QMutex>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>

#include <thread>

namespace {

int ShowDelay = 1000;

bool isUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::Close:
    case QEvent::TouchBegin:
        return true;
    default:
        return false;
    }
}

} // namespace

const char *const BusyIndicator::ProgressName = "BusyProgress";

BusyIndicator::BusyIndicator(QWidget *owner, const QString &label, bool cancellable)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_dialog = new QProgressDialog(label, cancellable ? QStringLiteral("取消") : QString(), 0, 0, owner);
    m_dialog->setObjectName(QLatin1String(ProgressName));
    m_dialog->setWindowTitle(ApplicationTitle);
    m_dialog->setAccessibleName(label);
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumWidth(360);
    m_cancellable = cancellable;
    if (!cancellable)
        m_dialog->setCancelButton(nullptr);
    m_dialog->setMinimumDuration(ShowDelay);
    m_dialog->setValue(0); // starts the clock of the delayed showing
    connect(m_dialog, &QProgressDialog::canceled, this, [this] { m_cancelled = true; });
    qApp->installEventFilter(this);
}

BusyIndicator::~BusyIndicator()
{
    qApp->removeEventFilter(this);
    delete m_dialog;
    QApplication::restoreOverrideCursor();
}

void BusyIndicator::setMaximum(qint64 maximum)
{
    // the bar counts in int: large counts are scaled down
    m_scale = 1;
    while (maximum / m_scale > 1000000)
        m_scale *= 10;
    if (m_dialog)
        m_dialog->setMaximum(int(maximum / m_scale));
}

void BusyIndicator::setValue(qint64 value)
{
    if (m_dialog && m_dialog->maximum() > 0)
        m_dialog->setValue(int(qMin<qint64>(value / m_scale, m_dialog->maximum())));
}

void BusyIndicator::setLabel(const QString &label)
{
    if (m_dialog) {
        m_dialog->setLabelText(label);
        m_dialog->setAccessibleName(label);
    }
}

bool BusyIndicator::cancelled() const
{
    return m_cancelled || (m_dialog && m_dialog->wasCanceled());
}

void BusyIndicator::wake()
{
    // From another thread nothing is handed over (no signal, no event, whose
    // hand-over the thread sanitizer cannot see inside Qt): the next tick
    // asks done(), within 20 ms.
    if (QThread::currentThread() == thread())
        Q_EMIT woken();
}

void BusyIndicator::waitUntil(const std::function<bool()> &done, bool untilCancelled)
{
    QEventLoop loop;
    QTimer tick;
    tick.setInterval(20);
    const auto stop = [&] {
        return (untilCancelled && cancelled()) || done();
    };
    const auto check = [&] {
        if (stop())
            loop.quit();
    };
    connect(&tick, &QTimer::timeout, &loop, check);
    const QMetaObject::Connection woke = connect(this, &BusyIndicator::woken, &loop, check);
    if (stop()) {
        disconnect(woke);
        return;
    }
    tick.start();
    loop.exec();
    disconnect(woke);
}

void BusyIndicator::setShowDelay(int milliseconds)
{
    ShowDelay = milliseconds;
}

bool BusyIndicator::eventFilter(QObject *watched, QEvent *event)
{
    if (!isUserInput(event->type()) || !watched->isWidgetType())
        return false;
    auto *widget = static_cast<QWidget *>(watched);
    if (m_dialog && (widget == m_dialog || m_dialog->isAncestorOf(widget)))
        return !m_cancellable; // "取消", Esc and the close box, where it can be given up
    return true;               // held back while the command runs
}

void runBusy(QWidget *owner, const QString &label, const std::function<void(BusyTask &)> &work, bool cancellable)
{
    BusyIndicator busy(owner, label, cancellable);
    std::atomic<bool> finished{false};
    std::atomic<bool> cancelled{false};
    std::exception_ptr failure;
    QMutex lock;
    qint64 done = 0;
    qint64 total = 0;
    BusyTask task;
    task.cancelled = &cancelled;
    QString text;
    task.progress = [&](qint64 d, qint64 t) {
        QMutexLocker locked(&lock);
        done = d;
        total = t;
    };
    task.label = [&](const QString &t) {
        QMutexLocker locked(&lock);
        text = t;
    };
    std::thread worker([&] {
        try {
            work(task);
        } catch (...) {
            failure = std::current_exception();
        }
        finished = true; // the wait sees it at its next tick
    });
    qint64 shownTotal = -1;
    QString shownText;
    const auto show = [&] {
        QMutexLocker locked(&lock);
        if (total != shownTotal) {
            busy.setMaximum(total);
            shownTotal = total;
        }
        busy.setValue(done);
        if (text != shownText && !cancelled) {
            busy.setLabel(text);
            shownText = text;
        }
    };
    for (;;) {
        busy.waitUntil([&] {
            show();
            return finished.load();
        });
        if (finished)
            break;
        cancelled = true; // given up: the work sees it and ends soon
        busy.setLabel(QStringLiteral("正在取消……"));
        busy.waitUntil([&] { return finished.load(); }, false);
        break;
    }
    worker.join();
    if (failure)
        std::rethrow_exception(failure);
}

void finishReading(QWidget *owner, Dataset *dataset, const QString &label)
{
    if (!dataset->isOpening())
        return;
    if (!dataset->readingDone()) {
        BusyIndicator busy(owner, label);
        busy.waitUntil([dataset] { return dataset->readingDone(); }, false);
    }
    dataset->finishOpen();
    // a grouping or a sort of many rows leaves its memory behind
    dataset->connection()->releaseMemory();
}

void requeryShowingProgress(QWidget *owner, Dataset *dataset, const QString &sql, const QString &label)
{
    dataset->close();
    dataset->clearSql();
    dataset->addSql(sql);
    // the program's connection is left alone meanwhile: input is held back
    dataset->openInBackground(Dataset::Reader::ProgramConnection);
    finishReading(owner, dataset, label);
}
