#pragma once

// The PostgreSQL side of the engine layer, over libpq. Used by Connection,
// Recordset, TableList and Catalog; nothing above core/db includes it.

#include <QByteArray>
#include <QString>
#include <QVariantList>

struct pg_conn;
struct pg_result;

namespace db {

class Connection;

namespace server {

// Connects; the password comes only from libpq's own sources (~/.pgpass,
// PGPASSWORD): a connection string that carries one is refused.
pg_conn *connect(const QString &connectionString);
void disconnect(pg_conn *conn);
// Reconnects a connection that was lost; throws DbError when the server
// cannot be reached.
void ensureConnected(pg_conn *conn);
// "数据库 notes（服务器 db.example:5432）"
QString label(pg_conn *conn);
// The same, read from a connection string without connecting (for a message
// about a server that could not be reached); the settings libpq would take
// from the environment fill in what the string leaves out.
QString label(const QString &connectionString);

// Runs one statement of SQL text (already translated, parameters as $1,
// $2, ...) with the values bound, and returns its result, which the caller
// frees with PQclear. The extended protocol refuses a second statement in
// the text. Throws DbError with the server's message; a broken connection
// gives Kind::ConnectionLost, a unique violation Kind::UniqueViolation.
pg_result *run(Connection &conn, const QString &sql, const QVariantList &values = {});

} // namespace server
} // namespace db
