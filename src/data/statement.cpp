#include "statement.h"

#include "datecodec.h"
#include "dberror.h"
#include "valuetext.h"

#include <QDateTime>

#include <sqlite3.h>

Statement &Statement::operator=(Statement &&other) noexcept
{
    if (this != &other) {
        sqlite3_finalize(m_stmt);
        m_stmt = other.m_stmt;
        other.m_stmt = nullptr;
    }
    return *this;
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

void Statement::fail() const
{
    throw DbError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt))));
}

namespace {

QByteArray storedDateText(const QVariant &v, bool withTime)
{
    const bool isDateTime = v.typeId() == QMetaType::QDateTime;
    const QDate date = isDateTime ? v.toDateTime().date() : v.toDate();
    if (!DateCodec::inRange(date))
        throw notADate(ValueText::display(v));
    const std::int64_t packed = isDateTime ? DateCodec::pack(v.toDateTime()) : DateCodec::pack(date);
    return DateCodec::toStored(packed, withTime);
}

FieldKind kindOfValue(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return FieldKind::Float;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
        return FieldKind::Integer;
    case QMetaType::QDate:
        return FieldKind::Date;
    case QMetaType::QDateTime:
        return FieldKind::DateTime;
    default:
        return FieldKind::Text;
    }
}

} // namespace

void Statement::bind(int index, const QVariant &value, std::optional<FieldKind> kind)
{
    bindValue(m_stmt, index, value, kind);
}

void bindValue(sqlite3_stmt *stmt, int index, const QVariant &value, std::optional<FieldKind> kind)
{
    sqlite3_stmt *const m_stmt = stmt;
    int rc;
    if (!value.isValid() || value.isNull()) {
        rc = sqlite3_bind_null(m_stmt, index);
    } else {
        switch (kind.value_or(kindOfValue(value))) {
        case FieldKind::Integer:
            rc = sqlite3_bind_int64(m_stmt, index, value.toLongLong());
            break;
        case FieldKind::Float:
            rc = sqlite3_bind_double(m_stmt, index, value.toDouble());
            break;
        case FieldKind::Date:
        case FieldKind::DateTime: {
            const QByteArray t
                = storedDateText(value, kind ? *kind == FieldKind::DateTime : value.typeId() == QMetaType::QDateTime);
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QByteArray t = value.toString().toUtf8();
            rc = sqlite3_bind_text(m_stmt, index, t.constData(), int(t.size()), SQLITE_TRANSIENT);
            break;
        }
        }
    }
    if (rc != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(stmt))));
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc != SQLITE_DONE)
        fail();
    return false;
}

void Statement::run()
{
    while (step()) {
    }
}

void Statement::reset()
{
    sqlite3_reset(m_stmt);
}

QString Statement::text(int i) const
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, i)));
}

qint64 Statement::integer(int i) const
{
    return sqlite3_column_int64(m_stmt, i);
}

Statement prepareOn(sqlite3 *db, const QString &sql)
{
    sqlite3_stmt *stmt = nullptr;
    const QByteArray utf8 = sql.toUtf8();
    if (sqlite3_prepare_v2(db, utf8.constData(), int(utf8.size()), &stmt, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    return Statement(stmt);
}
