// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// The program's command line: --help, --version, --database PATH, --check.
struct StartOptions {
    enum Action { Run, Check, ShowText, Refuse };

    Action action = Run;
    QString database; // --database PATH, or empty
    // For ShowText (help or version, exit status 0) and Refuse (one line,
    // exit status 2): what to print.
    QString text;

    static StartOptions parse(const QStringList &arguments);
    // Prints `text` (help and version on standard output, refusals on standard
    // error) and returns the exit status, for ShowText and Refuse.
    int report() const;
};
