#include "dataset.h"

#include "collation.h"
#include "datasetprivate.h"
#include "radixsort.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <numeric>

// Sorting the rows in memory: one key per row, a stable radix sort.

namespace {

// A double as an unsigned number of the same order; Null before all.
std::uint64_t orderedBits(double d)
{
    if (std::isnan(d))
        return 0;
    std::uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    return (bits & (std::uint64_t(1) << 63)) ? ~bits : bits | (std::uint64_t(1) << 63);
}

} // namespace

void radixSort(std::vector<std::uint32_t> &order, std::vector<std::uint64_t> &key)
{
    const std::size_t n = order.size();
    if (n < 2)
        return;
    std::uint64_t all = 0;
    std::uint64_t any = 0;
    for (std::uint64_t k : key) {
        any |= k;
        all |= ~k;
    }
    const std::uint64_t varying = any & all; // bits that are 1 in some key and 0 in another
    std::vector<std::uint32_t> order2(n);
    std::vector<std::uint64_t> key2(n);
    constexpr int Bits = 11;
    constexpr std::size_t Buckets = std::size_t(1) << Bits;
    std::vector<std::size_t> counts(Buckets);
    for (int shift = 0; shift < 64; shift += Bits) {
        if (((varying >> shift) & (Buckets - 1)) == 0)
            continue;
        std::fill(counts.begin(), counts.end(), 0);
        for (std::uint64_t k : key)
            ++counts[(k >> shift) & (Buckets - 1)];
        std::size_t sum = 0;
        for (std::size_t &c : counts) {
            const std::size_t here = c;
            c = sum;
            sum += here;
        }
        for (std::size_t i = 0; i < n; ++i) {
            const std::size_t to = counts[(key[i] >> shift) & (Buckets - 1)]++;
            order2[to] = order[i];
            key2[to] = key[i];
        }
        order.swap(order2);
        key.swap(key2);
    }
}

std::vector<std::uint64_t> Dataset::sortKeys(int column)
{
    std::vector<std::uint64_t> key(m_order.size());
    if (!isActive() || column < 0 || column >= fieldCount())
        return key;
    ColumnData &col = *m_columns[std::size_t(column)];
    if (col.isText()) {
        // in Chinese order at every size; the ranks hold until the column
        // gets a text it did not have
        if (col.ranks.size() != col.pool.count())
            col.ranks = Collation::ranks(col.pool);
        for (std::size_t i = 0; i < m_order.size(); ++i)
            key[i] = col.ranks[col.ids[m_order[i]]];
    } else if (col.isReal()) {
        for (std::size_t i = 0; i < m_order.size(); ++i)
            key[i] = orderedBits(col.reals[m_order[i]]);
    } else {
        // Null is the smallest integer, before every other value
        for (std::size_t i = 0; i < m_order.size(); ++i)
            key[i] = std::uint64_t(col.ints[m_order[i]]) ^ (std::uint64_t(1) << 63);
    }
    return key;
}

void Dataset::sort(int column, Qt::SortOrder order)
{
    if (!isActive() || column < 0 || column >= fieldCount())
        return;
    checkBrowseMode();
    const std::uint32_t current = m_pos >= 0 ? m_order[std::size_t(m_pos)] : 0;
    ++m_reshaping;
    Q_EMIT aboutToReorder();
    std::vector<std::uint64_t> key = sortKeys(column);
    radixSort(m_order, key);
    if (order == Qt::DescendingOrder)
        std::reverse(m_order.begin(), m_order.end());
    m_sortColumn = column;
    m_sortOrder = order;
    if (m_pos >= 0)
        m_pos = int(std::find(m_order.begin(), m_order.end(), current) - m_order.begin());
    Q_EMIT reordered();
    --m_reshaping;
    Q_EMIT currentChanged(m_pos);
}

QHash<qint64, int> Dataset::positionsOf(const QSet<qint64> &storageRows) const
{
    QHash<qint64, int> out;
    if (storageRows.isEmpty())
        return out;
    out.reserve(storageRows.size());
    for (std::size_t p = 0; p < m_order.size() && out.size() < storageRows.size(); ++p)
        if (storageRows.contains(qint64(m_order[p])))
            out.insert(qint64(m_order[p]), int(p));
    return out;
}
