#pragma once

#include <QString>

// The program's own backups of its database (see core/Backups.h): one before
// every step that destroys data, one at the end when something was written.
namespace BackupGuard {

// The database file the program works on.
QString databasePath();

// Backs up the database before a step that destroys data (step: what the
// user asked for, e.g. "删除网站"; what: the thing it is done to, e.g. the
// website's name, kept with the copy). When the backup fails the user is
// told why and false is returned: the caller must not carry out the step.
bool beforeDestructiveStep(const QString &step, const QString &what = {});
// The same in two halves, for a step that runs in a thread of its own: the
// backup, which shows nothing (empty when made, or on a server; else why
// not), and telling the user that it failed.
QString backupBeforeStep(const QString &step, const QString &what = {});
void reportFailedBackup(const QString &step, const QString &error);
// What the user is told about that backup when asked to confirm the step.
QString beforeDestructiveStepNote();

// At the end of the program: backs up when anything was written since the
// last backup (or since the database was first opened). A failure is
// reported; the program ends all the same.
void atExit();

} // namespace BackupGuard
