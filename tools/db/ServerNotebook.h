#pragma once

#include <QString>

// The server side of tavorin-db's commands: the same messages and exit
// statuses as for a file where the command works on a server.
int checkServerNotebook(const QString &connectionString);
// A team notebook made before user names were kept unique gets the rule
// (refused, with the names listed, while two accounts share a name).
int upgradeServerNotebook(const QString &connectionString);
int resetPasswordOnServer(const QString &connectionString, const QString &user, const QString &hashed);
// Print the exact pg_dump / pg_restore command on standard output and say
// on standard error that tavorin-db itself copied nothing (exit 1).
int backupServerNotebook(const QString &connectionString, const QString &destination);
int restoreServerNotebook(const QString &backup, const QString &connectionString);
