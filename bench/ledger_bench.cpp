// Loading a large ledger into the ledger dataset, side by side with the floor:
// a plain loop that steps the same statement and reads every column without
// building rows. Run: build/bin/doz_bench [--benchmark_filter=...]
#include "data/connection.h"
#include "data/dataset.h"
#include "data/jetsql.h"
#include "data/schema.h"
#include "data/tdm.h"
#include "ledgerfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

const QString Statement = QStringLiteral("select * from szzb where rq>=#2006-1-1#");

long statusKb(const char *key)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::string k = key;
    while (std::getline(in, line))
        if (line.compare(0, k.size(), k) == 0)
            return std::stol(line.substr(k.size()));
    return 0;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Opens the statement into the ledger dataset once; the milliseconds it
// took, and the peak and held memory per row.
double loadOnce(Connection *connection, int n, double *peakPerRow, double *heldPerRow)
{
    Dataset ledger(connection);
    ledger.addSql(Statement);
    resetPeak();
    const long before = statusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    ledger.open();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    *peakPerRow = double(statusKb("VmHWM:") - before) * 1024.0 / n;
    *heldPerRow = double(ledger.memoryUsage()) / n;
    if (ledger.recordCount() != n)
        std::fprintf(stderr, "wrong row count\n");
    return ms;
}

// Steps the same statement reading every column, building nothing: the floor.
double floorOnce(sqlite3 *db, const QByteArray &sql)
{
    QElapsedTimer timer;
    timer.start();
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    const int columns = sqlite3_column_count(st);
    std::size_t touched = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(st, c)) {
            case SQLITE_INTEGER:
                touched += std::size_t(sqlite3_column_int64(st, c));
                break;
            case SQLITE_FLOAT:
                touched += std::size_t(sqlite3_column_double(st, c) > 0);
                break;
            case SQLITE_TEXT:
                touched += std::size_t(sqlite3_column_text(st, c)[0]) + std::size_t(sqlite3_column_bytes(st, c));
                break;
            default:
                break;
            }
        }
    }
    sqlite3_finalize(st);
    benchmark::DoNotOptimize(touched);
    return double(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The load and its floor run by turns, seven times each, so that whatever
// the machine does meanwhile falls on both alike; medians and spreads.
void LoadVsFloor(benchmark::State &state)
{
    const int n = int(state.range(0));
    const int pageSize = int(state.range(1));
    const QString path = ledgerFile(n, pageSize);
    Connection::setCipherPageSize(pageSize);
    Connection connection;
    connection.setConnectionString(ledgerConnectionString(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    connection.open();
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    Connection::applyKey(db, DatabasePassword);
    const QByteArray sql = JetSql::translate(Statement).sql.toUtf8();
    std::vector<double> loads;
    std::vector<double> floors;
    double peak = 0;
    double held = 0;
    for (auto _ : state) {
        for (int round = 0; round < 7; ++round) {
            loads.push_back(loadOnce(&connection, n, &peak, &held));
            floors.push_back(floorOnce(db, sql));
        }
    }
    sqlite3_close(db);
    const auto [loadMin, loadMax] = std::minmax_element(loads.begin(), loads.end());
    const auto [floorMin, floorMax] = std::minmax_element(floors.begin(), floors.end());
    state.counters["load_ms"] = median(loads);
    state.counters["load_spread_ms"] = *loadMax - *loadMin;
    state.counters["floor_ms"] = median(floors);
    state.counters["floor_spread_ms"] = *floorMax - *floorMin;
    state.counters["peak_bytes_per_row"] = peak;
    state.counters["held_bytes_per_row"] = held;
}

} // namespace

BENCHMARK(LoadVsFloor)->ArgsProduct({{100000, 1000000}, {1024, 4096}})->Unit(benchmark::kMillisecond)->Iterations(1);

namespace {

// Prints every run as the console does and, at the end, the dataset's time
// next to the floor's for each size and page size.
class SideBySide : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            const std::string name = run.benchmark_name();
            const double ms = run.GetAdjustedRealTime();
            m_all[name.substr(0, name.find("/iterations"))] = ms;
            const auto slash = name.find('/');
            const std::string key = name.substr(slash + 1, name.find("/iterations") - slash - 1);
            if (name.rfind("LoadVsFloor", 0) == 0) {
                auto counter = [&run](const char *key) {
                    auto it = run.counters.find(key);
                    return it == run.counters.end() ? 0.0 : double(it->second.value);
                };
                m_load[key] = counter("load_ms");
                m_floor[key] = counter("floor_ms");
                m_peak[key] = counter("peak_bytes_per_row");
                m_spread[key] = std::to_string(int(counter("load_spread_ms"))) + "/"
                                + std::to_string(int(counter("floor_spread_ms")));
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-16s %12s %12s %8s %14s %14s\n", "rows/page size", "dataset ms", "floor ms", "ratio",
                    "peak bytes/row", "spread ms");
        for (const auto &[key, load] : m_load) {
            const auto floor = m_floor.find(key);
            if (floor == m_floor.end())
                continue;
            std::printf("%-16s %12.1f %12.1f %8.2f %14.1f %14s\n", key.c_str(), load, floor->second,
                        load / floor->second, m_peak[key], m_spread[key].c_str());
        }
        // every "X" beside its "XFloor"
        bool header = false;
        for (const auto &[name, ms] : m_all) {
            const auto floor = m_all.find(name + "Floor");
            if (floor == m_all.end())
                continue;
            if (!header)
                std::printf("\n%-32s %12s %12s %8s\n", "statement", "dataset ms", "floor ms", "ratio");
            header = true;
            std::printf("%-32s %12.1f %12.1f %8.2f\n", name.c_str(), ms, floor->second, ms / floor->second);
        }
    }

private:
    std::map<std::string, double> m_load;
    std::map<std::string, double> m_floor;
    std::map<std::string, double> m_peak;
    std::map<std::string, double> m_all;
    std::map<std::string, std::string> m_spread; // load/floor, max - min
};

} // namespace

int main(int argc, char **argv)
{
    // the charts measured are widgets; no screen is needed
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SideBySide reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
