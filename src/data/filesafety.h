#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// File operations that never leave a half-written file where a whole one
// was: write elsewhere, flush to disk, then rename over the target in one
// step (POSIX rename() replaces atomically). Database files and their copies
// are readable by their owner only.
namespace FileSafety {

// Creates path empty (or truncates it) with owner-only permissions (0600).
// Returns false when it cannot be created.
bool createPrivateFile(const QString &path);

// Restricts an existing file to its owner (0600). Returns false on failure.
bool makePrivate(const QString &path);

// Flushes the contents of path to the disk (fsync). Returns false when the
// file cannot be opened or flushed.
bool syncFile(const QString &path);

// Renames from over to in one step, replacing to when it exists, and
// flushes the folder so that the new name lasts. Returns false when the
// rename fails; to is then as it was.
bool replaceFile(const QString &from, const QString &to);

// A name for a temporary file in the folder of target that does not exist
// yet: "<target>.doz-tmp-<pid>-<n>", so that a copy left by a process that
// was killed is known as the program's own (removeLeftovers()).
QString temporarySibling(const QString &target);

// Writes a new file at target in one step: write(fd) fills an unnamed file
// in target's folder (O_TMPFILE; where the file system has none, a file
// named by temporarySibling()), owner-only; it is flushed and then takes
// target's name, replacing a file there. A process killed meanwhile leaves
// nothing behind (the named fallback excepted, which removeLeftovers() knows).
// Returns false when write() returns false or anything fails; *why (when
// given; cleared first) then says what, target is as it was and no
// temporary file remains. A write() that fails may say why itself through
// the same text (copyInto(from, fd, why)); that is then kept.
bool writeAtomically(const QString &target, const std::function<bool(int fd)> &write, QString *why = nullptr);

// Copies the whole of the file from into the open file fd. False on failure.
bool copyInto(const QString &from, int fd, QString *why = nullptr);

// While it lives, a running program is present in a folder (a shared lock
// on the folder itself, which no other file sees). A program that finds
// itself alone when it arrives may clear what killed programs left there.
class FolderPresence
{
public:
    explicit FolderPresence(const QString &folder);
    ~FolderPresence();
    FolderPresence(const FolderPresence &) = delete;
    FolderPresence &operator=(const FolderPresence &) = delete;
    // Whether no other program was present when this one arrived (false
    // also where the folder cannot be locked).
    bool arrivedAlone() const { return m_alone; }

private:
    int m_fd = -1;
    bool m_alone = false;
};

// The program's own temporary files in folder: copies named by
// temporarySibling() (and the older "<name>.qhd.tmp-<n>" ones), the
// temporary file of an import ("DATA1_temp.mdb", "DATA1_temp.db") and of a
// change of password ("<name>.qhd.rekey"), and the engine's journals of these;
// also a ledger's journal that the engine would not play back (empty, or
// with no header yet), which a program killed as it began to write leaves.
// Never a file of the user's, and never a journal that holds a change.
QStringList leftovers(const QString &folder);
// Removes from folder the temporary copies named by temporarySibling() of
// processes that are gone (checked by their number). Safe while other
// programs are present. Returns the names removed.
QStringList removeStaleTemporaries(const QString &folder);
// Removes leftovers(folder); call only when no other program is present
// (FolderPresence::arrivedAlone()). Returns the names removed.
QStringList removeLeftovers(const QString &folder);

} // namespace FileSafety
