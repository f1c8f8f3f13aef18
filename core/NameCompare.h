#pragma once

#include <QString>

// Names of accounts and websites are told apart without regard to letter
// case, in every script: "Café" is "CAFÉ", and full-width "ＡＢＣ" (typed with
// Chinese input methods) is "ａｂｃ". Width is not case, so "ＡＢＣ" and "ABC"
// stay two names, as they look different to the user. The comparison is done
// here rather than by a collation in the file, so that the file stays
// readable, and its indexes consistent, in any SQLite tool.
namespace NameCompare {

// The form two names share when they are the same name: composed (NFC), then
// Unicode case-folded.
QString key(const QString &name);

bool same(const QString &a, const QString &b);

} // namespace NameCompare
