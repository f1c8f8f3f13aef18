#pragma once

#include <QString>

namespace db {

// The program's Access-style SQL: names bare (the program's own) or quoted
// with quoteIdentifier ("name") or, for names the program itself writes,
// [bracketed]; #date# literals; values as ? parameters bound at execution.
//
// For SQLite only date literals change: "#2011-10-25#", "# 2011-9-5 #" or
// "#2011/9/5#" become '2011-10-25'. Text inside string literals and quoted
// names is never touched. A literal that reads as no date throws DbError.
QString translateSql(const QString &accessSql);

// The same SQL for a PostgreSQL server. Outside string literals and quoted
// names:
// - date literals become '2011-10-25' as above;
// - the program's own table and column names (Users, Website, Webname,
//   AutoId, ...), written bare in any letter case, become their one quoted
//   spelling ("Website", "Webname"), as they were created; a quoted or
//   bracketed name is a user's and keeps its letters ([PR] becomes "PR");
// - ? parameters become $1, $2, ... (their number goes to *parameters);
// - Like becomes ILIKE (letter case ignored, as the program expects), and a
//   pattern (a literal or a parameter) without an ESCAPE clause gets
//   ESCAPE '' so that a backslash in it is an ordinary character, as it is
//   in SQLite.
// String literals are copied unchanged: the server runs with
// standard_conforming_strings on, where doubling the quote is the only
// escape. A NUL character or invalid Unicode anywhere is refused with DbError
// (BadText), as translateSql does: it would cut the statement short on its way
// to the server or be stored as something else.
QString translateServerSql(const QString &accessSql, int *parameters = nullptr);

// The spelling under which the server holds a table: Users and Website as
// created, a notes table as biji<id> in lower case, any other name as it is.
QString serverTableName(const QString &table);
// The spelling under which the server holds a column: the columns of the
// program's own tables (and a notes table's AutoId) in their one spelling;
// every other column, a user's, as it is.
QString serverColumnName(const QString &table, const QString &column);

// Refuses text that no statement may carry (see textProblem), with DbError.
void refuseBadText(const QString &text);

} // namespace db
