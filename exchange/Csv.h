#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;

namespace exchange {

// CSV as RFC 4180 has it, in UTF-8 with a byte-order mark (Excel on Chinese
// Windows otherwise reads it as GBK), CRLF line ends, a field quoted only when
// it holds a comma, a quote or a line break.
class CsvWriter {
public:
    explicit CsvWriter(QIODevice *out);
    ~CsvWriter();
    CsvWriter(const CsvWriter &) = delete;
    CsvWriter &operator=(const CsvWriter &) = delete;

    void addField(const QString &text);
    void addField(QByteArrayView utf8);
    void endRow();
    void writeRow(const QStringList &fields);
    // Writes what is buffered; throws ExchangeError when the device refuses.
    void flush();

    // One field as it stands in the file, quoted where needed.
    static QByteArray field(QByteArrayView utf8);

private:
    void appendField(QByteArrayView utf8);

    QIODevice *m_out;
    QByteArray m_buffer;
    bool m_rowStarted = false;
};

struct CsvRecord {
    int line = 0; // the line of the file where the record starts, 1-based
    QStringList fields;
};

struct CsvTable {
    QStringList header;
    QVector<CsvRecord> records; // after the header
};

// Reads CSV written by this program, by Excel ("CSV UTF-8") or by hand:
// with or without a byte-order mark, CRLF, LF or CR line ends, quoted fields
// holding commas, quotes and line breaks. Blank lines are skipped. Throws
// ExchangeError naming the line for bytes that are not UTF-8 (a GBK file, for
// instance), an unfinished quote, text after a closing quote, or a record
// with a number of fields other than the header's.
namespace Csv {

CsvTable parse(const QByteArray &bytes);
CsvTable readFile(const QString &path);

// Offset of the first byte that is not part of well-formed UTF-8, or -1.
qsizetype invalidUtf8Offset(QByteArrayView bytes);

} // namespace Csv

} // namespace exchange
