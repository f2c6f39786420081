#pragma once

#include <QString>

#include <string>

// A number pattern (see formatNumber, which is built on it) read once, for
// formatting many values: a value that is the double nearest to a number of
// at most as many decimals as the pattern shows (as amounts are) is
// formatted from that whole number; any other value goes the exact way,
// through its 15 significant digits. Never fails.
class NumberPattern
{
public:
    explicit NumberPattern(const QString &pattern);

    // formatNumber(pattern, value).
    QString format(double value) const;
    // format(value) appended to out in UTF-8.
    void appendUtf8(double value, std::string *out) const;
    // The same text, always the exact way.
    QString formatExactly(double value) const;

private:
    // Appends the number of rounded digits to out with the pattern's text.
    void assemble(double value, std::string whole, std::string fraction, std::string *out) const;

    QString m_pattern;
    bool m_hasRun = false; // a run of digit placeholders was found
    std::string m_prefix;  // UTF-8 literal text before and after the run
    std::string m_suffix;
    int m_minWhole = 0;
    bool m_grouping = false;
    int m_maxDecimals = 0;
    int m_minDecimals = 0;
    double m_scale = 1; // 10^m_maxDecimals
};
