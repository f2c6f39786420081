#include "numberpattern.h"

#include "data/valuetext.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

bool isPlaceholder(QChar c)
{
    return c == QLatin1Char('0') || c == QLatin1Char('#') || c == QLatin1Char('.') || c == QLatin1Char(',');
}

bool isDigitPlaceholder(QChar c)
{
    return c == QLatin1Char('0') || c == QLatin1Char('#');
}

// The digits of magnitude (>= 0) rounded half away from zero to `decimals`
// places. Rounding works on the 15 significant digits the program shows, so
// that 2.675 (held as 2.67499999...) rounds to 2.68 as a reader expects.
void roundedDigits(double magnitude, int decimals, QString *integerDigits, QString *fractionDigits)
{
    const QString e = QString::number(magnitude, 'e', 14); // d.dddddddddddddde+XX
    const qsizetype ePos = e.indexOf(QLatin1Char('e'));
    const QString digits = e.left(1) + e.mid(2, ePos - 2);
    const int point = e.mid(ePos + 1).toInt() + 1; // digits before the decimal point
    QString whole;
    QString fraction;
    if (point <= 0) {
        whole = QStringLiteral("0");
        fraction = QString(-point, QLatin1Char('0')) + digits;
    } else if (point >= digits.size()) {
        whole = digits + QString(point - digits.size(), QLatin1Char('0'));
    } else {
        whole = digits.left(point);
        fraction = digits.mid(point);
    }
    bool roundUp = false;
    if (fraction.size() > decimals) {
        roundUp = fraction.at(decimals) >= QLatin1Char('5');
        fraction.truncate(decimals);
    }
    fraction = fraction.leftJustified(decimals, QLatin1Char('0'));
    if (roundUp) {
        QString all = whole + fraction;
        qsizetype i = all.size() - 1;
        for (; i >= 0; --i) {
            if (all[i] != QLatin1Char('9')) {
                all[i] = QChar(all[i].unicode() + 1);
                break;
            }
            all[i] = QLatin1Char('0');
        }
        if (i < 0)
            all.prepend(QLatin1Char('1'));
        whole = all.left(all.size() - decimals);
        fraction = all.right(decimals);
    }
    qsizetype lead = 0;
    while (lead < whole.size() - 1 && whole[lead] == QLatin1Char('0'))
        ++lead;
    *integerDigits = whole.mid(lead);
    *fractionDigits = fraction;
}

} // namespace

NumberPattern::NumberPattern(const QString &pattern)
    : m_pattern(pattern)
{
    qsizetype start = -1;
    qsizetype end = -1;
    for (qsizetype i = 0; i < pattern.size() && start < 0;) {
        if (!isPlaceholder(pattern[i])) {
            ++i;
            continue;
        }
        qsizetype j = i;
        bool digit = false;
        while (j < pattern.size() && isPlaceholder(pattern[j]))
            digit = isDigitPlaceholder(pattern[j++]) || digit;
        if (digit) {
            start = i;
            end = j;
        }
        i = j;
    }
    if (start < 0)
        return;
    const QStringView run = QStringView(pattern).mid(start, end - start);
    const qsizetype dot = run.indexOf(QLatin1Char('.'));
    const QStringView wholePattern = dot < 0 ? run : run.left(dot);
    const QStringView fractionPattern = dot < 0 ? QStringView() : run.mid(dot + 1);
    m_minWhole = int(wholePattern.count(QLatin1Char('0')));
    m_grouping = wholePattern.contains(QLatin1Char(','));
    for (QChar c : fractionPattern) {
        if (!isDigitPlaceholder(c))
            continue;
        ++m_maxDecimals;
        if (c == QLatin1Char('0'))
            m_minDecimals = m_maxDecimals;
    }
    m_prefix = pattern.left(start).toStdString();
    m_suffix = pattern.mid(end).toStdString();
    m_scale = std::pow(10.0, m_maxDecimals);
    m_hasRun = true;
}

QString NumberPattern::format(double value) const
{
    std::string text;
    appendUtf8(value, &text);
    return QString::fromStdString(text);
}

QString NumberPattern::formatExactly(double value) const
{
    if (!m_hasRun || !std::isfinite(value))
        return m_pattern + ValueText::display(value);
    QString whole;
    QString fraction;
    roundedDigits(std::fabs(value), m_maxDecimals, &whole, &fraction);
    std::string text;
    assemble(value, whole.toStdString(), fraction.toStdString(), &text);
    return QString::fromStdString(text);
}

void NumberPattern::appendUtf8(double value, std::string *out) const
{
    // The value is the double nearest to scaled / 10^decimals with fewer
    // than 15 digits: its 15 significant digits are those of scaled, and
    // no rounding is left to do.
    const double magnitude = std::fabs(value);
    const double scaledValue = std::nearbyint(magnitude * m_scale);
    if (!m_hasRun || !std::isfinite(value) || m_maxDecimals > 6 || !(scaledValue < 1e14)
        || scaledValue / m_scale != magnitude) {
        out->append(formatExactly(value).toStdString());
        return;
    }
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(scaledValue));
    std::string all(digits, result.ptr);
    if (all.size() < std::size_t(m_maxDecimals) + 1)
        all.insert(0, std::size_t(m_maxDecimals) + 1 - all.size(), '0');
    assemble(value, all.substr(0, all.size() - std::size_t(m_maxDecimals)),
             all.substr(all.size() - std::size_t(m_maxDecimals)), out);
}

void NumberPattern::assemble(double value, std::string whole, std::string fraction, std::string *out) const
{
    while (fraction.size() > std::size_t(m_minDecimals) && fraction.back() == '0')
        fraction.pop_back();
    const auto zeroDigit = [](char c) {
        return c == '0';
    };
    const bool zero = std::all_of(whole.begin(), whole.end(), zeroDigit)
                      && std::all_of(fraction.begin(), fraction.end(), zeroDigit);
    if (whole == "0")
        whole.clear(); // shown only as far as the pattern's 0s ask
    if (whole.size() < std::size_t(m_minWhole))
        whole.insert(0, std::size_t(m_minWhole) - whole.size(), '0');
    if (m_grouping)
        for (std::ptrdiff_t i = std::ptrdiff_t(whole.size()) - 3; i > 0; i -= 3)
            whole.insert(std::size_t(i), 1, ',');
    out->append(m_prefix);
    if (value < 0 && !zero)
        out->push_back('-');
    out->append(whole);
    if (!fraction.empty()) {
        out->push_back('.');
        out->append(fraction);
    }
    out->append(m_suffix);
}
