#pragma once

#include <QString>
#include <QStringList>
#include <QList>
#include <functional>

struct sqlite3;

// Whole-file operations on SQLite databases that are safe while other
// connections (of this program or another) have the file open: copies go
// through SQLite's online backup, never through a byte copy of a live file.
// Every file made here is private to its owner (see PrivateFiles).
namespace db {

// A database file opened for reading. A journal that a program killed in
// the middle of a write left behind ("hot") is rolled back first, as SQLite
// does on any writable open, so that reading never reports damage that is
// not there. Throws DbError naming the file and the reason.
class ReadOnlyFile {
public:
    explicit ReadOnlyFile(const QString &path, int busyWaitMs = 2000);
    ~ReadOnlyFile();
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;

    // The first column of the first row as a number; throws DbError.
    qint64 number(const QString &sql) const;
    // The first column of every row as text; throws DbError.
    QStringList texts(const QString &sql) const;
    // Every row, its columns as text (NULL as an empty string); throws DbError.
    QList<QStringList> rows(const QString &sql) const;
    sqlite3 *handle() const { return m_db; }

private:
    QString m_path;
    sqlite3 *m_db = nullptr;
};

// Copies the database sourcePath into a new file in destFolder, named
// destName(1), or destName(2), ... when that name is taken meanwhile (by
// another program's copy in the same second, say) or destName gives an
// empty name for it. Another program's write
// lock is waited for up to busyWaitMs, then reported; the copy is taken under
// one read lock, so it is never torn. The copy is written under a partial name
// of this process's own, checked with PRAGMA quick_check, set to the rollback
// journal, and only then given its name. Returns the path; throws DbError
// naming the file and the reason, leaving nothing behind. Never replaces a file.
QString backupDatabase(const QString &sourcePath, const QString &destFolder,
                       const std::function<QString(int)> &destName, int busyWaitMs = 5000);

// Makes a new database file at path from an SQL script run in one
// transaction: written under a partial name (0600) beside it and moved into
// place whole, never over an existing file. Throws DbError naming the file and
// the reason; nothing is left behind on failure.
void createDatabase(const QString &path, const QString &script);

// Removes from folder what a killed copy or restore left: partial copies of
// processes that are gone, with their journals. Returns the removed paths.
QStringList removeLeftovers(const QString &folder);

// Runs PRAGMA quick_check (or integrity_check when full) on a database file,
// opened for reading. Returns an empty string when the file is sound, otherwise
// the reason (the first problems the check reports, or why it cannot run).
QString checkDatabase(const QString &path, bool full);

// Replaces targetPath with a copy of the database sourcePath: the copy is
// written beside the target through the backup API (SQLite syncs it to disk
// when it commits), checked with quick_check, given the target's file mode,
// then renamed over the target in one step. Refused while a program holds a
// lock on the target or a hot journal waits to be rolled back into it; a
// journal that is not hot is no obstacle. Any failure leaves the target as it
// was and throws DbError. The caller closes every connection to targetPath first.
void replaceDatabase(const QString &sourcePath, const QString &targetPath, int busyWaitMs = 5000);

} // namespace db
