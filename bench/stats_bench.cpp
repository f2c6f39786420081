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

#include <QFile>
#include <QFileInfo>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

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
    if (withoutIndex)
        sqlite3_exec(db, "DROP INDEX szzb_totals", nullptr, nullptr, nullptr);
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
        sqlite3_exec(db, "CREATE INDEX szzb_totals ON szzb (rq, lx, xm, mx, szr, sr, zc, jsze)", nullptr, nullptr,
                     nullptr);
}

void StatsByItem(benchmark::State &state)
{
    runDataset(state, ByItem);
}
void StatsByItemFloor(benchmark::State &state)
{
    runFloor(state, ByItem);
}
void StatsByItemWithoutIndexFloor(benchmark::State &state)
{
    runFloor(state, ByItem, true);
}
void StatsByMonth(benchmark::State &state)
{
    runDataset(state, ByMonth);
}
void StatsByMonthFloor(benchmark::State &state)
{
    runFloor(state, ByMonth);
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

BENCHMARK(StatsByItem)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsByItemFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsByItemWithoutIndexFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsByMonth)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsByMonthFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsByMonthWithoutIndexFloor)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(StatsByDay)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(LineChartFill)->Unit(benchmark::kMillisecond)->Iterations(5);
