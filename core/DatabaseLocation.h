// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/db/Location.h"

#include <QString>

// Where the notebook lives, decided once at start-up:
//  1. a file named on the command line (--database) or in TAVORIN_DATABASE:
//     used as it is, never created; a postgresql:// (or postgres:) string
//     there names a database on a server and goes to the engine unchanged;
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
    // True when the notebook is a database on a PostgreSQL server.
    bool onServer() const { return !m_server.isEmpty(); }
    // Absolute path of the database file; empty for a server.
    QString path() const { return m_path; }
    // What messages name: the file's path, or the database and its server.
    QString displayName() const;
    QString workingFolder() const { return m_workingFolder; }
    // The notebook as the engine opens it: the file, or the server database.
    db::Location notebook() const;

    // Only the per-user database is ever made by the program.
    bool mayCreate() const { return m_source == UserData && !onServer(); }

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
    // whether another program has this notebook open. A server is shared by
    // design and needs no such check (see onServer).
    QString instanceKey() const;

private:
    Source m_source = CurrentFolder;
    QString m_path;
    QString m_server; // the connection string of a server database
    QString m_workingFolder;
};
