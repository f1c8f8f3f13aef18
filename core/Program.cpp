#include "core/Program.h"

#include <cstdio>
#include <cstdlib>

namespace Program {

namespace {
std::function<void(int)> Handler;
}

void end(int exitCode)
{
    if (Handler)
        Handler(exitCode);
    if (Handler)
        throw Ended{exitCode};
    std::fflush(nullptr);
    // Every statement is committed as it runs: nothing is lost by leaving here.
    std::exit(exitCode);
}

void setEndHandler(std::function<void(int)> handler) { Handler = std::move(handler); }

} // namespace Program
