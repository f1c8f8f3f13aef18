#pragma once
// The notebook the original program would have left after years of use:
// accounts with clear-text passwords, websites with id gaps, notes tables
// with added columns, Chinese everywhere, long memos, NULLs, deleted rows,
// dates from 1899 to 2100, a website without a table and a table without a
// website, and one table that is neither.
#include "JetWriter.h"

namespace jetfile {

struct SampleSize {
    int websites = 200;
    int notesTables = 150;
    int observations = 20000;
};

QVector<Table> sampleNotebook(const SampleSize &size = {});

} // namespace jetfile
