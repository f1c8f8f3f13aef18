#pragma once

#include "core/db/Catalog.h"
#include "exchange/Csv.h"
#include "exchange/Progress.h"

#include <QString>
#include <QVector>

class QIODevice;

namespace exchange {

// Where one CSV column goes: into a column the notes table has, into a new
// text column of that name, or nowhere.
struct ImportTarget {
    enum Action { Existing, Create, Skip };
    Action action = Skip;
    QString column; // the table's column, or the new column's name
};

struct ImportPlan {
    QVector<ImportTarget> targets; // one per CSV column, in file order
};

// The size of a new column: 50 like a field added by hand, or the longest
// value when longer (at most 255).
constexpr int NewColumnSize = 50;

// The mapping a user starts from: every CSV column to the table column of
// the same name (letter case aside); a name the table lacks is to be created
// when it is an acceptable column name, else skipped. The row key AutoId is
// always skipped: imported rows get keys of their own.
ImportPlan defaultPlan(const QStringList &csvHeader, const QVector<db::ColumnDef> &tableColumns);

// The most columns one table can hold on the connection's engine: SQLite's
// column limit, or PostgreSQL's 1,600.
int columnLimit(db::Connection &conn);

// Adds the rows of a CSV file to the notes table as the plan says, with the
// new columns, all in one transaction, reading and writing one row at a time
// (memory does not grow with the file). Refused before anything is written:
// a plan that does not fit the table, no column for 时间, more columns than
// the engine holds. Refused row by row, undoing everything: a date the
// program cannot read, a value longer than its column, text the database
// cannot hold, anything the engine refuses. Messages name the line of the
// file and the column. Line breaks arrive as LF whether the file has LF or
// CR LF. With progress, `done` counts bytes read and a set `cancel` undoes
// everything and throws Cancelled. Returns the number of rows added; throws
// Failure.
int importNotes(const db::Location &notebook, const QString &table, QIODevice *csv, Encoding encoding,
                const ImportPlan &plan, Progress *progress = nullptr);
int importFile(const db::Location &notebook, const QString &table, const QString &path, Encoding encoding,
               const ImportPlan &plan, Progress *progress = nullptr);

} // namespace exchange
