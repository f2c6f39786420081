#include "jetstaging.h"

#include "components/busy.h"
#include "platform/errortext.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <sys/resource.h>

#ifndef DOZ_LIBEXECDIR
#define DOZ_LIBEXECDIR "/usr/libexec/doz"
#endif

namespace JetStaging {
namespace {

const char *const ReaderName = "doz-jetread";

QString megabytes(qint64 bytes)
{
    return QString::number(bytes / (1024 * 1024));
}

} // namespace

QString readerProgram()
{
    // beside the program in its build folder; where an installation puts it,
    // seen from the program's folder (so that an installation unpacked
    // anywhere finds its own); where the package puts it
    const QString dir = QCoreApplication::applicationDirPath() + QLatin1Char('/');
    for (const QString &candidate :
         {dir + QLatin1String(ReaderName),
          QDir::cleanPath(dir + QStringLiteral("../libexec/doz/") + QLatin1String(ReaderName))})
        if (QFileInfo(candidate).isExecutable())
            return candidate;
    return QStringLiteral(DOZ_LIBEXECDIR "/") + QLatin1String(ReaderName);
}

Result run(QWidget *owner, const QString &jetFile, const QString &staging, const QString &key, const Limits &limits,
           const QString &program, const QStringList &arguments)
{
    Result result;
    QProcess child;
    child.setProgram(program.isEmpty() ? readerProgram() : program);
    child.setArguments(arguments.isEmpty() ? QStringList{jetFile, staging} : arguments);
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // the sanitizer reserves terabytes of address space for its shadow
    const rlim_t space = RLIM_INFINITY;
#else
    const rlim_t space = rlim_t(limits.addressSpace);
#endif
    child.setChildProcessModifier([space] {
        // in the child, between fork and exec: only async-signal-safe calls
        const struct rlimit memory = {space, space};
        ::setrlimit(RLIMIT_AS, &memory);
        const struct rlimit core = {0, 0};
        ::setrlimit(RLIMIT_CORE, &core);
    });
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.setStandardErrorFile(QProcess::nullDevice());
    const auto removeStaging = [&] {
        QFile::remove(staging);
    };

    BusyIndicator busy(owner, QStringLiteral("正在读取1.0旧版帐本数据……"), true);
    child.start();
    if (!child.waitForStarted(10000)) {
        result.outcome = Outcome::NotStarted;
        result.reason = QStringLiteral("无法启动读取程序（%1）。").arg(child.program());
        removeStaging();
        return result;
    }
    child.write(key.toUtf8() + '\n');
    child.closeWriteChannel();

    QByteArray pending;
    bool reportedDone = false;
    QString refusal;
    bool wrongFile = false;
    const auto consume = [&] {
        pending += child.readAllStandardOutput();
        int end;
        while ((end = int(pending.indexOf('\n'))) >= 0) {
            const QByteArray line = pending.left(end).trimmed();
            const QList<QByteArray> words = line.split(' ');
            pending.remove(0, end + 1);
            if (words.size() == 3 && words[0] == "progress") {
                busy.setMaximum(words[2].toLongLong());
                busy.setValue(words[1].toLongLong());
            } else if (words.size() == 1 && words[0] == "done") {
                reportedDone = true;
            } else if (words.size() > 1 && (words[0] == "error" || words[0] == "wrong" || words[0] == "unwritten")
                       && refusal.isEmpty()) {
                wrongFile = words[0] == "wrong";
                const QList<QByteArray> parts = line.mid(words[0].size() + 1).split('\t');
                refusal = QString::fromUtf8(parts.value(0)).trimmed();
                const QString detail = QString::fromUtf8(parts.value(1)).trimmed();
                if (words[0] == "unwritten" && !detail.isEmpty())
                    refusal += QLatin1Char('\r') + errorText(detail); // the engine's English, told in Chinese
                else if (!detail.isEmpty())
                    refusal += QStringLiteral("\r（") + detail + QStringLiteral("）");
            }
        }
        if (pending.size() > 4096) // a child that talks without end is not listened to
            pending.clear();
    };
    QObject::connect(&child, &QProcess::readyReadStandardOutput, &busy, consume);
    QObject::connect(&child, &QProcess::finished, &busy, [&busy] { busy.wake(); });

    QElapsedTimer clock;
    clock.start();
    const qint64 limit = qint64(limits.seconds) * 1000;
    busy.waitUntil([&] { return child.state() == QProcess::NotRunning || clock.elapsed() > limit; });
    const bool timedOut = child.state() != QProcess::NotRunning && clock.elapsed() > limit;
    if (child.state() != QProcess::NotRunning) {
        child.kill();
        child.waitForFinished(10000);
    }
    consume(); // the last lines

    if (busy.cancelled()) {
        result.outcome = Outcome::Cancelled;
        result.reason = QStringLiteral("您取消了读取。");
    } else if (timedOut) {
        result.outcome = Outcome::TimedOut;
        result.reason = QStringLiteral("读取超过 %1 秒仍未完成，已停止。").arg(limits.seconds);
    } else if (child.exitStatus() == QProcess::CrashExit) {
        result.outcome = Outcome::Crashed;
        const int signal = child.exitCode();
        result.reason = signal == SIGABRT || signal == SIGKILL
                            ? QStringLiteral("读取时出错，读取程序异常终止（可能是所需内存超过了 %1 MB 的限制）。")
                                  .arg(megabytes(limits.addressSpace))
                            : QStringLiteral("读取时出错，读取程序异常终止。");
    } else if (child.exitCode() == 3) {
        result.outcome = Outcome::OutOfMemory;
        result.reason = QStringLiteral("读取所需内存超过了 %1 MB 的限制。").arg(megabytes(limits.addressSpace));
    } else if (child.exitCode() == 0 && reportedDone && QFileInfo(staging).isFile()) {
        result.outcome = Outcome::Staged;
        return result;
    } else if (child.exitCode() == 4 && !refusal.isEmpty()) {
        result.outcome = Outcome::NotWritten;
        result.reason = refusal;
    } else if (child.exitCode() == 1 && !refusal.isEmpty()) {
        result.outcome = wrongFile ? Outcome::Refused : Outcome::Damaged;
        result.reason = refusal;
    } else {
        result.outcome = Outcome::Crashed;
        result.reason = QStringLiteral("读取时出错，读取程序异常终止（退出码 %1）。").arg(child.exitCode());
    }
    removeStaging();
    return result;
}

} // namespace JetStaging
