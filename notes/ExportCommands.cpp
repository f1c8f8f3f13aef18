#include "notes/ExportCommands.h"

#include "core/Database.h"
#include "core/FileDialog.h"
#include "core/MessageBox.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "exchange/ExchangeError.h"
#include "notes/BackgroundTask.h"

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

int run(QWidget *parent, const Target &target, const std::function<int(const Target &, exchange::Progress &)> &write)
{
    try {
        exchange::Progress progress;
        int rows = 0;
        BackgroundTask::run(parent, QStringLiteral("正在导出到 %1…").arg(QFileInfo(target.path).fileName()), progress,
                            [&] { rows = write(target, progress); });
        MessageBox::show(QStringLiteral("导出成功：%1 条记录已写入 %2").arg(rows).arg(QFileInfo(target.path).fileName()));
        return rows;
    } catch (const exchange::Cancelled &e) {
        MessageBox::show(e.message());
    } catch (const Failure &e) {
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
    const db::Location connection = Database::notebook;
    run(parent, *target, [&table, &connection](const Target &t, exchange::Progress &progress) {
        db::Connection conn;
        conn.open(connection);
        return exchange::exportNotesTable(conn, table, t.format, t.path, &progress);
    });
}

} // namespace ExportCommands
