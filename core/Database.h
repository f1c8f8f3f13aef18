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

// The program's one connection string: data/mybook.mdb under the current folder.
extern const QString connectionString;

void openConnection();
void closeConnection();
void acquireConnection();
void releaseConnection();
void resetConnection();

// Runs a statement on the shared connection; throws db::DbError.
void execute(const QString &sql);
// Runs a query on the shared connection; the recordset stands on its first row.
std::unique_ptr<db::Recordset> query(const QString &sql);

// Sets the status text of the registered panel; with none registered, nothing.
void showStatus(const QString &text);
void registerStatusPanel(QLabel *panel);
QString statusText();

// For tests and diagnostics.
bool connOpen();
int connUses();
db::Connection *sharedConnection();

} // namespace Database
