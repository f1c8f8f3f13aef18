#pragma once

// The PostgreSQL side of the engine layer, over libpq. Used by Connection,
// Recordset, TableList and Catalog; nothing above core/db includes it.

#include <QByteArray>
#include <QString>
#include <QVariantList>
#include <functional>

struct pg_conn;
struct pg_result;

namespace db {

class Connection;

namespace server {

// The one place that decides whether a name a user gives is a server's
// connection string: it starts with "postgresql:" or "postgres:", in any
// letter case ("PostgreSQL://..." too).
bool isConnectionString(const QString &text);

// A connection string, or any text that may hold one (a message from libpq),
// as it may be shown or logged: the user-info part of a URI
// ("user:password@") and every password= setting left out.
QString withoutSecrets(const QString &text);

// The string as libpq itself reads it ("postgres:" taken off key=value
// settings, a URI's scheme in lower case): what pg_dump and psql are given.
QString libpqString(const QString &connectionString);

// Connects; the password comes only from libpq's own sources (~/.pgpass,
// PGPASSWORD): a connection string that carries one is refused. What the
// string says is honoured (sslmode, connect_timeout, keepalives, options);
// the program adds only what it leaves out.
pg_conn *connect(const QString &connectionString);
void disconnect(pg_conn *conn);
// Reconnects a connection that was lost, also one whose server went away
// while it sat idle (the socket is looked at first, so that a command is
// never sent into a dead connection); throws DbError when the server cannot
// be reached.
void ensureConnected(pg_conn *conn);
// "数据库 notes（服务器 db.example:5432，已加密）"
QString label(pg_conn *conn);
// The same, read from a connection string without connecting (for a message
// about a server that could not be reached); the settings libpq would take
// from the environment fill in what the string leaves out.
QString label(const QString &connectionString);

// Runs one statement of SQL text (already translated, parameters as $1,
// $2, ...) with the values bound, and returns its result, which the caller
// frees with PQclear. The extended protocol refuses a second statement in the
// text. Throws DbError with a message in Chinese; a broken
// connection gives Kind::ConnectionLost (after reconnecting at once; a read
// outside a transaction is run again on the new connection instead), a
// unique violation Kind::UniqueViolation.
pg_result *run(Connection &conn, const QString &sql, const QVariantList &values = {});

// True while an explicit transaction is open on the connection.
bool inTransaction(Connection &conn);

// A command that has run longer than a moment. The program shows a wait
// dialog through the handler it installs; without one the command is simply
// waited for.
class Wait {
public:
    virtual ~Wait() = default;
    // True when the server has answered (or has been given up on after a
    // cancel it did not answer); waits up to ms milliseconds for it.
    virtual bool finished(int ms) = 0;
    // Asks the server to stop the command; it then fails as cancelled.
    virtual void cancel() = 0;
};
// Called while a command runs longer than waitDelayMs; returns when
// wait.finished() is true.
using WaitHandler = std::function<void(Wait &wait)>;
void setWaitHandler(WaitHandler handler);
constexpr int WaitDelayMs = 700;

} // namespace server
} // namespace db
