#pragma once

#include <QString>

// Returns text ready to stand between the single quotes of a statement:
// every single quote doubled, nothing else changed. Every value a user typed
// goes into a statement through this helper, so a name like O'Brien is stored
// and found instead of breaking the statement.
inline QString sqlText(const QString &text)
{
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return out;
}

// The condition "column like '%text%' escape '\'" that finds text itself
// anywhere in column: quotes doubled, and %, _ and \ escaped so that they
// match themselves.
inline QString likeCondition(const QString &column, const QString &text)
{
    QString pattern = sqlText(text);
    pattern.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    pattern.replace(QLatin1Char('%'), QLatin1String("\\%"));
    pattern.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return column + QStringLiteral(" like '%") + pattern + QStringLiteral("%' escape '\\'");
}

#include <QDate>

// A date as the program writes it into a statement between "#" characters:
// the short date format "yyyy-MM-dd".
inline QString sqlDate(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}
