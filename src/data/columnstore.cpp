#include "columnstore.h"

#include <QHashFunctions>

namespace {
// The blocks grow from the first size to the largest by doubling: a short
// list holds little, a long one few blocks.
constexpr std::size_t FirstBlockSize = 1024;
constexpr std::size_t LargestBlockSize = 64 * 1024;
} // namespace

StringPool::StringPool()
{
    clear();
}

void StringPool::clear()
{
    m_entries.clear();
    m_entries.shrink_to_fit();
    m_entries.push_back({"", 0, 0}); // id 0: Null
    std::vector<std::uint32_t>(64, 0).swap(m_slots);
    std::vector<std::unique_ptr<char[]>>().swap(m_blocks);
    m_current = nullptr;
    m_blockUsed = 0;
    m_blockSize = 0;
    m_bytes = 0;
}

std::uint32_t StringPool::hashOf(const char *text, std::size_t length)
{
    const std::uint32_t h = std::uint32_t(qHashBits(text, length, 0x9e3779b9u));
    return h ? h : 1;
}

const char *StringPool::store(const char *text, std::size_t length)
{
    if (length > LargestBlockSize / 4) { // a long text gets a block of its own
        m_blocks.emplace_back(new char[length]);
        std::memcpy(m_blocks.back().get(), text, length);
        m_bytes += length;
        return m_blocks.back().get();
    }
    if (!m_current || m_blockUsed + length > m_blockSize) {
        m_blockSize = m_blockSize ? std::min(m_blockSize * 2, LargestBlockSize) : FirstBlockSize;
        while (m_blockSize < length)
            m_blockSize *= 2;
        m_blocks.emplace_back(new char[m_blockSize]);
        m_current = m_blocks.back().get();
        m_blockUsed = 0;
        m_bytes += m_blockSize;
    }
    char *p = m_current + m_blockUsed;
    std::memcpy(p, text, length);
    m_blockUsed += length;
    return p;
}

void StringPool::grow()
{
    std::vector<std::uint32_t> table(m_slots.size() * 2, 0);
    const std::size_t mask = table.size() - 1;
    for (std::uint32_t id = 1; id < m_entries.size(); ++id) {
        std::size_t i = m_entries[id].hash & mask;
        while (table[i])
            i = (i + 1) & mask;
        table[i] = id;
    }
    m_slots.swap(table);
}

std::uint32_t StringPool::find(const char *text, std::size_t length) const
{
    const std::uint32_t h = hashOf(text, length);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t i = h & mask; m_slots[i]; i = (i + 1) & mask) {
        const Entry &e = m_entries[m_slots[i]];
        if (e.hash == h && e.length == length && std::memcmp(e.text, text, length) == 0)
            return m_slots[i];
    }
    return 0;
}

std::uint32_t StringPool::intern(const char *text, std::size_t length)
{
    const std::uint32_t h = hashOf(text, length);
    std::size_t mask = m_slots.size() - 1;
    std::size_t i = h & mask;
    for (; m_slots[i]; i = (i + 1) & mask) {
        const Entry &e = m_entries[m_slots[i]];
        if (e.hash == h && e.length == length && std::memcmp(e.text, text, length) == 0)
            return m_slots[i];
    }
    const auto id = std::uint32_t(m_entries.size());
    m_entries.push_back({length ? store(text, length) : "", std::uint32_t(length), h});
    m_slots[i] = id;
    if (m_entries.size() * 2 > m_slots.size())
        grow();
    return id;
}

std::uint32_t StringPool::intern(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    return intern(utf8.constData(), std::size_t(utf8.size()));
}

std::size_t StringPool::bytes() const
{
    return m_bytes + m_entries.capacity() * sizeof(Entry) + m_slots.capacity() * sizeof(std::uint32_t)
           + m_blocks.capacity() * sizeof(void *);
}
