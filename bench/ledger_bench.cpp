// Loading a large ledger into the ledger dataset, side by side with the floor:
// a plain loop that steps the same statement and reads every column without
// building rows. Run: build/bin/doz_bench [--benchmark_filter=...]
#include "data/connection.h"
#include "data/dataset.h"
#include "data/jetsql.h"
#include "data/rangeplan.h"
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
#include <numeric>
#include <string>

namespace {

// The ledger list at start-up, and what the filter's 确定 opens: the default
// range, one item over the whole ledger, and the last year alone.
const QString Statements[] = {
    QStringLiteral("select * from szzb where rq>=#2006-1-1#"),
    QStringLiteral("select * from szzb where  rq >= #2006-01-01# and rq <= #2026-12-31#      "),
    QStringLiteral("select * from szzb where  rq >= #2006-01-01# and rq <= #2026-12-31#  and xm='餐饮'    "),
    QStringLiteral("select * from szzb where  rq >= #2025-01-01# and rq <= #2025-12-31#      "),
};
const char *const StatementNames[] = {"start-up list", "filter, default range", "filter, one item", "filter, one year"};

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
double loadOnce(Connection *connection, const QString &statement, double *peakPerRow, double *heldPerRow, int *rows)
{
    Dataset ledger(connection);
    ledger.addSql(statement);
    resetPeak();
    const long before = statusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    ledger.open();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    *rows = ledger.recordCount();
    *peakPerRow = double(statusKb("VmHWM:") - before) * 1024.0 / std::max(1, *rows);
    *heldPerRow = double(ledger.memoryUsage()) / std::max(1, *rows);
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
    const QString statement = Statements[state.range(2)];
    const QString path = ledgerFile(n, pageSize);
    Connection::setCipherPageSize(pageSize);
    Connection connection;
    connection.setConnectionString(ledgerConnectionString(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    connection.open();
    // the floor steps the statement as the dataset runs it, on the same
    // connection
    const QByteArray sql
        = RangePlan::plan(&connection, QStringLiteral("szzb"), JetSql::translate(statement).sql).toUtf8();
    std::vector<double> loads;
    std::vector<double> floors;
    double peak = 0;
    double held = 0;
    int rows = 0;
    for (auto _ : state) {
        for (int round = 0; round < 7; ++round) {
            loads.push_back(loadOnce(&connection, statement, &peak, &held, &rows));
            floors.push_back(floorOnce(connection.handle(), sql));
        }
    }
    const auto [loadMin, loadMax] = std::minmax_element(loads.begin(), loads.end());
    const auto [floorMin, floorMax] = std::minmax_element(floors.begin(), floors.end());
    state.SetLabel(std::string(StatementNames[state.range(2)]) + (sql.contains("+rq") ? ", table walk" : ", index"));
    state.counters["rows"] = rows;
    state.counters["load_ms"] = median(loads);
    state.counters["load_spread_ms"] = *loadMax - *loadMin;
    state.counters["floor_ms"] = median(floors);
    state.counters["floor_spread_ms"] = *floorMax - *floorMin;
    state.counters["peak_bytes_per_row"] = peak;
    state.counters["held_bytes_per_row"] = held;
}

// Sorting the 1 000 000-row ledger list by one column, by turns with the
// floor: a stable sort of as many precomputed integer keys.
const char *const SortColumns[] = {"bz", "xm", "rq", "jsze", "jzsj"};

void SortVsFloor(benchmark::State &state)
{
    const QString path = ledgerFile(1000000, 4096);
    Connection::setCipherPageSize(4096);
    Connection connection;
    connection.setConnectionString(ledgerConnectionString(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    Dataset ledger(&connection);
    ledger.addSql(Statements[0]);
    ledger.open();
    const int column = ledger.requireField(QLatin1String(SortColumns[state.range(0)]));
    std::vector<std::uint32_t> keys(std::size_t(ledger.recordCount()));
    QRandomGenerator rng(7);
    for (auto &k : keys)
        k = rng.bounded(200000u);
    std::vector<double> sorts;
    std::vector<double> floors;
    for (auto _ : state) {
        for (int round = 0; round < 7; ++round) {
            QElapsedTimer timer;
            timer.start();
            ledger.sort(column, round % 2 ? Qt::DescendingOrder : Qt::AscendingOrder);
            sorts.push_back(double(timer.nsecsElapsed()) / 1e6);
            std::vector<std::uint32_t> order(keys.size());
            std::iota(order.begin(), order.end(), 0u);
            timer.start();
            std::stable_sort(order.begin(), order.end(),
                             [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
            floors.push_back(double(timer.nsecsElapsed()) / 1e6);
            benchmark::DoNotOptimize(order.data());
        }
    }
    state.SetLabel(SortColumns[state.range(0)]);
    state.counters["sort_ms"] = median(sorts);
    state.counters["sort_max_ms"] = *std::max_element(sorts.begin(), sorts.end());
    state.counters["floor_ms"] = median(floors);
}

} // namespace

BENCHMARK(LoadVsFloor)
    ->ArgsProduct({{100000, 1000000}, {1024, 4096}, {0}})
    ->Args({1000000, 4096, 1})
    ->Args({1000000, 4096, 2})
    ->Args({1000000, 4096, 3})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(SortVsFloor)->DenseRange(0, 4)->Unit(benchmark::kMillisecond)->Iterations(1);

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
                m_label[key] = run.report_label;
                m_load[key] = counter("load_ms");
                m_floor[key] = counter("floor_ms");
                m_peak[key] = counter("peak_bytes_per_row");
                m_held[key] = counter("held_bytes_per_row");
                m_spread[key] = std::to_string(int(counter("load_spread_ms"))) + "/"
                                + std::to_string(int(counter("floor_spread_ms")));
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        if (!m_load.empty())
            std::printf("\n%-18s %-34s %10s %9s %6s %10s %10s %10s\n", "rows/page/stmt", "statement, plan",
                        "dataset ms", "floor ms", "ratio", "held B/row", "peak B/row", "spread ms");
        for (const auto &[key, load] : m_load) {
            const auto floor = m_floor.find(key);
            if (floor == m_floor.end())
                continue;
            std::printf("%-18s %-34s %10.1f %9.1f %6.2f %10.1f %10.1f %10s\n", key.c_str(), m_label[key].c_str(), load,
                        floor->second, load / floor->second, m_held[key], m_peak[key], m_spread[key].c_str());
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
    std::map<std::string, std::string> m_label;
    std::map<std::string, double> m_load;
    std::map<std::string, double> m_floor;
    std::map<std::string, double> m_peak;
    std::map<std::string, double> m_held;
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
