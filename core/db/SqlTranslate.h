#pragma once

#include <QString>

namespace db {

// Turns the program's Access-style SQL into SQL that SQLite runs. Only date
// literals change: "#2011-10-25#", "# 2011-9-5 #" or a date in the locale's
// short form between "#" signs become '2011-10-25'. Text inside string
// literals and [bracketed names] is never touched. A literal that reads as no
// date throws DbError.
QString translateSql(const QString &accessSql);

} // namespace db
