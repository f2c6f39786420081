#pragma once

#include <QString>

#include <exception>

// The one exception type of the data layer. It carries the engine's message
// (or the data layer's own message for misuse of a dataset and for values a
// column cannot take). Every handler of the program catches it in one guard.
class DbError : public std::exception
{
public:
    explicit DbError(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toUtf8())
    {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// The conversion errors: text could not be taken as a date, a number or an
// integer. The text appears in quotes as it was given.
inline DbError notADate(const QString &text)
{
    return DbError(QStringLiteral("'%1' 不是有效的日期").arg(text));
}

inline DbError notANumber(const QString &text)
{
    return DbError(QStringLiteral("'%1' 不是有效的数值").arg(text));
}

inline DbError notAnInteger(const QString &text)
{
    return DbError(QStringLiteral("'%1' 不是有效的整数").arg(text));
}
