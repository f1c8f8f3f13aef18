#include "core/NameCompare.h"

namespace NameCompare {

QString key(const QString &name)
{
    // Composed first: "é" typed as e + combining acute is the same letter.
    return name.normalized(QString::NormalizationForm_C).toCaseFolded();
}

bool same(const QString &a, const QString &b) { return a == b || key(a) == key(b); }

} // namespace NameCompare
