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
#include <QThread>

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
// did not come. Without a display, on Qt's offscreen platform; with one, on
// that X server.
double toLogin(const QString &dir, const QString &display = QString())
{
    QProcess program;
    program.setWorkingDirectory(dir);
    program.setProcessChannelMode(QProcess::SeparateChannels);
    program.setStandardErrorFile(QProcess::nullDevice());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (display.isEmpty()) {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("DISPLAY"), display);
    }
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

// The same on an X server with a window manager (Xvfb and openbox, as
// scripts/desktop has them): what the offscreen platform leaves out, the
// connection to the server, fonts and the window's mapping, is in.
void StartUpToLoginOnX(benchmark::State &state)
{
    const QString display = QStringLiteral(":%1").arg(80 + QCoreApplication::applicationPid() % 9);
    QProcess server;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral("Xvfb"),
                 {display, QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1366x768x24"),
                  QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!server.waitForStarted(5000)) {
        state.SkipWithError("Xvfb did not start");
        return;
    }
    const QString socket = QStringLiteral("/tmp/.X11-unix/X") + display.mid(1);
    for (int i = 0; i < 100 && !QFile::exists(socket); ++i)
        QThread::msleep(50);
    QProcess manager;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    manager.setProcessEnvironment(env);
    manager.setStandardOutputFile(QProcess::nullDevice());
    manager.setStandardErrorFile(QProcess::nullDevice());
    manager.start(QStringLiteral("openbox"), {});
    manager.waitForStarted(5000);
    QThread::msleep(500);
    QTemporaryDir root;
    const QString small = installed(root, 100);
    std::vector<double> times;
    for (auto _ : state)
        for (int round = 0; round < 7; ++round)
            times.push_back(toLogin(small, display));
    manager.kill();
    manager.waitForFinished();
    server.kill();
    server.waitForFinished();
    if (std::find(times.begin(), times.end(), -1.0) != times.end())
        state.SkipWithError("the program did not reach its login window");
    const auto [low, high] = std::minmax_element(times.begin(), times.end());
    state.counters["entries_100_ms"] = median(times);
    state.counters["spread_ms"] = *high - *low;
}

} // namespace

BENCHMARK(StartUpToLoginOnX)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(StartUpToLogin)->Unit(benchmark::kMillisecond)->Iterations(1);
