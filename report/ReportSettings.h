#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

// What the client report remembers in the program's settings (section
// Settings): the studio's details, the items chosen per notes table and the
// folder last written to.
namespace report {

struct Studio {
    QString name;
    QString contact;
    QByteArray logo; // the PNG file's bytes, so that the report does not depend on where it was
};

Studio studio();
void setStudio(const Studio &studio);

// The items last chosen for a table's report; `remembered`
// tells whether a choice was ever made (an empty choice is a choice).
QStringList chosenItems(const QString &table, bool *remembered = nullptr);
void setChosenItems(const QString &table, const QStringList &items);

QString lastFolder();
void setLastFolder(const QString &folder);

// The period a report covers unless told otherwise: the last full calendar
// month before the given day.
struct Period {
    QDate from;
    QDate to;
};
Period lastFullMonth(const QDate &today);

} // namespace report
