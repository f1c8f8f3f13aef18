#pragma once

#include <QString>
#include <QStringList>

struct sqlite3;

namespace db {

// An open database file. Opening never creates a file: a missing, unreadable
// or foreign file (not SQLite, or SQLite without a single table) throws DbError.
class Connection {
public:
    enum State { Closed = 0, Open = 1 };

    Connection() = default;
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // connectionString holds "Data Source=<path>;" among other ";"-separated
    // settings; the path is taken relative to the current folder.
    void open(const QString &connectionString);
    void close();
    State state() const { return m_db ? Open : Closed; }
    bool isOpen() const { return m_db != nullptr; }

    // Runs one statement written in the program's Access-style SQL (see
    // SqlTranslate.h). Throws DbError with the engine's message; a failed
    // statement leaves the database as it was.
    void execute(const QString &sql);

    // Runs the statements as one transaction: all of them take effect, or,
    // when one fails, none does and its DbError is thrown.
    void executeTogether(const QStringList &statements);

    // True when the file can be read but not written (a write-protected file
    // or folder): every change would fail.
    bool isReadOnly() const;

    // Number of rows the last statement changed.
    int changes() const;

    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }

    // The file named by a connection string's "Data Source=".
    static QString dataSource(const QString &connectionString);

private:
    sqlite3 *m_db = nullptr;
    QString m_path;
};

} // namespace db
