#pragma once

#include <QtGlobal>
#include <atomic>

namespace exchange {

// How far an import or export running in another thread has come, read by
// the window that shows it; setting cancel asks it to stop and undo.
struct Progress {
    std::atomic<qint64> done{0};
    std::atomic<qint64> total{0};
    std::atomic<bool> cancel{false};
};

} // namespace exchange
