// A 支付宝 bill of 10 000 rows against a ledger of 1 000 000 entries: read
// and prepared for the preview (rules, earlier imports and the entries typed
// by hand over the bill's dates looked up), and imported; by turns with the
// floor of the import, the same entries inserted with one prepared
// statement in one transaction. Each import is undone before the next turn.
#include "data/connection.h"
#include "data/schema.h"
#include "data/statement.h"
#include "data/tdm.h"
#include "ledger/billimport.h"
#include "ledgerfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

namespace {

const int Rows = 10000;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// A bill in the current layout over the year 2025: expenses in most rows,
// an income in every tenth, a transfer to 余额宝 in every fiftieth.
QByteArray bill()
{
    const char *const merchants[] = {"美团", "滴滴出行", "盒马鲜生", "中国移动", "京东商城", "某某便利店"};
    const char *const categories[] = {"餐饮美食", "交通出行", "日用百货", "充值缴费", "数码电器", "日用百货"};
    QByteArray out = QStringLiteral("支付宝交易明细\n\n交易时间,交易分类,交易对方,对方账号,商品说明,收/支,金额,"
                                    "收/付款方式,交易状态,交易订单号,商家订单号,备注,\n")
                         .toUtf8();
    for (int i = 0; i < Rows; ++i) {
        const QDateTime when = QDateTime(QDate(2025, 1, 1), QTime(8, 0)).addSecs(qint64(i) * 3137);
        const int m = i % 6;
        const bool income = i % 10 == 9;
        const bool transfer = i % 50 == 49;
        out += QStringLiteral("%1,%2,%3,/,订单%4,%5,%6.%7,余额,交易成功,2025%8\t,M2025%8\t,,\n")
                   .arg(when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
                        income ? QStringLiteral("转账红包") : QString::fromUtf8(categories[m]),
                        QString::fromUtf8(merchants[m]))
                   .arg(i)
                   .arg(transfer ? QStringLiteral("不计收支")
                        : income ? QStringLiteral("收入")
                                 : QStringLiteral("支出"))
                   .arg(1 + i % 300)
                   .arg(i % 100, 2, 10, QLatin1Char('0'))
                   .arg(i, 10, 10, QLatin1Char('0'))
                   .toUtf8();
    }
    return out;
}

// The floor: the entries of preview's ticked rows inserted with one
// prepared statement in one transaction, then removed (not timed).
double floorOnce(Connection *ledger, const BillImport::Preview &preview)
{
    QElapsedTimer timer;
    timer.start();
    qint64 first = 0;
    ledger->inTransaction([&] {
        Statement entry = ledger->prepareSqlite(QStringLiteral(
            "INSERT INTO szzb (rq, lx, xm, mx, sr, zc, jsze, szr, bz, jzr, jzsj) VALUES (?,?,?,?,?,?,?,?,?,?,?)"));
        const QDateTime now = QDateTime::currentDateTime();
        for (const BillImport::Candidate &c : preview.rows) {
            if (!c.ticked)
                continue;
            const double amount = double(c.cents) / 100.0;
            entry.bind(1, c.row.date, FieldKind::Date);
            entry.bind(2, c.income ? QStringLiteral("收入") : QStringLiteral("支出"));
            entry.bind(3, c.item);
            entry.bind(4, c.detail);
            entry.bind(5, c.income ? amount : 0.0, FieldKind::Float);
            entry.bind(6, c.income ? 0.0 : amount, FieldKind::Float);
            entry.bind(7, c.income ? amount : -amount, FieldKind::Float);
            entry.bind(8, c.account);
            entry.bind(9, c.row.counterparty);
            entry.bind(10, QStringLiteral("管理员"));
            entry.bind(11, now, FieldKind::DateTime);
            entry.run();
            entry.reset();
            if (!first)
                first = sqlite3_last_insert_rowid(ledger->handle());
        }
    });
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    ledger->execute(QStringLiteral("delete from szzb where zbid>=%1").arg(first));
    return ms;
}

void BillReadImportVsFloor(benchmark::State &state)
{
    QTemporaryDir dir;
    // the shared 1 000 000-entry ledger, copied: the import writes into it
    Connection::setCipherPageSize(4096);
    if (!QFile::copy(ledgerFile(1000000, 4096), dir.filePath(QStringLiteral("Data.qhd")))) {
        state.SkipWithError("cannot copy the ledger");
        return;
    }
    const QString path = dir.filePath(QStringLiteral("alipay.csv"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bill()) < 0) {
        state.SkipWithError("cannot write the bill");
        return;
    }
    file.close();
    Connection ledger;
    ledger.setConnectionString(ledgerConnectionString(dir.path() + QLatin1Char('/')));
    ledger.open();
    Schema::addMissingParts(ledger.handle());

    std::vector<double> reads;
    std::vector<double> imports;
    std::vector<double> floors;
    int ticked = 0;
    for (auto _ : state) {
        for (int round = 0; round < 5; ++round) {
            QElapsedTimer timer;
            timer.start();
            Bills::ReadStatus status = Bills::ReadStatus::Failed;
            QString error;
            const BillImport::Preview preview = BillImport::read(&ledger, path, QString(), &status, &error);
            reads.push_back(double(timer.nsecsElapsed()) / 1e6);
            if (status != Bills::ReadStatus::Ok || preview.rows.size() != Rows) {
                state.SkipWithError("the bill did not read");
                return;
            }
            ticked = int(std::count_if(preview.rows.cbegin(), preview.rows.cend(),
                                       [](const BillImport::Candidate &c) { return c.ticked; }));
            timer.start();
            const BillImport::Result r
                = BillImport::import(&ledger, preview, QStringLiteral("管理员"), QDateTime::currentDateTime());
            imports.push_back(double(timer.nsecsElapsed()) / 1e6);
            BillImport::undo(&ledger, r.batch);
            floors.push_back(floorOnce(&ledger, preview));
        }
    }
    state.counters["rows"] = Rows;
    state.counters["ticked"] = ticked;
    state.counters["read_preview_ms"] = median(reads);
    state.counters["import_ms"] = median(imports);
    state.counters["floor_ms"] = median(floors);
    state.counters["import_ratio"] = median(imports) / median(floors);
}

} // namespace

BENCHMARK(BillReadImportVsFloor)->Unit(benchmark::kMillisecond)->Iterations(1);
