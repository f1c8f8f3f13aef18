#pragma once

#include <QString>
#include <stdexcept>

namespace db {

// The one exception type of the engine layer. It carries the engine's own
// message so that the boundary around event dispatch can show it as it is.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace db
