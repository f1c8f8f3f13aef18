#pragma once

#include <QDate>
#include <QString>
#include <optional>

// Dates as users see and type them: the locale's short date form with a
// four-digit year. Reading also accepts yyyy-m-d and yyyy/m/d.
namespace DateText {

QString toText(const QDate &date);
QString toLongText(const QDate &date);
// The "yyyy-m-d" form without leading zeros, e.g. 2011-9-5.
QString toPlainText(const QDate &date);
std::optional<QDate> fromText(const QString &text);
// The short date format of the default locale, with the year widened to four digits.
QString shortFormat();

} // namespace DateText
