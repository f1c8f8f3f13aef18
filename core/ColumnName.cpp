#include "core/ColumnName.h"

#include "core/db/Quote.h"

namespace ColumnName {

bool acceptable(const QString &name, const QStringList &others)
{
    if (name.isEmpty() || name != name.trimmed() || !lengthProblem(name).isEmpty())
        return false;
    static const QString forbidden = QStringLiteral("[],.!`");
    for (const QChar ch : name)
        if (forbidden.contains(ch) || ch.category() == QChar::Other_Control)
            return false;
    for (const QString &other : others)
        if (other.compare(name, Qt::CaseInsensitive) == 0)
            return false;
    return true;
}

QString lengthProblem(const QString &name) { return db::nameLengthProblem(name); }

} // namespace ColumnName
