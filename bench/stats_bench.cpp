// The statements of the statistics pages on a generated ledger, side by side
// with the floor: a plain loop that steps the same statement and reads every
// column. Also the filling of the line chart with twenty years of days,
// against running the daily statement.
#include "components/linechart.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/jetsql.h"
#include "data/tdm.h"
#include "ledgerfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <vector>

namespace {

const int Rows = 1000000;
const int PageSize = 4096;

// Twenty years by item (expenses), and by month: the pages' statements.
const QString ByItem = QStringLiteral(
    "select xm as flxm, count(zbid) as fycs,sum(sr) as srhj,sum(zc) as zchj,sum(jsze) as jszehj,sum(sr)+sum(zc) as "
    "jehj from szzb  where rq >= #2006-01-01# and rq<= #2025-12-31# and lx='支出' group by xm");
const QString ByMonth = QStringLiteral(
    "select left(cdate(rq),7) as sd,count(zbid) as cs,sum(sr) as srhj,sum(zc) as zchj,sum(jsze) as jszehj from szzb "
    "where rq >= #2006-01-01# and rq<= #2025-12-31#   group by left(cdate(rq),7)");
const QString ByDay
    = QStringLiteral("select rq as sd,count(zbid) as cs,sum(sr) as srhj,sum(zc) as zchj,sum(jsze) as jszehj from szzb "
                     "where rq >= #2006-01-01# and rq<= #2025-12-31#   group by rq");

std::unique_ptr<Connection> open()
{
    Connection::setCipherPageSize(PageSize);
    auto c = std::make_unique<Connection>();
    c->setConnectionString(
        ledgerConnectionString(QFileInfo(ledgerFile(Rows, PageSize)).absolutePath() + QLatin1Char('/')));
    c->open();
    return c;
}

void runDataset(benchmark::State &state, const QString &statement)
{
    auto connection = open();
    int rows = 0;
    for (auto _ : state) {
        Dataset d(connection.get());
        d.addSql(statement);
        d.open();
        rows = d.recordCount();
    }
    state.counters["groups"] = rows;
}

void runFloor(benchmark::State &state, const QString &statement, bool withoutIndex = false)
{
    auto connection = open();
    sqlite3 *db = connection->handle();
    // the index is dropped inside a transaction that is rolled back: a run
    // cut off leaves the kept ledger as it was (the engine rolls back at the
    // next opening)
    if (withoutIndex) {
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        if (sqlite3_exec(db, "DROP INDEX szzb_totals", nullptr, nullptr, nullptr) != SQLITE_OK) {
            // a ledger without it (kept from an older cut-off run) would
            // measure the floor without the index under the other name too
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            state.SkipWithError("the ledger has no index szzb_totals to drop");
            return;
        }
    }
    const QByteArray sql = JetSql::translate(statement).sql.toUtf8();
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        const int columns = sqlite3_column_count(st);
        double touched = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < columns; ++c)
                touched += sqlite3_column_type(st, c) == SQLITE_TEXT ? sqlite3_column_bytes(st, c)
                                                                     : sqlite3_column_double(st, c);
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(touched);
    }
    if (withoutIndex)
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// What a summary leaves held by the process once its result is in memory
// (the summary by item, or the comparison by month): before and after the
// connection gives back what it can, as the pages do after each reading.
void StatsMemoryHeld(benchmark::State &state)
{
    const QString statement = state.range(0) == 0 ? ByItem : ByMonth;
    auto connection = open();
    Dataset warm(connection.get());
    warm.addSql(QStringLiteral("select count(*) from xtcs"));
    warm.open();
    connection->releaseMemory();
    const long before = residentKb();
    long held = 0;
    long released = 0;
    for (auto _ : state) {
        Dataset d(connection.get());
        d.addSql(statement);
        d.open();
        held = residentKb() - before;
        connection->releaseMemory();
        released = residentKb() - before;
    }
    state.SetLabel(state.range(0) == 0 ? "summary by item" : "comparison by month");
    state.counters["held_mb"] = double(held) / 1024.0;
    state.counters["after_release_mb"] = double(released) / 1024.0;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The page's dataset and the floor by turns, seven times each, on one
// connection, so that whatever the machine does meanwhile falls on both
// alike; medians.
void alternate(benchmark::State &state, const QString &statement)
{
    auto connection = open();
    sqlite3 *db = connection->handle();
    const QByteArray sql = JetSql::translate(statement).sql.toUtf8();
    std::vector<double> datasets;
    std::vector<double> floors;
    int groups = 0;
    for (auto _ : state) {
        for (int round = 0; round < 7; ++round) {
            QElapsedTimer timer;
            timer.start();
            {
                Dataset d(connection.get());
                d.addSql(statement);
                d.open();
                groups = d.recordCount();
            }
            datasets.push_back(double(timer.nsecsElapsed()) / 1e6);
            timer.start();
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
            const int columns = sqlite3_column_count(st);
            double touched = 0;
            while (sqlite3_step(st) == SQLITE_ROW)
                for (int c = 0; c < columns; ++c)
                    touched += sqlite3_column_type(st, c) == SQLITE_TEXT ? sqlite3_column_bytes(st, c)
                                                                         : sqlite3_column_double(st, c);
            sqlite3_finalize(st);
            benchmark::DoNotOptimize(touched);
            floors.push_back(double(timer.nsecsElapsed()) / 1e6);
        }
    }
    state.counters["groups"] = groups;
    state.counters["dataset_ms"] = median(datasets);
    state.counters["floor_ms"] = median(floors);
    state.counters["ratio"] = median(datasets) / median(floors);
}

void StatsByItemVsFloor(benchmark::State &state)
{
    alternate(state, ByItem);
}
void StatsByItemWithoutIndexFloor(benchmark::State &state)
{
    runFloor(state, ByItem, true);
}
void StatsByMonthVsFloor(benchmark::State &state)
{
    alternate(state, ByMonth);
}
void StatsByMonthWithoutIndexFloor(benchmark::State &state)
{
    runFloor(state, ByMonth, true);
}

// The daily statement alone, then the filling of the line chart with its
// 7 300 points (statement not timed).
void StatsByDay(benchmark::State &state)
{
    runDataset(state, ByDay);
}

void LineChartFill(benchmark::State &state)
{
    auto connection = open();
    Dataset d(connection.get());
    d.addSql(ByDay);
    d.open();
    LineChart chart;
    chart.resize(700, 300);
    for (auto _ : state) {
        QStringList labels;
        QList<double> expenses;
        QList<double> incomes;
        const int rows = d.recordCount();
        labels.reserve(rows);
        for (int row = 0; row < rows; ++row) {
            labels.append(d.textAt(row, 0));
            incomes.append(d.valueAt(row, 2).toDouble());
            expenses.append(d.valueAt(row, 3).toDouble());
        }
        chart.setPeriods(labels, expenses, incomes);
    }
    state.counters["points"] = d.recordCount();
}

} // namespace

BENCHMARK(StatsByItemVsFloor)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(StatsByItemWithoutIndexFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsByMonthVsFloor)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(StatsByMonthWithoutIndexFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsByDay)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsMemoryHeld)->DenseRange(0, 1)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(LineChartFill)->Unit(benchmark::kMillisecond)->Iterations(5);
