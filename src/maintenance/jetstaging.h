#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Reading a genuine Access file in a child process (doz-jetread), so that
// whatever a damaged file does to the Access library (a crash, a loop,
// memory without end) costs the household nothing but a notice: the child
// runs under a time limit and an address-space limit, and a progress window
// that moves with the rows read offers "取消".
namespace JetStaging {

struct Limits
{
    int seconds = 300;                     // wall-clock time for the whole reading
    qint64 addressSpace = qint64(1) << 30; // bytes of address space of the child
};

enum class Outcome {
    Staged,   // the staging file is complete
    Refused,  // the child read the file and found it no 1.0 ledger (a table missing)
    Damaged,  // the child found pages it could not read, or a file cut short
    Crashed,  // the child ended by a signal or without a verdict
    TimedOut, // killed at the time limit
    OutOfMemory,
    NotWritten, // the staging file could not be written (a full disk): the file may be sound
    Cancelled,  // the user pressed "取消"
    NotStarted  // the reader program is missing
};

struct Result
{
    Outcome outcome = Outcome::NotStarted;
    // What went wrong, in Chinese, for the notice (empty when staged).
    QString reason;
};

// The reader program: beside the running program (a build folder), else in
// "../libexec/doz/" beside the program's folder (an installation), else in
// the package's folder for it; the last also when it is in none of them.
QString readerProgram();

// Runs the reader on jetFile, writing staging (encrypted with key), with
// the progress window owned by owner. Returns only when the child has
// ended; staging exists afterwards exactly when the outcome is Staged.
// program and arguments replace the reader and its arguments (for tests);
// by default they are readerProgram() and {jetFile, staging}. Never throws.
Result run(QWidget *owner, const QString &jetFile, const QString &staging, const QString &key,
           const Limits &limits = Limits(), const QString &program = QString(),
           const QStringList &arguments = QStringList());

} // namespace JetStaging
