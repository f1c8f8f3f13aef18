#pragma once

#include <QString>
#include <QStringList>

// What a notes table accepts as the name of an observed item: not empty, not
// longer than a server holds (63 bytes of UTF-8), no blanks at either end, none of the characters that the program's SQL or a
// list of names would take apart ([ ] , . ! `) nor control characters, and
// different (ignoring letter case) from every name in others.
namespace ColumnName {

bool acceptable(const QString &name, const QStringList &others);

// Why a name is too long for the database (in Chinese), or empty.
QString lengthProblem(const QString &name);

} // namespace ColumnName
