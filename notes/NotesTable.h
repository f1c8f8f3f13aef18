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

// Opens the notes window of one website ("biji" + id), offering to create
// its notes table first when it does not exist yet.
void OpenWebsiteNotes(QString &notesTable, const WebsiteRow &row);

// Closes the notes window and its dialogs where they show notesTable, before
// that table goes away with its website.
void CloseWebsiteNotes(const QString &notesTable);

// Creates a notes table with the eight default columns.
void CreateNotesTable(QString &notesTable);
