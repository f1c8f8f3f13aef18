#include "exchange/XlsxWriter.h"

#include "exchange/ExchangeError.h"
#include "exchange/ExportFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <optional>
#include <string>
#include <xlsxwriter.h>

namespace exchange {

namespace {

constexpr int MinWidth = 6;
constexpr int MaxWidth = 60;
constexpr int DateWidth = 10;

QString libraryError(lxw_error error) { return QString::fromUtf8(lxw_strerror(error)); }

} // namespace

int displayWidth(QStringView text)
{
    int width = 0;
    for (const char32_t cp : text.toUcs4()) {
        // East Asian wide ranges: CJK, Hangul, full-width forms, kana.
        const bool wide = (cp >= 0x1100 && cp <= 0x115F) || (cp >= 0x2E80 && cp <= 0xA4CF)
                          || (cp >= 0xAC00 && cp <= 0xD7A3) || (cp >= 0xF900 && cp <= 0xFAFF)
                          || (cp >= 0xFE30 && cp <= 0xFE4F) || (cp >= 0xFF00 && cp <= 0xFF60)
                          || (cp >= 0xFFE0 && cp <= 0xFFE6) || cp >= 0x20000;
        width += wide ? 2 : 1;
    }
    return width;
}

int displayWidth(QByteArrayView utf8)
{
    int width = 0;
    const auto *s = reinterpret_cast<const unsigned char *>(utf8.data());
    for (qsizetype i = 0; i < utf8.size();) {
        const unsigned char c = s[i];
        if (c < 0xE0) {
            width += 1;
            i += c < 0x80 ? 1 : 2;
        } else if (c < 0xF0) {
            // Three bytes: U+0800 to U+FFFF; from U+1100 on mostly wide script.
            const char32_t cp = (char32_t(c & 0x0F) << 12) | (char32_t(i + 1 < utf8.size() ? s[i + 1] & 0x3F : 0) << 6);
            width += cp >= 0x1100 && !(cp >= 0xA4D0 && cp < 0xAC00) && !(cp >= 0xD7B0 && cp < 0xF900) ? 2 : 1;
            i += 3;
        } else {
            width += 2;
            i += 4;
        }
    }
    return width;
}

struct XlsxWriter::Impl {
    QString path;
    std::optional<ExportFile> file;
    lxw_workbook *book = nullptr;
    lxw_worksheet *sheet = nullptr;
    lxw_format *bold = nullptr;
    lxw_format *dateFormat = nullptr;
    lxw_format *wrap = nullptr;
    lxw_row_t row = 0;
    QVector<int> widths;
    std::string scratch;
    lxw_error firstError = LXW_NO_ERROR;
    QString errorPlace;

    void widen(int column, int width)
    {
        if (column >= widths.size())
            widths.resize(column + 1, MinWidth);
        widths[column] = qBound(widths[column], width, MaxWidth);
    }
    void check(lxw_error error, int column)
    {
        if (error != LXW_NO_ERROR && firstError == LXW_NO_ERROR) {
            firstError = error;
            errorPlace = QStringLiteral("第 %1 行第 %2 列").arg(row + 1).arg(column + 1);
        }
    }
    void discard()
    {
        if (book) {
            workbook_close(book);
            book = nullptr;
        }
        file.reset();
    }
};

XlsxWriter::XlsxWriter(const QString &path) : d(std::make_unique<Impl>())
{
    d->path = path;
    const QFileInfo info(path);
    d->file.emplace(path);
    lxw_workbook_options options{};
    // Rows go straight to a temporary file instead of memory: a table of a
    // hundred thousand rows costs no more memory than one of ten.
    options.constant_memory = LXW_TRUE;
    d->book = workbook_new_opt(QFile::encodeName(d->file->partialPath()).constData(), &options);
    if (!d->book) {
        d->file.reset();
        throw Failure(QStringLiteral("无法创建 Excel 文件 %1").arg(info.fileName()));
    }
    d->sheet = workbook_add_worksheet(d->book, nullptr);
    d->bold = workbook_add_format(d->book);
    format_set_bold(d->bold);
    d->dateFormat = workbook_add_format(d->book);
    format_set_num_format(d->dateFormat, "yyyy-m-d");
    d->wrap = workbook_add_format(d->book);
    format_set_text_wrap(d->wrap);
    format_set_align(d->wrap, LXW_ALIGN_VERTICAL_TOP);
}

XlsxWriter::~XlsxWriter()
{
    if (d->book)
        d->discard();
}

void XlsxWriter::writeHeader(const QStringList &names)
{
    for (int c = 0; c < names.size(); ++c) {
        d->check(worksheet_write_string(d->sheet, d->row, lxw_col_t(c), names[c].toUtf8().constData(), d->bold), c);
        d->widen(c, displayWidth(names[c]) + 2);
    }
    worksheet_freeze_panes(d->sheet, 1, 0);
    endRow();
}

void XlsxWriter::writeText(int column, const QString &text)
{
    if (text.isEmpty())
        return;
    d->check(worksheet_write_string(d->sheet, d->row, lxw_col_t(column), text.toUtf8().constData(), nullptr), column);
    // Only the first line of a memo counts for the width; long ones are capped.
    const qsizetype eol = text.indexOf(QLatin1Char('\n'));
    d->widen(column, displayWidth(eol < 0 ? QStringView(text) : QStringView(text).first(eol)) + 1);
}

void XlsxWriter::writeText(int column, QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return;
    // The library wants a terminated string.
    d->scratch.assign(utf8.data(), size_t(utf8.size()));
    d->check(worksheet_write_string(d->sheet, d->row, lxw_col_t(column), d->scratch.c_str(), nullptr), column);
    const qsizetype eol = utf8.indexOf('\n');
    d->widen(column, displayWidth(eol < 0 ? utf8 : utf8.first(eol)) + 1);
}

void XlsxWriter::writeMemo(int column, QByteArrayView utf8)
{
    if (utf8.isEmpty())
        return;
    d->scratch.clear();
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        if (utf8[i] == '\r') {
            if (i + 1 < utf8.size() && utf8[i + 1] == '\n')
                ++i;
            d->scratch.push_back('\n');
        } else {
            d->scratch.push_back(utf8[i]);
        }
    }
    d->check(worksheet_write_string(d->sheet, d->row, lxw_col_t(column), d->scratch.c_str(), d->wrap), column);
    const qsizetype eol = utf8.indexOf('\n');
    d->widen(column, displayWidth(eol < 0 ? utf8 : utf8.first(eol)) + 1);
}

void XlsxWriter::writeNumber(int column, double value)
{
    d->check(worksheet_write_number(d->sheet, d->row, lxw_col_t(column), value, nullptr), column);
    d->widen(column, QString::number(value, 'g', 15).size() + 1);
}

void XlsxWriter::writeDate(int column, const QDate &date)
{
    if (!date.isValid())
        return;
    // Excel counts days from 1899-12-30 (its 1900 leap-year slip included).
    const double serial = double(QDate(1899, 12, 30).daysTo(date));
    d->check(worksheet_write_number(d->sheet, d->row, lxw_col_t(column), serial, d->dateFormat), column);
    d->widen(column, DateWidth + 1);
}

void XlsxWriter::endRow() { ++d->row; }

void XlsxWriter::close()
{
    if (!d->book)
        return;
    if (d->firstError != LXW_NO_ERROR) {
        const QString message = QStringLiteral("写 Excel 文件时出错（%1）：%2").arg(d->errorPlace, libraryError(d->firstError));
        d->discard();
        throw Failure(message);
    }
    for (int c = 0; c < d->widths.size(); ++c)
        worksheet_set_column(d->sheet, lxw_col_t(c), lxw_col_t(c), d->widths[c], nullptr);
    errno = 0;
    const lxw_error error = workbook_close(d->book);
    // The library says only which step failed; the system's reason (a full
    // disk) is still in errno.
    const int why = errno;
    d->book = nullptr;
    if (error != LXW_NO_ERROR)
        d->file->fail(libraryError(error), why == ENOSPC || why == EFBIG || why == EDQUOT ? why : 0);
    d->file->commit();
}

} // namespace exchange
