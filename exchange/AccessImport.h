#pragma once

#include <QString>
#include <QStringList>

class DatabaseLocation;

// Brings a notebook of the original program, a Jet (Access) mybook.mdb,
// over into a notebook file of this program: the accounts (passwords hashed
// on the way), the websites with their ids, and every notes table with its
// columns, defaults and rows. Other tables are left out and listed.
namespace AccessImport {

struct Report {
    QString version;
    int users = 0;
    int websites = 0;
    int notesTables = 0;
    qint64 notesRows = 0;
    QStringList leftOut;              // tables that are neither accounts, websites nor notes
    QStringList tablesWithoutWebsite; // carried over as they are
    QStringList websitesWithoutTable; // ids, carried over as they are
};

// Writes the notebook file newPath (which must not exist) from the Jet file
// jetPath, which is only read. The file is made under a temporary name and
// given its name only when every count has been checked against the source,
// so newPath never holds half a notebook. Throws Failure with
// the reason (not Jet, damaged, two accounts whose names differ only in
// letter case, ...); nothing is left behind then.
Report convert(const QString &jetPath, const QString &newPath);

// The report in the user's words, one line each.
QStringList describe(const Report &report);

// At start: when the notebook found is a Jet file, offers to convert it. On
// OK the converted notebook takes the file's place and the original is kept
// beside it (mybook-access-YYYY-MM-DD.mdb); a failure is shown and ends the
// program with the original untouched. On Cancel nothing happens, and the
// file is refused as any foreign file is.
void offerAtStart(const DatabaseLocation &location);

// Where the original is kept: beside it, named for what it is and the day.
QString keptName(const QString &path);

} // namespace AccessImport
