#include "exchange/Csv.h"

#include "exchange/ExchangeError.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <cerrno>

namespace exchange {

namespace {

constexpr char Bom[] = "\xEF\xBB\xBF";
constexpr qsizetype FlushAt = 1 << 20;
constexpr qint64 ReadChunk = 1 << 16;

bool needsQuotes(QByteArrayView utf8)
{
    for (const char c : utf8)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

// -3, -0.5: a number, not a formula.
bool negativeNumber(QByteArrayView s)
{
    qsizetype i = 1, digits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9')
        ++i, ++digits;
    if (digits > 0 && i + 1 < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9')
            ++i;
    }
    return digits > 0 && i == s.size() && s[i - 1] != '.';
}

QString badBytes(int line, Encoding encoding)
{
    return encoding == Encoding::Utf8
               ? QStringLiteral("第 %1 行有不是 UTF-8 的字节").arg(line)
               : QStringLiteral("第 %1 行有不是 GB18030（GBK）的字节").arg(line);
}

} // namespace

bool guardFormula(QByteArrayView utf8)
{
    qsizetype i = 0;
    while (i < utf8.size() && utf8[i] == '\'')
        ++i;
    if (i == utf8.size())
        return false;
    const char c = utf8[i];
    if (c == '-')
        return !negativeNumber(utf8.sliced(i));
    return c == '=' || c == '+' || c == '@' || c == '\t' || c == '\r';
}

QString encodingName(Encoding encoding)
{
    return encoding == Encoding::Utf8 ? QStringLiteral("UTF-8") : QStringLiteral("GB18030");
}

CsvWriter::CsvWriter(QIODevice *out) : m_out(out)
{
    m_buffer.reserve(FlushAt + 4096);
    m_buffer.append(Bom, 3);
}

CsvWriter::~CsvWriter() = default;

void CsvWriter::appendField(QByteArrayView utf8)
{
    if (m_rowStarted)
        m_buffer.append(',');
    m_rowStarted = true;
    const bool guard = guardFormula(utf8);
    if (!needsQuotes(utf8)) {
        if (guard)
            m_buffer.append('\'');
        m_buffer.append(utf8);
        return;
    }
    m_buffer.append('"');
    if (guard)
        m_buffer.append('\'');
    // Quotes doubled, the rest copied in runs (memos are long and mostly quote-free).
    for (qsizetype quote; (quote = utf8.indexOf('"')) >= 0; utf8 = utf8.sliced(quote + 1)) {
        m_buffer.append(utf8.first(quote + 1));
        m_buffer.append('"');
    }
    m_buffer.append(utf8);
    m_buffer.append('"');
}

void CsvWriter::addField(const QString &text) { appendField(text.toUtf8()); }

void CsvWriter::addField(QByteArrayView utf8) { appendField(utf8); }

void CsvWriter::endRow()
{
    m_buffer.append("\r\n", 2);
    m_rowStarted = false;
    if (m_buffer.size() >= FlushAt)
        flush();
}

void CsvWriter::writeRow(const QStringList &fields)
{
    for (const QString &f : fields)
        addField(f);
    endRow();
}

void CsvWriter::flush()
{
    if (m_buffer.isEmpty())
        return;
    errno = 0;
    if (m_out->write(m_buffer) != m_buffer.size()) {
        m_errno = errno;
        throw Failure(QStringLiteral("无法写入文件：%1").arg(m_out->errorString()));
    }
    m_buffer.resize(0); // keeps the storage: clear() would give it back and fault it in again
}

CsvReader::CsvReader(QIODevice *in, Encoding encoding)
    : m_in(in), m_encoding(encoding), m_gb18030(encoding == Encoding::Gb18030 ? "GB18030" : "UTF-8")
{
    if (encoding == Encoding::Gb18030 && !m_gb18030.isValid())
        throw Failure(QStringLiteral("本机的 Qt 不支持 GB18030 编码"));
    if (more() && QByteArrayView(m_buffer).startsWith(QByteArrayView(Bom, 3)))
        m_pos = 3;
}

bool CsvReader::more()
{
    if (m_pos < m_buffer.size())
        return true;
    m_consumed += m_buffer.size();
    m_buffer = m_in->read(ReadChunk);
    m_pos = 0;
    return !m_buffer.isEmpty();
}

QString CsvReader::decoded(const QByteArray &bytes, int line)
{
    const qsizetype bad = m_encoding == Encoding::Utf8 ? Csv::invalidUtf8Offset(bytes) : Csv::invalidGb18030Offset(bytes);
    if (bad >= 0) {
        line += int(QByteArrayView(bytes).first(bad).count('\n'));
        throw EncodingError(badBytes(line, m_encoding), line);
    }
    return m_encoding == Encoding::Utf8 ? QString::fromUtf8(bytes) : QString(m_gb18030.decode(bytes));
}

bool CsvReader::next(CsvRecord &record)
{
    for (;;) {
        record.fields.clear();
        record.line = m_line;
        if (!more())
            return false;
        for (;;) {
            m_field.clear();
            const int fieldLine = m_line;
            const bool quoted = m_buffer[m_pos] == '"';
            if (quoted) {
                ++m_pos;
                for (;;) {
                    if (!more())
                        throw Failure(QStringLiteral("第 %1 行：引号开始的字段直到文件末尾都没有结束。").arg(fieldLine));
                    const char *begin = m_buffer.constData() + m_pos;
                    const char *end = m_buffer.constData() + m_buffer.size();
                    const char *p = begin;
                    while (p < end && *p != '"' && *p != '\n' && *p != '\r')
                        ++p;
                    m_field.append(begin, p - begin);
                    m_pos += p - begin;
                    if (p == end)
                        continue;
                    const char c = m_buffer[m_pos++];
                    if (c == '"') {
                        if (more() && m_buffer[m_pos] == '"') {
                            m_field.append('"');
                            ++m_pos;
                            continue;
                        }
                        break;
                    }
                    m_field.append(c);
                    if (c == '\r' && more() && m_buffer[m_pos] == '\n') {
                        m_field.append('\n');
                        ++m_pos;
                    }
                    ++m_line;
                }
                if (more() && m_buffer[m_pos] != ',' && m_buffer[m_pos] != '\r' && m_buffer[m_pos] != '\n') {
                    QByteArray rest;
                    while (more() && m_buffer[m_pos] != ',' && m_buffer[m_pos] != '\r' && m_buffer[m_pos] != '\n'
                           && rest.size() < 8)
                        rest.append(m_buffer[m_pos++]);
                    QString shown = m_encoding == Encoding::Utf8 ? QString::fromUtf8(rest) : QString(m_gb18030.decode(rest));
                    shown.truncate(shown.size() > 1 && shown.at(0).isHighSurrogate() ? 2 : 1);
                    throw Failure(
                        QStringLiteral("第 %1 行：引号结束后还有文字“%2”；引号里的引号要写成两个引号。").arg(m_line).arg(shown));
                }
            } else {
                // A quote inside an unquoted field is kept as it is, as Excel does.
                for (;;) {
                    const char *begin = m_buffer.constData() + m_pos;
                    const char *end = m_buffer.constData() + m_buffer.size();
                    const char *p = begin;
                    while (p < end && *p != ',' && *p != '\n' && *p != '\r')
                        ++p;
                    m_field.append(begin, p - begin);
                    m_pos += p - begin;
                    if (p != end || !more())
                        break;
                }
            }
            // The apostrophe the writer put before a formula-like cell.
            if (m_field.startsWith('\'') && guardFormula(QByteArrayView(m_field).sliced(1)))
                m_field.remove(0, 1);
            record.fields.append(decoded(m_field, fieldLine));
            if (!more())
                break;
            const char c = m_buffer[m_pos++];
            if (c == ',') {
                if (!more())
                    record.fields.append(QString());
                else
                    continue;
                break;
            }
            if (c == '\r' && more() && m_buffer[m_pos] == '\n')
                ++m_pos;
            ++m_line;
            break;
        }
        // A blank line is one empty field: nothing to read there.
        if (record.fields.size() == 1 && record.fields.first().isEmpty())
            continue;
        if (m_columns < 0)
            m_columns = record.fields.size();
        else if (record.fields.size() != m_columns)
            throw Failure(QStringLiteral("第 %1 行有 %2 个字段，标题行有 %3 个。")
                                    .arg(record.line)
                                    .arg(record.fields.size())
                                    .arg(m_columns));
        return true;
    }
}

namespace Csv {

qsizetype invalidUtf8Offset(QByteArrayView bytes)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int extra;
        char32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return i;
        }
        if (i + extra >= n)
            return i;
        for (int k = 1; k <= extra; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, UTF-16 surrogates and values past U+10FFFF.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF)
            || cp > 0x10FFFF)
            return i;
        i += extra + 1;
    }
    return -1;
}

qsizetype invalidGb18030Offset(QByteArrayView bytes)
{
    const auto *s = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned char c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c == 0x80 || c == 0xFF || i + 1 >= n)
            return i;
        const unsigned char d = s[i + 1];
        if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xFE)) {
            i += 2;
        } else if (d >= 0x30 && d <= 0x39 && i + 3 < n && s[i + 2] >= 0x81 && s[i + 2] <= 0xFE && s[i + 3] >= 0x30
                   && s[i + 3] <= 0x39) {
            i += 4;
        } else {
            return i;
        }
    }
    return -1;
}

CsvTable parse(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    CsvReader reader(&buffer, Encoding::Utf8);
    CsvTable table;
    CsvRecord record;
    if (!reader.next(record))
        throw Failure(QStringLiteral("文件是空的：没有标题行。"));
    table.header = record.fields;
    while (reader.next(record))
        table.records.append(record);
    return table;
}

namespace {

CsvPreview readPreview(const QString &path, int keep, Encoding encoding, Progress *progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("无法打开文件 %1：%2").arg(QFileInfo(path).fileName(), file.errorString()));
    CsvReader reader(&file, encoding);
    CsvPreview preview;
    preview.encoding = encoding;
    CsvRecord record;
    if (!reader.next(record))
        throw Failure(QStringLiteral("文件是空的：没有标题行。"));
    preview.header = record.fields;
    if (progress)
        progress->total = file.size();
    while (reader.next(record)) {
        if (preview.records++ < keep)
            preview.first.append(record);
        if (progress && preview.records % 4096 == 0) {
            progress->done = reader.position();
            if (progress->cancel)
                throw Cancelled(QStringLiteral("已取消"));
        }
    }
    return preview;
}

} // namespace

CsvPreview inspect(const QString &path, int keep, std::optional<Encoding> encoding, Progress *progress)
{
    const QString name = QFileInfo(path).fileName() + QStringLiteral("：");
    try {
        if (encoding)
            return readPreview(path, keep, *encoding, progress);
        try {
            return readPreview(path, keep, Encoding::Utf8, progress);
        } catch (const EncodingError &utf8) {
            try {
                return readPreview(path, keep, Encoding::Gb18030, progress);
            } catch (const EncodingError &) {
                throw Failure(QStringLiteral("第 %1 行有既不是 UTF-8 也不是 GB18030（GBK）的字节：文件可能已损坏或是其他编码。"
                                                   "请在 Excel 中另存为“CSV UTF-8（逗号分隔）”后再导入。")
                                        .arg(utf8.line()));
            }
        }
    } catch (const EncodingError &e) {
        throw EncodingError(name + e.message() + QStringLiteral("：请换一种编码，或在 Excel 中另存为“CSV UTF-8（逗号分隔）”后再导入。"),
                            e.line());
    } catch (const Cancelled &) {
        throw;
    } catch (const Failure &e) {
        throw Failure(name + e.message());
    }
}

} // namespace Csv

} // namespace exchange
