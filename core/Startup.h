// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DatabaseLocation.h"

#include <QString>

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

// Reads the system's font configuration on a second thread while Qt sets up
// the window system on the first. The first text of any window needs it, and
// reading it is most of what that text costs; Qt then finds it read. Should
// Qt ask for it before wait(), it reads it again: wasted, not wrong.
class FontSetupAhead {
public:
    FontSetupAhead();
    ~FontSetupAhead() { wait(); }
    FontSetupAhead(const FontSetupAhead &) = delete;
    FontSetupAhead &operator=(const FontSetupAhead &) = delete;
    // Before the first window.
    void wait();

private:
    std::thread m_thread;
};

} // namespace Startup
