#pragma once

#include <functional>

// Ending the program at once (the login window's exit area, three failed
// logins, a database that cannot be opened). Tests replace the handler so the
// ending can be observed instead of taking the test process with it.
namespace Program {

[[noreturn]] void end(int exitCode = 0);
void setEndHandler(std::function<void(int)> handler);

// Thrown by end() when a test handler returned instead of ending the process.
struct Ended {
    int exitCode;
};

} // namespace Program
