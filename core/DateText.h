#pragma once

#include <QDate>
#include <QString>
#include <optional>

// Dates as users see and type them. The interface is Chinese, so dates are
// shown the Chinese way whatever the system locale: short "2026/11/2", long
// "2026年11月2日 星期一". Reading accepts every form users write.
namespace DateText {

// yyyy/M/d, e.g. 2026/11/2.
QString toText(const QDate &date);
// yyyy年M月d日 and the weekday, e.g. 2026年12月7日 星期一.
QString toLongText(const QDate &date);
// The "yyyy-m-d" form without leading zeros, e.g. 2011-9-5: the stored
// default of a notes table's date column.
QString toPlainText(const QDate &date);
// yyyy-m-d, yyyy/m/d, yyyy.m.d and yyyy年m月d日 (with or without the
// weekday), optionally followed by a time of day.
std::optional<QDate> fromText(const QString &text);

} // namespace DateText
