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
    void remove(qint32 id);
    void load(qint32 id);
    bool exists(const QString &name);
    void insert();
    void update(qint32 id);

    // The date a reset record shows.
    static QDate resetDate() { return QDate(2011, 10, 25); }
};

// The website last loaded or written by the main window and the edit dialog.
Website &CurWebsite();
