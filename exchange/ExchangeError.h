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

// Bytes that are not text in the encoding a file is read in.
class EncodingError : public ExchangeError {
public:
    EncodingError(const QString &message, int line) : ExchangeError(message), m_line(line) {}
    int line() const { return m_line; }

private:
    int m_line;
};

// The user stopped an import or export; nothing was written.
class Cancelled : public ExchangeError {
public:
    using ExchangeError::ExchangeError;
};

} // namespace exchange
