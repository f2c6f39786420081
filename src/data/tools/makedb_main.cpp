// doz-makedb [--if-missing] [--empty] FILE
// Creates a fresh ledger database at FILE, keyed with the database password.
// With --if-missing an existing FILE keeps its contents (and is made readable
// by its owner only); otherwise it is an error.
#include "data/dberror.h"
#include "data/filesafety.h"
#include "data/schema.h"
#include "data/tdm.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    const bool ifMissing = args.removeAll(QStringLiteral("--if-missing")) > 0;
    const bool empty = args.removeAll(QStringLiteral("--empty")) > 0;
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: doz-makedb [--if-missing] [--empty] FILE\n");
        return 2;
    }
    const QString path = args.first();
    if (ifMissing && QFileInfo::exists(path)) {
        // a file made before databases were private is made private now
        FileSafety::makePrivate(path);
        return 0;
    }
    try {
        Schema::createDatabase(path, DatabasePassword, QDate::currentDate(), !empty);
    } catch (const DbError &e) {
        std::fprintf(stderr, "doz-makedb: %s\n", e.what());
        return 1;
    }
    return 0;
}
