#pragma once

#include "tableinfo.h"

#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

// A growable array kept in fixed chunks: appending never moves what is
// there, so loading a large result costs no copies and leaves no slack.
template<typename T> class Chunked
{
public:
    static constexpr int Bits = 14;
    static constexpr std::size_t ChunkSize = std::size_t(1) << Bits;

    void push(T value)
    {
        const std::size_t within = m_size & (ChunkSize - 1);
        if (within == 0) {
            m_chunks.emplace_back(new T[ChunkSize]);
            m_lastCapacity = ChunkSize;
        } else if (within == m_lastCapacity) { // a last chunk cut to fit grows again
            std::unique_ptr<T[]> whole(new T[ChunkSize]);
            std::copy(m_chunks.back().get(), m_chunks.back().get() + within, whole.get());
            m_chunks.back() = std::move(whole);
            m_lastCapacity = ChunkSize;
        }
        m_chunks[m_size >> Bits][within] = value;
        ++m_size;
    }
    T operator[](std::size_t i) const { return m_chunks[i >> Bits][i & (ChunkSize - 1)]; }
    T &at(std::size_t i) { return m_chunks[i >> Bits][i & (ChunkSize - 1)]; }
    std::size_t size() const { return m_size; }
    void clear()
    {
        m_chunks.clear();
        m_chunks.shrink_to_fit();
        m_size = 0;
        m_lastCapacity = 0;
    }
    // Cuts the last chunk to what it holds, for a result that is read whole.
    void shrinkToFit()
    {
        const std::size_t within = m_size & (ChunkSize - 1);
        if (within == 0 || within == m_lastCapacity)
            return;
        std::unique_ptr<T[]> fitted(new T[within]);
        std::copy(m_chunks.back().get(), m_chunks.back().get() + within, fitted.get());
        m_chunks.back() = std::move(fitted);
        m_lastCapacity = within;
        m_chunks.shrink_to_fit();
    }
    std::size_t bytes() const
    {
        const std::size_t full = m_chunks.empty() ? 0 : (m_chunks.size() - 1) * ChunkSize + m_lastCapacity;
        return full * sizeof(T) + m_chunks.capacity() * sizeof(void *);
    }

private:
    std::vector<std::unique_ptr<T[]>> m_chunks;
    std::size_t m_size = 0;
    std::size_t m_lastCapacity = 0; // entries the last chunk has room for
};

// Texts of one column, each distinct text stored once as UTF-8. Id 0 stands
// for Null; ids are stable for the life of the pool.
class StringPool
{
public:
    StringPool();
    std::uint32_t intern(const char *text, std::size_t length);
    std::uint32_t intern(const QString &text);
    // Id of a text already held, or 0 when the pool holds no such text.
    std::uint32_t find(const char *text, std::size_t length) const;
    std::string_view view(std::uint32_t id) const { return {m_entries[id].text, m_entries[id].length}; }
    QString string(std::uint32_t id) const
    {
        return id ? QString::fromUtf8(m_entries[id].text, qsizetype(m_entries[id].length)) : QString();
    }
    std::uint32_t count() const { return std::uint32_t(m_entries.size()); }
    std::size_t bytes() const;
    void clear();

private:
    struct Entry
    {
        const char *text;
        std::uint32_t length;
        std::uint32_t hash;
    };
    static std::uint32_t hashOf(const char *text, std::size_t length);
    const char *store(const char *text, std::size_t length);
    void grow();

    std::vector<Entry> m_entries;
    std::vector<std::uint32_t> m_slots; // open addressing, 0 = free
    std::vector<std::unique_ptr<char[]>> m_blocks;
    char *m_current = nullptr;
    std::size_t m_blockUsed = 0;
    std::size_t m_blockSize = 0; // of the current block
    std::size_t m_bytes = 0;
};

// The values of one result column, held compactly by kind: integers, dates
// and time stamps as 64-bit numbers, floating-point numbers as doubles
// (NaN = Null, which the engine cannot store), texts as pool ids.
struct ColumnData
{
    static constexpr std::int64_t NullInt = INT64_MIN;

    FieldKind kind = FieldKind::Text;
    bool kindKnown = true; // false for an expression column until its first value
    Chunked<std::int64_t> ints;
    Chunked<double> reals;
    Chunked<std::uint32_t> ids;
    StringPool pool;
    // The collation ranks of the pool's texts by id, for sorting; held while
    // the pool holds as many texts as when they were made.
    std::vector<std::uint32_t> ranks;

    bool isText() const { return kind == FieldKind::Text || kind == FieldKind::Memo; }
    bool isReal() const { return kind == FieldKind::Float; }
    std::size_t size() const { return isText() ? ids.size() : isReal() ? reals.size() : ints.size(); }
    bool isNull(std::size_t row) const
    {
        if (isText())
            return ids[row] == 0;
        if (isReal())
            return std::isnan(reals[row]);
        return ints[row] == NullInt;
    }
    std::size_t bytes() const
    {
        return ints.bytes() + reals.bytes() + ids.bytes() + pool.bytes() + ranks.capacity() * sizeof(std::uint32_t);
    }
    void shrinkToFit()
    {
        ints.shrinkToFit();
        reals.shrinkToFit();
        ids.shrinkToFit();
    }
};
