#include "collation.h"

#include "dberror.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <thread>

namespace {

struct CollatorCloser
{
    void operator()(UCollator *c) const { ucol_close(c); }
};
using Collator = std::unique_ptr<UCollator, CollatorCloser>;

// zh_CN with numbers by value, as QCollator opens it.
Collator open()
{
    UErrorCode status = U_ZERO_ERROR;
    Collator c(ucol_open("zh_CN", &status));
    if (U_FAILURE(status))
        throw DbError(QStringLiteral("Cannot open the Chinese collation: %1").arg(QLatin1String(u_errorName(status))));
    ucol_setAttribute(c.get(), UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(c.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    ucol_setAttribute(c.get(), UCOL_STRENGTH, UCOL_DEFAULT_STRENGTH, &status);
    return c;
}

// The sort keys of texts [first, last) of the pool, one after another in
// bytes, each ending where the next begins (ends[i]).
struct Keys
{
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> ends;
};

void makeKeys(const StringPool &pool, std::uint32_t first, std::uint32_t last, Keys *keys)
{
    const Collator collator = open();
    std::vector<UChar> utf16(256);
    keys->ends.reserve(last - first);
    keys->bytes.reserve(std::size_t(last - first) * 24);
    for (std::uint32_t id = first; id < last; ++id) {
        const std::string_view text = id ? pool.view(id) : std::string_view();
        int32_t length = 0;
        UErrorCode status = U_ZERO_ERROR;
        u_strFromUTF8Lenient(utf16.data(), int32_t(utf16.size()), &length, text.data(), int32_t(text.size()), &status);
        if (status == U_BUFFER_OVERFLOW_ERROR || std::size_t(length) > utf16.size()) {
            utf16.resize(std::size_t(length) + 1);
            status = U_ZERO_ERROR;
            u_strFromUTF8Lenient(utf16.data(), int32_t(utf16.size()), &length, text.data(), int32_t(text.size()),
                                 &status);
        }
        const std::size_t at = keys->bytes.size();
        std::size_t room = std::max<std::size_t>(64, std::size_t(length) * 8);
        for (;;) {
            keys->bytes.resize(at + room);
            const int32_t needed
                = ucol_getSortKey(collator.get(), utf16.data(), length, keys->bytes.data() + at, int32_t(room));
            if (std::size_t(needed) <= room) {
                keys->bytes.resize(at + std::size_t(needed));
                break;
            }
            room = std::size_t(needed);
        }
        keys->ends.push_back(keys->bytes.size());
    }
}

} // namespace

std::vector<std::uint32_t> Collation::ranks(const StringPool &pool)
{
    const std::uint32_t count = pool.count();
    // the texts in two halves, the upper one on a thread of its own
    const std::uint32_t half = count > 20000 ? count / 2 : count;
    Keys lower;
    Keys upper;
    std::thread helper;
    std::exception_ptr helperError;
    if (half < count)
        helper = std::thread([&] {
            try {
                makeKeys(pool, half, count, &upper);
            } catch (...) {
                helperError = std::current_exception();
            }
        });
    try {
        makeKeys(pool, 0, half, &lower);
    } catch (...) {
        if (helper.joinable())
            helper.join();
        throw;
    }
    if (helper.joinable())
        helper.join();
    if (helperError)
        std::rethrow_exception(helperError);

    struct Entry
    {
        std::uint64_t prefix; // the first eight bytes of the key, for most comparisons
        const std::uint8_t *key;
        std::uint32_t length;
        std::uint32_t id;
    };
    std::vector<Entry> entries;
    entries.reserve(count);
    auto add = [&entries](const Keys &keys, std::uint32_t first) {
        std::size_t begin = 0;
        for (std::size_t i = 0; i < keys.ends.size(); ++i) {
            Entry e;
            e.key = keys.bytes.data() + begin;
            e.length = std::uint32_t(keys.ends[i] - begin);
            e.prefix = 0;
            for (std::uint32_t b = 0; b < 8; ++b)
                e.prefix = e.prefix << 8 | (b < e.length ? e.key[b] : 0);
            e.id = first + std::uint32_t(i);
            entries.push_back(e);
            begin = keys.ends[i];
        }
    };
    add(lower, 0);
    add(upper, half);
    const auto before = [&pool](const Entry &a, const Entry &b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const int c = std::memcmp(a.key, b.key, std::min(a.length, b.length));
        if (c != 0)
            return c < 0;
        if (a.length != b.length)
            return a.length < b.length;
        return a.id && b.id && pool.view(a.id) < pool.view(b.id); // equal by the order: by their bytes
    };
    // Null first; the texts in two halves on two threads, then merged
    const auto texts = entries.begin() + (count ? 1 : 0);
    if (count > 20000) {
        const auto middle = texts + (entries.end() - texts) / 2;
        std::thread sorter([&] { std::sort(middle, entries.end(), before); });
        std::sort(texts, middle, before);
        sorter.join();
        std::inplace_merge(texts, middle, entries.end(), before);
    } else {
        std::sort(texts, entries.end(), before);
    }
    std::vector<std::uint32_t> rank(count);
    for (std::uint32_t i = 0; i < count; ++i)
        rank[entries[i].id] = i;
    return rank;
}
