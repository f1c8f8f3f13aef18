#pragma once

#include <QString>

namespace db {
class Connection;
class DbError;
} // namespace db

// What the user is told when the notebook file cannot be used, in words a
// user can act on, with the engine's own text kept after them for whoever
// has to look deeper.
namespace DatabaseProblems {

// Throws db::DbError (Foreign) unless the open connection holds the tables
// Users and Website with every column the program reads and writes. Table
// names alone do not tell our file from another program's.
void requireNotebook(db::Connection &conn);

// The message shown when the database at path cannot be opened at start-up:
// "数据库连接失败", the file's full path, the reason, then the engine's text.
QString startupFailure(const QString &path, const db::DbError &error);

// The same for a database on a server: "数据库连接失败", the database and its
// server (label), the reason, then the engine's text.
QString serverStartupFailure(const QString &label, const db::DbError &error);

// The message for an error met during work: the reason in Chinese when it is
// a common one (locked, read-only, disk full, damaged), the engine's text in
// brackets after it; other errors as the engine gave them.
QString duringWork(const db::DbError &error);

// The status-bar note for a notebook that can be read but not written.
QString readOnlyNote(const QString &path);

} // namespace DatabaseProblems
