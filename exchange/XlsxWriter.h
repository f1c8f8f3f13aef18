#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <memory>

namespace exchange {

// One worksheet written row by row through libxlsxwriter: a bold header row
// that stays frozen while scrolling, dates as real Excel dates (shown
// yyyy-m-d), numbers as numbers, the rest as text (so a cell beginning
// with = is never a formula), and each column as wide
// as its longest content. The file appears under its name only when close()
// succeeds; until then it is written to a temporary file beside it.
class XlsxWriter {
public:
    // Throws Failure when the file cannot be made.
    explicit XlsxWriter(const QString &path);
    ~XlsxWriter();
    XlsxWriter(const XlsxWriter &) = delete;
    XlsxWriter &operator=(const XlsxWriter &) = delete;

    void writeHeader(const QStringList &names);
    void writeText(int column, const QString &text);
    void writeText(int column, QByteArrayView utf8);
    // Prose of several lines: wrapped in its cell, its line breaks as LF
    // (what a spreadsheet's own Alt+Enter makes; CR LF would show a stray
    // _x000D_ in some readers).
    void writeMemo(int column, QByteArrayView utf8);
    void writeNumber(int column, double value);
    void writeDate(int column, const QDate &date);
    void endRow();
    // Finishes the file; throws Failure naming what failed.
    void close();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Columns of a spreadsheet count a Chinese character as two Latin ones.
int displayWidth(QStringView text);
int displayWidth(QByteArrayView utf8);

} // namespace exchange
