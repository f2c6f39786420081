#include "billrows.h"

#include "classification.h"

namespace Bills {
namespace {

bool isAsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Reads between fewest and most ASCII digits at *pos.
bool readNumber(QStringView text, qsizetype *pos, int fewest, int most, int *value)
{
    qsizetype p = *pos;
    int v = 0;
    while (p < text.size() && p - *pos < most && isAsciiDigit(text[p]))
        v = v * 10 + (text[p++].unicode() - u'0');
    if (p - *pos < fewest)
        return false;
    *value = v;
    *pos = p;
    return true;
}

// Reads "H:mm", "H:mm:ss" or "H:mm:ss.fff" at *pos.
bool readTime(QStringView text, qsizetype *pos, QTime *time)
{
    qsizetype p = *pos;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!readNumber(text, &p, 1, 2, &hour) || p >= text.size() || text[p] != u':')
        return false;
    ++p;
    if (!readNumber(text, &p, 2, 2, &minute))
        return false;
    if (p < text.size() && text[p] == u':') {
        ++p;
        if (!readNumber(text, &p, 2, 2, &second))
            return false;
        if (p < text.size() && text[p] == u'.') { // fractions of a second, dropped
            ++p;
            while (p < text.size() && isAsciiDigit(text[p]))
                ++p;
        }
    }
    const QTime t(hour, minute, second);
    if (!t.isValid())
        return false;
    *time = t;
    *pos = p;
    return true;
}

bool isBlank(QChar c)
{
    const char16_t u = c.unicode();
    return u == u' ' || u == u'\t' || u == u'\r' || u == u'\n' || u == 0x3000 || u == 0x00a0 || u == 0xfeff;
}

// text without the blanks trimmedCell() drops, as a view.
QStringView trimmedView(QStringView text)
{
    while (!text.isEmpty() && isBlank(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isBlank(text.back()))
        text.chop(1);
    return text;
}

bool onlyBlanksFrom(QStringView text, qsizetype pos)
{
    return trimmedView(text.mid(pos)).isEmpty();
}

// The exports write "/" for none.
QString textOf(const QString &cell)
{
    return cell == u"/" ? QString() : cell;
}

bool isNone(QStringView text)
{
    return text.isEmpty() || text == u"-" || text == u"--" || text == u"/" || text == u"—";
}

Direction directionOf(const QString &text)
{
    if (text == u"收入" || text == u"收" || text == u"已收入")
        return Direction::Income;
    if (text == u"支出" || text == u"支" || text == u"已支出")
        return Direction::Expense;
    return Direction::Neutral;
}

// A rule of dashes, equal signs or stars between sections of an export.
bool isRule(const QStringList &cells)
{
    for (const QString &cell : cells) {
        if (!cell.isEmpty())
            return cell.startsWith(QStringLiteral("---")) || cell.startsWith(QStringLiteral("==="))
                   || cell.startsWith(QStringLiteral("***"));
    }
    return false;
}

// A line of totals or a count after the table ("人民币合计", "共10笔记录").
bool isTotal(const QStringList &cells)
{
    for (const QString &cell : cells) {
        if (cell.isEmpty())
            continue;
        return cell.contains(u"合计") || cell.contains(u"总计") || cell.contains(u"小计")
               || (cell.startsWith(u'共') && cell.contains(u'笔'));
    }
    return false;
}

} // namespace

bool parseAmount(QStringView text, qint64 *cents)
{
    QString s;
    s.reserve(text.size());
    for (const QChar c : text) {
        char16_t u = c.unicode();
        if (u >= 0xff01 && u <= 0xff5e) // full-width ASCII
            u = char16_t(u - 0xfee0);
        else if (u == 0x2212) // minus sign
            u = u'-';
        if (u == u' ' || u == u'\t' || u == 0x3000 || u == 0x00a0)
            continue;
        s.append(QChar(u));
    }
    qsizetype p = 0;
    const qsizetype n = s.size();
    bool negative = false;
    bool signedAlready = false;
    auto takeSign = [&] {
        if (!signedAlready && p < n && (s[p] == u'-' || s[p] == u'+')) {
            negative = s[p] == u'-';
            signedAlready = true;
            ++p;
        }
    };
    takeSign();
    if (p < n && (s[p] == QChar(0x00a5) || s[p] == QChar(0xffe5) || s[p] == u'$'))
        ++p;
    else if (s.mid(p, 3).compare(QLatin1String("CNY"), Qt::CaseInsensitive) == 0
             || s.mid(p, 3).compare(QLatin1String("RMB"), Qt::CaseInsensitive) == 0)
        p += 3;
    takeSign();
    qint64 whole = 0;
    int wholeDigits = 0;
    bool anyDigit = false;
    while (p < n) {
        if (isAsciiDigit(s[p])) {
            anyDigit = true;
            if (wholeDigits > 0 || s[p] != u'0')
                ++wholeDigits;
            if (wholeDigits > 15)
                return false;
            whole = whole * 10 + (s[p].unicode() - u'0');
            ++p;
        } else if (s[p] == u',' && anyDigit && p + 1 < n && isAsciiDigit(s[p + 1])) {
            ++p; // a thousands separator
        } else {
            break;
        }
    }
    int fraction = 0;
    if (p < n && s[p] == u'.') {
        ++p;
        int places = 0;
        while (p < n && isAsciiDigit(s[p])) {
            anyDigit = true;
            if (places < 2)
                fraction = fraction * 10 + (s[p].unicode() - u'0');
            else if (s[p] != u'0')
                return false; // beyond cents
            ++places;
            ++p;
        }
        if (places == 1)
            fraction *= 10;
    }
    if (p < n && s[p] == u'元')
        ++p;
    if (!anyDigit || p != n)
        return false;
    const qint64 value = whole * 100 + fraction;
    *cents = negative ? -value : value;
    return true;
}

bool parseDateTime(QStringView text, QDate *date, QTime *time)
{
    const QStringView t = trimmedView(text);
    qsizetype p = 0;
    int year = 0;
    int month = 0;
    int day = 0;
    if (!readNumber(t, &p, 4, 4, &year))
        return false;
    if (p < t.size() && isAsciiDigit(t[p])) { // 20230212
        if (!readNumber(t, &p, 2, 2, &month) || !readNumber(t, &p, 2, 2, &day))
            return false;
    } else {
        if (p >= t.size())
            return false;
        const QChar separator = t[p];
        if (separator != u'-' && separator != u'/' && separator != u'.' && separator != u'年')
            return false;
        ++p;
        if (!readNumber(t, &p, 1, 2, &month) || p >= t.size())
            return false;
        const QChar second = separator == u'年' ? QChar(u'月') : separator;
        if (t[p] != second)
            return false;
        ++p;
        if (!readNumber(t, &p, 1, 2, &day))
            return false;
        if (separator == u'年' && p < t.size() && t[p] == u'日')
            ++p;
    }
    const QDate d(year, month, day);
    if (!d.isValid())
        return false;
    QTime tm;
    if (p < t.size()) {
        if (t[p] != u' ' && t[p] != u'T' && t[p] != QChar(0x3000))
            return false;
        while (p < t.size() && (t[p] == u' ' || t[p] == u'T' || t[p] == QChar(0x3000)))
            ++p;
        if (!readTime(t, &p, &tm) || !onlyBlanksFrom(t, p))
            return false;
    }
    *date = d;
    *time = tm;
    return true;
}

BillTable billRows(const Document &document, const Recognition &recognition)
{
    BillTable table;
    table.source = recognition.source;
    if (!recognition.isKnown() || recognition.sheet < 0 || recognition.sheet >= document.sheets.size())
        return table;
    const Sheet &sheet = document.sheets.at(recognition.sheet);
    if (recognition.headerRow < 0 || recognition.headerRow >= sheet.rows.size())
        return table;
    const QStringList &header = sheet.rows.at(recognition.headerRow);
    int widest = 0; // the cells a row needs to reach every column used
    for (const int column : recognition.columns)
        widest = std::max(widest, column + 1);
    const bool signedAmount = recognition.column(Field::Amount) >= 0;
    const bool hasDirection = recognition.column(Field::Direction) >= 0;

    for (qsizetype r = recognition.headerRow + 1; r < sheet.rows.size(); ++r) {
        const QStringList &cells = sheet.rows.at(r);
        const int line = sheet.lines.at(r);
        auto cell = [&](Field field) {
            const int c = recognition.column(field);
            return c >= 0 && c < cells.size() ? cells.at(c) : QString();
        };
        BillRow row;
        row.line = line;
        const QString dateText = cell(Field::Date);
        const bool dated = parseDateTime(dateText, &row.date, &row.time);
        if (!dated && (cells.size() < widest || isRule(cells) || isTotal(cells) || cells == header)) {
            table.ignoredLines.append(line);
            continue;
        }
        QStringList errors;
        if (!dated)
            errors.append(dateText.isEmpty() ? QStringLiteral("日期为空")
                                             : QStringLiteral("日期无法识别：%1").arg(dateText));
        if (dated && recognition.column(Field::Time) >= 0) {
            const QString timeText = cell(Field::Time);
            qsizetype p = 0;
            QTime time;
            if (readTime(timeText, &p, &time) && onlyBlanksFrom(timeText, p))
                row.time = time;
            else if (!timeText.isEmpty())
                errors.append(QStringLiteral("时间无法识别：%1").arg(timeText));
        }
        qint64 value = 0;
        bool amountRead = false;
        if (signedAmount) {
            const QString text = cell(Field::Amount);
            if (isNone(text))
                errors.append(QStringLiteral("金额为空"));
            else if (!parseAmount(text, &value))
                errors.append(QStringLiteral("金额无法识别：%1").arg(text));
            else
                amountRead = true;
        } else {
            const QString incomeText = cell(Field::Income);
            const QString expenseText = cell(Field::Expense);
            qint64 income = 0;
            qint64 expense = 0;
            bool bad = false;
            if (!isNone(incomeText) && !parseAmount(incomeText, &income)) {
                errors.append(QStringLiteral("金额无法识别：%1").arg(incomeText));
                bad = true;
            }
            if (!isNone(expenseText) && !parseAmount(expenseText, &expense)) {
                errors.append(QStringLiteral("金额无法识别：%1").arg(expenseText));
                bad = true;
            }
            if (!bad && isNone(incomeText) && isNone(expenseText))
                errors.append(QStringLiteral("金额为空"));
            else if (!bad) {
                value = qAbs(income) - qAbs(expense);
                amountRead = true;
            }
        }
        if (amountRead) {
            row.amountCents = qAbs(value);
            if (hasDirection)
                row.direction = directionOf(cell(Field::Direction));
            else if (value == 0)
                row.direction = Direction::Neutral;
            else
                row.direction
                    = (value > 0) != recognition.mapping.positiveIsExpense ? Direction::Income : Direction::Expense;
        }
        row.counterparty = textOf(cell(Field::Counterparty));
        row.description = textOf(cell(Field::Description));
        row.category = textOf(cell(Field::Category));
        row.method = textOf(cell(Field::Method));
        row.status = textOf(cell(Field::Status));
        row.transactionNo = textOf(cell(Field::TransactionNo));
        row.merchantOrderNo = textOf(cell(Field::MerchantOrderNo));
        row.remark = textOf(cell(Field::Remark));
        row.currency = textOf(cell(Field::Currency));
        qint64 cents = 0;
        if (parseAmount(cell(Field::Fee), &cents))
            row.feeCents = qAbs(cents);
        if (parseAmount(cell(Field::Refunded), &cents))
            row.refundedCents = qAbs(cents);
        if (!errors.isEmpty()) {
            row.verdict = Verdict::Invalid;
            row.counted = false;
            row.reason = errors.join(QStringLiteral("；"));
        } else {
            Classification::classify(table.source, &row);
        }
        table.rows.append(std::move(row));
    }
    Classification::linkRefunds(table.source, &table.rows);
    return table;
}

QString verdictName(Verdict verdict)
{
    switch (verdict) {
    case Verdict::Income:
        return QStringLiteral("收入");
    case Verdict::Expense:
        return QStringLiteral("支出");
    case Verdict::Transfer:
        return QStringLiteral("转账");
    case Verdict::Refund:
        return QStringLiteral("退款");
    case Verdict::Closed:
        return QStringLiteral("不计");
    case Verdict::Invalid:
        return QStringLiteral("无法识别");
    }
    return QString();
}

QString directionName(Direction direction)
{
    switch (direction) {
    case Direction::Income:
        return QStringLiteral("收入");
    case Direction::Expense:
        return QStringLiteral("支出");
    case Direction::Neutral:
        return QStringLiteral("不计收支");
    }
    return QString();
}

QString channelName(Channel channel)
{
    switch (channel) {
    case Channel::None:
        return QString();
    case Channel::Alipay:
        return QStringLiteral("支付宝");
    case Channel::WeChat:
        return QStringLiteral("微信支付");
    }
    return QString();
}

} // namespace Bills
