// tavorin-db import PATH --website ID [--encoding utf-8|gb18030] FILE.csv
// Adds the rows of a CSV file to a website's notes table, through the same
// code and with the same refusals as the import window: columns matched by
// name, new ones created, one transaction, a backup of the file first.
#include "core/NotesTables.h"
#include "tools/db/Commands.h"

#include "core/Backups.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "exchange/ExchangeError.h"
#include "exchange/NotesImport.h"

#include <QFileInfo>

int importCommand(const QStringList &args)
{
    QString path, file;
    std::optional<int> website;
    std::optional<exchange::Encoding> encoding;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--website") && i + 1 < args.size()) {
            bool ok = false;
            website = args[++i].toInt(&ok);
            if (!ok || *website <= 0) {
                err() << "tavorin-db import: not a website id: " << args[i] << "\n";
                return usage(QStringLiteral("import"));
            }
        } else if (a == QLatin1String("--encoding") && i + 1 < args.size()) {
            const QString name = args[++i].toLower();
            if (name == QLatin1String("utf-8") || name == QLatin1String("utf8"))
                encoding = exchange::Encoding::Utf8;
            else if (name == QLatin1String("gb18030") || name == QLatin1String("gbk"))
                encoding = exchange::Encoding::Gb18030;
            else
                return usage(QStringLiteral("import"));
        } else if (a.startsWith(QLatin1String("--"))) {
            err() << "tavorin-db import: unknown option " << a << "\n";
            return usage(QStringLiteral("import"));
        } else if (path.isEmpty()) {
            path = a;
        } else if (file.isEmpty()) {
            file = a;
        } else {
            return usage(QStringLiteral("import"));
        }
    }
    if (path.isEmpty() || file.isEmpty() || !website)
        return usage(QStringLiteral("import"));

    const db::Location connection = db::Location::fromText(path);
    const bool server = connection.onServer();
    const QString table = NotesTables::name(*website);
    try {
        if (!server && !QFileInfo(path).isFile())
            return failed(QStringLiteral("数据库文件不存在：%1").arg(path));
        db::Catalog catalog(connection);
        if (!catalog.hasTable(table))
            return failed(QStringLiteral("website %1 has no notes table (%2)").arg(*website).arg(table));
        exchange::CsvPreview csv;
        try {
            csv = exchange::Csv::inspect(file, 0, encoding);
        } catch (const Failure &e) {
            return failed(QStringLiteral("无法导入：") + e.message());
        }
        const int limit = exchange::columnLimit(catalog.connection());
        if (csv.header.size() > limit)
            return failed(QStringLiteral("无法导入：文件有 %1 列，超过了数据库一个表最多 %2 列的限制。请把文件拆开后再导入。")
                              .arg(csv.header.size())
                              .arg(limit));
        const exchange::ImportPlan plan = exchange::defaultPlan(csv.header, catalog.columns(table));
        catalog.connection().close();
        // Many rows arrive at once: there is a copy to go back to first, as
        // the window makes one. A server is backed up with pg_dump.
        if (!server) {
            QString error;
            const QString made = Backups::make(path, Backups::beforeStep(QStringLiteral("导入")), &error);
            if (made.isEmpty())
                return failed(QStringLiteral("备份数据库失败，导入未执行。%1").arg(error));
            out() << "Backed up " << path << " to " << made << "\n";
        }
        const int rows = exchange::importFile(connection, table, file, csv.encoding, plan);
        out() << "Imported " << rows << (rows == 1 ? " row" : " rows") << " (" << exchange::encodingName(csv.encoding)
              << ") into " << table << "\n";
        return Exit::Ok;
    } catch (const Failure &e) {
        return failed(QStringLiteral("导入失败：") + e.message());
    } catch (const db::DbError &e) {
        return failed(QStringLiteral("导入失败：") + e.message());
    }
}
