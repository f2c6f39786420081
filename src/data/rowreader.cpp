#include "rowreader.h"

#include "datecodec.h"
#include "dberror.h"
#include "valuetext.h"

#include <sqlite3.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <string>
#include <thread>

namespace {

// Rows read from the engine and not yet stored, column by column: the
// engine's type of each value (Null for a value the column does not take),
// the number, and where its text is.
struct Batch
{
    Batch(int columns, int capacity, bool dynamic)
        : capacity(capacity)
        , types(new std::uint8_t[std::size_t(columns) * std::size_t(capacity)])
        , values(new std::int64_t[std::size_t(columns) * std::size_t(capacity)])
        , renders(dynamic ? new std::int64_t[std::size_t(columns) * std::size_t(capacity)] : nullptr)
        , textCapacity(std::size_t(capacity) * 64)
        , text(new char[textCapacity])
    {}

    // Appends a text; where it is, as a value.
    std::int64_t addText(const unsigned char *from, int bytes)
    {
        const std::size_t length = std::size_t(bytes);
        if (textSize + length > textCapacity) {
            const std::size_t grown = std::max(textCapacity * 2, textSize + length);
            std::unique_ptr<char[]> larger(new char[grown]);
            std::memcpy(larger.get(), text.get(), textSize);
            text = std::move(larger);
            textCapacity = grown;
        }
        std::memcpy(text.get() + textSize, from, length);
        const std::int64_t at = std::int64_t(textSize) << 32 | std::int64_t(length);
        textSize += length;
        return at;
    }
    const char *textAt(std::int64_t value) const { return text.get() + (std::uint64_t(value) >> 32); }
    static std::size_t lengthOf(std::int64_t value) { return std::size_t(value & 0xFFFFFFFF); }

    const int capacity; // rows; column c's values start at c * capacity
    int rows = 0;
    std::unique_ptr<std::uint8_t[]> types;
    // an integer, the bits of a double, or where a text is (see addText)
    std::unique_ptr<std::int64_t[]> values;
    // for columns without a declared type, where a number's text is: such a
    // column may turn out to be a text column
    std::unique_ptr<std::int64_t[]> renders;
    std::size_t textCapacity;
    std::size_t textSize = 0;
    std::unique_ptr<char[]> text;
};

// The first batch is small, as most results are; the later ones are large.
constexpr int FirstBatchRows = 256;
constexpr int BatchRows = 4096;

// How one result column is read and stored.
struct Column
{
    ColumnData *data = nullptr;
    bool dynamic = false;                        // no declared type: kind from the values
    std::size_t pendingNulls = 0;                // Nulls before a dynamic column's first value
    std::int64_t lastDate = ColumnData::NullInt; // the last date text parsed, and what it gave
    std::string lastDateText;
};

double doubleOf(std::int64_t bits)
{
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

std::int64_t bitsOf(double d)
{
    std::int64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

void fetchDynamic(sqlite3_stmt *s, int r, int type, Batch &batch, std::size_t row, std::size_t c)
{
    const std::size_t at = c * std::size_t(batch.capacity) + row;
    switch (type) {
    case SQLITE_INTEGER:
        batch.values[at] = sqlite3_column_int64(s, r);
        batch.renders[at] = batch.addText(sqlite3_column_text(s, r), sqlite3_column_bytes(s, r));
        break;
    case SQLITE_FLOAT:
        batch.values[at] = bitsOf(sqlite3_column_double(s, r));
        batch.renders[at] = batch.addText(sqlite3_column_text(s, r), sqlite3_column_bytes(s, r));
        break;
    case SQLITE_TEXT:
    case SQLITE_BLOB:
        batch.renders[at] = batch.values[at] = batch.addText(sqlite3_column_text(s, r), sqlite3_column_bytes(s, r));
        break;
    default:
        break;
    }
}

// Reads the values of the current row of s into row of the batch.
// How fetch() reads a column: by its declared kind, or as it comes.
enum class Fetch : std::uint8_t { Integer, Float, Text, Date, AsItComes };

// Reads the values of the current row of s into row of the batch.
void fetch(sqlite3_stmt *s, const std::vector<Fetch> &how, Batch &batch)
{
    const std::size_t row = std::size_t(batch.rows);
    std::uint8_t *types = batch.types.get() + row;
    std::int64_t *values = batch.values.get() + row;
    const std::size_t stride = std::size_t(batch.capacity);
    const int n = int(how.size());
    for (int r = 0; r < n; ++r, types += stride, values += stride) {
        int type = sqlite3_column_type(s, r);
        if (type != SQLITE_NULL) {
            switch (how[std::size_t(r)]) {
            case Fetch::Integer:
                *values = sqlite3_column_int64(s, r);
                break;
            case Fetch::Float:
                *values = bitsOf(sqlite3_column_double(s, r));
                break;
            case Fetch::Text:
                *values = batch.addText(sqlite3_column_text(s, r), sqlite3_column_bytes(s, r));
                break;
            case Fetch::Date:
                // a date is read from its stored text; any other value is none
                if (type == SQLITE_TEXT)
                    *values = batch.addText(sqlite3_column_text(s, r), sqlite3_column_bytes(s, r));
                else
                    type = SQLITE_NULL;
                break;
            case Fetch::AsItComes:
                fetchDynamic(s, r, type, batch, row, std::size_t(r));
                break;
            }
        }
        *types = std::uint8_t(type);
    }
    ++batch.rows;
}

void storeDynamic(Column &column, const Batch &batch, std::size_t base)
{
    ColumnData &col = *column.data;
    for (int row = 0; row < batch.rows; ++row) {
        const std::size_t at = base + std::size_t(row);
        const int type = batch.types[at];
        if (!col.kindKnown) {
            if (type == SQLITE_NULL) {
                ++column.pendingNulls;
                continue;
            }
            col.kind = type == SQLITE_INTEGER ? FieldKind::Integer
                       : type == SQLITE_FLOAT ? FieldKind::Float
                                              : FieldKind::Text;
            col.kindKnown = true;
            for (std::size_t i = 0; i < column.pendingNulls; ++i) {
                if (col.isText())
                    col.ids.push(0);
                else if (col.isReal())
                    col.reals.push(std::nan(""));
                else
                    col.ints.push(ColumnData::NullInt);
            }
        } else if (type != SQLITE_NULL) {
            if (col.kind == FieldKind::Integer && type == SQLITE_FLOAT)
                promoteColumn(col, FieldKind::Float);
            else if (!col.isText() && (type == SQLITE_TEXT || type == SQLITE_BLOB))
                promoteColumn(col, FieldKind::Text);
        }
        if (col.isText())
            col.ids.push(type == SQLITE_NULL
                             ? 0
                             : col.pool.intern(batch.textAt(batch.renders[at]), Batch::lengthOf(batch.renders[at])));
        else if (col.isReal())
            col.reals.push(type == SQLITE_NULL      ? std::nan("")
                           : type == SQLITE_INTEGER ? double(batch.values[at])
                                                    : doubleOf(batch.values[at]));
        else
            col.ints.push(type == SQLITE_NULL ? ColumnData::NullInt : batch.values[at]);
    }
}

// Stores the rows of a batch in the columns.
void store(std::vector<Column> &columns, const Batch &batch)
{
    for (std::size_t c = 0; c < columns.size(); ++c) {
        Column &column = columns[c];
        ColumnData &col = *column.data;
        const std::size_t base = c * std::size_t(batch.capacity);
        const std::uint8_t *types = batch.types.get() + base;
        const std::int64_t *values = batch.values.get() + base;
        if (column.dynamic) {
            storeDynamic(column, batch, base);
            continue;
        }
        switch (col.kind) {
        case FieldKind::Text:
        case FieldKind::Memo:
            for (int row = 0; row < batch.rows; ++row)
                col.ids.push(types[row] == SQLITE_NULL
                                 ? 0
                                 : col.pool.intern(batch.textAt(values[row]), Batch::lengthOf(values[row])));
            break;
        case FieldKind::Float:
            for (int row = 0; row < batch.rows; ++row)
                col.reals.push(types[row] == SQLITE_NULL ? std::nan("") : doubleOf(values[row]));
            break;
        case FieldKind::Integer:
            for (int row = 0; row < batch.rows; ++row)
                col.ints.push(types[row] == SQLITE_NULL ? ColumnData::NullInt : values[row]);
            break;
        case FieldKind::Date:
        case FieldKind::DateTime:
            for (int row = 0; row < batch.rows; ++row) {
                if (types[row] == SQLITE_NULL) {
                    col.ints.push(ColumnData::NullInt);
                    continue;
                }
                // a ledger lists many entries of one day one after another
                const char *t = batch.textAt(values[row]);
                const std::size_t length = Batch::lengthOf(values[row]);
                if (length != column.lastDateText.size() || std::memcmp(t, column.lastDateText.data(), length) != 0) {
                    column.lastDateText.assign(t, length);
                    if (!DateCodec::parse(t, int(length), &column.lastDate))
                        column.lastDate = ColumnData::NullInt;
                }
                col.ints.push(column.lastDate);
            }
            break;
        }
    }
}

// Batches handed from the thread that steps the engine to the one that
// stores: at most Limit exist, and emptied ones are used again.
class Handover
{
public:
    static constexpr std::size_t Limit = 4;

    Handover(int columns, bool dynamic)
        : m_columns(columns)
        , m_dynamic(dynamic)
    {}

    std::unique_ptr<Batch> empty()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_empty.empty() || m_made < Limit; });
        if (m_empty.empty()) {
            ++m_made;
            return std::make_unique<Batch>(m_columns, BatchRows, m_dynamic);
        }
        std::unique_ptr<Batch> batch = std::move(m_empty.back());
        m_empty.pop_back();
        batch->rows = 0;
        batch->textSize = 0;
        return batch;
    }
    void fill(std::unique_ptr<Batch> batch)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_full.push_back(std::move(batch));
        m_changed.notify_all();
    }
    // The next full batch; null once finish() was called and none is left.
    std::unique_ptr<Batch> next()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_full.empty() || m_finished; });
        if (m_full.empty())
            return nullptr;
        std::unique_ptr<Batch> batch = std::move(m_full.front());
        m_full.pop_front();
        return batch;
    }
    void giveBack(std::unique_ptr<Batch> batch)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_empty.push_back(std::move(batch));
        m_changed.notify_all();
    }
    void finish()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_finished = true;
        m_changed.notify_all();
    }

private:
    const int m_columns;
    const bool m_dynamic;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<Batch>> m_full;
    std::vector<std::unique_ptr<Batch>> m_empty;
    std::size_t m_made = 0;
    bool m_finished = false;
};

} // namespace

void promoteColumn(ColumnData &col, FieldKind kind)
{
    const std::size_t n = col.size();
    if (kind == FieldKind::Float && col.kind == FieldKind::Integer) {
        for (std::size_t i = 0; i < n; ++i)
            col.reals.push(col.ints[i] == ColumnData::NullInt ? std::nan("") : double(col.ints[i]));
        col.ints.clear();
    } else if (kind == FieldKind::Text && !col.isText()) {
        for (std::size_t i = 0; i < n; ++i) {
            const QVariant v
                = col.isReal() ? (std::isnan(col.reals[i]) ? QVariant() : QVariant(col.reals[i]))
                               : (col.ints[i] == ColumnData::NullInt ? QVariant() : QVariant(qlonglong(col.ints[i])));
            col.ids.push(v.isValid() ? col.pool.intern(ValueText::display(v)) : 0);
        }
        col.ints.clear();
        col.reals.clear();
    }
    col.kind = kind;
}

ReadRows readRows(Connection *connection, sqlite3_stmt *s, bool hidden, const std::atomic<bool> *stop)
{
    const int n = sqlite3_column_count(s);
    ReadRows result;
    // result column -> its storage: the visible columns first, then the
    // row identity
    std::vector<Column> columns(static_cast<std::size_t>(n));
    for (int r = hidden ? 1 : 0; r < n; ++r) {
        const char *decl = sqlite3_column_decltype(s, r);
        FieldDef f;
        f.name = QString::fromUtf8(sqlite3_column_name(s, r));
        f.kind = Connection::kindOfDeclaredType(decl);
        result.fields.push_back(f);
        auto col = std::make_unique<ColumnData>();
        col->kind = f.kind;
        col->kindKnown = decl != nullptr;
        columns[std::size_t(r)].data = col.get();
        columns[std::size_t(r)].dynamic = decl == nullptr;
        result.columns.push_back(std::move(col));
    }
    if (hidden) {
        auto col = std::make_unique<ColumnData>();
        col->kind = FieldKind::Integer;
        columns[0].data = col.get();
        result.columns.push_back(std::move(col));
    }

    const bool dynamic = std::any_of(columns.begin(), columns.end(), [](const Column &c) { return c.dynamic; });
    std::vector<Fetch> how;
    for (const Column &c : columns) {
        switch (c.data->kind) {
        case FieldKind::Integer:
            how.push_back(Fetch::Integer);
            break;
        case FieldKind::Float:
            how.push_back(Fetch::Float);
            break;
        case FieldKind::Text:
        case FieldKind::Memo:
            how.push_back(Fetch::Text);
            break;
        case FieldKind::Date:
        case FieldKind::DateTime:
            how.push_back(Fetch::Date);
            break;
        }
        if (c.dynamic)
            how.back() = Fetch::AsItComes;
    }
    Handover handover(n, dynamic);
    std::thread storer;
    std::exception_ptr storeError;
    auto endStorer = [&] {
        if (!storer.joinable())
            return;
        handover.finish();
        storer.join();
    };
    auto batch = std::make_unique<Batch>(n, FirstBatchRows, dynamic);
    int rc;
    try {
        while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
            fetch(s, how, *batch);
            ++result.count;
            if (batch->rows < batch->capacity)
                continue;
            if (stop && stop->load(std::memory_order_relaxed))
                throw DbError(QStringLiteral("Operation cancelled"));
            if (!storer.joinable()) { // a large result: stored meanwhile
                storer = std::thread([&] {
                    try {
                        while (std::unique_ptr<Batch> full = handover.next()) {
                            if (!storeError)
                                store(columns, *full);
                            handover.giveBack(std::move(full));
                        }
                    } catch (...) {
                        storeError = std::current_exception();
                        // keep taking batches so that the reading never waits
                        while (std::unique_ptr<Batch> full = handover.next())
                            handover.giveBack(std::move(full));
                    }
                });
            }
            handover.fill(std::move(batch));
            batch = handover.empty();
        }
        if (rc != SQLITE_DONE)
            connection->fail();
    } catch (...) {
        endStorer();
        throw;
    }
    endStorer();
    if (storeError)
        std::rethrow_exception(storeError);
    store(columns, *batch);

    for (std::size_t c = 0; c < columns.size(); ++c) {
        ColumnData &col = *columns[c].data;
        if (!col.kindKnown) { // nothing but Null: a text column
            col.kind = FieldKind::Text;
            col.kindKnown = true;
            for (std::size_t i = 0; i < result.count; ++i)
                col.ids.push(0);
        }
    }
    for (std::size_t i = 0; i < result.fields.size(); ++i)
        result.fields[i].kind = result.columns[i]->kind;
    for (auto &col : result.columns)
        col->shrinkToFit();
    return result;
}
