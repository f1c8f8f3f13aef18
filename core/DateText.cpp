#include "core/DateText.h"

#include <QRegularExpression>

namespace DateText {

QString toText(const QDate &date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1/%2/%3").arg(date.year()).arg(date.month()).arg(date.day());
}

QString toLongText(const QDate &date)
{
    if (!date.isValid())
        return {};
    // Named here rather than asked of QLocale: the system may have no Chinese locale.
    static const QString weekdays[] = {QStringLiteral("星期一"), QStringLiteral("星期二"), QStringLiteral("星期三"),
                                       QStringLiteral("星期四"), QStringLiteral("星期五"), QStringLiteral("星期六"),
                                       QStringLiteral("星期日")};
    return QStringLiteral("%1年%2月%3日 %4").arg(date.year()).arg(date.month()).arg(date.day()).arg(weekdays[date.dayOfWeek() - 1]);
}

QString toPlainText(const QDate &date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day());
}

std::optional<QDate> fromText(const QString &text)
{
    // Year, month and day with one separator kind throughout; a stored value
    // may carry a time of day after the date. Anything else after a blank
    // ("2011/10/2 5") is a typing slip, not a date.
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4})(?:([-/.])(\\d{1,2})\\2(\\d{1,2})|年(\\d{1,2})月(\\d{1,2})日(?:\\s*星期[一二三四五六日天])?)"
        "(?:\\s+\\d{1,2}:\\d{2}(?::\\d{2}(?:\\.\\d+)?)?)?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    const bool chinese = m.capturedLength(2) == 0;
    const QDate date(m.captured(1).toInt(), m.captured(chinese ? 5 : 3).toInt(), m.captured(chinese ? 6 : 4).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace DateText
