#include "core/SqlText.h"

#include "core/db/Quote.h"

QString sqlContains(const QString &column, const QString &text)
{
    // "!" rather than a backslash: a backslash inside a literal means
    // something else to some engines' settings.
    QString escaped;
    escaped.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == QLatin1Char('!') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            escaped += QLatin1Char('!');
        escaped += c;
    }
    return column + QStringLiteral(" Like ") + db::quoteText(QLatin1Char('%') + escaped + QLatin1Char('%'))
         + QStringLiteral(" ESCAPE '!'");
}
