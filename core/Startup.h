// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DatabaseLocation.h"

#include <QString>

#include <functional>
#include <thread>

// The steps between launch and the login window that concern the notebook.
namespace Startup {

// What the user is told once, after the program made their notebook.
QString firstRunText(const QString &path);

// Points the shared connection and the resource look-up at the notebook
// (see DatabaseLocation), making the per-user one on the first start; then
// returns what the user is to be told once (where it was made), else empty.
// A named file that is missing, or a per-user one that cannot be made,
// throws Failure with the message: the program cannot go on.
QString openNotebook(const DatabaseLocation &location);

// Which notebook the program works on, for the status bar: the file, and a
// note when it can only be read. Empty before openNotebook().
QString notebookStatus();

// Work done on a second core while Qt sets up the window system on the first:
// what the first text of any window needs, the system's font configuration
// (reading it is most of what that text costs) and the session bus (for the
// accessibility bridge), then `alsoThen` (the login window's artwork). Qt
// then finds them ready. Whatever Qt asks for before wait()
// it reads again: wasted, not wrong. Made on the thread that will make the
// QApplication, before anything else of Qt's runs on the second one.
class SecondCore {
public:
    explicit SecondCore(std::function<void()> alsoThen = {});
    ~SecondCore() { wait(); }
    SecondCore(const SecondCore &) = delete;
    SecondCore &operator=(const SecondCore &) = delete;
    // Before the first window.
    void wait();

private:
    std::thread m_thread;
};

} // namespace Startup
