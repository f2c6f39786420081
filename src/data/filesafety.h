#pragma once

#include <QString>

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

// A name for a temporary file in the folder of target ("<target>.tmp-<n>")
// that does not exist yet.
QString temporarySibling(const QString &target);

} // namespace FileSafety
