#pragma once

#include <QString>
#include <QStringList>

// What a notes table accepts as the name of an observed item: not empty, no
// blanks at either end, none of the characters that the program's SQL or a
// list of names would take apart ([ ] , . ! `) nor control characters, and
// different (ignoring letter case) from every name in others.
namespace ColumnName {

bool acceptable(const QString &name, const QStringList &others);

} // namespace ColumnName
