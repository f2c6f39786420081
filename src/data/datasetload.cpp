#include "dataset.h"

#include "datasetprivate.h"
#include "jetsql.h"
#include "rangeplan.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <future>
#include <thread>

// Loading a result: at once, or on a worker thread over a read connection of
// its own (see the thread notes in dataset.h).

JetSql::Statement Dataset::prepareLoad(const QString &sqlTextToOpen)
{
    JetSql::Statement st = JetSql::translate(sqlTextToOpen);
    m_table.clear();
    m_keyColumn = m_rowidColumn = -1;
    if (st.kind == JetSql::Statement::Kind::Sql)
        detectTable(&st.sql);
    // most of a table read through a range of dates: walk the table
    if (!m_table.isEmpty() && st.externalFiles.isEmpty())
        st.sql = RangePlan::plan(m_connection, m_table, st.sql);
    return st;
}

void Dataset::load(const QString &sqlTextToOpen)
{
    load(prepareLoad(sqlTextToOpen), sqlTextToOpen);
}

void Dataset::load(const JetSql::Statement &st, const QString &sqlTextToOpen)
{
    if (st.kind != JetSql::Statement::Kind::Sql) {
        m_connection->execute(sqlTextToOpen);
        return;
    }
    QStringList attached;
    Statement stmt = m_connection->prepare(st, &attached);
    sqlite3_stmt *s = stmt.get();
    struct Cleanup
    {
        Connection *c;
        QStringList &a;
        ~Cleanup() { c->detachExternals(a); }
    } cleanup{m_connection, attached};
    bindParameters(s, m_params, m_connection);

    if (sqlite3_column_count(s) == 0) { // a statement that returns no rows: run it
        stmt.run();
        m_table.clear();
        return;
    }
    adopt(readRows(m_connection, s, m_rowidColumn == -2, nullptr));
}

namespace {
std::function<void()> &backgroundReadHook()
{
    static std::function<void()> hook;
    return hook;
}
} // namespace

void Dataset::setBackgroundReadHook(std::function<void()> hook)
{
    backgroundReadHook() = std::move(hook);
}

void Dataset::openInBackground(Reader reader)
{
    if (isActive() || m_pending)
        return;
    JetSql::Statement st = prepareLoad(sqlText());
    if (st.kind != JetSql::Statement::Kind::Sql || !st.externalFiles.isEmpty()) {
        load(st, sqlText());
        return;
    }
    {
        // a statement that returns no rows runs at once
        Statement probe = m_connection->prepare(st);
        if (sqlite3_column_count(probe.get()) == 0) {
            probe = Statement();
            load(st, sqlText());
            return;
        }
    }
    auto pending = std::make_unique<PendingLoad>();
    const std::atomic<bool> *stop = &pending->stop;
    const QString connectionString = m_connection->connectionString();
    const QHash<QString, QVariant> params = m_params;
    const bool hidden = m_rowidColumn == -2;
    Connection *shared = reader == Reader::ProgramConnection ? m_connection : nullptr;
    pending->rows = std::async(
        std::launch::async, [st, connectionString, params, hidden, stop, shared, hook = backgroundReadHook()] {
            if (hook)
                hook();
            Connection own;
            Connection *reader = shared;
            if (!reader) {
                own.setConnectionString(connectionString);
                own.open();
                reader = &own;
            }
            // given up: the engine stops at once, not at the next batch of
            // rows (nor only after a long sort or grouping before the first)
            sqlite3_progress_handler(
                reader->handle(), 1000,
                [](void *flag) { return static_cast<const std::atomic<bool> *>(flag)->load() ? 1 : 0; },
                const_cast<std::atomic<bool> *>(stop));
            struct Unhandled
            {
                sqlite3 *db;
                ~Unhandled() { sqlite3_progress_handler(db, 0, nullptr, nullptr); }
            } unhandled{reader->handle()};
            Statement stmt = reader->prepare(st);
            bindParameters(stmt.get(), params, reader);
            return readRows(reader, stmt.get(), hidden, stop);
        });
    m_pending = std::move(pending);
}

Dataset::~Dataset()
{
    abandonPendingLoad();
}

bool Dataset::readingDone() const
{
    return !m_pending || m_pending->rows.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
}

void Dataset::finishOpen()
{
    if (!m_pending)
        return;
    const std::unique_ptr<PendingLoad> pending = std::move(m_pending);
    ReadRows rows;
    try {
        rows = pending->rows.get();
    } catch (...) {
        m_table.clear();
        m_keyColumn = m_rowidColumn = -1;
        throw;
    }
    adopt(std::move(rows));
}

void Dataset::abandonPendingLoad()
{
    if (!m_pending)
        return;
    const std::unique_ptr<PendingLoad> pending = std::move(m_pending);
    pending->stop = true;
    try {
        pending->rows.get();
    } catch (...) { // the reading is abandoned; how it ended does not matter
    }
    m_table.clear();
    m_keyColumn = m_rowidColumn = -1;
}

void Dataset::adopt(ReadRows &&loaded)
{
    const bool hidden = m_rowidColumn == -2;
    const std::size_t rows = loaded.count;
    ++m_reshaping;

    Q_EMIT aboutToReset();
    m_fields = std::move(loaded.fields);
    m_columns = std::move(loaded.columns);
    m_order.resize(rows);
    std::iota(m_order.begin(), m_order.end(), 0u);
    if (hidden)
        m_rowidColumn = int(m_fields.size());
    if (m_keyColumn == -2) {
        const TableInfo &info = m_connection->tableInfo(m_table);
        m_keyColumn = info.autoIncrement >= 0 ? fieldIndex(info.columns[info.autoIncrement].name) : -1;
        if (m_keyColumn < 0) // the key is not among the columns read: nothing to write back by
            m_table.clear();
    }
    m_buffer.clear();
    m_changed.clear();
    m_modified = false;
    m_sortColumn = -1;
    m_pos = rows ? 0 : -1;
    m_bof = true;
    m_eof = rows == 0;
    m_state = State::Browse;
    Q_EMIT reset();
    --m_reshaping;
    Q_EMIT stateChanged(m_state);
    Q_EMIT currentChanged(m_pos);
    Q_EMIT listChanged();
}

// --- walking -----------------------------------------------------------------
