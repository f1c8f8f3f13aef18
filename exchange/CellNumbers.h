#pragma once

#include <QString>
#include <QVector>

namespace exchange {

// A number found in an observation cell and the text in front of it:
// "收入155/反向31" holds ("收入", 155) and ("反向", 31).
struct CellNumber {
    QString label;
    double value = 0;
};

// The numbers of a cell in order. A bare number has an empty label. A
// second number without a label of its own, or a label met again in the same
// cell, gets its place in the cell as label ("2", "百度2") so that no value
// hides another. Decimals and negative numbers are read; "无", templates such
// as "收入*/反向*" and other text without digits give nothing.
QVector<CellNumber> cellNumbers(QStringView cell);

// The whole cell is one plain number, as a spreadsheet should store it:
// "-12", "0.5", "155"; not "007", "+3", "1e5", "1,234" or a number with
// more digits than a double keeps exactly.
bool isPlainNumber(QStringView cell, double *value = nullptr);
bool isPlainNumber(QByteArrayView utf8, double *value = nullptr);

// Series name for a column and a label: "百度收入量·收入", or the column alone.
QString seriesName(const QString &column, const QString &label);

} // namespace exchange
