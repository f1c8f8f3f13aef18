#pragma once

#include <QDate>
#include <QString>

// One website record in memory, and the only code that writes the table
// Website (Webid, Webname, Weburl, Webtime, Webmemos in that order).
// Ids are 32-bit throughout.
class Website {
public:
    qint32 Webid = 0;
    QString Webname;
    QString Weburl;
    QDate Webtime;
    QString Webmemos;

    void clear();
    // Deletes the website; with notesTable, drops that table in the same
    // transaction, so that both go or neither does.
    void remove(qint32 id, const QString &notesTable = QString());
    void load(qint32 id);
    // True when some website has this name, compared without regard to
    // letter case in any script.
    bool exists(const QString &name);
    // True when the website with this id is still stored.
    bool isStored(qint32 id);
    void insert();
    // Returns the rows changed: 0 when the website was deleted meanwhile.
    int update(qint32 id);
    // A name as it is stored: trimmed and composed (NFC).
    static QString storedForm(const QString &name);

    // The date a reset record shows.
    static QDate resetDate() { return QDate(2011, 10, 25); }
};

// The website last loaded or written by the main window and the edit dialog.
Website &currentWebsite();
