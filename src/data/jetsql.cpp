#include "jetsql.h"

#include "datecodec.h"
#include "dberror.h"

#include <QHash>
#include <QRegularExpression>

namespace JetSql {
namespace {

bool isIdentStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c.unicode() > 127;
}

bool isIdentChar(QChar c)
{
    return isIdentStart(c) || c.isDigit();
}

// Functions of the original dialect and what they are called here. The
// jet_* functions are registered on every connection.
const QHash<QString, QString> &functionNames()
{
    static const QHash<QString, QString> names = {
        {QStringLiteral("left"), QStringLiteral("jet_left")}, {QStringLiteral("right"), QStringLiteral("jet_right")},
        {QStringLiteral("mid"), QStringLiteral("jet_mid")},   {QStringLiteral("cdate"), QStringLiteral("jet_cdate")},
        {QStringLiteral("cstr"), QStringLiteral("jet_cstr")}, {QStringLiteral("len"), QStringLiteral("length")},
        {QStringLiteral("ucase"), QStringLiteral("upper")},   {QStringLiteral("lcase"), QStringLiteral("lower")},
    };
    return names;
}

struct Token
{
    enum Type { Space, Word, Text, Other };
    Type type;
    QString text;
};

// Reads a quoted run starting at i (the quote itself); doubled quotes stay in.
int quotedEnd(const QString &s, int i, QChar quote)
{
    int j = i + 1;
    while (j < s.size()) {
        if (s[j] == quote) {
            if (j + 1 < s.size() && s[j + 1] == quote) {
                j += 2;
                continue;
            }
            return j + 1;
        }
        ++j;
    }
    return int(s.size());
}

QString unquote(const QString &literal)
{
    QString inner = literal.mid(1, literal.size() - 2);
    inner.replace(QLatin1String("''"), QLatin1String("'"));
    return inner;
}

QString dateLiteral(const QString &inside, const QString &statement)
{
    std::int64_t packed = 0;
    if (!DateCodec::parse(inside, &packed))
        throw DbError(QStringLiteral("Syntax error in date in query expression '%1'.").arg(statement));
    return QLatin1Char('\'') + QString::fromLatin1(DateCodec::toStored(packed, DateCodec::secondsOfDay(packed) != 0))
           + QLatin1Char('\'');
}

// "ALTER Database Password new old", each password written bare or as `` for
// empty; a password holding blanks may be bracketed or quoted.
bool parseAlterPassword(const QString &jet, Statement *out)
{
    static const QRegularExpression re(QStringLiteral(R"(^\s*alter\s+database\s+password\s+(\S+)\s+(\S+)\s*;?\s*$)"),
                                       QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = re.match(jet);
    if (!m.hasMatch())
        return false;
    auto password = [](QString p) {
        if (p == QLatin1String("``"))
            return QString();
        if (p.size() >= 2
            && ((p.startsWith(QLatin1Char('[')) && p.endsWith(QLatin1Char(']')))
                || (p.startsWith(QLatin1Char('\'')) && p.endsWith(QLatin1Char('\'')))
                || (p.startsWith(QLatin1Char('"')) && p.endsWith(QLatin1Char('"')))))
            return p.mid(1, p.size() - 2);
        return p;
    };
    out->kind = Statement::Kind::AlterPassword;
    out->newPassword = password(m.captured(1));
    out->oldPassword = password(m.captured(2));
    return true;
}

} // namespace

QString externalSchema(int i)
{
    return QStringLiteral("ext%1").arg(i);
}

Statement translate(const QString &jet)
{
    Statement result;
    if (parseAlterPassword(jet, &result))
        return result;

    QList<Token> tokens;
    const int n = int(jet.size());
    int i = 0;
    while (i < n) {
        const QChar c = jet[i];
        if (c.isSpace()) {
            int j = i;
            while (j < n && jet[j].isSpace())
                ++j;
            tokens.append({Token::Space, jet.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char('\'')) {
            const int j = quotedEnd(jet, i, c);
            tokens.append({Token::Text, jet.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char('"')) {
            const int j = quotedEnd(jet, i, c);
            tokens.append({Token::Other, jet.mid(i, j - i)});
            i = j;
        } else if (c == QLatin1Char('[')) {
            const int close = jet.indexOf(QLatin1Char(']'), i + 1);
            const int j = close < 0 ? n : close + 1;
            QString name = jet.mid(i + 1, j - i - 2);
            name.replace(QLatin1String("\""), QLatin1String("\"\""));
            tokens.append({Token::Word, QLatin1Char('"') + name + QLatin1Char('"')});
            i = j;
        } else if (c == QLatin1Char('#')) {
            const int close = jet.indexOf(QLatin1Char('#'), i + 1);
            if (close < 0)
                throw DbError(QStringLiteral("Syntax error in date in query expression '%1'.").arg(jet));
            tokens.append({Token::Other, dateLiteral(jet.mid(i + 1, close - i - 1), jet)});
            i = close + 1;
        } else if (c == QLatin1Char('&')) {
            tokens.append({Token::Other, QStringLiteral("||")});
            ++i;
        } else if (c == QLatin1Char(':') && i + 1 < n && isIdentStart(jet[i + 1])) {
            int j = i + 1;
            while (j < n && isIdentChar(jet[j]))
                ++j;
            tokens.append({Token::Other, jet.mid(i, j - i)}); // a named parameter
            i = j;
        } else if (isIdentStart(c)) {
            int j = i;
            while (j < n && isIdentChar(jet[j]))
                ++j;
            tokens.append({Token::Word, jet.mid(i, j - i)});
            i = j;
        } else {
            tokens.append({Token::Other, QString(c)});
            ++i;
        }
    }

    // Function names: a word directly followed (blanks allowed) by "(".
    for (int t = 0; t < tokens.size(); ++t) {
        if (tokens[t].type != Token::Word)
            continue;
        int next = t + 1;
        while (next < tokens.size() && tokens[next].type == Token::Space)
            ++next;
        if (next < tokens.size() && tokens[next].text == QLatin1String("(")) {
            const auto it = functionNames().constFind(tokens[t].text.toLower());
            if (it != functionNames().constEnd())
                tokens[t].text = it.value();
        }
    }

    // "T in '<file>'": the table T of another database file.
    for (int t = 0; t < tokens.size(); ++t) {
        if (tokens[t].type != Token::Word || tokens[t].text.compare(QLatin1String("in"), Qt::CaseInsensitive) != 0)
            continue;
        int next = t + 1;
        while (next < tokens.size() && tokens[next].type == Token::Space)
            ++next;
        int prev = t - 1;
        while (prev >= 0 && tokens[prev].type == Token::Space)
            --prev;
        if (next >= tokens.size() || tokens[next].type != Token::Text || prev < 0 || tokens[prev].type != Token::Word)
            continue;
        const QString file = unquote(tokens[next].text);
        int index = int(result.externalFiles.indexOf(file));
        if (index < 0) {
            index = int(result.externalFiles.size());
            result.externalFiles.append(file);
        }
        tokens[prev].text = externalSchema(index) + QLatin1Char('.') + tokens[prev].text;
        for (int k = t; k <= next; ++k)
            tokens[k].text.clear();
    }

    for (const Token &token : std::as_const(tokens))
        result.sql += token.text;
    return result;
}

} // namespace JetSql
