#pragma once

#include "core/db/Connection.h"

#include <QString>
#include <QStringList>

// Rows of a notes table. Callers hand it the table, the column names and
// their values (see NotesTables::value); names are quoted and values bound
// here, so neither can change the statement.
class NoteRecord {
public:
    void remove(qint32 id, const QString &notesTable);
    void insertRecord(const QString &notesTable, const QStringList &columns, const db::Values &values);
    // Returns the rows changed: 0 when the row was deleted meanwhile.
    int updateRecord(qint32 id, const QString &notesTable, const QStringList &columns, const db::Values &values);

    // Whether the row still exists; the editors are not modal, so a row can
    // be deleted while a change to it is being typed.
    bool exists(qint32 id, const QString &notesTable);
};

// The shared instance used by the notes window and its editors.
NoteRecord &currentRecord();
