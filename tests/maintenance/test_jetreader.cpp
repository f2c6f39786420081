// The reader of genuine Access files, against mdbtools' own mdb-export.
#include "maintenance/jetreader.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

namespace {

// The Access files of the shared test data, beside the project.
QString fixture(const char *name)
{
    return QStringLiteral(DOZ_FIXTURES "/jet/") + QLatin1String(name);
}

// What mdb-export prints for table: its lines, the title line first.
QStringList exported(const QString &file, const QString &table)
{
    QProcess tool;
    tool.start(QStringLiteral("mdb-export"), {QStringLiteral("-T"), QStringLiteral("%Y-%m-%d %H:%M:%S"), file, table});
    tool.waitForFinished(60000);
    return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The row count mdb-count gives.
int counted(const QString &file, const QString &table)
{
    QProcess tool;
    tool.start(QStringLiteral("mdb-count"), {file, table});
    tool.waitForFinished(60000);
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed().toInt();
}

QString text(const QVariant &v)
{
    return v.isValid() ? v.toString() : QStringLiteral("(null)");
}

} // namespace

TEST(JetReader, TellsJetFilesByTheirHeader)
{
    if (!QFileInfo::exists(fixture("nwind.mdb")))
        GTEST_SKIP() << "the shared Access test files are not beside the project";
    EXPECT_EQ(JetReader::version(fixture("nwind.mdb")), JetReader::Version::Jet3);
    EXPECT_EQ(JetReader::version(fixture("DateTestDatabase.mdb")), JetReader::Version::Jet4);
    EXPECT_EQ(JetReader::version(fixture("README.md")), JetReader::Version::NotJet);
    EXPECT_EQ(JetReader::version(fixture("missing.mdb")), JetReader::Version::NotJet);
}

TEST(JetReader, ReadsTheTablesTypesAndValuesOfAJet3File)
{
    if (!QFileInfo::exists(fixture("nwind.mdb")))
        GTEST_SKIP() << "the shared Access test files are not beside the project";
    const QStringList tables = JetReader::tables(fixture("nwind.mdb"));
    EXPECT_EQ(tables.size(), 9);
    EXPECT_TRUE(tables.contains(QStringLiteral("Umsätze"))); // an umlaut in a name
    const JetReader::Table orders = JetReader::read(fixture("nwind.mdb"), QStringLiteral("Orders"));
    ASSERT_EQ(orders.columns.size(), 14);
    QStringList kinds;
    for (const JetReader::Column &c : orders.columns)
        kinds.append(c.name + QLatin1Char(':') + c.kind);
    EXPECT_EQ(kinds.mid(0, 8),
              (QStringList{QStringLiteral("OrderID:integer"), QStringLiteral("CustomerID:text"),
                           QStringLiteral("EmployeeID:integer"), QStringLiteral("OrderDate:datetime"),
                           QStringLiteral("RequiredDate:datetime"), QStringLiteral("ShippedDate:datetime"),
                           QStringLiteral("ShipVia:integer"), QStringLiteral("Freight:number")}));
    if (QStandardPaths::findExecutable(QStringLiteral("mdb-export")).isEmpty())
        GTEST_SKIP() << "mdb-export (Debian's mdbtools) is not installed";
    const QStringList lines = exported(fixture("nwind.mdb"), QStringLiteral("Orders"));
    ASSERT_EQ(counted(fixture("nwind.mdb"), QStringLiteral("Orders")), orders.rows.size()); // every row
    // the first row as mdb-export prints it: ids, dates, the cents of the freight
    const QList<QVariant> &first = orders.rows.first();
    EXPECT_EQ(first.at(0).typeId(), QMetaType::LongLong);
    EXPECT_TRUE(
        lines.at(1).startsWith(QStringLiteral("%1,\"%2\",%3,\"%4 00:00:00\"")
                                   .arg(text(first.at(0)), text(first.at(1)), text(first.at(2)), text(first.at(3)))))
        << lines.at(1).toStdString();
    EXPECT_EQ(first.at(7).typeId(), QMetaType::Double);
    EXPECT_TRUE(lines.at(1).contains(QStringLiteral(",%1,").arg(first.at(7).toDouble(), 0, 'f', 4)))
        << lines.at(1).toStdString();
    EXPECT_DOUBLE_EQ(first.at(7).toDouble() * 100, std::round(first.at(7).toDouble() * 100)); // to the cent
    // a Null region, and a city with an accent
    bool nullRegion = false;
    bool accent = false;
    for (const QList<QVariant> &row : orders.rows) {
        nullRegion = nullRegion || !row.at(11).isValid();
        accent = accent || row.at(9).toString().contains(QStringLiteral("Bolívar"));
    }
    EXPECT_TRUE(nullRegion);
    EXPECT_TRUE(accent);

    const JetReader::Table sales = JetReader::read(fixture("nwind.mdb"), QStringLiteral("Umsätze"));
    EXPECT_EQ(sales.rows.size(), counted(fixture("nwind.mdb"), QStringLiteral("Umsätze")));
}

TEST(JetReader, DatesBefore1900AndInTheYear9999)
{
    if (!QFileInfo::exists(fixture("DateTestDatabase.mdb")))
        GTEST_SKIP() << "the shared Access test files are not beside the project";
    const JetReader::Table t = JetReader::read(fixture("DateTestDatabase.mdb"), QStringLiteral("DateTest"));
    ASSERT_GE(t.rows.size(), 4);
    QStringList texts;
    for (const QList<QVariant> &row : t.rows)
        texts.append(text(row.at(0)) + QLatin1Char('|') + text(row.at(1)) + QLatin1Char('|') + text(row.at(5)));
    // row 1 as mdb-export prints it; rows 2 and 3 where its own date text fails
    EXPECT_EQ(texts.at(0), QStringLiteral("1|2021-12-02|Hello"));
    EXPECT_TRUE(texts.at(1).startsWith(QStringLiteral("2|9999-"))) << texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(texts.at(2).startsWith(QStringLiteral("3|18"))) << texts.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(t.rows.at(1).at(5).toString(), QStringLiteral("Year 1999"));
}
