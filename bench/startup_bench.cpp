// Start-up: from the start of the program's process to its login window, on
// a ledger of 100 entries and on one of 1 000 000, by turns, seven runs each.
// The program is run with "--exit-at-login" from a folder of its own beside
// the ledger file, as it is delivered.
#include "ledgerfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// A folder with a copy of the program and the ledger of n entries beside it.
QString installed(const QTemporaryDir &root, int n)
{
    const QString dir = root.filePath(QStringLiteral("n%1").arg(n));
    QDir().mkpath(dir);
    QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/doz"), dir + QStringLiteral("/doz"));
    QFile::copy(ledgerFile(n, 4096), dir + QStringLiteral("/Data.qhd"));
    return dir;
}

// Milliseconds from starting the program to its "login" line; -1 when it
// did not come.
double toLogin(const QString &dir)
{
    QProcess program;
    program.setWorkingDirectory(dir);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.setStandardErrorFile(QProcess::nullDevice());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    program.start(dir + QStringLiteral("/doz"), {QStringLiteral("--exit-at-login")});
    while (program.state() != QProcess::NotRunning || program.bytesAvailable() > 0) {
        if (program.canReadLine() && program.readLine().trimmed() == "login") {
            const double ms = double(timer.nsecsElapsed()) / 1e6;
            program.waitForFinished(10000);
            return ms;
        }
        program.waitForReadyRead(100);
    }
    return -1;
}

void StartUpToLogin(benchmark::State &state)
{
    QTemporaryDir root;
    const QString small = installed(root, 100);
    const QString large = installed(root, 1000000);
    std::vector<double> smalls;
    std::vector<double> larges;
    for (auto _ : state) {
        for (int round = 0; round < 7; ++round) {
            smalls.push_back(toLogin(small));
            larges.push_back(toLogin(large));
        }
    }
    if (std::find(smalls.begin(), smalls.end(), -1.0) != smalls.end()
        || std::find(larges.begin(), larges.end(), -1.0) != larges.end())
        state.SkipWithError("the program did not reach its login window");
    const auto [smallMin, smallMax] = std::minmax_element(smalls.begin(), smalls.end());
    const auto [largeMin, largeMax] = std::minmax_element(larges.begin(), larges.end());
    state.counters["entries_100_ms"] = median(smalls);
    state.counters["entries_1M_ms"] = median(larges);
    state.counters["ratio"] = median(larges) / median(smalls);
    state.counters["spread_100_ms"] = *smallMax - *smallMin;
    state.counters["spread_1M_ms"] = *largeMax - *largeMin;
}

} // namespace

BENCHMARK(StartUpToLogin)->Unit(benchmark::kMillisecond)->Iterations(1);
