#pragma once

#include "core/db/Connection.h"
#include "core/db/Quote.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <optional>

namespace db {

enum class ColumnType { LongInteger, DateTime, Memo, Text };

struct ColumnDef {
    QString name;
    ColumnType type = ColumnType::Text;
    int size = 0;              // Text only: the most characters a value may hold
    bool nullable = false;
    bool autoIncrement = false;
    std::optional<QString> defaultText; // the "Default" property, as text
};

// Schema work on one database: tables by name, creating a table from column
// definitions, reading a table's columns in order, appending, renaming and
// dropping a column. Opens a connection of its own to the database at `location`.
// Every change runs in one transaction: it happens whole or not at all.
class Catalog {
public:
    explicit Catalog(const Location &location);

    QStringList tables();
    bool hasTable(const QString &table);
    void createTable(const QString &table, const QVector<ColumnDef> &columns);
    void dropTable(const QString &table);

    QVector<ColumnDef> columns(const QString &table);
    ColumnDef column(const QString &table, int position);
    std::optional<ColumnDef> column(const QString &table, const QString &name);

    // Existing rows are left empty (NULL) in the new column, so it is always
    // added nullable whatever `column.nullable` says. On a server the check
    // that no column has the name in other letters and the change run in one
    // transaction that holds the table's lock: two workers adding Rank and
    // RANK at once cannot both succeed.
    void appendColumn(const QString &table, const ColumnDef &column);
    // Several columns in one step (an import's new columns): on a server one
    // ALTER TABLE, on a file one ALTER per column, which SQLite needs.
    void appendColumns(const QString &table, const QVector<ColumnDef> &columns);
    void renameColumn(const QString &table, const QString &oldName, const QString &newName);
    void dropColumn(const QString &table, const QString &name);

    // After rows were written with explicit ids (a notebook moved in, rows put
    // back by hand), the next id given out must lie above all of them. SQLite
    // sees to that itself; on a server each identity column is set past its
    // largest value.
    void syncAutoIncrement();

    // Reads the schema anew; kept for callers that refresh after a change.
    void refresh();

    Connection &connection() { return m_conn; }

private:
    void changeUnderLock(const QString &table, const std::function<void()> &change);

    Connection m_conn;
};

// The column definition as SQLite DDL text, e.g. "[PR]" NVARCHAR(10) NOT NULL DEFAULT '0'.
QString columnDdl(const ColumnDef &column);
// The same for a PostgreSQL server: "PR" varchar(10) NOT NULL DEFAULT '0'.
QString serverColumnDdl(const ColumnDef &column);
// Sets every identity column of the server database past its largest value
// (see Catalog::syncAutoIncrement), inside whatever transaction conn is in.
void syncServerAutoIncrement(Connection &conn);

} // namespace db
