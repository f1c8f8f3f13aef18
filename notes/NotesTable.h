#pragma once

#include <QDate>
#include <QString>

// The current website row as the main window holds it; the notes window's
// header shows these values.
struct WebsiteRow {
    qint32 Webid = 0;
    QString Webname;
    QString Weburl;
    QDate Webtime;
};

// Whether the notebook has that notes table (letter case aside).
bool notesTableExists(const QString &notesTable);

// The one "make sure the notes table exists" step: when it does not, asks
// "表名不存在，是否要创建？" and creates it on OK. Returns whether the table
// exists now; created tells whether it was made just now.
bool ensureNotesTable(const QString &notesTable, bool *created = nullptr);

// Opens the notes window of one website (its notes table named by
// NotesTables::name), offering to create the table first when it does not
// exist yet; a table made just now opens at the next request.
void openWebsiteNotes(const QString &notesTable, const WebsiteRow &row);

// Closes the notes window and its dialogs where they show notesTable, before
// that table goes away with its website.
void closeWebsiteNotes(const QString &notesTable);

// Creates a notes table with the eight default columns.
void createNotesTable(const QString &notesTable);
