#pragma once

#include <QString>

// A condition that holds when column contains text literally: "%" and "_"
// in it are no wildcards. Written in standard SQL (LIKE ... ESCAPE), which
// every engine takes: column + " Like '%100!%%' ESCAPE '!'" for "100%".
QString sqlContains(const QString &column, const QString &text);
