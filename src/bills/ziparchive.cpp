#include "ziparchive.h"

#include "readlimits.h"
#include "textdecoding.h"

#include <QStringDecoder>

#include <zip.h>

namespace Bills {
namespace {

QString libzipMessage(zip_error_t *error)
{
    return QString::fromUtf8(zip_error_strerror(error));
}

} // namespace

ZipArchive::ZipArchive(const QByteArray &data)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(data.constData(), zip_uint64_t(data.size()), 0, &error);
    if (source) {
        m_zip = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!m_zip)
            zip_source_free(source);
    }
    if (!m_zip)
        m_error = QStringLiteral("压缩包已损坏（%1）").arg(libzipMessage(&error));
    zip_error_fini(&error);
}

ZipArchive::~ZipArchive()
{
    if (m_zip)
        zip_discard(m_zip);
}

qint64 ZipArchive::count() const
{
    return m_zip ? qint64(zip_get_num_entries(m_zip, 0)) : 0;
}

QString ZipArchive::name(qint64 index) const
{
    const char *raw = zip_get_name(m_zip, zip_uint64_t(index), ZIP_FL_ENC_RAW);
    if (!raw)
        return QString();
    const QByteArray bytes(raw);
    if (TextDecoding::isUtf8(bytes))
        return QString::fromUtf8(bytes);
    QStringDecoder gb("GB18030");
    return gb.isValid() ? gb.decode(bytes) : QString::fromLatin1(bytes);
}

bool ZipArchive::isDirectory(qint64 index) const
{
    const char *raw = zip_get_name(m_zip, zip_uint64_t(index), ZIP_FL_ENC_RAW);
    return raw && *raw && raw[qstrlen(raw) - 1] == '/';
}

qint64 ZipArchive::indexOf(const char *name) const
{
    return m_zip ? qint64(zip_name_locate(m_zip, name, ZIP_FL_ENC_RAW)) : -1;
}

ZipArchive::Result ZipArchive::read(qint64 index, const QString &password, qint64 maxBytes, QByteArray *out,
                                    QString *error) const
{
    out->clear();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(m_zip, zip_uint64_t(index), 0, &stat) != 0) {
        *error = QStringLiteral("压缩包已损坏（%1）").arg(libzipMessage(zip_get_error(m_zip)));
        return Result::Failed;
    }
    const QString member = name(index);
    const bool encrypted = (stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE;
    if (encrypted && !zip_encryption_method_supported(stat.encryption_method, 0)) {
        *error = QStringLiteral("压缩包里的“%1”使用了不支持的加密方式").arg(member);
        return Result::Failed;
    }
    if (encrypted && password.isEmpty())
        return Result::NeedsPassword;
    if ((stat.valid & ZIP_STAT_SIZE) && stat.size > zip_uint64_t(maxBytes)) {
        *error = QStringLiteral("压缩包里的“%1”解压后超过 %2 的上限").arg(member, sizeText(maxBytes));
        return Result::TooLarge;
    }
    const QByteArray secret = password.toUtf8();
    zip_file_t *file = encrypted ? zip_fopen_index_encrypted(m_zip, zip_uint64_t(index), 0, secret.constData())
                                 : zip_fopen_index(m_zip, zip_uint64_t(index), 0);
    if (!file) {
        const int code = zip_error_code_zip(zip_get_error(m_zip));
        if (code == ZIP_ER_WRONGPASSWD)
            return Result::WrongPassword;
        if (code == ZIP_ER_NOPASSWD)
            return Result::NeedsPassword;
        *error = QStringLiteral("无法读取压缩包里的“%1”（%2）").arg(member, libzipMessage(zip_get_error(m_zip)));
        return Result::Failed;
    }
    // the declared size may lie: read in pieces and stop at the bound
    const qint64 chunk = 1 << 16;
    if (stat.valid & ZIP_STAT_SIZE)
        out->reserve(qsizetype(std::min<zip_uint64_t>(stat.size, zip_uint64_t(maxBytes))) + chunk);
    Result result = Result::Ok;
    for (;;) {
        if (out->size() > maxBytes) {
            *error = QStringLiteral("压缩包里的“%1”解压后超过 %2 的上限").arg(member, sizeText(maxBytes));
            result = Result::TooLarge;
            break;
        }
        const qsizetype had = out->size();
        if (out->capacity() < had + chunk) // grow by half at least, not by a piece at a time
            out->reserve(std::max<qsizetype>(had + chunk, out->capacity() + out->capacity() / 2));
        out->resize(had + chunk);
        const zip_int64_t got = zip_fread(file, out->data() + had, zip_uint64_t(chunk));
        if (got < 0) {
            out->resize(had);
            zip_error_t *fileError = zip_file_get_error(file);
            const int code = zip_error_code_zip(fileError);
            // a wrong password can pass the check of the member's header (one
            // byte for the old ZIP method, two for AES) and then gives data
            // that does not inflate or does not match its checksum
            if (encrypted
                && (code == ZIP_ER_CRC || code == ZIP_ER_WRONGPASSWD || code == ZIP_ER_ZLIB
                    || code == ZIP_ER_COMPRESSED_DATA || code == ZIP_ER_INCONS)) {
                result = Result::WrongPassword;
            } else {
                *error = QStringLiteral("压缩包里的“%1”已损坏（%2）").arg(member, libzipMessage(fileError));
                result = Result::Failed;
            }
            break;
        }
        out->resize(had + qsizetype(got));
        if (got == 0)
            break;
    }
    zip_fclose(file);
    if (result != Result::Ok)
        out->clear();
    return result;
}

} // namespace Bills
