#include "core/DateText.h"

#include <QLocale>
#include <QRegularExpression>
#include <QStringList>

namespace DateText {

QString shortFormat()
{
    QString format = QLocale().dateFormat(QLocale::ShortFormat);
    if (!format.contains(QLatin1String("yyyy")))
        format.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return format;
}

QString toText(const QDate &date)
{
    return date.isValid() ? QLocale().toString(date, shortFormat()) : QString();
}

QString toLongText(const QDate &date)
{
    return date.isValid() ? QLocale().toString(date, QLocale::LongFormat) : QString();
}

QString toPlainText(const QDate &date)
{
    if (!date.isValid())
        return {};
    return QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day());
}

std::optional<QDate> fromText(const QString &text)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    const QStringList formats{QStringLiteral("yyyy-M-d"), QStringLiteral("yyyy/M/d"), QStringLiteral("yyyy.M.d"),
                              QStringLiteral("yyyy年M月d日"), shortFormat()};
    for (const QString &format : formats) {
        const QDate d = QLocale().toDate(t, format);
        if (d.isValid())
            return d;
        const QDate c = QDate::fromString(t, format);
        if (c.isValid())
            return c;
    }
    // A stored value may carry a time of day after the date; anything else
    // after a blank ("2011/10/2 5") is a typing slip, not a date.
    static const QRegularExpression timeOfDay(QStringLiteral("^\\d{1,2}:\\d{2}(:\\d{2}(\\.\\d+)?)?$"));
    const QString day = t.section(QLatin1Char(' '), 0, 0);
    const QString rest = t.section(QLatin1Char(' '), 1).trimmed();
    if (day != t && timeOfDay.match(rest).hasMatch())
        return fromText(day);
    return std::nullopt;
}

} // namespace DateText
