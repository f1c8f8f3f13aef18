#pragma once

#include <QString>

namespace db {

// Turns the program's Access-style SQL into SQL that SQLite runs. Only date
// literals change: "#2011-10-25#", "# 2011-9-5 #" or a date in the locale's
// short form between "#" signs become '2011-10-25'. Text inside string
// literals and [bracketed names] is never touched. A literal that reads as no
// date throws DbError.
QString translateSql(const QString &accessSql);

// The same SQL for a PostgreSQL server. Outside string literals:
// - date literals become '2011-10-25' as above;
// - the names of the program's own tables and columns (Users, Website,
//   Webname, AutoId, ...), bare or bracketed and in any letter case, become
//   their one quoted spelling ("Website", "Webname"), as they were created;
// - every other [bracketed name] becomes "bracketed name", keeping its case,
//   so that a column the user named "PR" is "PR" and not pr;
// - Like becomes ILIKE (letter case ignored, as the program expects), and a
//   pattern without an ESCAPE clause gets ESCAPE '' so that a backslash in it
//   is an ordinary character, as it is in SQLite.
// String literals are copied unchanged: the server runs with
// standard_conforming_strings on, where doubling the quote is the only
// escape. A NUL character or invalid Unicode anywhere is refused with DbError
// (BadText), as translateSql does: it would cut the statement short on its way
// to the server or be stored as something else.
QString translateServerSql(const QString &accessSql);

// How a name is written for the server: the program's own names in their one
// spelling, any other name as it is; quoted in both cases.
QString serverIdentifier(const QString &name);
// The spelling under which the server holds a name (without the quotes).
QString serverName(const QString &name);

} // namespace db
