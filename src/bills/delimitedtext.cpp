#include "delimitedtext.h"

#include "readlimits.h"

#include <QHash>

namespace Bills::DelimitedText {
namespace {

// Walks the records of a text one at a time.
class Scanner
{
public:
    Scanner(QStringView text, QChar separator, const Limits &limits)
        : m_text(text)
        , m_separator(separator)
        , m_limits(limits)
    {}

    bool atEnd() const { return m_pos >= m_text.size(); }
    const QString &error() const { return m_error; }

    // The next record's cells and the line it begins on; false at the end
    // of the text or on an error.
    bool next(QStringList *cells, int *line)
    {
        cells->clear();
        if (atEnd() || !m_error.isEmpty())
            return false;
        *line = m_line;
        const qsizetype n = m_text.size();
        for (;;) {
            if (!readCell(cells))
                return false;
            if (cells->size() > m_limits.maxColumns) {
                m_error = QStringLiteral("第 %1 行超过 %2 列").arg(*line).arg(m_limits.maxColumns);
                return false;
            }
            if (m_pos < n && m_text[m_pos] == m_separator) {
                ++m_pos;
                continue;
            }
            break;
        }
        if (m_pos < n) { // at a line break
            if (m_text[m_pos] == u'\r' && m_pos + 1 < n && m_text[m_pos + 1] == u'\n')
                ++m_pos;
            ++m_pos;
            ++m_line;
        }
        return true;
    }

private:
    bool tooLong(qsizetype length)
    {
        if (length <= m_limits.maxCellChars)
            return false;
        m_error = QStringLiteral("第 %1 行有一格超过 %2 个字符").arg(m_line).arg(m_limits.maxCellChars);
        return true;
    }

    bool readCell(QStringList *cells)
    {
        const qsizetype n = m_text.size();
        const bool quoted = m_pos < n && m_text[m_pos] == u'"';
        if (!quoted) {
            const qsizetype start = m_pos;
            while (m_pos < n && !endsCell(m_text[m_pos]))
                ++m_pos;
            if (tooLong(m_pos - start))
                return false;
            cells->append(trimmedCell(m_text.mid(start, m_pos - start)));
            return true;
        }
        const int openedOn = m_line;
        m_cell.clear();
        ++m_pos;
        for (;;) {
            if (m_pos >= n) {
                m_error = QStringLiteral("第 %1 行的引号没有闭合").arg(openedOn);
                return false;
            }
            // the stretch up to the next quote is taken whole
            qsizetype stop = m_pos;
            while (stop < n && m_text[stop] != u'"') {
                const QChar c = m_text[stop];
                if (c == u'\n' || (c == u'\r' && !(stop + 1 < n && m_text[stop + 1] == u'\n')))
                    ++m_line;
                ++stop;
            }
            if (tooLong(m_cell.size() + (stop - m_pos)))
                return false;
            m_cell.append(m_text.mid(m_pos, stop - m_pos));
            m_pos = stop;
            if (m_pos >= n)
                continue;
            if (m_pos + 1 < n && m_text[m_pos + 1] == u'"') { // a doubled quote
                m_cell.append(u'"');
                m_pos += 2;
                continue;
            }
            ++m_pos; // the closing quote
            break;
        }
        // whatever follows the closing quote up to the separator
        const qsizetype start = m_pos;
        while (m_pos < n && !endsCell(m_text[m_pos]))
            ++m_pos;
        if (tooLong(m_cell.size() + (m_pos - start)))
            return false;
        m_cell.append(m_text.mid(start, m_pos - start));
        cells->append(trimmedCell(m_cell));
        return true;
    }

    bool endsCell(QChar c) const { return c == m_separator || c == u'\n' || c == u'\r'; }

    QStringView m_text;
    QChar m_separator;
    const Limits &m_limits;
    qsizetype m_pos = 0;
    int m_line = 1;
    QString m_cell;
    QString m_error;
};

// The cell count most of the first records share, among records of two
// cells or more (the wider count on a tie), and how many records have it.
struct Width
{
    int cells = 1;
    int records = 0;
};

Width usualWidth(QStringView text, QChar separator)
{
    const Limits limits;
    Scanner scanner(text, separator, limits);
    QHash<int, int> widths;
    QStringList cells;
    int line = 0;
    for (int i = 0; i < 64 && scanner.next(&cells, &line); ++i) {
        if (cells.size() > 1)
            ++widths[int(cells.size())];
    }
    Width best;
    for (auto it = widths.cbegin(); it != widths.cend(); ++it) {
        if (it.value() > best.records || (it.value() == best.records && it.key() > best.cells))
            best = {it.key(), it.value()};
    }
    return best;
}

} // namespace

QChar separatorOf(QStringView text)
{
    if (!text.contains(u'\t'))
        return u',';
    const Width tabs = usualWidth(text, u'\t');
    const Width commas = usualWidth(text, u',');
    const bool tabbed = tabs.cells > commas.cells || (tabs.cells == commas.cells && tabs.records > commas.records);
    return tabbed ? QChar(u'\t') : QChar(u',');
}

bool parse(QStringView text, QChar separator, const Limits &limits, Sheet *sheet, QString *error)
{
    Scanner scanner(text, separator, limits);
    QStringList cells;
    int line = 0;
    qint64 stored = 0;
    while (scanner.next(&cells, &line)) {
        bool blank = true;
        for (const QString &cell : std::as_const(cells)) {
            if (!cell.isEmpty()) {
                blank = false;
                break;
            }
        }
        if (blank)
            continue;
        const QString refused = appendRow(sheet, cells, line, limits, &stored);
        if (!refused.isEmpty()) {
            *error = refused;
            return false;
        }
    }
    if (!scanner.error().isEmpty()) {
        *error = scanner.error();
        return false;
    }
    return true;
}

} // namespace Bills::DelimitedText
