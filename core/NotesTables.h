#pragma once

#include "core/db/Catalog.h"

#include <QString>
#include <QVariant>
#include <optional>

// What every path that touches a website's notes table shares: its name, and
// the one rule for what a column stores from a cell's text, the same in the
// record editor, the memo editor and the import.
namespace NotesTables {

// The notes table of a website: biji<id>.
QString name(qint32 websiteId);

// The value a notes column stores for a cell's text. An empty cell is empty
// (NULL) in a column that allows it; in a text column declared NOT NULL it
// is empty text. A date column holds the date the text reads as, an integer
// column the number, a text column the text as typed (at most its size).
// Text that does not fit the column gives no value and, in *problem, a
// Chinese reason.
std::optional<QVariant> value(const db::ColumnDef &column, const QString &text, QString *problem = nullptr);

} // namespace NotesTables
