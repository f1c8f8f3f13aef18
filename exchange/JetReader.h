#pragma once

#include "core/db/Catalog.h"

#include <QString>
#include <QVariant>
#include <QVector>
#include <functional>

typedef struct S_MdbTableDef MdbTableDef;

namespace exchange {

// A Jet (Access) database file read through mdbtools' libmdb: its tables,
// their columns as the program would define them, and their rows. Every
// refusal (not Jet, damaged, a column the program cannot hold) throws
// Failure with the reason in the user's words.
class JetReader {
public:
    struct Column {
        db::ColumnDef def;
        int jetType = 0;
    };
    struct Table {
        QString name;
        bool system = false;
    };

    explicit JetReader(const QString &path);
    ~JetReader();
    JetReader(const JetReader &) = delete;
    JetReader &operator=(const JetReader &) = delete;

    // Whether the file starts like a Jet database (Access 97 to 2019).
    static bool looksLikeJet(const QString &path);

    QString version() const;
    QVector<Table> tables() const;
    QVector<Column> columns(const QString &table);
    // Hands every live row to `row`, values in column order: NULL as a null
    // QVariant, whole numbers as qint64, dates as ISO text ("yyyy-MM-dd",
    // with " HH:mm:ss" when there is a time of day), everything else as text.
    // Returns the number of rows, checked against the table's own count.
    qint64 readRows(const QString &table, const std::function<void(const QVariantList &)> &row);

private:
    MdbTableDef *open(const QString &table);

    struct Handle;
    Handle *m_handle = nullptr;
    QString m_path;
    qint64 m_fileSize = 0;
};

} // namespace exchange
