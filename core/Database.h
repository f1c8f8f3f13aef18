#pragma once

#include "core/db/Connection.h"
#include "core/db/Recordset.h"

#include <QString>
#include <memory>

class QLabel;

// The one shared connection of the stores, the two ways of running SQL on it
// and the status-bar text. The connection opens on first use and is recycled
// after the statement that finds 1000 or more counted uses.
namespace Database {

// The program's one notebook: the file data/mybook.mdb under the current
// folder until start-up names the notebook it found (useDatabase), which may
// be a database on a PostgreSQL server (see db::Location).
extern const db::Location &notebook;
void useDatabase(const db::Location &notebook);

void openConnection();
void closeConnection();
void acquireConnection();
void releaseConnection();
void resetConnection();

// Runs one statement on the shared connection, values bound to its ?
// parameters; throws db::DbError. Returns the rows it changed: 0 tells a
// change to a row that another worker (or window) deleted meanwhile.
int execute(const QString &sql, const db::Values &values = {});
// The rows the last execute changed.
int rowsAffected();
// Runs a query on the shared connection; the recordset stands on its first row.
std::unique_ptr<db::Recordset> query(const QString &sql, const db::Values &values = {});
// Runs the statements on the shared connection as one transaction: all or none.
void executeTogether(const QStringList &statements);
// True when the open shared connection can read the database but not write it.
bool readOnly();

// Sets the status text of the registered panel; with none registered, nothing.
void showStatus(const QString &text);
void registerStatusPanel(QLabel *panel);
QString statusText();

// True when the notebook lives on a PostgreSQL server (a team notebook).
bool onServer();
// For the backup and restore commands: on a server, backups are the server's
// business (pg_dump), and this is the message that says so, naming the
// server; for a notebook file it is empty and the commands copy the file.
QString serverBackupNotice();

// What the shared connection is connected to, for the status bar: the file,
// or the database and its server; empty before the first connection.
QString databaseDescription();

// For tests and diagnostics.
bool connOpen();
int connUses();
db::Connection *sharedConnection();

} // namespace Database
