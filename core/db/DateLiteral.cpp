#include "core/db/DateLiteral.h"

#include <QRegularExpression>

namespace db {

std::optional<QDate> readDateLiteral(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{4})([-/])(\\d{1,2})\\2(\\d{1,2})"
                                                        "(?:\\s+\\d{1,2}:\\d{2}(?::\\d{2}(?:\\.\\d+)?)?)?\\s*$"));
    const auto m = form.match(text);
    if (!m.hasMatch())
        return std::nullopt;
    const QDate date(m.captured(1).toInt(), m.captured(3).toInt(), m.captured(4).toInt());
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace db
