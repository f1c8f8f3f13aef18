#pragma once

#include <QString>

namespace db {

enum class Engine { Sqlite, Server };

// Where a database is: an SQLite file, named by its path exactly as given
// (any character, ';' and '=' included), or a database on a PostgreSQL
// server, named by its libpq connection string. It is never turned into a
// text that would have to be taken apart again.
class Location {
public:
    Location() = default;
    static Location file(const QString &path) { return Location(Engine::Sqlite, path); }
    static Location server(const QString &connectionString)
    {
        return Location(Engine::Server, connectionString.trimmed());
    }
    // A name as a user gives it (command line, environment, a tool's argument):
    // a server connection string (see server::isConnectionString) names a
    // server, anything else is a file path.
    static Location fromText(const QString &text) { return isServerText(text) ? server(text) : file(text); }
    static bool isServerText(const QString &text);

    Engine engine() const { return m_engine; }
    bool onServer() const { return m_engine == Engine::Server; }
    bool isEmpty() const { return m_name.isEmpty(); }
    // The file's path; empty for a server.
    QString path() const { return onServer() ? QString() : m_name; }
    // The server's connection string (it may hold a password: never show it);
    // empty for a file.
    QString serverString() const { return onServer() ? m_name : QString(); }

    bool operator==(const Location &) const = default;

private:
    Location(Engine engine, const QString &name) : m_engine(engine), m_name(name) {}

    Engine m_engine = Engine::Sqlite;
    QString m_name;
};

} // namespace db
