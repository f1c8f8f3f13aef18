#pragma once
// A small writer of Jet 4 (Access 2000) files, for test fixtures only: the
// header page, the catalogue (MSysObjects), table definitions, data pages
// with NULLs and deleted rows, memos inline and on LVAL pages, and column
// default values in the catalogue's property blob. No indexes.
#include <QByteArray>
#include <QSet>
#include <QString>
#include <QVariant>
#include <QVector>

namespace jetfile {

enum Type : quint8 { Integer = 0x03, Long = 0x04, Double = 0x07, DateTime = 0x08, Text = 0x0A, Ole = 0x0B, Memo = 0x0C };

struct Column {
    QString name;
    Type type = Text;
    int size = 50; // Text: characters
    bool autoNumber = false;
    QString defaultValue; // written to the properties when not empty
};

// Values: null QVariant for NULL; int for Integer/Long; double; QDateTime
// (UTC) for DateTime; QString for Text/Memo; QByteArray for Ole.
struct Table {
    QString name;
    QVector<Column> columns;
    QVector<QVariantList> rows;
    QSet<int> deleted; // rows written with the deleted mark
    bool system = false;
};

QByteArray write(const QVector<Table> &tables);

// The OLE date (days since 1899-12-30; the fraction is the time of day,
// counted away from that day for dates before it).
double oleDate(int year, int month, int day, int seconds = 0);

} // namespace jetfile
