#pragma once

#include <QString>
#include <QStringList>

// Translates the program's statements, written in the dialect of its original
// desktop database engine, into SQLite's. What it accepts:
//   #2008-3-5#, #2008/03/05 10:20:30#  date literals, become '2008-03-05' ...
//   left(x,n) right(x,n) mid(x,s[,n]) cdate(x) cstr(x) len(x) ucase lcase
//   a & b                              text concatenation
//   [name]                             bracketed names
//   from T in '<file>'                 a table of another database file
//   ALTER Database Password new old    a password change (`` = empty)
// The inside of quoted texts is never touched.
struct sqlite3;

namespace JetSql {

struct Statement
{
    enum class Kind { Sql, AlterPassword };
    Kind kind = Kind::Sql;
    QString sql;               // SQLite text, for Kind::Sql
    QStringList externalFiles; // file i is to be attached as "ext<i>"
    QString newPassword;       // for Kind::AlterPassword
    QString oldPassword;
};

// Translates one statement. Throws DbError with the engine's wording when a
// date literal cannot be read.
Statement translate(const QString &jet);

// Schema name under which external file i is attached.
QString externalSchema(int i);

// Registers on db the functions the translated statements call: left,
// right and mid (in characters), cdate and cstr. Never fails.
void registerFunctions(sqlite3 *db);

} // namespace JetSql
