#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// Where the household's ledger lives. A program started from a folder it
// may write to (its build folder, a copy kept in a folder of its own) keeps
// the ledger beside itself, as it always has; an installed program keeps it
// in the user's data folder, so that each user of the computer has books of
// his own. Everything that follows the ledger (backups, restores, the
// import's temporary copies, the clearing of what killed programs left, the
// lock) asks here.
namespace LedgerFolder {

// The ledger's file name.
inline const QString LedgerName = QStringLiteral("Data.qhd");
// The program's folder in the user's data folder.
inline const QString DataFolderName = QStringLiteral("doz");
// The folder of the automatic backups, beside the ledger.
inline const QString BackupsName = QStringLiteral("backups");
// The desktop entry an installation puts into share/applications; its
// presence beside the program's folder marks an installed program.
inline const QString DesktopEntryName = QStringLiteral("cn.qinghe.doz.desktop");

// Whether the program in programDirectory is an installed one: the desktop
// entry of the package is in "../share/applications" beside its folder.
bool isInstalled(const QString &programDirectory);

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share (the rule of the XDG base directories). No "/" at the end.
QString userDataHome();

// The ledger's folder, ending in "/": the program's folder when the program
// may write there (platform().canWriteIn()) and is not an installed one;
// else DataFolderName in userDataHome(). Never fails; the folder need not
// exist yet (prepare() makes it).
QString path();
// Whether path() is the folder in the user's data folder.
bool isUserData();
// The ledger's file: path() + LedgerName.
QString ledgerFile();
// The folder of the automatic backups of the ledger file ledger, ending in
// "/" ("backups/" beside the ledger).
QString backupsFolder(const QString &ledger);

// path for showing to the household: the home folder written "~".
QString shown(const QString &path);

// Makes the ledger's folder in the user's data folder ready: the folder
// itself (owner-only, 0700, its parents as the system makes them) and, when
// it holds no ledger, a new one made as the delivered ledger is made (the
// presets, the start date the first day of today's year; owner-only, 0600),
// under a temporary name that takes the ledger's name only when complete
// and never over a ledger. An existing ledger there is made owner-only.
// Nothing is done for a ledger beside the program: a missing one there is
// reported when it is opened, as always. Returns false (and *why, when
// given, says why in Chinese) when the folder or the ledger cannot be made.
bool prepare(const QDate &today, QString *why = nullptr);

// Copies of the ledger ledger that a sync program left beside it when two
// computers changed it at once: names that begin with the ledger's name
// without ".qhd" and a separator and speak of a conflict ("Data (conflicted
// copy 2026-01-05).qhd", "Data.sync-conflict-20260105-101500-ABC.qhd",
// "Data.qhd.sync-conflict-…", "Data (冲突副本).qhd"), or numbered copies
// ("Data (1).qhd"). File names only, sorted; never the ledger itself nor
// the program's own files beside it.
QStringList conflictedCopies(const QString &ledger);

} // namespace LedgerFolder
