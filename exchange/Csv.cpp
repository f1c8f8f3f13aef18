#include "exchange/Csv.h"

#include "exchange/ExchangeError.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>

namespace exchange {

namespace {

constexpr char Bom[] = "\xEF\xBB\xBF";
constexpr qsizetype FlushAt = 1 << 20;

bool needsQuotes(QByteArrayView utf8)
{
    for (const char c : utf8)
        if (c == ',' || c == '"' || c == '\r' || c == '\n')
            return true;
    return false;
}

} // namespace

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
    if (!needsQuotes(utf8)) {
        m_buffer.append(utf8);
        return;
    }
    m_buffer.append('"');
    for (const char c : utf8) {
        if (c == '"')
            m_buffer.append('"');
        m_buffer.append(c);
    }
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
    if (m_out->write(m_buffer) != m_buffer.size())
        throw ExchangeError(QStringLiteral("无法写入文件：%1").arg(m_out->errorString()));
    m_buffer.clear();
}

QByteArray CsvWriter::field(QByteArrayView utf8)
{
    if (!needsQuotes(utf8))
        return utf8.toByteArray();
    QByteArray out = "\"";
    for (const char c : utf8) {
        if (c == '"')
            out.append('"');
        out.append(c);
    }
    out.append('"');
    return out;
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

CsvTable parse(const QByteArray &bytes)
{
    QByteArrayView view(bytes);
    if (view.startsWith(QByteArrayView(Bom, 3)))
        view = view.sliced(3);
    if (const qsizetype bad = invalidUtf8Offset(view); bad >= 0) {
        const int line = 1 + int(view.first(bad).count('\n'));
        throw ExchangeError(QStringLiteral("第 %1 行有不是 UTF-8 的字节：文件可能是 GBK 等其他编码。"
                                           "请在 Excel 中另存为“CSV UTF-8（逗号分隔）”，或在记事本中另存为 UTF-8 后再导入。")
                                .arg(line));
    }
    const QString text = QString::fromUtf8(view);

    CsvTable table;
    QVector<CsvRecord> records;
    CsvRecord record;
    QString field;
    bool quoted = false;     // the current field began with a quote
    bool afterQuote = false; // its closing quote has been read
    bool fieldStarted = false;
    int line = 1;
    int quoteLine = 0;
    record.line = 1;

    const auto endField = [&] {
        record.fields << field;
        field.clear();
        quoted = afterQuote = fieldStarted = false;
    };
    const auto endRecord = [&] {
        endField();
        // A blank line is one empty, unquoted field: nothing to read there.
        if (!(record.fields.size() == 1 && record.fields.first().isEmpty()))
            records << record;
        record = CsvRecord();
    };

    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text.at(i);
        if (quoted && !afterQuote) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text.at(i + 1) == QLatin1Char('"')) {
                    field += c;
                    ++i;
                } else {
                    afterQuote = true;
                }
            } else {
                if (c == QLatin1Char('\n') || (c == QLatin1Char('\r') && !(i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))))
                    ++line;
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char(',')) {
            endField();
            continue;
        }
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            endRecord();
            ++line;
            record.line = line;
            continue;
        }
        if (afterQuote)
            throw ExchangeError(QStringLiteral("第 %1 行：引号结束后还有文字“%2”；引号里的引号要写成两个引号。")
                                    .arg(line)
                                    .arg(c));
        if (c == QLatin1Char('"') && field.isEmpty() && !fieldStarted) {
            quoted = true;
            quoteLine = line;
            fieldStarted = true;
            continue;
        }
        // A quote inside an unquoted field is kept as it is, as Excel does.
        field += c;
        fieldStarted = true;
    }
    if (quoted && !afterQuote)
        throw ExchangeError(QStringLiteral("第 %1 行：引号开始的字段直到文件末尾都没有结束。").arg(quoteLine));
    if (fieldStarted || !field.isEmpty() || !record.fields.isEmpty())
        endRecord();

    if (records.isEmpty())
        throw ExchangeError(QStringLiteral("文件是空的：没有标题行。"));
    table.header = records.takeFirst().fields;
    for (const CsvRecord &r : std::as_const(records))
        if (r.fields.size() != table.header.size())
            throw ExchangeError(QStringLiteral("第 %1 行有 %2 个字段，标题行有 %3 个。")
                                    .arg(r.line)
                                    .arg(r.fields.size())
                                    .arg(table.header.size()));
    table.records = std::move(records);
    return table;
}

CsvTable readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw ExchangeError(QStringLiteral("无法打开文件 %1：%2").arg(QFileInfo(path).fileName(), file.errorString()));
    const QByteArray bytes = file.readAll();
    try {
        return parse(bytes);
    } catch (const ExchangeError &e) {
        throw ExchangeError(QFileInfo(path).fileName() + QStringLiteral("：") + e.message());
    }
}

} // namespace Csv

} // namespace exchange
