#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// The one exception type of the engine layer. It carries the engine's own
// message so that the boundary around event dispatch can show it as it is.
// The kind tells the few failures that callers answer differently apart.
class DbError : public std::runtime_error {
public:
    enum class Kind {
        Other,
        UniqueViolation, // a unique constraint refused the row (another worker got there first)
        ConnectionLost,  // the server connection broke during the command: its outcome is unknown
        Unreachable,     // the server is down or refused the login
    };

    explicit DbError(const QString &message, Kind kind = Kind::Other)
        : std::runtime_error(message.toStdString()), m_message(message), m_kind(kind) {}
    const QString &message() const noexcept { return m_message; }
    Kind kind() const noexcept { return m_kind; }

private:
    QString m_message;
    Kind m_kind;
};

} // namespace db
