#pragma once

#include "billfile.h"

#include <QByteArray>
#include <QString>

struct zip;

// A zip archive in memory, read through libzip, each member read with a
// bound on its uncompressed size whatever the archive declares.
namespace Bills {

class ZipArchive
{
public:
    enum class Result { Ok, NeedsPassword, WrongPassword, TooLarge, Failed };

    // Opens the archive held by data, which must outlive this object.
    // isOpen() tells whether it worked; error() says why not.
    explicit ZipArchive(const QByteArray &data);
    ~ZipArchive();
    ZipArchive(const ZipArchive &) = delete;
    ZipArchive &operator=(const ZipArchive &) = delete;

    bool isOpen() const { return m_zip != nullptr; }
    const QString &error() const { return m_error; }

    // The number of members (directories included).
    qint64 count() const;
    // The stored name of member index, decoded as UTF-8 when it is, else as
    // GB18030 (archives made on Chinese Windows store GBK names).
    QString name(qint64 index) const;
    // Whether member index is a directory.
    bool isDirectory(qint64 index) const;
    // The index of the member named name exactly, or -1.
    qint64 indexOf(const char *name) const;

    // Reads member index into *out, at most maxBytes (uncompressed) whatever
    // sizes the archive declares. An encrypted member is read with password
    // (as UTF-8): NeedsPassword when password is empty, WrongPassword when
    // it does not open the member (also when a password that passed the
    // header's check gives data that do not inflate or fail their checksum,
    // which a damaged encrypted member does as well). TooLarge for a
    // member larger than maxBytes, Failed for a damaged archive or an
    // unsupported encryption; *error then says why in Chinese.
    Result read(qint64 index, const QString &password, qint64 maxBytes, QByteArray *out, QString *error) const;

private:
    zip *m_zip = nullptr;
    QString m_error;
};

} // namespace Bills
