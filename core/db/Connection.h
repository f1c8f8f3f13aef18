#pragma once

#include "core/db/Location.h"

#include <QString>
#include <QStringList>
#include <QVariantList>

struct sqlite3;
struct sqlite3_stmt;
struct pg_conn;
struct pg_result;

namespace db {

// Values bound to a statement's ? parameters, in order: a null QVariant is
// NULL, integers and doubles are numbers, a QDate is an ISO date, a
// QByteArray is bytes, anything else is text.
using Values = QVariantList;

// An open database: an SQLite file, or a database on a PostgreSQL server
// (see Location). Opening never creates anything: a missing, unreadable or foreign file
// (not SQLite, or SQLite without a single table) throws DbError, and so does
// a server that is down or refuses the login, with a message naming it.
class Connection {
public:
    enum State { Closed = 0, Open = 1 };
    using Engine = db::Engine;
    // Statements of the program's Access-style SQL are translated for the
    // engine; native ones (the engine layer's own catalogue queries) are not.
    enum class Dialect { Access, Native };

    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    void open(const Location &location);
    // The same for a connection that only the thread opening it ever uses:
    // SQLite then skips its per-call locking of the connection.
    void openForOneThread(const Location &location);
    void close();
    State state() const { return isOpen() ? Open : Closed; }
    bool isOpen() const { return m_db != nullptr || m_pg != nullptr; }
    Engine engine() const { return m_pg ? Engine::Server : Engine::Sqlite; }

    // Runs exactly one statement, with values bound to its parameters (? in
    // the program's SQL and in SQLite's own; $1, $2, ... in the server's
    // own), and returns the number of rows it changed. Text after the first
    // statement is refused, not run. Throws DbError with the engine's
    // message; a failed statement leaves the database as it was.
    int execute(const QString &sql, Dialect dialect = Dialect::Access);
    int execute(const QString &sql, const Values &values, Dialect dialect = Dialect::Access);

    // For the recordset: the one statement, prepared with its values bound
    // (the caller finalizes it), or on a server run and its result returned
    // (the caller frees it with PQclear).
    sqlite3_stmt *prepare(const QString &sql, const Values &values, Dialect dialect);
    pg_result *runOnServer(const QString &sql, const Values &values, Dialect dialect);

    // Runs the statements as one transaction: all of them take effect, or,
    // when one fails, none does and its DbError is thrown.
    void executeTogether(const QStringList &statements);

    // True inside a transaction that BEGIN opened and nothing ended yet.
    bool inTransaction() const;

    // True when the file can be read but not written (a write-protected file
    // or folder): every change would fail.
    bool isReadOnly() const;

    // Number of rows the last statement changed.
    int changes() const { return m_changes; }

    sqlite3 *handle() const { return m_db; }
    // The server connection; before a command, reconnects one that was lost
    // (and throws DbError naming the server when that fails).
    pg_conn *serverHandle();
    const QString &path() const { return m_path; }
    // What the status bar shows: the file, or the database and its server.
    QString description() const;

    // True when a name as a user gives it names a PostgreSQL server.
    static bool isServer(const QString &text) { return Location::isServerText(text); }

    // For the server engine: records what the last command did, and turns a
    // failed command into DbError (used by Recordset too).
    void noteChanges(int rows) { m_changes = rows; }

private:
    void openServer(const QString &connectionString);
    void openWith(const Location &location, int sqliteFlags);

    sqlite3 *m_db = nullptr;
    pg_conn *m_pg = nullptr;
    QString m_path;
    int m_changes = 0;
};

} // namespace db
