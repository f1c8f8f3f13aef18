#pragma once

#include <QDate>
#include <QString>
#include <optional>

namespace db {

// The date in a #date# literal of the program's SQL: yyyy-m-d or yyyy/m/d,
// blanks around it allowed, a time of day after it ignored. Anything else
// reads as no date.
std::optional<QDate> readDateLiteral(const QString &text);

} // namespace db
