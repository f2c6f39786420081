// Exporting the 1 000 000-row ledger list as the ledger page shows it (its
// twelve columns, amounts as "0.00"), by turns with loading the same list:
// the load is the measure the export is held to (the workbook at no more
// than three times it). The export's CPU time counts every thread (the
// workbook's deflate runs beside the building of its rows).
#include "components/dbgrideh.h"
#include "components/gridexport.h"
#include "data/connection.h"
#include "data/dataset.h"
#include "data/tdm.h"
#include "ledgerfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include <time.h>

namespace {

const QString Statement = QStringLiteral("select * from szzb where rq>=#2006-1-1#");
const char *const Formats[] = {"", "xls", "txt", "htm", "xlsx"};

// The CPU time of the whole process (every thread), in milliseconds.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

QList<GridColumn> ledgerColumns()
{
    const char *const fields[][2] = {{"序号", "zbid"},   {"日期", "rq"},   {"类型", "lx"},    {"费用项目", "xm"},
                                     {"费用明细", "mx"}, {"收入额", "sr"}, {"支出额", "zc"},  {"净收支", "jsze"},
                                     {"收支人", "szr"},  {"备注", "bz"},   {"记帐人", "jzr"}, {"记帐时间", "jzsj"}};
    QList<GridColumn> columns;
    for (const auto &f : fields) {
        GridColumn c;
        c.title = QString::fromUtf8(f[0]);
        c.field = QLatin1String(f[1]);
        if (c.field == QLatin1String("sr") || c.field == QLatin1String("zc") || c.field == QLatin1String("jsze")) {
            c.displayFormat = QStringLiteral("0.00");
            c.footer = FooterKind::Sum;
            c.footerFormat = QStringLiteral("0.00");
        }
        columns.append(c);
    }
    return columns;
}

void ExportVsLoad(benchmark::State &state)
{
    const int format = int(state.range(0));
    const QString path = ledgerFile(1000000, 4096);
    Connection::setCipherPageSize(4096);
    Connection connection;
    connection.setConnectionString(ledgerConnectionString(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    Dataset ledger(&connection);
    ledger.addSql(Statement);
    DataSource source(&ledger);
    DBGridEh grid;
    grid.setColumns(ledgerColumns());
    grid.setDataSource(&source);
    QTemporaryDir dir;
    SaveDialog dialog;
    std::vector<double> exports;
    std::vector<double> exportCpus;
    std::vector<double> loads;
    qint64 bytes = 0;
    for (auto _ : state) {
        for (int round = 0; round < 5; ++round) {
            ledger.close();
            QElapsedTimer timer;
            timer.start();
            ledger.open();
            loads.push_back(double(timer.nsecsElapsed()) / 1e6);
            dialog.fileName = dir.filePath(QStringLiteral("流水"));
            dialog.filterIndex = format;
            const double cpu = cpuMs();
            timer.start();
            WriteGridExport(&dialog, &grid);
            exports.push_back(double(timer.nsecsElapsed()) / 1e6);
            exportCpus.push_back(cpuMs() - cpu);
            bytes = QFileInfo(dialog.fileName).size();
        }
    }
    state.SetLabel(Formats[format]);
    state.counters["export_ms"] = median(exports);
    state.counters["export_cpu_ms"] = median(exportCpus);
    state.counters["load_ms"] = median(loads);
    state.counters["ratio"] = median(exports) / median(loads);
    state.counters["megabytes"] = double(bytes) / 1e6;
}

} // namespace

BENCHMARK(ExportVsLoad)->DenseRange(1, 4)->Unit(benchmark::kMillisecond)->Iterations(1);
