#pragma once

#include "core/Failure.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

// The program's backups: checked copies of the database in the folder
// "backups" beside it (0700; every copy 0600), named after the database, the
// time they were made in UTC, which never goes back with a time zone or
// daylight saving time, and why they were made:
// "mybook-2026-12-06T13-30-05Z 删除网站“上海恒通物流”之前.mdb" (a second copy
// within the same second gets "-2", "-3", ... after the time). Copies named
// by an older version in local time ("mybook-2026-12-06T21-30-05.mdb") are
// listed too. After every new backup the folder is pruned: the newest
// KeepLatest stay, and the newest of each of the last KeepDays days; the copy
// just made always stays.
namespace Backups {

constexpr int KeepLatest = 20;
constexpr int KeepDays = 30;

struct Entry {
    QString path;
    QDateTime time; // in UTC; show it with toLocalTime()
    int sequence = 1; // 1 for the first copy of a second, then 2, 3, ...
    qint64 size = 0;
    QString reason; // why the copy was made; empty when its name does not say
};

// Why a copy is made, as the restore list shows it.
QString beforeStep(const QString &step, const QString &what = {}); // 删除网站“x”之前
extern const QString ByHand;        // 手动备份
extern const QString AtExit;        // 退出时
extern const QString BeforeUpgrade; // 升级之前
extern const QString BeforeRestore; // 恢复之前

// The backups folder of a database file.
QString folder(const QString &databasePath);

// Makes a checked backup of the database into destFolder (default: the
// backups folder beside it), recording the reason in its name, and prunes
// that folder; what a killed backup left there is cleaned first. Returns the
// new copy's path; on failure returns an empty string and sets error (naming
// the file and the reason). How long another program's write lock is waited
// for: busyWaitMs.
QString make(const QString &databasePath, const QString &reason, QString *error, const QString &destFolder = {},
             int busyWaitMs = 5000);

// The backups of a database in a folder (default: its backups folder),
// newest first. Only files named the way make() names them are listed.
QList<Entry> list(const QString &databasePath, const QString &inFolder = {});

// Removes the backups that the retention rule no longer keeps, as of now,
// never the copy named by keep. Returns the removed paths.
QStringList prune(const QString &databasePath, const QDateTime &now, const QString &inFolder = {},
                  const QString &keep = {});

// Why a file cannot be restored (empty when it can): PRAGMA integrity_check,
// the tables Users and Website with the columns the program reads, and a
// schema version the program knows.
QString checkRestorable(const QString &backupPath);

// The number of websites in a database file, or -1 when it cannot be read.
int websiteCount(const QString &path);

// Puts a backup in place of the database: the backup is checked first, the
// current database is backed up (its copy's path in savedCurrent), then the
// backup's copy replaces it in one rename. Every connection to the database
// must be closed by the caller. Gives the current database's copy (empty
// when there was none). On failure throws Failure with the reason; the
// database is then as it was.
QString restore(const QString &backupPath, const QString &databasePath);

// Whether the database has been written since the last backup this program
// made of it, or since markClean() was called for it (false when neither
// happened: the program has not opened it). SQLite counts every
// committed write in the file's header; the count is compared.
void markClean(const QString &databasePath);
// markClean() unless a mark exists already (the program's first open).
void markCleanIfUnmarked(const QString &databasePath);
bool writtenSinceMark(const QString &databasePath);

} // namespace Backups
