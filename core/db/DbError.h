#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// The one exception type of the engine layer. It carries the engine's own
// message so that the boundary around event dispatch can show it as it is,
// and what kind of trouble it was, so that the program can tell the user
// what to do about it and callers can answer the few that need it.
class DbError : public std::runtime_error {
public:
    enum Kind {
        Other,           // a fault in the statement or in the program's use of the engine
        Missing,         // the database file does not exist
        Foreign,         // the file is not a database of this program
        Damaged,         // the file is damaged or cut short
        Locked,          // another program holds a lock on the file
        ReadOnly,        // the file or its folder cannot be written
        DiskFull,        // no room left to write
        BadText,         // the text cannot be stored (NUL character, invalid Unicode)
        UniqueViolation, // a unique constraint refused the row (another worker got there first)
        ConnectionLost,  // the server connection broke during the command: its outcome is unknown
        Unreachable,     // the server is down or refused the login
    };

    explicit DbError(const QString &message, Kind kind = Other)
        : std::runtime_error(message.toStdString()), m_message(message), m_kind(kind) {}
    const QString &message() const noexcept { return m_message; }
    Kind kind() const noexcept { return m_kind; }

private:
    QString m_message;
    Kind m_kind;
};

// What kind of trouble an SQLite result code stands for.
DbError::Kind kindOfSqliteCode(int resultCode);

} // namespace db
