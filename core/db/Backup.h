#pragma once

#include <QString>

// Whole-file operations on SQLite databases that are safe while other
// connections (of this program or another) have the file open: copies go
// through SQLite's online backup, never through a byte copy of a live file.
namespace db {

// Copies the database sourcePath into the new file destPath. Another
// program's write lock is waited for up to busyWaitMs, then reported; the
// copy is taken under one read lock, so it is never torn. The copy is written
// beside destPath under a temporary name, checked with PRAGMA quick_check and
// only then given its name. Throws DbError naming the file and the reason;
// nothing is left behind on failure. An existing destPath is never replaced.
void backupDatabase(const QString &sourcePath, const QString &destPath, int busyWaitMs = 5000);

// Runs PRAGMA quick_check (or integrity_check when full) on a database file,
// opened read-only. Returns an empty string when the file is sound, otherwise
// the reason (the first problems the check reports, or why it cannot run).
QString checkDatabase(const QString &path, bool full);

// Replaces targetPath with a copy of the database sourcePath: the copy is
// written beside the target through the backup API (SQLite syncs it to disk
// when it commits), checked with quick_check, then renamed over the target in
// one step. Any failure leaves the target as it was and throws DbError.
// The caller closes every connection to targetPath first.
void replaceDatabase(const QString &sourcePath, const QString &targetPath, int busyWaitMs = 5000);

} // namespace db
