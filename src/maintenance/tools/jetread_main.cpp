// doz-jetread ACCESS-FILE STAGING-FILE
// Reads the six tables of a version 1.0 ledger from a genuine Access file
// and writes them into STAGING-FILE, a new database encrypted with the key
// given as the first line of standard input. The program runs it as a child
// process, because the Access library may crash or loop on a damaged file.
//
// Standard output, a line each: "progress DONE TOTAL" while reading; at the
// end "done"; "wrong " and the reason in Chinese for a file that is no 1.0
// ledger; "error " and the reason for a damaged one (a second part after a
// TAB is the library's own message); "unwritten " and the engine's message
// when the staging file cannot be written. Exit status: 0 staged; 1 the file
// is not what is expected or is damaged; 2 wrong use; 3 out of memory; 4 the
// staging file could not be written.
#include "data/dberror.h"
#include "maintenance/importer.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>

#include <cstdio>
#include <iostream>
#include <new>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// What the Access library writes on standard error goes to a file in memory:
// it complains there (and only there) about pages it cannot read, and then
// goes on as if they were empty.
int captureLibraryMessages()
{
    const int fd = ::memfd_create("libmdb-messages", MFD_CLOEXEC);
    if (fd >= 0)
        ::dup2(fd, STDERR_FILENO);
    return fd;
}

// The library's complaints so far (its warnings about how it reads aside).
QList<QByteArray> complaints(int fd)
{
    QList<QByteArray> out;
    if (fd < 0)
        return out;
    std::fflush(stderr);
    QByteArray text(8192, '\0');
    const ssize_t n = ::pread(fd, text.data(), size_t(text.size()), 0);
    text.resize(n > 0 ? int(n) : 0);
    for (const QByteArray &line : text.split('\n')) {
        const QByteArray l = line.trimmed();
        if (!l.isEmpty() && !l.toLower().startsWith("warning"))
            out.append(l);
    }
    return out;
}

void report(const QString &reason, const QByteArray &detail = QByteArray(), const char *word = "error")
{
    QString line = reason;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    std::printf("%s %s", word, line.toUtf8().constData());
    if (!detail.isEmpty())
        std::printf("\t%s", detail.left(300).constData());
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: doz-jetread ACCESS-FILE STAGING-FILE (key on standard input)\n");
        return 2;
    }
    std::string key;
    std::getline(std::cin, key);
    const QString jetFile = QFile::decodeName(argv[1]);
    const QString staging = QFile::decodeName(argv[2]);
    const int messages = captureLibraryMessages();
    try {
        Importer::stageJet(jetFile, staging, QString::fromStdString(key), [](qint64 done, qint64 total) {
            std::printf("progress %lld %lld\n", static_cast<long long>(done), static_cast<long long>(total));
            std::fflush(stdout);
        });
    } catch (const Importer::StagingNotWritten &e) {
        QFile::remove(staging);
        report(QStringLiteral("无法写入导入用的临时文件。"), e.message().toUtf8(), "unwritten");
        return 4;
    } catch (const Importer::NotVersionOneBooks &e) {
        const QList<QByteArray> said = complaints(messages);
        if (said.isEmpty()) {
            report(e.message(), QByteArray(), "wrong");
            return 1;
        }
        report(QStringLiteral("“%1”已损坏，有数据页无法读取。").arg(QFileInfo(jetFile).fileName()), said.first());
        return 1;
    } catch (const DbError &e) {
        // a table or catalog that cannot be found on pages that cannot be
        // read is a damaged file, not a wrong one
        const QList<QByteArray> said = complaints(messages);
        if (said.isEmpty())
            report(e.message());
        else
            report(QStringLiteral("“%1”已损坏，有数据页无法读取。").arg(QFileInfo(jetFile).fileName()), said.first());
        return 1;
    } catch (const std::bad_alloc &) {
        QFile::remove(staging);
        report(QStringLiteral("内存不足。"));
        return 3;
    }
    // pages the library could not read were taken as empty: the books are
    // incomplete, and nothing of them is used
    const QList<QByteArray> said = complaints(messages);
    if (!said.isEmpty()) {
        QFile::remove(staging);
        report(QStringLiteral("“%1”中有数据页无法读取，文件已损坏。").arg(QFileInfo(jetFile).fileName()), said.first());
        return 1;
    }
    std::puts("done");
    return 0;
}
