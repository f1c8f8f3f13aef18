#pragma once

#include <QString>
#include <stdexcept>

namespace exchange {

// What goes wrong reading or writing a file: the message says where (file,
// line, column) and what, in the words the user reads in a message box.
class ExchangeError : public std::runtime_error {
public:
    explicit ExchangeError(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace exchange
