#pragma once

#include "exchange/Progress.h"

#include <QString>
#include <optional>

namespace db {
class Connection;
} // namespace db

namespace exchange {

enum class Format { Csv, Xlsx };

// "csv" or "xlsx" (any case), else nothing.
std::optional<Format> formatFromName(const QString &name);
// The format a file name asks for by its suffix, else nothing.
std::optional<Format> formatForPath(const QString &path);

// The website list as the main window shows it in full, newest job first.
QString catalogueQuery();

// The exports write every row of their query, first to last, with its field
// names as the header, straight from the engine to the file, and return the
// number of rows written. They throw Failure (DbError for the query). With
// progress, `done` counts rows written, and a set `cancel` leaves no file
// (an older file of that name stays as it was) and throws Cancelled. Memo
// cells of an Excel file wrap, with LF line breaks.

// A notes table in the order of its days (rows of one day in the order they
// were written), without its row key AutoId: what importing it back needs.
int exportNotesTable(db::Connection &conn, const QString &table, Format format, const QString &path,
                     Progress *progress = nullptr);

// The websites a query of the website list gives (the whole catalogue with
// catalogueQuery(), or what a search shows).
int exportWebsites(db::Connection &conn, const QString &query, Format format, const QString &path,
                   Progress *progress = nullptr);

} // namespace exchange
