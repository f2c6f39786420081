// doz_writer OPERATION FOLDER ARGUMENT
// Does one of the program's writes of whole files again and again until it is
// killed, so that a test can kill it at any moment and look at what is left:
//   backup  FOLDER TARGET  backs FOLDER/Data.qhd up to TARGET
//   restore FOLDER SOURCE  restores SOURCE over FOLDER/Data.qhd
//   import  FOLDER FILE    replaces the six tables with those of FILE (a
//                          staging file in the ledger's format)
//   stage   FOLDER MDB     reads the Access file MDB into FOLDER/DATA1_temp.mdb
//   rekey   FOLDER OTHER   changes the ledger's password to OTHER and back
// Prints "ready" once the first round is done.
#include "data/connection.h"
#include "data/dberror.h"
#include "data/tdm.h"
#include "maintenance/databasefiles.h"
#include "maintenance/importer.h"

#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4)
        return 2;
    const QString operation = args[1];
    const QString folder = args[2] + QLatin1Char('/');
    const QString argument = args[3];
    Connection ledger;
    ledger.setConnectionString(ledgerConnectionString(folder));
    bool told = false;
    for (int round = 0;; ++round) {
        try {
            QString why;
            if (operation == QLatin1String("backup")) {
                DatabaseFiles::backup(&ledger, argument, &why);
            } else if (operation == QLatin1String("restore")) {
                ledger.close();
                const QString prepared = DatabaseFiles::prepareRestore(folder + QStringLiteral("Data.qhd"), argument,
                                                                       DatabasePassword, &why);
                if (!prepared.isEmpty())
                    DatabaseFiles::commitRestore(
                        prepared, folder + QStringLiteral("Data.qhd"),
                        folder + DatabaseFiles::safetyCopyName(QDateTime::currentDateTime().addSecs(round)), &why);
            } else if (operation == QLatin1String("import")) {
                ledger.executeInTransaction(Importer::statements(argument));
            } else if (operation == QLatin1String("rekey")) {
                const QString now = ledger.password();
                const QString next = now == argument ? QString(DatabasePassword) : argument;
                ledger.execute(QStringLiteral("ALTER Database Password %1 %2").arg(next, now));
            } else if (operation == QLatin1String("stage")) {
                Importer::stageJet(argument, folder + Importer::TemporaryName, DatabasePassword);
            } else {
                return 2;
            }
        } catch (const DbError &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        if (!told) {
            std::puts("ready");
            std::fflush(stdout);
            told = true;
        }
    }
}
