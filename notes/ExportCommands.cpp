#include "notes/ExportCommands.h"

#include "core/Database.h"
#include "core/FileDialog.h"
#include "core/MessageBox.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "exchange/ExchangeError.h"

#include <QFileInfo>
#include <functional>

namespace ExportCommands {

namespace {

const QString CsvFilter = QStringLiteral("CSV 文件（UTF-8） (*.csv)");
const QString XlsxFilter = QStringLiteral("Excel 工作簿 (*.xlsx)");

} // namespace

std::optional<Target> chooseFile(QWidget *parent, const QString &caption, const QString &baseName)
{
    QString filter = XlsxFilter;
    QString path = FileDialog::saveFile(parent, caption, baseName + QStringLiteral(".xlsx"),
                                        XlsxFilter + QStringLiteral(";;") + CsvFilter, &filter);
    if (path.isEmpty())
        return std::nullopt;
    auto format = exchange::formatForPath(path);
    if (!format) {
        // No known suffix: the chosen file type decides and names it.
        format = filter == CsvFilter ? exchange::Format::Csv : exchange::Format::Xlsx;
        path += *format == exchange::Format::Csv ? QStringLiteral(".csv") : QStringLiteral(".xlsx");
    }
    return Target{path, *format};
}

int run(QWidget *, const Target &target, const std::function<int(const Target &)> &write)
{
    try {
        const int rows = write(target);
        MessageBox::show(QStringLiteral("导出成功：%1 条记录已写入 %2").arg(rows).arg(QFileInfo(target.path).fileName()));
        return rows;
    } catch (const exchange::ExchangeError &e) {
        MessageBox::show(QStringLiteral("导出失败：") + e.message());
    } catch (const db::DbError &e) {
        MessageBox::show(QStringLiteral("导出失败：") + e.message());
    }
    return -1;
}

void exportNotes(QWidget *parent, const QString &table, const QString &websiteName)
{
    const auto target = chooseFile(parent, QStringLiteral("导出优化记录"),
                                   (websiteName.trimmed().isEmpty() ? table : websiteName.trimmed()) + QStringLiteral(" 优化记录"));
    if (!target)
        return;
    run(parent, *target, [&table](const Target &t) {
        db::Connection conn;
        conn.open(Database::notebook);
        return exchange::exportNotesTable(conn, table, t.format, t.path);
    });
}

} // namespace ExportCommands
