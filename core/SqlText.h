#pragma once

#include <QString>

// Text values go into SQL between single quotes that the caller writes; this
// gives the value with every quote inside it doubled, so that O'Reilly is
// stored and found like any other name: "... WHERE Webname='" + sqlText(v) + "'".
QString sqlText(const QString &value);

// A condition that holds when column contains text literally: "%" and "_"
// in it are no wildcards. Written in standard SQL (LIKE ... ESCAPE), which
// every engine takes: column + " Like '%100!%%' ESCAPE '!'" for "100%".
QString sqlContains(const QString &column, const QString &text);
