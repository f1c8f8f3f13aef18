#pragma once

#include <QString>

namespace db {

// Both engines take standard SQL quoting, so one function serves each kind
// of text. Values travel as bound parameters; these are for the rare text
// that must stand in a statement itself (DDL, a column default).

// A name as a quoted identifier: "na""me". Every table and column name the
// program writes into a statement goes through here; the translators copy a
// quoted name whole and never change its letters.
QString quoteIdentifier(const QString &name);

// Text as a literal: 'it''s'.
QString quoteText(const QString &text);

// The longest name a PostgreSQL server holds, in UTF-8 bytes; it cuts a
// longer one short without a word. Both engines refuse longer names, so
// that a notebook file can always move onto a server.
constexpr int MaxNameBytes = 63;
// Why a name is too long (in Chinese), or empty when it fits.
QString nameLengthProblem(const QString &name);

} // namespace db
