#pragma once

#include <QString>

// The server side of tavorin-db's commands: the same messages and exit
// statuses as for a file where the command works on a server.
int checkServerNotebook(const QString &connectionString);
int resetPasswordOnServer(const QString &connectionString, const QString &user, const QString &hashed);
// Print the exact pg_dump / pg_restore command on standard output and say
// on standard error that tavorin-db itself copied nothing (exit 1).
int backupServerNotebook(const QString &connectionString, const QString &destination);
int restoreServerNotebook(const QString &backup, const QString &connectionString);
