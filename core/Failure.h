#pragma once

#include <QString>
#include <stdexcept>

// The program's own exception: what the user asked for cannot be done, and
// the message says why in the words a window shows. The engine keeps its
// db::DbError and the PNG decoder its error numbers; everything else that
// fails throws this, and a window (or the event boundary) shows it.
class Failure : public std::runtime_error {
public:
    explicit Failure(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};
