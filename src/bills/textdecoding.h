#pragma once

#include <QByteArray>
#include <QString>

// The character encoding of a text bill, decided by what the bytes are, not
// by the file's name or by what the file says about itself.
namespace Bills::TextDecoding {

struct Decoded
{
    QString text;
    QString encoding; // "UTF-8", "UTF-16" or "GB18030"; empty when error is set
    QString error;    // the Chinese reason the bytes are not a text the reader knows
};

// Decodes bytes: UTF-8 or UTF-16 by their byte order mark (the mark dropped),
// else UTF-8 when the bytes are valid UTF-8, else GB18030 (which contains GBK
// and GB2312) when they are valid GB18030. Fails (error set, text empty) on
// bytes valid in neither and on bytes that hold control characters other
// than TAB, line breaks and form feed, which no text bill contains.
Decoded decode(const QByteArray &bytes);

// Whether bytes are well-formed UTF-8 (no overlong forms, no surrogates).
bool isUtf8(const QByteArray &bytes);

// Whether bytes are well-formed GB18030: ASCII, two-byte and four-byte
// sequences only.
bool isGb18030(const QByteArray &bytes);

} // namespace Bills::TextDecoding
