#include "core/SqlText.h"

QString sqlText(const QString &value)
{
    QString doubled = value;
    doubled.replace(QLatin1Char('\''), QStringLiteral("''"));
    return doubled;
}
