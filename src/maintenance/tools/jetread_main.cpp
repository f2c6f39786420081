// doz-jetread ACCESS-FILE STAGING-FILE
// Reads the six tables of a version 1.0 ledger from a genuine Access file
// and writes them into STAGING-FILE, a new database encrypted with the key
// given as the first line of standard input. The program runs it as a child
// process, because the Access library may crash or loop on a damaged file.
//
// Standard output: "progress DONE TOTAL" lines while reading, "done" at the
// end. Exit status: 0 staged; 1 the file is not what is expected (the reason
// in Chinese on standard error); 2 wrong use; 3 out of memory.
#include "data/dberror.h"
#include "maintenance/importer.h"

#include <QFile>
#include <QString>

#include <cstdio>
#include <iostream>
#include <new>
#include <string>

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
    try {
        Importer::stageJet(jetFile, staging, QString::fromStdString(key), [](qint64 done, qint64 total) {
            std::printf("progress %lld %lld\n", static_cast<long long>(done), static_cast<long long>(total));
            std::fflush(stdout);
        });
    } catch (const DbError &e) {
        std::fputs(e.what(), stderr);
        return 1;
    } catch (const std::bad_alloc &) {
        QFile::remove(staging);
        std::fputs("内存不足。", stderr);
        return 3;
    }
    std::puts("done");
    return 0;
}
