// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DatabaseLocation.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
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

// A second core's work while the first sets up the window system and builds
// the login window: first what the first text of any window needs, the
// system's font configuration (reading it is most of what that text costs)
// and the session bus (for the accessibility bridge), then the jobs handed to
// it, in order. Qt finds ready what was done; what it asks for sooner it does
// itself: wasted, not wrong. Made on the thread that will make the
// QApplication, before anything else of Qt's runs on the second one.
class SecondCore {
public:
    SecondCore();
    ~SecondCore() { finish(); }
    SecondCore(const SecondCore &) = delete;
    SecondCore &operator=(const SecondCore &) = delete;
    void post(std::function<void()> job);
    // Until the font configuration is read: then Qt uses it instead of
    // reading its own.
    void waitForFonts();
    // Does the jobs handed over, then ends; before the QApplication goes, as
    // they may use it.
    void finish();

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    bool m_fontsRead = false;
    bool m_closing = false;
    std::thread m_thread;
};

// Makes the system's font configuration fontconfig's current one, read as
// fontconfig's own start reads it but for the templates it ships (every
// configuration file it offers, a third of its start), which that start
// parses only to describe them. False when there is none to read.
bool readFontConfiguration();

// Fills Qt's font database (once the QApplication exists): the first text
// box of a window asks for it.
void fillFontDatabase();

} // namespace Startup
