#include "schema.h"

#include "connection.h"
#include "databasefile.h"
#include "dberror.h"
#include "filesafety.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>

#include <sqlite3.h>

namespace Schema {
namespace {

// Text columns compare and group without regard to case, as the login and
// every name lookup expect; names hold at most 50 characters, other texts 255.
const char *const Tables = R"SQL(
CREATE TABLE szzb (
  zbid INTEGER PRIMARY KEY AUTOINCREMENT,
  rq DATE,
  lx TEXT COLLATE NOCASE CONSTRAINT lx_size CHECK (length(lx) <= 50),
  xm TEXT COLLATE NOCASE CONSTRAINT xm_size CHECK (length(xm) <= 50),
  mx TEXT COLLATE NOCASE CONSTRAINT mx_size CHECK (length(mx) <= 50),
  sr DOUBLE,
  zc DOUBLE,
  jsze DOUBLE,
  szr TEXT COLLATE NOCASE CONSTRAINT szr_size CHECK (length(szr) <= 50),
  bz LONGTEXT COLLATE NOCASE,
  jzr TEXT COLLATE NOCASE CONSTRAINT jzr_size CHECK (length(jzr) <= 50),
  jzsj DATETIME);
CREATE INDEX szzb_rq ON szzb (rq);
CREATE INDEX szzb_totals ON szzb (rq, lx, xm, mx, szr, sr, zc, jsze);
CREATE TABLE fyxm (
  xmid INTEGER PRIMARY KEY AUTOINCREMENT,
  xmmc TEXT COLLATE NOCASE CONSTRAINT xmmc_size CHECK (length(xmmc) <= 50));
CREATE TABLE fymx (
  dyxmid INTEGER,
  mxmc TEXT COLLATE NOCASE CONSTRAINT mxmc_size CHECK (length(mxmc) <= 50));
CREATE INDEX fymx_dyxmid ON fymx (dyxmid);
CREATE TRIGGER fyxm_delete_details AFTER DELETE ON fyxm
BEGIN
  DELETE FROM fymx WHERE dyxmid = old.xmid;
END;
CREATE TABLE jtcy (
  cyxm TEXT COLLATE NOCASE CONSTRAINT cyxm_size CHECK (length(cyxm) <= 50));
CREATE TABLE czyh (
  yhmc TEXT COLLATE NOCASE CONSTRAINT yhmc_size CHECK (length(yhmc) <= 50),
  yhkl TEXT CONSTRAINT yhkl_size CHECK (length(yhkl) <= 50));
CREATE TABLE xtcs (
  qsny DATE,
  jmfg INTEGER,
  bbh TEXT COLLATE NOCASE CONSTRAINT bbh_size CHECK (length(bbh) <= 50));
CREATE TABLE jstx (
  jsid INTEGER PRIMARY KEY AUTOINCREMENT,
  jsrq DATE,
  jslxmc TEXT COLLATE NOCASE CONSTRAINT jslxmc_size CHECK (length(jslxmc) <= 50),
  zt TEXT COLLATE NOCASE CONSTRAINT zt_size CHECK (length(zt) <= 255),
  jsr TEXT COLLATE NOCASE CONSTRAINT jsr_size CHECK (length(jsr) <= 50),
  txfs TEXT COLLATE NOCASE CONSTRAINT txfs_size CHECK (length(txfs) <= 50),
  txqsrq DATE,
  txjsrq DATE,
  nr LONGTEXT COLLATE NOCASE,
  jsczsj DATETIME);
CREATE TABLE jslx (
  lxmc TEXT COLLATE NOCASE CONSTRAINT lxmc_size CHECK (length(lxmc) <= 50));
CREATE TABLE txl (
  txlid INTEGER PRIMARY KEY AUTOINCREMENT,
  fz TEXT COLLATE NOCASE CONSTRAINT fz_size CHECK (length(fz) <= 50),
  lxrxm TEXT COLLATE NOCASE CONSTRAINT lxrxm_size CHECK (length(lxrxm) <= 50),
  bm TEXT COLLATE NOCASE CONSTRAINT bm_size CHECK (length(bm) <= 50),
  xb TEXT COLLATE NOCASE CONSTRAINT xb_size CHECK (length(xb) <= 50),
  sjhm TEXT COLLATE NOCASE CONSTRAINT sjhm_size CHECK (length(sjhm) <= 50),
  bgdh TEXT COLLATE NOCASE CONSTRAINT bgdh_size CHECK (length(bgdh) <= 50),
  jtdh TEXT COLLATE NOCASE CONSTRAINT jtdh_size CHECK (length(jtdh) <= 50),
  qq TEXT COLLATE NOCASE CONSTRAINT qq_size CHECK (length(qq) <= 50),
  yx TEXT COLLATE NOCASE CONSTRAINT yx_size CHECK (length(yx) <= 255),
  wz TEXT COLLATE NOCASE CONSTRAINT wz_size CHECK (length(wz) <= 255),
  gsmc TEXT COLLATE NOCASE CONSTRAINT gsmc_size CHECK (length(gsmc) <= 255),
  jtdz TEXT COLLATE NOCASE CONSTRAINT jtdz_size CHECK (length(jtdz) <= 255),
  sr DATE,
  txlbz TEXT COLLATE NOCASE CONSTRAINT txlbz_size CHECK (length(txlbz) <= 255));
CREATE TABLE lxrfz (
  zm TEXT COLLATE NOCASE CONSTRAINT zm_size CHECK (length(zm) <= 50));
)SQL";

// What the program keeps beyond the ten tables; made at start in a ledger
// that lacks it. zdgz: the rules that suggest an item and detail for a bill
// row (keyword in the counterparty or the goods); drpc: the batches of
// imported bills; drjl: each imported bill row (its key, the merchant's
// order number, the entry made of it); zdgs: the column mapping remembered
// per bank layout; yszb: the budgets (item or all expenses, 每月, 每年 or
// one month, amount, roll-over, the month it applies from); dqsz: the templates of recurring entries
// (the entry, its rule, first and last date or count, mode); dqjl: each
// occurrence of a template done (posted as entry zbid, or passed over).
const char *const AddedTables = R"SQL(
CREATE TABLE zdgz (
  gzid INTEGER PRIMARY KEY AUTOINCREMENT,
  gjz TEXT COLLATE NOCASE CONSTRAINT gjz_size CHECK (length(gjz) <= 50),
  xm TEXT COLLATE NOCASE CONSTRAINT zdgz_xm_size CHECK (length(xm) <= 50),
  mx TEXT COLLATE NOCASE CONSTRAINT zdgz_mx_size CHECK (length(mx) <= 50));
CREATE TABLE drpc (
  pcid INTEGER PRIMARY KEY AUTOINCREMENT,
  drsj DATETIME,
  wjm TEXT,
  ly TEXT,
  czy TEXT,
  ts INTEGER);
CREATE TABLE drjl (
  jlid INTEGER PRIMARY KEY AUTOINCREMENT,
  pcid INTEGER,
  jyh TEXT,
  shdh TEXT,
  zbid INTEGER,
  rq DATE,
  je INTEGER,
  ly TEXT);
CREATE INDEX drjl_jyh ON drjl (jyh);
CREATE INDEX drjl_pcid ON drjl (pcid);
CREATE TABLE zdgs (
  gsid TEXT PRIMARY KEY,
  dy TEXT);
CREATE TABLE yszb (
  ysid INTEGER PRIMARY KEY AUTOINCREMENT,
  xm TEXT COLLATE NOCASE CONSTRAINT yszb_xm_size CHECK (length(xm) <= 50),
  zq TEXT,
  je REAL,
  jz INTEGER,
  ksyf TEXT);
CREATE TABLE dqsz (
  dqid INTEGER PRIMARY KEY AUTOINCREMENT,
  lx TEXT COLLATE NOCASE CONSTRAINT dqsz_lx_size CHECK (length(lx) <= 50),
  xm TEXT COLLATE NOCASE CONSTRAINT dqsz_xm_size CHECK (length(xm) <= 50),
  mx TEXT COLLATE NOCASE CONSTRAINT dqsz_mx_size CHECK (length(mx) <= 50),
  szr TEXT COLLATE NOCASE CONSTRAINT dqsz_szr_size CHECK (length(szr) <= 50),
  je REAL,
  bz TEXT COLLATE NOCASE,
  gj INTEGER,
  gz INTEGER,
  jg INTEGER,
  rh INTEGER,
  ksrq DATE,
  jsrq DATE,
  cs INTEGER,
  ms INTEGER);
CREATE TABLE dqjl (
  dqid INTEGER,
  rq DATE,
  zbid INTEGER,
  PRIMARY KEY (dqid, rq));
)SQL";

struct Preset
{
    const char *item;
    QStringList details;
};

QString quoted(const QString &text)
{
    QString t = text;
    return QLatin1Char('\'') + t.replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

} // namespace

void exec(sqlite3 *db, const QString &sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error);
        sqlite3_free(error);
        throw DbError(message);
    }
}

void createTables(sqlite3 *db)
{
    exec(db, QString::fromUtf8(Tables));
    exec(db, QString::fromUtf8(AddedTables));
}

const QStringList &tableNames()
{
    // read off the definitions themselves, in their order
    static const QStringList ten = [] {
        QStringList names;
        static const QRegularExpression table(QStringLiteral(R"(CREATE TABLE (\w+))"));
        QRegularExpressionMatchIterator it = table.globalMatch(QString::fromUtf8(Tables));
        while (it.hasNext())
            names.append(it.next().captured(1));
        return names;
    }();
    return ten;
}

namespace {

struct Entry
{
    QString type;
    QString name;
    QString table;
    QString sql; // normalised: blanks folded, lower case
    QString raw; // as written
};

QString normalised(const QString &sql)
{
    return sql.simplified().toLower();
}

// The entries of sqlite_master (the engine's own aside); false when the
// schema cannot be read.
bool readSchema(sqlite3 *db, QList<Entry> *entries)
{
    try {
        Statement st = prepareOn(db, QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master"));
        while (st.step())
            entries->append({st.text(0), st.text(1), st.text(2), normalised(st.text(3)), st.text(3)});
        return true;
    } catch (const DbError &) {
        return false;
    }
}

// The program's own schema, made in a database in memory.
const QList<Entry> &ownSchema()
{
    static const QList<Entry> own = [] {
        QList<Entry> entries;
        try {
            DatabaseFile memory(QStringLiteral(":memory:"), QString(), DatabaseFile::Mode::Create);
            createTables(memory.handle());
            readSchema(memory.handle(), &entries);
        } catch (const DbError &) {
            entries.clear();
        }
        return entries;
    }();
    return own;
}

const char *typeName(const QString &type)
{
    if (type == QLatin1String("table"))
        return "数据表";
    if (type == QLatin1String("index"))
        return "索引";
    if (type == QLatin1String("trigger"))
        return "触发器";
    if (type == QLatin1String("view"))
        return "视图";
    return "对象";
}

qint64 count(sqlite3 *db, const char *sql, bool *ok)
{
    qint64 n = -1;
    try {
        Statement st = prepareOn(db, QString::fromUtf8(sql));
        if (st.step())
            n = st.integer(0);
    } catch (const DbError &) {
        n = -1;
    }
    *ok = n >= 0;
    return n;
}

} // namespace

int maxLength(const QString &table, const QString &column)
{
    for (const Entry &e : ownSchema()) {
        if (e.type != QLatin1String("table") || e.name.compare(table, Qt::CaseInsensitive) != 0)
            continue;
        const QRegularExpression check(
            QStringLiteral(R"(check \(length\(%1\) <= (\d+)\))").arg(QRegularExpression::escape(column.toLower())));
        const QRegularExpressionMatch m = check.match(e.sql);
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    }
    return 0;
}

void addMissingParts(sqlite3 *db)
{
    // tables first, then what belongs to them (the engine's own aside)
    QList<Entry> ordered;
    for (const Entry &e : ownSchema())
        if (e.type == QLatin1String("table") && !e.name.startsWith(QLatin1String("sqlite_")))
            ordered.append(e);
    for (const Entry &e : ownSchema())
        if (e.type != QLatin1String("table") && !e.name.startsWith(QLatin1String("sqlite_")))
            ordered.append(e);
    for (const Entry &e : std::as_const(ordered)) {
        bool ok = false;
        const QByteArray probe = QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='%1' AND name='%2'")
                                     .arg(e.type, e.name)
                                     .toUtf8();
        if (count(db, probe.constData(), &ok) == 0 && ok)
            exec(db, e.raw);
    }
}

QString checkLedger(sqlite3 *db)
{
    QList<Entry> found;
    if (!readSchema(db, &found))
        return QStringLiteral("所选文件不是本程序的帐本数据文件（或口令不同）。");
    const QList<Entry> &own = ownSchema();
    const auto ownEntry = [&own](const Entry &e) -> const Entry * {
        for (const Entry &o : own)
            if (o.name.compare(e.name, Qt::CaseInsensitive) == 0)
                return &o;
        return nullptr;
    };
    for (const Entry &e : std::as_const(found)) {
        if (e.name.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive) && e.type == QLatin1String("table")
            && QStringList{QStringLiteral("sqlite_sequence"), QStringLiteral("sqlite_stat1"),
                           QStringLiteral("sqlite_stat4")}
                   .contains(e.name.toLower()))
            continue; // the engine's own bookkeeping
        const Entry *o = ownEntry(e);
        if (!o || o->type != e.type)
            return QStringLiteral("所选文件含有本程序没有的%1“%2”，不是本程序的帐本数据文件。")
                .arg(QString::fromUtf8(typeName(e.type)), e.name);
        if (o->sql != e.sql)
            return QStringLiteral("所选文件中%1“%2”的定义与本程序的不同，不能作为帐本恢复。")
                .arg(QString::fromUtf8(typeName(e.type)), e.name);
    }
    for (const QString &table : tableNames()) {
        const bool present = std::any_of(found.cbegin(), found.cend(), [&table](const Entry &e) {
            return e.type == QLatin1String("table") && e.name.compare(table, Qt::CaseInsensitive) == 0;
        });
        if (!present)
            return QStringLiteral("所选文件缺少帐本数据表 %1，不是本程序的帐本数据文件。").arg(table);
    }
    bool ok = false;
    if (count(db, "SELECT count(*) FROM czyh WHERE trim(coalesce(yhmc,'')) <> ''", &ok) < 1 || !ok)
        return QStringLiteral("所选文件中没有任何操作员，恢复后将无法登录。");
    if (count(db, "SELECT count(*) FROM xtcs", &ok) < 1 || !ok)
        return QStringLiteral("所选文件缺少系统参数（帐本起始日期和界面风格）。");
    return QString();
}

void insertPresets(sqlite3 *db, const QDate &today)
{
    const QList<Preset> items = {
        {"餐饮", {"早餐", "午餐", "晚餐", "买菜", "水果零食", "外出就餐"}},
        {"交通", {"公交地铁", "打车", "加油", "停车过路", "车辆保养"}},
        {"居住", {"房租", "房贷", "水费", "电费", "燃气费", "物业费", "维修"}},
        {"通讯", {"手机话费", "宽带网费", "邮寄快递"}},
        {"购物", {"服装鞋帽", "日用品", "家用电器", "家具家居", "数码产品"}},
        {"医疗", {"门诊", "药品", "住院", "体检保健"}},
        {"教育", {"学费", "培训", "书籍资料", "文具"}},
        {"娱乐", {"旅游", "电影演出", "运动健身", "休闲"}},
        {"人情", {"礼金", "请客", "孝敬父母", "捐赠"}},
        {"金融保险", {"保险费", "贷款利息", "手续费"}},
        {"工资收入", {"基本工资", "奖金", "加班费", "补贴"}},
        {"其他收入", {"投资收益", "兼职收入", "礼金收入", "报销", "利息收入"}},
    };
    exec(db, QStringLiteral("BEGIN"));
    try {
        for (const Preset &p : items) {
            exec(db, QStringLiteral("INSERT INTO fyxm (xmmc) VALUES (%1)").arg(quoted(QString::fromUtf8(p.item))));
            const qint64 id = sqlite3_last_insert_rowid(db);
            for (const QString &d : p.details)
                exec(db, QStringLiteral("INSERT INTO fymx (dyxmid, mxmc) VALUES (%1, %2)").arg(id).arg(quoted(d)));
        }
        for (const char *a : {"现金", "银行卡", "信用卡", "支付宝", "微信钱包"})
            exec(db, QStringLiteral("INSERT INTO jtcy (cyxm) VALUES (%1)").arg(quoted(QString::fromUtf8(a))));
        for (const char *t : {"日常事务", "工作安排", "生日纪念", "账单缴费", "购物清单"})
            exec(db, QStringLiteral("INSERT INTO jslx (lxmc) VALUES (%1)").arg(quoted(QString::fromUtf8(t))));
        for (const char *g : {"家人", "亲戚", "朋友", "同学", "同事"})
            exec(db, QStringLiteral("INSERT INTO lxrfz (zm) VALUES (%1)").arg(quoted(QString::fromUtf8(g))));
        exec(db, QStringLiteral("INSERT INTO czyh (yhmc, yhkl) VALUES ('管理员', '')"));
        exec(db, QStringLiteral("INSERT INTO xtcs (qsny, jmfg, bbh) VALUES ('%1', 0, 'V2.0')")
                     .arg(QDate(today.year(), 1, 1).toString(QStringLiteral("yyyy-MM-dd"))));
        exec(db, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void createDatabase(const QString &path, const QString &password, const QDate &today, bool withPresets)
{
    if (QFileInfo::exists(path))
        throw DbError(QStringLiteral("Database '%1' already exists.").arg(path));
    // Owner-only from the start; the engine gives its journal the same permissions.
    if (!FileSafety::createPrivateFile(path))
        throw DbError(QStringLiteral("Could not create file '%1'.").arg(path));
    try {
        DatabaseFile db(path, password, DatabaseFile::Mode::ReadWrite);
        createTables(db.handle());
        if (withPresets)
            insertPresets(db.handle(), today);
        db.close();
    } catch (...) {
        QFile::remove(path);
        throw;
    }
}

} // namespace Schema
