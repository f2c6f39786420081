#include "ledgerfile.h"

#include "data/connection.h"
#include "data/schema.h"
#include "data/tdm.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <map>
#include <string>
#include <vector>

namespace {

struct Item
{
    const char *name;
    std::vector<const char *> details;
};

} // namespace

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

static QTemporaryDir &workDir()
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
    // DOZ_BENCH_DIR keeps the files between runs: a file already there is used
    // as it is
    const QString kept = qEnvironmentVariable("DOZ_BENCH_DIR");
    const QString dir = (kept.isEmpty() ? workDir().path() : kept) + QStringLiteral("/p%1_n%2").arg(pageSize).arg(n);
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/Data.qhd");
    if (kept.isEmpty() || !QFileInfo::exists(path)) {
        // under another name until whole, so that a run cut short leaves none
        const QString part = path + QStringLiteral(".part");
        QFile::remove(part);
        generate(part, n, pageSize);
        QFile::remove(path);
        QFile::rename(part, path);
    }
    files[{n, pageSize}] = path;
    return path;
}
