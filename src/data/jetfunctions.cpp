#include "jetsql.h"

#include "datecodec.h"

#include <sqlite3.h>

#include <cstring>

// The functions of the Jet dialect that the translated statements call
// (left, right, mid, cdate, cstr), registered on every connection.

namespace JetSql {
namespace {

// Counts UTF-8 characters; returns the byte offset of character n.
int utf8Offset(const unsigned char *s, int bytes, int n)
{
    int i = 0;
    while (i < bytes && n > 0) {
        ++i;
        while (i < bytes && (s[i] & 0xC0) == 0x80)
            ++i;
        --n;
    }
    return i;
}

int utf8Length(const unsigned char *s, int bytes)
{
    int n = 0;
    for (int i = 0; i < bytes; ++i)
        if ((s[i] & 0xC0) != 0x80)
            ++n;
    return n;
}

// left(x, n): the first n characters of x as text.
void jetLeft(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *s = sqlite3_value_text(argv[0]);
    const int bytes = sqlite3_value_bytes(argv[0]);
    const int n = qMax(0, sqlite3_value_int(argv[1]));
    sqlite3_result_text(ctx, reinterpret_cast<const char *>(s), utf8Offset(s, bytes, n), SQLITE_TRANSIENT);
}

// right(x, n): the last n characters of x as text.
void jetRight(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *s = sqlite3_value_text(argv[0]);
    const int bytes = sqlite3_value_bytes(argv[0]);
    const int n = qMax(0, sqlite3_value_int(argv[1]));
    const int skip = qMax(0, utf8Length(s, bytes) - n);
    const int from = utf8Offset(s, bytes, skip);
    sqlite3_result_text(ctx, reinterpret_cast<const char *>(s) + from, bytes - from, SQLITE_TRANSIENT);
}

// mid(x, start[, n]): characters from the 1-based start.
void jetMid(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *s = sqlite3_value_text(argv[0]);
    const int bytes = sqlite3_value_bytes(argv[0]);
    const int start = qMax(1, sqlite3_value_int(argv[1]));
    const int from = utf8Offset(s, bytes, start - 1);
    int to = bytes;
    if (argc > 2)
        to = from + utf8Offset(s + from, bytes - from, qMax(0, sqlite3_value_int(argv[2])));
    sqlite3_result_text(ctx, reinterpret_cast<const char *>(s) + from, to - from, SQLITE_TRANSIENT);
}

// cdate(x): x as a date, given back in the program's date-to-text form so
// that left(cdate(rq),7) is the year and month.
void jetCdate(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    const auto *s = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    std::int64_t packed = 0;
    if (!DateCodec::parse(s, sqlite3_value_bytes(argv[0]), &packed)) {
        sqlite3_result_error(ctx, "Data type mismatch in criteria expression.", -1);
        return;
    }
    const QByteArray text = DateCodec::toStored(packed, DateCodec::secondsOfDay(packed) != 0);
    sqlite3_result_text(ctx, text.constData(), int(text.size()), SQLITE_TRANSIENT);
}

void jetCstr(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {
        sqlite3_result_null(ctx);
        return;
    }
    sqlite3_result_text(ctx, reinterpret_cast<const char *>(sqlite3_value_text(argv[0])), sqlite3_value_bytes(argv[0]),
                        SQLITE_TRANSIENT);
}

} // namespace

void registerFunctions(sqlite3 *db)
{
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, "jet_left", 2, flags, nullptr, jetLeft, nullptr, nullptr);
    sqlite3_create_function(db, "jet_right", 2, flags, nullptr, jetRight, nullptr, nullptr);
    sqlite3_create_function(db, "jet_mid", 2, flags, nullptr, jetMid, nullptr, nullptr);
    sqlite3_create_function(db, "jet_mid", 3, flags, nullptr, jetMid, nullptr, nullptr);
    sqlite3_create_function(db, "jet_cdate", 1, flags, nullptr, jetCdate, nullptr, nullptr);
    sqlite3_create_function(db, "jet_cstr", 1, flags, nullptr, jetCstr, nullptr, nullptr);
}

} // namespace JetSql
