#pragma once

#include <QString>

// Text values go into SQL between single quotes that the caller writes; this
// gives the value with every quote inside it doubled, so that O'Reilly is
// stored and found like any other name: "... WHERE Webname='" + sqlText(v) + "'".
QString sqlText(const QString &value);
