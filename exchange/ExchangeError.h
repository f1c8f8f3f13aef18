#pragma once

#include "core/Failure.h"

namespace exchange {

// What goes wrong reading or writing a file is the program's one Failure:
// the message says where (file, line, column) and what, in the words the
// user reads in a message box.
using ExchangeError = ::Failure;

} // namespace exchange
