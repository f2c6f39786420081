#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>

// Damaged copies of a file, made from a number: the same number gives the
// same damage, so that a copy that once harmed a reader can be made again in
// a test without keeping it. The kinds of damage are those of real files:
// flipped bits, bytes overwritten, page numbers pointing elsewhere, lengths
// out of range, a file cut short, a page copied over another.
namespace Mutants {

// A small, fast, well-mixed generator (splitmix64).
class Random
{
public:
    explicit Random(std::uint64_t seed)
        : m_state(seed)
    {}
    std::uint64_t next()
    {
        std::uint64_t z = (m_state += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // 0 <= n < bound
    qint64 below(qint64 bound) { return bound <= 0 ? 0 : qint64(next() % std::uint64_t(bound)); }

private:
    std::uint64_t m_state;
};

inline void putLittle(QByteArray &data, qint64 at, std::uint64_t value, int bytes)
{
    for (int i = 0; i < bytes && at + i < data.size(); ++i)
        data[int(at + i)] = char((value >> (8 * i)) & 0xff);
}

// The damaged copy of original number seed makes; *what (when given) says
// what was done. pageSize is the file's page size (4096 for Jet 4, 2048 for
// Jet 3); damage falls mostly on the first pages, where the catalog and the
// table definitions are.
inline QByteArray mutate(const QByteArray &original, std::uint64_t seed, int pageSize, QString *what = nullptr)
{
    Random random(seed);
    QByteArray data = original;
    const qint64 pages = qMax<qint64>(1, data.size() / pageSize);
    // where: a page near the start more often than one further on
    const auto offset = [&] {
        const qint64 page = random.below(2) ? random.below(qMin<qint64>(pages, 8)) : random.below(pages);
        return page * pageSize + random.below(pageSize);
    };
    QStringList done;
    const int steps = 1 + int(random.below(4));
    for (int s = 0; s < steps; ++s) {
        switch (random.below(6)) {
        case 0: { // bits flipped
            const qint64 at = offset();
            const int bit = int(random.below(8));
            if (at < data.size())
                data[int(at)] = char(data[int(at)] ^ (1 << bit));
            done.append(QStringLiteral("flip %1:%2").arg(at).arg(bit));
            break;
        }
        case 1: { // a byte set to an edge value
            const qint64 at = offset();
            static const int values[] = {0x00, 0xff, 0x7f, 0x80, 0x01};
            const int v = values[random.below(5)];
            putLittle(data, at, std::uint64_t(v), 1);
            done.append(QStringLiteral("byte %1=%2").arg(at).arg(v));
            break;
        }
        case 2: { // a page number pointing elsewhere
            const qint64 at = offset();
            const std::uint64_t page
                = std::uint64_t(random.below(2) ? random.below(pages + 4) : random.next() & 0xffffff);
            putLittle(data, at, page, 4);
            done.append(QStringLiteral("page %1=%2").arg(at).arg(page));
            break;
        }
        case 3: { // a count or length out of range
            const qint64 at = offset();
            static const std::uint64_t values[] = {0, 1, 0x7fff, 0xffff, 0x8000, 0x7fffffff, 0xffffffff};
            const std::uint64_t v = values[random.below(7)];
            putLittle(data, at, v, random.below(2) ? 2 : 4);
            done.append(QStringLiteral("length %1=%2").arg(at).arg(v));
            break;
        }
        case 4: { // cut short
            const qint64 at = random.below(2) ? random.below(pages) * pageSize : random.below(data.size());
            if (at > 0 && at < data.size())
                data.truncate(int(at));
            done.append(QStringLiteral("cut %1").arg(at));
            break;
        }
        default: { // one page copied over another
            const qint64 from = random.below(pages);
            const qint64 to = random.below(qMin<qint64>(pages, 8));
            if ((from + 1) * pageSize <= data.size() && (to + 1) * pageSize <= data.size())
                data.replace(int(to * pageSize), pageSize, data.mid(int(from * pageSize), pageSize));
            done.append(QStringLiteral("copy %1>%2").arg(from).arg(to));
            break;
        }
        }
    }
    if (what)
        *what = done.join(QLatin1String(", "));
    return data;
}

} // namespace Mutants
