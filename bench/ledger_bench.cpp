// Loading a large ledger into the ledger dataset, side by side with the floor:
// a plain loop that steps the same statement and reads every column without
// building rows. Run: build/bin/doz_bench [--benchmark_filter=...]
#include "data/connection.h"
#include "data/dataset.h"
#include "data/jetsql.h"
#include "data/radixsort.h"
#include "data/rangeplan.h"
#include "data/schema.h"
#include "data/tdm.h"
#include "ledgerfile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <numeric>
#include <set>
#include <string>
#include <thread>

#include <time.h>

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

// The CPU time of the whole process (every thread), in milliseconds.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

void resetPeak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

// Opens the statement into the ledger dataset once; the milliseconds it
// took, and the peak and held memory per row.
struct Load
{
    double ms = 0;
    double cpuMs = 0;
    double peakPerRow = 0;     // the process's peak resident growth
    double heldPerRow = 0;     // the dataset's own count
    double residentPerRow = 0; // the process's resident growth with the rows held
    int rows = 0;
};

Load loadOnce(Connection *connection, const QString &statement)
{
    Load load;
    Dataset ledger(connection);
    ledger.addSql(statement);
    // what the rounds before held goes back first, so that the growth is
    // this load's and not the reuse of memory freed by the last one
    connection->releaseMemory();
    resetPeak();
    const long before = statusKb("VmRSS:");
    const double cpu = cpuMs();
    QElapsedTimer timer;
    timer.start();
    ledger.open();
    load.ms = double(timer.nsecsElapsed()) / 1e6;
    load.cpuMs = cpuMs() - cpu;
    load.rows = std::max(1, ledger.recordCount());
    load.peakPerRow = double(statusKb("VmHWM:") - before) * 1024.0 / load.rows;
    load.residentPerRow = double(statusKb("VmRSS:") - before) * 1024.0 / load.rows;
    load.heldPerRow = double(ledger.memoryUsage()) / load.rows;
    load.rows = ledger.recordCount();
    return load;
}

// Steps the same statement reading every column, building nothing: the floor.
double floorOnce(sqlite3 *db, const QByteArray &sql, double *cpu)
{
    const double cpuStart = cpuMs();
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
    *cpu = cpuMs() - cpuStart;
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
    std::vector<double> loadCpus;
    std::vector<double> floorCpus;
    Load last;
    for (auto _ : state) {
        for (int round = 0; round < 7; ++round) {
            last = loadOnce(&connection, statement);
            loads.push_back(last.ms);
            loadCpus.push_back(last.cpuMs);
            double cpu = 0;
            floors.push_back(floorOnce(connection.handle(), sql, &cpu));
            floorCpus.push_back(cpu);
        }
    }
    const auto [loadMin, loadMax] = std::minmax_element(loads.begin(), loads.end());
    const auto [floorMin, floorMax] = std::minmax_element(floors.begin(), floors.end());
    state.SetLabel(std::string(StatementNames[state.range(2)]) + (sql.contains("+rq") ? ", table walk" : ", index"));
    state.counters["rows"] = last.rows;
    state.counters["load_cpu_ms"] = median(loadCpus);
    state.counters["floor_cpu_ms"] = median(floorCpus);
    state.counters["resident_bytes_per_row"] = last.residentPerRow;
    state.counters["load_ms"] = median(loads);
    state.counters["load_spread_ms"] = *loadMax - *loadMin;
    state.counters["floor_ms"] = median(floors);
    state.counters["floor_spread_ms"] = *floorMax - *floorMin;
    state.counters["peak_bytes_per_row"] = last.peakPerRow;
    state.counters["held_bytes_per_row"] = last.heldPerRow;
}

// Sorting the 1 000 000-row ledger list by one column, by turns with the
// floor: the same radix sort over the column's own keys, made beforehand
// (what is left beside it is making the keys).
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
    // the column's own keys, made before: what the floor leaves out
    const std::vector<std::uint64_t> keys = ledger.sortKeys(column);
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
            std::vector<std::uint64_t> copy = keys;
            timer.start();
            radixSort(order, copy);
            floors.push_back(double(timer.nsecsElapsed()) / 1e6);
            benchmark::DoNotOptimize(order.data());
        }
    }
    state.SetLabel(SortColumns[state.range(0)]);
    state.counters["sort_ms"] = median(sorts);
    state.counters["sort_max_ms"] = *std::max_element(sorts.begin(), sorts.end());
    state.counters["floor_ms"] = median(floors);
    state.counters["ratio"] = median(sorts) / median(floors);
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
            // with repetitions, the median stands for the runs (the mean,
            // the deviation and the coefficient of variation are no times)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            const std::string name = run.run_name.str();
            const double ms = run.GetAdjustedRealTime();
            if (run.run_type == Run::RT_Iteration && m_medians.count(name))
                continue;
            if (run.run_type == Run::RT_Aggregate)
                m_medians.insert(name);
            m_all[name.substr(0, name.find("/iterations"))] = ms;
            if (const auto vs = name.find("VsFloor"); name.rfind("Stats", 0) == 0 && vs != std::string::npos) {
                const auto dataset = run.counters.find("dataset_ms");
                const auto floor = run.counters.find("floor_ms");
                if (dataset != run.counters.end() && floor != run.counters.end())
                    m_stats[name.substr(0, vs)] = {double(dataset->second.value), double(floor->second.value)};
            }
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
                m_resident[key] = counter("resident_bytes_per_row");
                m_cpu[key]
                    = std::to_string(int(counter("load_cpu_ms"))) + "/" + std::to_string(int(counter("floor_cpu_ms")));
                m_spread[key] = std::to_string(int(counter("load_spread_ms"))) + "/"
                                + std::to_string(int(counter("floor_spread_ms")));
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        double load1 = 0, load5 = 0, load15 = 0;
        if (FILE *f = std::fopen("/proc/loadavg", "r")) {
            if (std::fscanf(f, "%lf %lf %lf", &load1, &load5, &load15) != 3)
                load1 = load5 = load15 = 0;
            std::fclose(f);
        }
        std::printf("\nload average at the end: %.2f %.2f %.2f on %u cores\n", load1, load5, load15,
                    std::thread::hardware_concurrency());
        if (!m_load.empty())
            std::printf("\n%-18s %-34s %10s %9s %6s %12s %10s %10s %10s %10s\n", "rows/page/stmt", "statement, plan",
                        "dataset ms", "floor ms", "ratio", "cpu ms d/f", "held B/row", "RSS B/row", "peak B/row",
                        "spread ms");
        for (const auto &[key, load] : m_load) {
            const auto floor = m_floor.find(key);
            if (floor == m_floor.end())
                continue;
            std::printf("%-18s %-34s %10.1f %9.1f %6.2f %12s %10.1f %10.1f %10.1f %10s\n", key.c_str(),
                        m_label[key].c_str(), load, floor->second, load / floor->second, m_cpu[key].c_str(),
                        m_held[key], m_resident[key], m_peak[key], m_spread[key].c_str());
        }
        // every statistics statement beside its floor and the floor without the index
        bool header = false;
        for (const auto &[name, pair] : m_stats) {
            const auto plain = m_all.find(name + "WithoutIndexFloor");
            if (!header)
                std::printf("\n%-20s %12s %12s %8s %24s\n", "statement", "dataset ms", "floor ms", "ratio",
                            "floor without index ms");
            header = true;
            std::printf("%-20s %12.1f %12.1f %8.2f %24.1f\n", name.c_str(), pair.first, pair.second,
                        pair.first / pair.second, plain == m_all.end() ? 0.0 : plain->second);
        }
    }

private:
    std::map<std::string, std::string> m_label;
    std::map<std::string, double> m_load;
    std::map<std::string, double> m_floor;
    std::map<std::string, double> m_peak;
    std::map<std::string, double> m_held;
    std::map<std::string, double> m_resident;
    std::map<std::string, std::string> m_cpu; // load/floor
    std::set<std::string> m_medians;          // runs whose median was seen
    std::map<std::string, double> m_all;
    std::map<std::string, std::pair<double, double>> m_stats; // dataset, floor ms
    std::map<std::string, std::string> m_spread;              // load/floor, max - min
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
