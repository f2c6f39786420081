// Loading a large ledger into the ledger dataset, side by side with the floor:
// a plain loop that steps the same statement and reads every column without
// building rows. Run: build/bin/doz_bench [--benchmark_filter=...]
#include "data/connection.h"
#include "data/dataset.h"
#include "data/jetsql.h"
#include "data/schema.h"
#include "data/tdm.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <memory>
#include <string>

namespace {

const QString Statement = QStringLiteral("select * from szzb where rq>=#2006-1-1#");

struct Item
{
    const char *name;
    std::vector<const char *> details;
};

// Writes n entries dated over twenty years, with the items, details,
// accounts and operators a household uses and remarks of which about half
// are empty.
void generate(const QString &path, int n, int pageSize)
{
    Connection::setCipherPageSize(pageSize);
    Schema::createDatabase(path, DatabasePassword, QDate(2026, 1, 1), true);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    Connection::applyKey(db, DatabasePassword);
    const std::vector<Item> items = {
        {"餐饮", {"早餐", "午餐", "晚餐", "买菜", "水果零食", "外出就餐"}},
        {"交通", {"公交地铁", "打车", "加油", "停车过路", "车辆保养"}},
        {"居住", {"房租", "水费", "电费", "燃气费", "物业费"}},
        {"通讯", {"手机话费", "宽带网费"}},
        {"购物", {"服装鞋帽", "日用品", "家用电器", "数码产品"}},
        {"医疗", {"门诊", "药品", "体检保健"}},
        {"教育", {"学费", "培训", "书籍资料"}},
        {"娱乐", {"旅游", "电影演出", "运动健身"}},
        {"人情", {"礼金", "请客", "孝敬父母"}},
        {"工资收入", {"基本工资", "奖金", "加班费"}},
        {"其他收入", {"投资收益", "兼职收入", "报销"}},
    };
    const char *accounts[] = {"现金", "银行卡", "信用卡", "支付宝", "微信钱包"};
    const char *operators[] = {"管理员", "爸爸", "妈妈"};
    const char *remarks[] = {"和朋友聚餐", "超市采购", "给孩子买的", "单位报销前垫付", "网上购物", "节日礼物",
                             "年度续费",   "临时开支", "老家寄钱",   "出差途中",       "周末出游", "家里修理"};
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(db, "insert into szzb (rq,lx,xm,mx,sr,zc,jsze,szr,bz,jzr,jzsj) values (?,?,?,?,?,?,?,?,?,?,?)",
                       -1, &st, nullptr);
    QRandomGenerator rng(42);
    const QDate first(2006, 1, 1);
    for (int i = 0; i < n; ++i) {
        const QDate day = first.addDays(qint64(i) * 7300 / n);
        const Item &item = items[rng.bounded(int(items.size()))];
        const bool income = std::string(item.name).find("收入") != std::string::npos;
        const double amount = double(rng.bounded(1, 200000)) / 100.0;
        const QByteArray rq = day.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
        const QByteArray jzsj = (rq + " " + QByteArray::number(8 + i % 12).rightJustified(2, '0') + ":"
                                 + QByteArray::number(i % 60).rightJustified(2, '0') + ":05");
        std::string remark;
        if (rng.bounded(2) == 0) {
            remark = remarks[rng.bounded(12)];
            if (rng.bounded(3) == 0)
                remark += " 第" + std::to_string(rng.bounded(1, 100000)) + "号";
        }
        sqlite3_bind_text(st, 1, rq.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, income ? "收入" : "支出", -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 3, item.name, -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 4, item.details[rng.bounded(int(item.details.size()))], -1, SQLITE_STATIC);
        sqlite3_bind_double(st, 5, income ? amount : 0);
        sqlite3_bind_double(st, 6, income ? 0 : amount);
        sqlite3_bind_double(st, 7, income ? amount : -amount);
        sqlite3_bind_text(st, 8, accounts[rng.bounded(5)], -1, SQLITE_STATIC);
        if (remark.empty())
            sqlite3_bind_null(st, 9);
        else
            sqlite3_bind_text(st, 9, remark.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 10, operators[rng.bounded(3)], -1, SQLITE_STATIC);
        sqlite3_bind_text(st, 11, jzsj.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

QTemporaryDir &workDir()
{
    static QTemporaryDir dir;
    return dir;
}

// The generated file for n entries and a page size, made once per run.
QString ledgerFile(int n, int pageSize)
{
    static std::map<std::pair<int, int>, QString> files;
    auto it = files.find({n, pageSize});
    if (it != files.end())
        return it->second;
    const QString dir = workDir().filePath(QStringLiteral("p%1_n%2").arg(pageSize).arg(n));
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/Data.qhd");
    generate(path, n, pageSize);
    files[{n, pageSize}] = path;
    return path;
}

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

void DatasetLoad(benchmark::State &state)
{
    const int n = int(state.range(0));
    const int pageSize = int(state.range(1));
    const QString path = ledgerFile(n, pageSize);
    Connection::setCipherPageSize(pageSize);
    Connection connection;
    connection.setConnectionString(ledgerConnectionString(QFileInfo(path).absolutePath() + QLatin1Char('/')));
    connection.open();
    double peakPerRow = 0;
    std::size_t heldPerRow = 0;
    for (auto _ : state) {
        Dataset ledger(&connection);
        ledger.addSql(Statement);
        state.PauseTiming();
        resetPeak();
        const long before = statusKb("VmRSS:");
        state.ResumeTiming();
        ledger.open();
        state.PauseTiming();
        peakPerRow = double(statusKb("VmHWM:") - before) * 1024.0 / n;
        heldPerRow = ledger.memoryUsage() / std::size_t(n);
        if (ledger.recordCount() != n)
            state.SkipWithError("wrong row count");
        ledger.close();
        state.ResumeTiming();
    }
    state.counters["peak_bytes_per_row"] = peakPerRow;
    state.counters["held_bytes_per_row"] = double(heldPerRow);
    state.counters["rows"] = n;
}

void Floor(benchmark::State &state)
{
    const int n = int(state.range(0));
    const int pageSize = int(state.range(1));
    const QString path = ledgerFile(n, pageSize);
    Connection::setCipherPageSize(pageSize);
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    Connection::applyKey(db, DatabasePassword);
    const QByteArray sql = JetSql::translate(Statement).sql.toUtf8();
    for (auto _ : state) {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
        const int columns = sqlite3_column_count(st);
        std::int64_t rows = 0;
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
            ++rows;
        }
        sqlite3_finalize(st);
        benchmark::DoNotOptimize(touched);
        if (rows != n)
            state.SkipWithError("wrong row count");
    }
    sqlite3_close(db);
    state.counters["rows"] = n;
}

} // namespace

BENCHMARK(DatasetLoad)->ArgsProduct({{100000, 1000000}, {1024, 4096}})->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(Floor)->ArgsProduct({{100000, 1000000}, {1024, 4096}})->Unit(benchmark::kMillisecond)->Iterations(3);

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
            const auto slash = name.find('/');
            const std::string key = name.substr(slash + 1, name.find("/iterations") - slash - 1);
            if (name.rfind("DatasetLoad", 0) == 0) {
                m_load[key] = ms;
                auto peak = run.counters.find("peak_bytes_per_row");
                if (peak != run.counters.end())
                    m_peak[key] = peak->second.value;
            } else if (name.rfind("Floor", 0) == 0) {
                m_floor[key] = ms;
            }
        }
    }
    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-16s %12s %12s %8s %14s\n", "rows/page size", "dataset ms", "floor ms", "ratio",
                    "peak bytes/row");
        for (const auto &[key, load] : m_load) {
            const auto floor = m_floor.find(key);
            if (floor == m_floor.end())
                continue;
            std::printf("%-16s %12.1f %12.1f %8.2f %14.1f\n", key.c_str(), load, floor->second, load / floor->second,
                        m_peak[key]);
        }
    }

private:
    std::map<std::string, double> m_load;
    std::map<std::string, double> m_floor;
    std::map<std::string, double> m_peak;
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    SideBySide reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
