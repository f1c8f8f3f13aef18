#pragma once

#include "exchange/Progress.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringList>
#include <QVector>
#include <optional>

class QIODevice;

namespace exchange {

// CSV as RFC 4180 has it, in UTF-8 with a byte-order mark (Excel on Chinese
// Windows otherwise reads it as GBK), CRLF line ends, a field quoted only when
// it holds a comma, a quote or a line break. A field a spreadsheet would run
// as a formula (see guardFormula) gets a leading apostrophe.
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
    // Writes what is buffered; throws Failure when the device refuses.
    void flush();
    // The system's reason (errno) of the write that failed, else 0.
    int failedErrno() const { return m_errno; }

private:
    void appendField(QByteArrayView utf8);

    QIODevice *m_out;
    QByteArray m_buffer;
    bool m_rowStarted = false;
    int m_errno = 0;
};

// A cell that starts with =, +, -, @, a tab or a CR (after any apostrophes),
// other than a plain negative number such as -3: a spreadsheet would run it
// as a formula, so the writer puts an apostrophe in front, as spreadsheets
// themselves mark text. The reader takes off exactly that one apostrophe, so
// "'=1" written as "''=1" reads back as "'=1".
bool guardFormula(QByteArrayView utf8);

enum class Encoding { Utf8, Gb18030 };
// "UTF-8", "GB18030".
QString encodingName(Encoding encoding);

struct CsvRecord {
    int line = 0; // the line of the file where the record starts, 1-based
    QStringList fields;
};

struct CsvTable {
    QStringList header;
    QVector<CsvRecord> records; // after the header
};

// Reads CSV written by this program, by Excel ("CSV UTF-8" or Chinese
// Excel's GB18030 "CSV (逗号分隔)") or by hand, one record at a time from a
// device, so that a file of any size costs the same memory: with or without
// a byte-order mark, CRLF, LF or CR line ends, quoted fields holding commas,
// quotes and line breaks. Blank lines are skipped. Throws Failure
// naming the line for bytes not valid in the encoding (EncodingError), an
// unfinished quote, text after a closing quote, or a record with a number of
// fields other than the first record's (the header's).
class CsvReader {
public:
    CsvReader(QIODevice *in, Encoding encoding);
    CsvReader(const CsvReader &) = delete;
    CsvReader &operator=(const CsvReader &) = delete;

    // The next record; false at the end of the file.
    bool next(CsvRecord &record);
    // Bytes of the file read so far.
    qint64 position() const { return m_consumed + m_pos; }

private:
    bool more();
    QString decoded(const QByteArray &bytes, int line);

    QIODevice *m_in;
    Encoding m_encoding;
    QStringDecoder m_gb18030;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    qint64 m_consumed = 0;
    int m_line = 1;
    qsizetype m_columns = -1;
    QByteArray m_field;
};

// The first records of a file, how many it holds and how it is encoded: what
// the import preview shows. The whole file is read once to check it.
struct CsvPreview {
    Encoding encoding = Encoding::Utf8;
    QStringList header;
    QVector<CsvRecord> first;
    qint64 records = 0;
};

namespace Csv {

// Every record of bytes in memory, in UTF-8 (for small files and tests).
CsvTable parse(const QByteArray &bytes);

// Without an encoding, UTF-8 when the whole file is valid UTF-8, else
// GB18030 when it is valid GB18030, else refused. Keeps `keep` records after
// the header. Throws Failure beginning with the file's name. With
// progress, `done` counts bytes read, and a set `cancel` throws Cancelled.
CsvPreview inspect(const QString &path, int keep, std::optional<Encoding> encoding = std::nullopt,
                   Progress *progress = nullptr);

// Offset of the first byte that is not part of well-formed UTF-8 (or
// GB18030), or -1.
qsizetype invalidUtf8Offset(QByteArrayView bytes);
qsizetype invalidGb18030Offset(QByteArrayView bytes);

} // namespace Csv

} // namespace exchange
