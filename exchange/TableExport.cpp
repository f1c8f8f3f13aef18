#include "exchange/TableExport.h"

#include "core/DateText.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "exchange/CellNumbers.h"
#include "exchange/Csv.h"
#include "exchange/ExportFile.h"
#include "exchange/ExchangeError.h"
#include "exchange/XlsxWriter.h"

#include <QFileInfo>
#include <QFile>
#include <cerrno>

namespace exchange {

std::optional<Format> formatFromName(const QString &name)
{
    if (name.compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0)
        return Format::Csv;
    if (name.compare(QLatin1String("xlsx"), Qt::CaseInsensitive) == 0)
        return Format::Xlsx;
    return std::nullopt;
}

std::optional<Format> formatForPath(const QString &path) { return formatFromName(QFileInfo(path).suffix()); }

QString catalogueQuery()
{
    return QStringLiteral("SELECT Webid As 编号, Webname As 网站名称, Weburl As 网址, Webtime As 接单日期, "
                          "Webmemos As 备注信息 FROM Website ORDER BY Webtime Desc");
}

namespace {

QString cellText(const QVariant &value, db::FieldType type)
{
    if (value.isNull())
        return {};
    switch (type) {
    case db::FieldType::Date:
        return DateText::toPlainText(value.toDate());
    case db::FieldType::Real:
        return QString::number(value.toDouble(), 'g', 15);
    default:
        return value.toString();
    }
}

// A stored day "2011-09-05" (perhaps with a time after it) as "2011-9-5",
// straight from the bytes; anything else is left to the date rules.
bool plainDate(QByteArrayView iso, QByteArray *out)
{
    if (iso.size() < 10 || iso[4] != '-' || iso[7] != '-' || (iso.size() > 10 && iso[10] != ' ' && iso[10] != 'T'))
        return false;
    for (const int i : {0, 1, 2, 3, 5, 6, 8, 9})
        if (iso[i] < '0' || iso[i] > '9')
            return false;
    out->clear();
    out->append(iso.first(5));
    if (iso[5] != '0')
        out->append(iso[5]);
    out->append(iso[6]);
    out->append('-');
    if (iso[8] != '0')
        out->append(iso[8]);
    out->append(iso[9]);
    return true;
}

struct Columns {
    QStringList names;
    QVector<int> fields;
    QVector<db::FieldType> types;
};

// Every few hundred rows: how far, and whether the user stopped it.
void report(Progress *progress, int row)
{
    if (!progress || row % 512 != 0)
        return;
    progress->done = row;
    if (progress->cancel)
        throw Cancelled(QStringLiteral("导出已取消，没有写入文件。"));
}

Columns columnsOf(const db::ForwardCursor &rows, int first)
{
    Columns c;
    for (int f = first; f < rows.fieldCount(); ++f) {
        c.names << rows.fieldName(f);
        c.fields << f;
        c.types << rows.fieldType(f);
    }
    return c;
}

int writeCsv(db::ForwardCursor &rows, int first, const QString &path, Progress *progress)
{
    ExportFile target(path);
    QFile file(target.partialPath());
    // Unbuffered: the writer buffers itself, and a failed write keeps its errno.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        target.fail(file.errorString(), errno);
    CsvWriter csv(&file);
    const Columns columns = columnsOf(rows, first);
    int written = 0;
    try {
        csv.writeRow(columns.names);
        QByteArray day, number; // reused for every cell
        for (; rows.next(); ++written) {
            report(progress, written);
            for (int k = 0; k < columns.fields.size(); ++k) {
                const int f = columns.fields[k];
                // Text goes from the engine to the file as the bytes it is.
                const QByteArrayView text = rows.textAt(f);
                if (columns.types[k] == db::FieldType::Date && plainDate(text, &day)) {
                    csv.addField(QByteArrayView(day));
                } else if (!text.isNull() && columns.types[k] != db::FieldType::Date) {
                    csv.addField(text);
                } else if (const QVariant value = rows.value(f); value.typeId() == QMetaType::LongLong
                           && columns.types[k] != db::FieldType::Date && columns.types[k] != db::FieldType::Real) {
                    number.setNum(value.toLongLong());
                    csv.addField(QByteArrayView(number));
                } else {
                    csv.addField(cellText(value, columns.types[k]));
                }
            }
            csv.endRow();
        }
        csv.flush();
    } catch (const Cancelled &) {
        throw;
    } catch (const Failure &) {
        // Only the writer throws Failure here: the file and the system's
        // reason (a full disk) instead of Qt's words.
        target.fail(file.errorString(), csv.failedErrno());
    }
    errno = 0;
    if (!file.flush())
        target.fail(file.errorString(), errno);
    file.close();
    target.commit();
    return written;
}

int writeXlsx(db::ForwardCursor &rows, int first, const QString &path, Progress *progress)
{
    XlsxWriter xlsx(path);
    const Columns columns = columnsOf(rows, first);
    xlsx.writeHeader(columns.names);
    int written = 0;
    for (; rows.next(); ++written) {
        report(progress, written);
        for (int column = 0; column < columns.fields.size(); ++column) {
            const int f = columns.fields[column];
            const QByteArrayView text = rows.textAt(f);
            switch (columns.types[column]) {
            case db::FieldType::Date: {
                const QVariant value = rows.value(f);
                if (value.typeId() == QMetaType::QDate)
                    xlsx.writeDate(column, value.toDate());
                else if (!value.isNull())
                    xlsx.writeText(column, value.toString());
                break;
            }
            case db::FieldType::Memo:
                // Prose stays text even when it happens to be digits.
                if (!text.isNull())
                    xlsx.writeMemo(column, text);
                break;
            default:
                if (!text.isNull()) {
                    double number = 0;
                    if (isPlainNumber(text, &number))
                        xlsx.writeNumber(column, number);
                    else
                        xlsx.writeText(column, text);
                } else if (const QVariant value = rows.value(f); !value.isNull()) {
                    if (value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Double)
                        xlsx.writeNumber(column, value.toDouble());
                    else
                        xlsx.writeText(column, value.toString());
                }
            }
        }
        xlsx.endRow();
    }
    xlsx.close();
    return written;
}

// Writes every row a query gives, first to last, with its field names as the
// header; with skipFirst the first field (a row key) is left out. The rows
// go from the engine to the file one at a time.
int exportQuery(db::Connection &conn, const QString &query, Format format, const QString &path, Progress *progress,
                bool skipKey)
{
    if (progress && conn.engine() != db::Connection::Engine::Server) {
        // The engine counts the rows only by reading them: ask it first, for
        // the progress bar.
        db::ForwardCursor count(QStringLiteral("SELECT count(*) FROM (") + query + QStringLiteral(") AS counted"), conn);
        progress->total = count.next() ? count.value(0).toLongLong() : 0;
    }
    db::ForwardCursor rows(query, conn);
    if (progress && rows.knownRowCount() >= 0)
        progress->total = rows.knownRowCount();
    const bool keyed = skipKey && rows.fieldCount() > 0
                    && rows.fieldName(0).compare(QLatin1String("AutoId"), Qt::CaseInsensitive) == 0;
    const int first = keyed ? 1 : 0;
    return format == Format::Csv ? writeCsv(rows, first, path, progress) : writeXlsx(rows, first, path, progress);
}

} // namespace

int exportNotesTable(db::Connection &conn, const QString &table, Format format, const QString &path, Progress *progress)
{
    return exportQuery(conn, QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY [时间], AutoId"), format,
                       path, progress, true);
}

int exportWebsites(db::Connection &conn, const QString &query, Format format, const QString &path, Progress *progress)
{
    return exportQuery(conn, query, format, path, progress, false);
}

} // namespace exchange
