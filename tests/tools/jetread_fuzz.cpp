// fuzz_jetread [--seconds N] [--first SEED] [--report FILE] ACCESS-FILE...
// fuzz_jetread --make SEED ACCESS-FILE OUT   (writes one damaged copy)
// Runs the Access reader (doz-jetread, beside this program) on damaged copies
// of the given files, one child process per copy, for N seconds (default
// 60), and counts what each copy got: staged, refused with a reason, out of
// memory, crashed, or stopped at the time limit. A copy is made again from
// its number (tests/support/mutants.h), so every finding can be repeated.
//
// Under AddressSanitizer the reports of the children are kept; the run fails
// (exit status 1) when one of them points into the program's own code, which
// must hold against any file. Crashes inside the Access library are counted:
// the program survives them because it reads in a child process.
#include "support/mutants.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

namespace {

struct Finding
{
    QString outcome;
    QString file;
    quint64 seed;
    QString what;
    bool ours;
};

bool inOurSources(const QString &line)
{
    return line.contains(QLatin1String("/src/maintenance/")) || line.contains(QLatin1String("/src/data/"));
}

bool faultIsOurs(const QString &report)
{
    for (const QString &line : report.split(QLatin1Char('\n'))) {
        if (line.contains(QLatin1String("runtime error:")))
            return inOurSources(line);
        if (line.trimmed().startsWith(QLatin1String("#0 ")))
            return inOurSources(line);
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.size() == 4 && args[0] == QLatin1String("--make")) {
        QFile in(args[2]);
        QFile out(args[3]);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 2;
        const QByteArray original = in.readAll();
        QString what;
        out.write(Mutants::mutate(original, args[1].toULongLong(), original.at(0x14) == 0 ? 2048 : 4096, &what));
        std::printf("%s\n", qPrintable(what));
        return 0;
    }
    int seconds = 60;
    quint64 first = 1;
    QString reportPath;
    for (int i = 0; i + 1 < args.size();) {
        if (args[i] == QLatin1String("--seconds")) {
            seconds = args[i + 1].toInt();
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--first")) {
            first = args[i + 1].toULongLong();
            args.remove(i, 2);
        } else if (args[i] == QLatin1String("--report")) {
            reportPath = args[i + 1];
            args.remove(i, 2);
        } else {
            ++i;
        }
    }
    if (args.isEmpty()) {
        std::fprintf(stderr, "usage: fuzz_jetread [--seconds N] [--first SEED] [--report FILE] ACCESS-FILE...\n");
        return 2;
    }
    const QString reader = QCoreApplication::applicationDirPath() + QStringLiteral("/doz-jetread");
    QList<QByteArray> originals;
    QList<int> pageSizes;
    for (const QString &path : std::as_const(args)) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 2;
        }
        originals.append(f.readAll());
        pageSizes.append(originals.last().size() > 0x14 && originals.last().at(0x14) == 0 ? 2048 : 4096);
    }
    QTemporaryDir dir;
    const QString logs = dir.filePath(QStringLiteral("asan"));
    QDir().mkpath(logs);
    QMap<QString, int> counts;
    QList<Finding> findings;
    QElapsedTimer clock;
    clock.start();
    quint64 seed = first;
    int runs = 0;
    while (clock.elapsed() < qint64(seconds) * 1000) {
        const int which = int(seed % quint64(originals.size()));
        QString what;
        const QByteArray mutant = Mutants::mutate(originals[which], seed, pageSizes[which], &what);
        const QString input = dir.filePath(QStringLiteral("mutant.mdb"));
        const QString staging = dir.filePath(QStringLiteral("staging.db"));
        {
            QFile f(input);
            f.open(QIODevice::WriteOnly | QIODevice::Truncate);
            f.write(mutant);
        }
        QFile::remove(staging);
        for (const QString &old : QDir(logs).entryList(QDir::Files))
            QFile::remove(QDir(logs).filePath(old));
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // a report of the sanitizer ends the child with a status of its own
        env.insert(
            QStringLiteral("ASAN_OPTIONS"),
            QStringLiteral("log_path=%1/report:detect_leaks=0:allocator_may_return_null=1:exitcode=86").arg(logs));
        env.insert(QStringLiteral("UBSAN_OPTIONS"),
                   QStringLiteral("log_path=%1/report:print_stacktrace=1:halt_on_error=1:exitcode=86").arg(logs));
        child.setProcessEnvironment(env);
        child.setStandardOutputFile(QProcess::nullDevice());
        child.setStandardErrorFile(QProcess::nullDevice());
        child.start(reader, {input, staging});
        child.write("key\n");
        child.closeWriteChannel();
        QString outcome;
        if (!child.waitForFinished(5000)) {
            child.kill();
            child.waitForFinished();
            outcome = QStringLiteral("time limit");
        } else if (child.exitStatus() == QProcess::CrashExit) {
            outcome = QStringLiteral("crashed");
        } else {
            switch (child.exitCode()) {
            case 0:
                outcome = QStringLiteral("staged");
                break;
            case 1:
                outcome = QStringLiteral("refused");
                break;
            case 3:
                outcome = QStringLiteral("out of memory");
                break;
            case 86:
                outcome = QStringLiteral("sanitizer report");
                break;
            default:
                outcome = QStringLiteral("exit %1").arg(child.exitCode());
            }
        }
        QString report;
        for (const QString &name : QDir(logs).entryList(QDir::Files)) {
            QFile f(QDir(logs).filePath(name));
            if (f.open(QIODevice::ReadOnly))
                report += QString::fromUtf8(f.readAll());
        }
        // the program's fault where the faulting frame (#0 of the first
        // stack, or the place of a runtime error) is in its own sources; a
        // crash inside the Access library with our frames below it is the
        // library's, which the child process is there to contain
        const bool ours = faultIsOurs(report);
        ++counts[outcome];
        if (outcome != QLatin1String("staged") && outcome != QLatin1String("refused"))
            findings.append({outcome, QFileInfo(args[which]).fileName(), seed, what, ours});
        ++seed;
        ++runs;
    }
    QString summary = QStringLiteral("%1 damaged copies in %2 s:").arg(runs).arg(clock.elapsed() / 1000);
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        summary += QStringLiteral(" %1 %2;").arg(it.value()).arg(it.key());
    std::printf("%s\n", qPrintable(summary));
    int inOurs = 0;
    QString lines;
    for (const Finding &f : std::as_const(findings)) {
        lines += QStringLiteral("%1\t%2\tseed %3\t%4%5\n")
                     .arg(f.outcome, f.file)
                     .arg(f.seed)
                     .arg(f.what, f.ours ? QStringLiteral("\tIN THE PROGRAM'S OWN CODE") : QString());
        inOurs += f.ours ? 1 : 0;
    }
    std::printf("%s", qPrintable(lines));
    if (!reportPath.isEmpty()) {
        QFile out(reportPath);
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write((summary + QLatin1Char('\n') + lines).toUtf8());
    }
    return inOurs > 0 ? 1 : 0;
}
