#pragma once

#include "exchange/Progress.h"

#include <QString>
#include <functional>

class QWidget;

// Long work (an import, an export, reading a large file) runs in a thread of
// its own while the windows stay live and redraw. When it takes more than a
// moment a progress dialog shows how far it has come, with 取消, which sets
// progress.cancel: the work itself undoes what it did and ends. Returns when
// the work has ended, rethrowing whatever it threw.
namespace BackgroundTask {

void run(QWidget *parent, const QString &label, exchange::Progress &progress, const std::function<void()> &work);

// How long the work may take before the progress dialog appears.
constexpr int ShowAfterMs = 400;

} // namespace BackgroundTask
