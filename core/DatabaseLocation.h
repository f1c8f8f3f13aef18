// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the notebook lives, decided once at start-up:
//  1. a file named on the command line (--database) or in TAVORIN_DATABASE:
//     used as it is, never created;
//  2. data/mybook.mdb under the current folder when it exists (the
//     source-checkout way and older installations);
//  3. data/mybook.mdb in the per-user data folder, made on the first start.
// The "working folder" is where the user's own artwork and instructions page
// are looked for first: the folder that holds data/.
class DatabaseLocation {
public:
    enum Source { CommandLine, Environment, CurrentFolder, UserData };

    // Everything the decision depends on, so that it can be made on any folders.
    struct Inputs {
        QString commandLine;    // --database PATH, or empty
        QString environment;    // TAVORIN_DATABASE, or empty
        QString currentFolder;  // the process's current folder
        QString userDataFolder; // e.g. ~/.local/share/Tavorin
    };

    static const QString RelativePath; // data/mybook.mdb

    // The inputs of this process: its environment, current folder and the
    // per-user data folder of the application name already set.
    static Inputs processInputs(const QString &commandLinePath);

    static DatabaseLocation find(const Inputs &inputs);

    Source source() const { return m_source; }
    // Absolute path of the database file.
    QString path() const { return m_path; }
    QString workingFolder() const { return m_workingFolder; }
    QString connectionString() const;

    // Only the per-user database is ever made by the program.
    bool mayCreate() const { return m_source == UserData; }

    enum Readiness { Ready, Created, Missing, Failed };
    // Makes sure the file is there: a missing per-user database is made (with
    // the first account) into a temporary file that is then moved into place;
    // an existing file is never touched. Missing: a named file is not there.
    // Failed: the per-user one could not be made; *message says where and why.
    Readiness prepare(QString *message) const;

    // True when this process cannot write the file or its folder (the engine
    // needs the folder for its journal).
    bool readOnly() const;

    // The status-bar text naming the file in use.
    QString statusText() const;

    // A key that is the same for every path naming the same file, for telling
    // whether another program has this notebook open.
    QString instanceKey() const;

private:
    Source m_source = CurrentFolder;
    QString m_path;
    QString m_workingFolder;
};
