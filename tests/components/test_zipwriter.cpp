// The zip archives of the workbook export, read back by Python's zipfile.
#include "components/zipwriter.h"
#include "support/python.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Per member of the archive at path, as Python's zipfile finds it after
// checking every member's checksum: "name method size sha256"; or the error.
QStringList members(const QString &path)
{
    const char *script = R"PY(
import hashlib, sys, zipfile
with zipfile.ZipFile(sys.argv[1]) as z:
    bad = z.testzip()
    if bad:
        sys.exit('bad checksum: ' + bad)
    for i in z.infolist():
        print(i.filename, i.compress_type, i.file_size, hashlib.sha256(z.read(i)).hexdigest())
)PY";
    QProcess tool;
    tool.start(systemPython(), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0)
        return {QStringLiteral("failed: ") + QString::fromUtf8(tool.readAllStandardError())};
    return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QString summary(const char *name, const QByteArray &data)
{
    return QStringLiteral("%1 8 %2 %3")
        .arg(QLatin1String(name))
        .arg(data.size())
        .arg(QString::fromLatin1(QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()));
}

} // namespace

TEST(ZipWriterTest, MembersOfEverySizeAndPieceReadBackWhole)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.zip"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ASSERT_GE(fd, 0);

    // many times the writer's buffer, so the member's header is in the file
    // long before its sizes are known; written in pieces of every length
    QByteArray rows;
    for (int i = 0; rows.size() < 5000000; ++i)
        rows += QStringLiteral("<row r=\"%1\"><c><v>%2</v></c><c t=\"inlineStr\"><is><t>购物%3</t></is></c></row>")
                    .arg(i + 2)
                    .arg(i * 0.25)
                    .arg(i % 977)
                    .toUtf8();
    // what does not compress: the deflated member is larger than the buffer
    QByteArray noise(1 << 20, Qt::Uninitialized);
    QRandomGenerator random(7);
    random.fillRange(reinterpret_cast<quint32 *>(noise.data()), noise.size() / 4);
    const QByteArray small("<?xml version=\"1.0\"?><a/>");

    try {
        ZipWriter zip(fd);
        zip.add("empty", std::string_view());
        zip.add("[Content_Types].xml", std::string_view(small.constData(), std::size_t(small.size())));
        zip.begin("xl/worksheets/sheet1.xml");
        int at = 0;
        for (int piece = 1; at < rows.size(); piece = piece * 3 % 200003 + 1) {
            const int n = std::min(piece, int(rows.size()) - at);
            zip.write(std::string_view(rows.constData() + at, std::size_t(n)));
            at += n;
        }
        zip.end();
        zip.add("noise", std::string_view(noise.constData(), std::size_t(noise.size())));
        zip.finish();
    } catch (const std::exception &e) {
        FAIL() << e.what();
    }
    ::close(fd);

    const QStringList found = members(path);
    const QStringList expected = {summary("empty", QByteArray()), summary("[Content_Types].xml", small),
                                  summary("xl/worksheets/sheet1.xml", rows), summary("noise", noise)};
    EXPECT_EQ(found, expected);
    EXPECT_LT(QFileInfo(path).size(), rows.size() / 4 + noise.size() + 4096); // deflated
}

TEST(ZipWriterTest, AFileThatCannotBeWrittenThrowsItsReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.zip"));
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CREAT, 0600); // not for writing
    ASSERT_GE(fd, 0);
    const std::string data(1 << 20, 'x');
    try {
        ZipWriter zip(fd);
        zip.add("a", data);
        zip.finish();
        ADD_FAILURE() << "no exception";
    } catch (const ZipWriter::Error &e) {
        EXPECT_STREQ(e.what(), std::strerror(EBADF));
    }
    ::close(fd);
}
