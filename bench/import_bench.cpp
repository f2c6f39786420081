// Importing a version 1.0 ledger of 100 000 entries: from a file of the
// ledger's own format (an encrypted copy attached, the six tables replaced
// in one transaction), and from the staging database an
// Access file's tables are written to (the reading of the Access file itself
// not included: no Access file of that size can be made here).
#include "data/connection.h"
#include "data/filesafety.h"
#include "data/schema.h"
#include "data/tdm.h"
#include "ledgerfile.h"
#include "maintenance/importer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

const int Entries = 100000;

// A new ledger with its presets in dir, ledger connected to it.
void makeLedger(const QTemporaryDir &dir, Connection *ledger)
{
    Schema::createDatabase(dir.filePath(QStringLiteral("Data.qhd")), DatabasePassword, QDate(2026, 1, 1), true);
    ledger->setConnectionString(ledgerConnectionString(dir.path() + QLatin1Char('/')));
}

void ImportOwnFormat(benchmark::State &state)
{
    Connection::setCipherPageSize(4096);
    const QString source = ledgerFile(Entries, 4096);
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        Connection ledger;
        makeLedger(dir, &ledger);
        const QString temp = dir.filePath(QStringLiteral("DATA1_temp.mdb"));
        state.ResumeTiming();
        FileSafety::writeAtomically(temp, [&](int fd) { return FileSafety::copyInto(source, fd); });
        ledger.executeInTransaction(Importer::statements(temp));
    }
    state.counters["entries"] = Entries;
}

void ImportFromStaging(benchmark::State &state)
{
    // the tables as the Access reader gives them
    QList<JetReader::Table> tables;
    JetReader::Table entries;
    entries.name = QStringLiteral("szzb");
    for (const char *c : {"zbid", "rq", "lx", "xm", "mx", "sr", "zc", "jsze", "szr", "bz", "jzr", "jzsj"})
        entries.columns.append({QLatin1String(c), 0, QStringLiteral("text")});
    entries.columns[0].kind = QStringLiteral("integer");
    for (int i : {5, 6, 7})
        entries.columns[i].kind = QStringLiteral("number");
    for (int i = 0; i < Entries; ++i)
        entries.rows.append({qlonglong(i + 1), QDate(2006, 1, 1).addDays(i / 14).toString(Qt::ISODate),
                             QStringLiteral("支出"), QStringLiteral("餐饮"), QStringLiteral("午餐"), 0.0, 12.5, -12.5,
                             QStringLiteral("现金"), i % 2 ? QVariant() : QVariant(QStringLiteral("和朋友聚餐")),
                             QStringLiteral("管理员"), QStringLiteral("2006-01-01 12:00:00")});
    tables.append(entries);
    auto small = [](const char *name, const char *column, const QVariant &value) {
        JetReader::Table t;
        t.name = QLatin1String(name);
        t.columns.append({QLatin1String(column), 0, QStringLiteral("text")});
        t.rows.append({value});
        return t;
    };
    tables.append(small("fyxm", "xmmc", QStringLiteral("餐饮")));
    tables.append(small("fymx", "mxmc", QStringLiteral("午餐")));
    tables.append(small("jtcy", "cyxm", QStringLiteral("现金")));
    tables.append(small("czyh", "yhmc", QStringLiteral("管理员")));
    tables.append(small("xtcs", "bbh", QStringLiteral("V1.0")));
    for (auto _ : state) {
        state.PauseTiming();
        QTemporaryDir dir;
        Connection ledger;
        makeLedger(dir, &ledger);
        const QString staging = dir.filePath(QStringLiteral("DATA1_temp.db"));
        state.ResumeTiming();
        Importer::writeStaging(tables, staging, DatabasePassword);
        ledger.executeInTransaction(Importer::statements(staging));
    }
    state.counters["entries"] = Entries;
}

} // namespace

BENCHMARK(ImportOwnFormat)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(ImportFromStaging)->Unit(benchmark::kMillisecond)->Iterations(3);
