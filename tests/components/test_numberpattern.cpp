// Number patterns: the one reading of a pattern that grids, footers and exports use.
#include "components/dbgrideh.h"
#include "components/numberpattern.h"

#include <QRandomGenerator>
#include <QStringList>

#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

// Amounts formatted from their whole number of cents read as the exact way
// gives them.
TEST(NumberPatternTest, FormatsAsFormatNumberDoes)
{
    const QStringList patterns = {QStringLiteral("0.00"),    QStringLiteral("#,##0.00"),  QStringLiteral("0"),
                                  QStringLiteral("0.0#"),    QStringLiteral("共0条记录"), QStringLiteral("#.##"),
                                  QStringLiteral("0.000元"), QStringLiteral("无数字"),    QStringLiteral("00000.0")};
    std::vector<double> values = {0,       -0.0,   0.004,       0.005,           -0.005, 2.675,   1.005,    12.25,
                                  -12.5,   30.5,   1234567.891, 999999999999.99, 1e15,   -1e15,   123456.0, 0.1 + 0.2,
                                  1.0 / 3, qInf(), -qInf(),     qQNaN(),         99.995, -99.995, 1e-7,     5e13};
    QRandomGenerator rng(11);
    for (int i = 0; i < 3000; ++i) {
        values.push_back(double(rng.bounded(-100000000, 100000000)) / 100.0);
        values.push_back(double(rng.bounded(-100000, 100000)) / 1000.0);
        values.push_back((rng.generateDouble() - 0.5) * 1e9);
    }
    for (const QString &pattern : patterns) {
        const NumberPattern once(pattern);
        for (double v : values) {
            std::string utf8;
            once.appendUtf8(v, &utf8);
            const QString expected = once.formatExactly(v);
            ASSERT_EQ(QString::fromStdString(utf8), expected) << pattern.toStdString() << " " << v;
            ASSERT_EQ(once.format(v), expected);
            ASSERT_EQ(formatNumber(pattern, v), expected);
        }
    }
}
