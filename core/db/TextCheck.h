#pragma once

#include <QString>

namespace db {

// Text the database cannot hold faithfully: a NUL character (it would end an
// SQL literal early) or UTF-16 that is not valid Unicode (a lone surrogate,
// which would be stored as "?" and then equal every other such name).
// Returns an empty string for good text, else a short Chinese reason that
// names the character found.
QString textProblem(const QString &text);

} // namespace db
