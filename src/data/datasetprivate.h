#pragma once

// What the parts of the dataset (statements and cursor, loading, writing,
// cells, sorting) share; not for use outside the data layer.

#include "datecodec.h"
#include "dberror.h"
#include "valuetext.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <QVariant>

#include <cmath>

namespace DatasetText {

inline const QString ClosedDataset = QStringLiteral("Cannot perform this operation on a closed dataset");
inline const QString NotEditing = QStringLiteral("Dataset not in edit or insert mode");
inline const QString NoCurrentRecord = QStringLiteral("Either BOF or EOF is True, or the current record has been "
                                                      "deleted. Requested operation requires a current record.");
inline const QString ReadOnly = QStringLiteral("Cannot update. Database or object is read-only.");
inline const char RowidName[] = "__rowid__";
inline const QString RowNotFound
    = QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");

// sql with every quoted text emptied (so that words inside texts are not
// taken for the statement's own).
inline QString withoutQuotedTexts(const QString &sql)
{
    static const QRegularExpression quoted(QStringLiteral("'(?:[^']|'')*'"));
    QString s = sql;
    return s.replace(quoted, QStringLiteral("''"));
}

// A number in the C locale, finite; *ok false otherwise.
inline double toDoubleStrict(const QString &text, bool *ok)
{
    const double d = QLocale::c().toDouble(text.trimmed(), ok);
    if (*ok && !std::isfinite(d))
        *ok = false;
    return d;
}

} // namespace DatasetText

using namespace DatasetText;

#include "dataset.h"

#include <atomic>
#include <future>

// A result being read on a worker thread.
struct Dataset::PendingLoad
{
    std::atomic<bool> stop{false};
    std::future<ReadRows> rows;
};
