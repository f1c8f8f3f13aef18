// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

// Finds the program's artwork (img/login.png) and instructions page
// (test.html): beside the notebook's working folder first, so that a user's
// own copy wins, then in the installed data folder (../share/tavorin from the
// program), then among the files compiled into the program, if any.
class ResourceLocator {
public:
    // The folder looked in first; the current folder until start-up sets it.
    static void setWorkingFolder(const QString &folder);
    static QString workingFolder();

    // ../share/tavorin relative to the running program.
    static QString installedDataFolder();

    // The places `relative` is looked for, in order.
    static QStringList candidates(const QString &relative);
    // The first place that holds it, or empty when every place misses.
    static QString find(const QString &relative);
    // The first place that holds it, else the first place looked in (to be
    // named in a "not found" message).
    static QString findOrFirst(const QString &relative);
};
