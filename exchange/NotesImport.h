#pragma once

#include "core/db/Catalog.h"
#include "exchange/Csv.h"

#include <QString>
#include <QVector>

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

// Adds the rows of csv to the notes table as the plan says, with the new
// columns, all in one transaction. Every value is checked first: a date the
// program cannot read, a value longer than its column, a name refused, no
// column for 时间; then anything the engine refuses rolls everything back.
// The message names the line of the file and the column. Returns the number
// of rows added. Throws ExchangeError; on any error nothing is written.
int importNotes(const db::Location &notebook, const QString &table, const CsvTable &csv, const ImportPlan &plan);

} // namespace exchange
