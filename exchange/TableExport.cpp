#include "exchange/TableExport.h"

#include "core/DateText.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "exchange/CellNumbers.h"
#include "exchange/Csv.h"
#include "exchange/ExchangeError.h"
#include "exchange/XlsxWriter.h"

#include <QFileInfo>
#include <QSaveFile>

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

int writeCsv(const db::Recordset &rs, int first, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw ExchangeError(QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()));
    CsvWriter csv(&file);
    const int fields = rs.fieldCount();
    QVector<db::FieldType> types;
    for (int f = first; f < fields; ++f) {
        csv.addField(rs.fieldName(f));
        types << rs.fieldType(f);
    }
    csv.endRow();
    const int rows = rs.recordCount();
    for (int r = 0; r < rows; ++r) {
        for (int f = first; f < fields; ++f)
            csv.addField(cellText(rs.valueAt(r, f), types[f - first]));
        csv.endRow();
    }
    csv.flush();
    if (!file.commit())
        throw ExchangeError(QStringLiteral("无法写入文件 %1：%2").arg(path, file.errorString()));
    return rows;
}

int writeXlsx(const db::Recordset &rs, int first, const QString &path)
{
    XlsxWriter xlsx(path);
    const int fields = rs.fieldCount();
    QStringList header;
    QVector<db::FieldType> types;
    for (int f = first; f < fields; ++f) {
        header << rs.fieldName(f);
        types << rs.fieldType(f);
    }
    xlsx.writeHeader(header);
    const int rows = rs.recordCount();
    for (int r = 0; r < rows; ++r) {
        for (int f = first; f < fields; ++f) {
            const int column = f - first;
            const QVariant value = rs.valueAt(r, f);
            if (value.isNull())
                continue;
            switch (types[column]) {
            case db::FieldType::Date:
                xlsx.writeDate(column, value.toDate());
                break;
            case db::FieldType::Integer:
            case db::FieldType::Real:
                xlsx.writeNumber(column, value.toDouble());
                break;
            case db::FieldType::Memo:
                // Prose stays text even when it happens to be digits.
                xlsx.writeText(column, value.toString());
                break;
            default: {
                const QString text = value.toString();
                double number = 0;
                if (isPlainNumber(text, &number))
                    xlsx.writeNumber(column, number);
                else
                    xlsx.writeText(column, text);
            }
            }
        }
        xlsx.endRow();
    }
    xlsx.close();
    return rows;
}

} // namespace

int exportRecordset(const db::Recordset &rs, Format format, const QString &path, bool skipFirst)
{
    const int first = skipFirst ? 1 : 0;
    return format == Format::Csv ? writeCsv(rs, first, path) : writeXlsx(rs, first, path);
}

int exportNotesTable(db::Connection &conn, const QString &table, Format format, const QString &path)
{
    db::Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY [时间], AutoId"), conn);
    const bool keyed = rs.fieldCount() > 0 && rs.fieldName(0).compare(QLatin1String("AutoId"), Qt::CaseInsensitive) == 0;
    return exportRecordset(rs, format, path, keyed);
}

int exportWebsites(db::Connection &conn, const QString &query, Format format, const QString &path)
{
    db::Recordset rs;
    rs.open(query, conn);
    return exportRecordset(rs, format, path);
}

} // namespace exchange
