#include "numberpattern.h"

#include "dbgrideh.h"

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
    m_simple = m_maxDecimals <= 6;
}

QString NumberPattern::format(double value) const
{
    std::string text;
    appendUtf8(value, &text);
    return QString::fromStdString(text);
}

void NumberPattern::appendUtf8(double value, std::string *out) const
{
    if (!m_simple || !std::isfinite(value)) {
        out->append(formatNumber(m_pattern, value).toStdString());
        return;
    }
    // The value is the double nearest to scaled / 10^decimals with fewer
    // than 15 digits: its 15 significant digits are those of scaled, and
    // no rounding is left to do.
    const double magnitude = std::fabs(value);
    const double scaledValue = std::nearbyint(magnitude * m_scale);
    if (!(scaledValue < 1e14) || scaledValue / m_scale != magnitude) {
        out->append(formatNumber(m_pattern, value).toStdString());
        return;
    }
    char digits[24];
    const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<long long>(scaledValue));
    std::string all(digits, result.ptr);
    if (all.size() < std::size_t(m_maxDecimals) + 1)
        all.insert(0, std::size_t(m_maxDecimals) + 1 - all.size(), '0');
    std::string whole = all.substr(0, all.size() - std::size_t(m_maxDecimals));
    std::string fraction = all.substr(all.size() - std::size_t(m_maxDecimals));
    while (fraction.size() > std::size_t(m_minDecimals) && fraction.back() == '0')
        fraction.pop_back();
    const bool zero = scaledValue == 0;
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
