#pragma once

#include "core/Failure.h"

namespace exchange {

// What goes wrong reading or writing a file is the program's one Failure:
// the message says where (file, line, column) and what, in the words the
// user reads in a message box. Two kinds a caller tells apart:

// Bytes that are not text in the encoding a file is read in.
class EncodingError : public Failure {
public:
    EncodingError(const QString &message, int line) : Failure(message), m_line(line) {}
    int line() const { return m_line; }

private:
    int m_line;
};

// The user stopped an import or export; nothing was written.
class Cancelled : public Failure {
public:
    using Failure::Failure;
};

} // namespace exchange
