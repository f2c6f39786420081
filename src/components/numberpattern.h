#pragma once

#include <QString>

#include <string>

// A number pattern (see formatNumber) read once, for formatting many values
// the way formatNumber does, without its cost per value: a value that is
// the double nearest to a number of at most as many decimals as the pattern
// shows (as amounts are) is formatted from that integer; any other value
// goes the exact way of formatNumber.
class NumberPattern
{
public:
    explicit NumberPattern(const QString &pattern);

    // formatNumber(pattern, value).
    QString format(double value) const;
    // Appends formatNumber(pattern, value) to out in UTF-8.
    void appendUtf8(double value, std::string *out) const;

private:
    QString m_pattern;
    bool m_simple = false; // a run of digit placeholders was found
    std::string m_prefix;  // UTF-8 literal text before and after the run
    std::string m_suffix;
    int m_minWhole = 0;
    bool m_grouping = false;
    int m_maxDecimals = 0;
    int m_minDecimals = 0;
    double m_scale = 1; // 10^m_maxDecimals
};
