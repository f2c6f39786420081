#pragma once

#include <QPair>
#include <QString>

#include <QByteArray>
#include <QString>

class Dataset;

// Contacts as vCards 3.0 (RFC 2426), the form every phone imports: UTF-8,
// lines ending in CR LF and folded at 75 octets without splitting a
// character, commas, semicolons, backslashes and line breaks escaped.
namespace VCard {

// A name as the vCard's structured name wants it: family name and given
// name. A Chinese name (two to five Chinese characters) is split after its
// family name, one character or a common two-character one (欧阳, 司马,
// 诸葛…); any other name stays whole as the family name.
QPair<QString, QString> splitName(const QString &name);

// A text value escaped for a vCard.
QString escaped(const QString &value);
// A content line, folded.
QByteArray line(const QString &text);
// The vCard of the contact in row of contacts (a result of "select * from
// txl"): name, nickname, gender, mobile, work and home phone, e-mail, web
// site, organisation, address, birthday, QQ, note, and the group as a
// category. Empty fields are left out.
QByteArray card(const Dataset &contacts, int row);
// Writes every row of contacts to path, under a temporary name renamed when
// whole. Returns false when the file cannot be written.
bool write(const Dataset &contacts, const QString &path);

} // namespace VCard
