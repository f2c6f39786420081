#include "htmltable.h"

#include "readlimits.h"

namespace Bills::HtmlTable {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f';
}

// The character a reference such as "amp", "#39" or "#x4e2d" names; empty
// when unknown.
QString referenced(QStringView name)
{
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name[1] == u'x' || name[1] == u'X') ? name.mid(2).toUInt(&ok, 16)
                                                                                  : name.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10ffff || (code >= 0xd800 && code <= 0xdfff))
            return QString();
        const char32_t c = code;
        return QString::fromUcs4(&c, 1);
    }
    static const struct
    {
        const char16_t *name;
        char16_t c;
    } named[] = {{u"amp", u'&'},   {u"lt", u'<'},   {u"gt", u'>'},         {u"quot", u'"'},
                 {u"apos", u'\''}, {u"nbsp", u' '}, {u"yen", u'\u00a5'},   {u"middot", u'\u00b7'},
                 {u"ensp", u' '},  {u"emsp", u' '}, {u"mdash", u'\u2014'}, {u"ndash", u'\u2013'}};
    for (const auto &n : named) {
        if (name.compare(QStringView(n.name), Qt::CaseInsensitive) == 0)
            return QString(QChar(n.c));
    }
    return QString();
}

class Reader
{
public:
    Reader(QStringView text, const Limits &limits, Sheet *sheet)
        : m_text(text)
        , m_limits(limits)
        , m_sheet(sheet)
    {}

    bool run(QString *error)
    {
        const qsizetype n = m_text.size();
        while (m_pos < n && m_error.isEmpty()) {
            const QChar c = m_text[m_pos];
            if (c == u'<') {
                tag();
            } else if (c == u'&') {
                reference();
            } else {
                if (c == u'\n')
                    ++m_line;
                text(c);
                ++m_pos;
            }
        }
        if (m_error.isEmpty())
            endRow();
        if (!m_error.isEmpty()) {
            *error = m_error;
            return false;
        }
        return true;
    }

private:
    void text(QChar c)
    {
        if (!m_inCell)
            return;
        if (isBlank(c)) {
            m_blankPending = true;
            return;
        }
        if (m_blankPending && !m_cell.isEmpty())
            m_cell.append(u' ');
        m_blankPending = false;
        if (m_cell.size() >= m_limits.maxCellChars) {
            m_error = QStringLiteral("第 %1 行有一格超过 %2 个字符").arg(m_line).arg(m_limits.maxCellChars);
            return;
        }
        m_cell.append(c);
    }

    void reference()
    {
        const qsizetype n = m_text.size();
        qsizetype end = m_pos + 1;
        while (end < n && end - m_pos <= 10 && (m_text[end].isLetterOrNumber() || m_text[end] == u'#'))
            ++end;
        const QString value
            = end < n && m_text[end] == u';' ? referenced(m_text.mid(m_pos + 1, end - m_pos - 1)) : QString();
        if (value.isEmpty()) {
            text(u'&');
            ++m_pos;
            return;
        }
        for (const QChar c : value)
            text(c);
        m_pos = end + 1;
    }

    // Skips past needle (case-insensitive), counting lines; to the end when
    // it never comes.
    void skipPast(QStringView needle)
    {
        const qsizetype at = m_text.indexOf(needle, m_pos, Qt::CaseInsensitive);
        const qsizetype end = at < 0 ? m_text.size() : at + needle.size();
        m_line += int(m_text.mid(m_pos, end - m_pos).count(u'\n'));
        m_pos = end;
    }

    void tag()
    {
        const qsizetype n = m_text.size();
        if (m_text.mid(m_pos).startsWith(u"<!--")) {
            skipPast(u"-->");
            return;
        }
        qsizetype p = m_pos + 1;
        const bool closing = p < n && m_text[p] == u'/';
        if (closing)
            ++p;
        const qsizetype nameStart = p;
        while (p < n && (m_text[p].isLetterOrNumber()))
            ++p;
        const QString name = m_text.mid(nameStart, p - nameStart).toString().toLower();
        if (name.isEmpty()) { // not a tag: a lone "<"
            text(u'<');
            ++m_pos;
            return;
        }
        // the end of the tag, quoted attribute values taken whole
        const qsizetype attributesStart = p;
        QChar quote;
        while (p < n && (!quote.isNull() || m_text[p] != u'>')) {
            const QChar c = m_text[p];
            if (c == u'\n')
                ++m_line;
            if (!quote.isNull()) {
                if (c == quote)
                    quote = QChar();
            } else if (c == u'"' || c == u'\'') {
                quote = c;
            }
            ++p;
        }
        const QStringView attributes = m_text.mid(attributesStart, p - attributesStart);
        m_pos = p < n ? p + 1 : n;
        if (!closing && (name == u"script" || name == u"style")) {
            skipPast(QStringLiteral("</%1").arg(name));
            skipPast(u">");
            return;
        }
        if (name == u"tr") {
            endRow();
            if (!closing) {
                m_inRow = true;
                m_rowLine = m_line;
            }
        } else if (name == u"td" || name == u"th") {
            endCell();
            if (!closing) {
                if (!m_inRow) {
                    m_inRow = true;
                    m_rowLine = m_line;
                }
                m_inCell = true;
                m_span = spanOf(attributes);
            }
        } else if (name == u"table" || name == u"tbody" || name == u"thead" || name == u"tfoot") {
            endRow();
        } else if (name == u"br" || name == u"p" || name == u"div") {
            text(u' ');
        }
    }

    static int spanOf(QStringView attributes)
    {
        const qsizetype at = attributes.indexOf(u"colspan", 0, Qt::CaseInsensitive);
        if (at < 0)
            return 1;
        qsizetype p = at + 7;
        while (p < attributes.size()
               && (isBlank(attributes[p]) || attributes[p] == u'=' || attributes[p] == u'"' || attributes[p] == u'\''))
            ++p;
        qsizetype end = p;
        while (end < attributes.size() && attributes[end].isDigit() && end - p < 4)
            ++end;
        const int span = attributes.mid(p, end - p).toInt();
        return span > 0 ? span : 1;
    }

    void endCell()
    {
        if (!m_inCell)
            return;
        m_inCell = false;
        m_blankPending = false;
        m_row.append(trimmedCell(m_cell));
        m_cell.clear();
        for (int i = 1; i < m_span; ++i)
            m_row.append(QString());
        if (m_row.size() > m_limits.maxColumns)
            m_error = QStringLiteral("第 %1 行超过 %2 列").arg(m_rowLine).arg(m_limits.maxColumns);
    }

    void endRow()
    {
        endCell();
        if (!m_inRow)
            return;
        m_inRow = false;
        bool blank = true;
        for (const QString &cell : std::as_const(m_row))
            blank = blank && cell.isEmpty();
        if (!blank && m_error.isEmpty())
            m_error = appendRow(m_sheet, m_row, m_rowLine, m_limits, &m_cells);
        m_row.clear();
    }

    QStringView m_text;
    const Limits &m_limits;
    Sheet *m_sheet;
    qsizetype m_pos = 0;
    int m_line = 1;
    int m_rowLine = 1;
    bool m_inRow = false;
    bool m_inCell = false;
    bool m_blankPending = false;
    int m_span = 1;
    qint64 m_cells = 0;
    QStringList m_row;
    QString m_cell;
    QString m_error;
};

} // namespace

bool looks(QStringView text)
{
    qsizetype p = 0;
    while (p < text.size() && (isBlank(text[p]) || text[p] == QChar(0xfeff)))
        ++p;
    if (p >= text.size() || text[p] != u'<')
        return false;
    const QStringView rest = text.mid(p);
    return rest.contains(u"<table", Qt::CaseInsensitive) || rest.contains(u"<tr", Qt::CaseInsensitive);
}

bool parse(QStringView text, const Limits &limits, Sheet *sheet, QString *error)
{
    Reader reader(text, limits, sheet);
    return reader.run(error);
}

} // namespace Bills::HtmlTable
