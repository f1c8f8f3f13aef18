#pragma once

#include "core/db/Location.h"

#include <QString>
#include <QStringList>

struct sqlite3;
struct pg_conn;

namespace db {

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
    void close();
    State state() const { return isOpen() ? Open : Closed; }
    bool isOpen() const { return m_db != nullptr || m_pg != nullptr; }
    Engine engine() const { return m_pg ? Engine::Server : Engine::Sqlite; }

    // Runs one statement (on a server also several, separated by ";", which
    // then commit or fail together). Throws DbError with the engine's message;
    // a failed statement leaves the database as it was.
    void execute(const QString &sql, Dialect dialect = Dialect::Access);

    // Runs the statements as one transaction: all of them take effect, or,
    // when one fails, none does and its DbError is thrown.
    void executeTogether(const QStringList &statements);

    // True when the file can be read but not written (a write-protected file
    // or folder): every change would fail.
    bool isReadOnly() const;

    // Number of rows the last statement changed.
    int changes() const;

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

    sqlite3 *m_db = nullptr;
    pg_conn *m_pg = nullptr;
    QString m_path;
    int m_changes = 0;
};

} // namespace db
