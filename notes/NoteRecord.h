#pragma once

#include <QString>

// Rows of a notes table. The class knows no columns: callers hand it the
// table name and ready-made column, value and SET lists (text values already
// quoted with sqlText), and it frames them into one statement in lastStatement.
class NoteRecord {
public:
    void remove(qint32 id, const QString &notesTable);
    void insertRecord(const QString &notesTable, const QString &columnList, const QString &valueList);
    void updateRecord(qint32 id, const QString &notesTable, const QString &setList);

    // Whether the row still exists; the editors are not modal, so a row can
    // be deleted while a change to it is being typed.
    bool exists(qint32 id, const QString &notesTable);
};

// The shared instance used by the notes window and its editors.
NoteRecord &CurRecord();
