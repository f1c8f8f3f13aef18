#include "tools/db/Commands.h"
#include "tools/db/ServerNotebook.h"

#include "core/Backups.h"
#include "core/Password.h"
#include "core/Schema.h"
#include "core/db/Backup.h"
#include "core/db/Connection.h"

#include <QFileInfo>
#include <sqlite3.h>

namespace {

qint64 count(sqlite3 *db, const QByteArray &sql)
{
    sqlite3_stmt *stmt = nullptr;
    qint64 n = -1;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK && sqlite3_step(stmt) == SQLITE_ROW)
        n = sqlite3_column_int64(stmt, 0);
    sqlite3_finalize(stmt);
    return n;
}

} // namespace

int checkCommand(const QStringList &args)
{
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("check"));
    const QString path = args[0];
    if (db::Connection::isServer(path))
        return checkServerNotebook(path);
    if (!QFileInfo(path).isFile())
        return failed(QStringLiteral("%1: no such file").arg(path));

    const QString problem = db::checkDatabase(path, true);
    if (!problem.isEmpty())
        return failed(QStringLiteral("%1: integrity check failed: %2").arg(path, problem));
    out() << path << ": integrity ok\n";

    QString error;
    const int version = Schema::version(path, &error);
    if (version < 0)
        return failed(error);
    if (version > Schema::CurrentVersion)
        return failed(Schema::tooNewMessage(path, version));

    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        const QString why = QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close_v2(db);
        return failed(QStringLiteral("%1: %2").arg(path, why));
    }
    const QString structure = Schema::checkStructure(db);
    if (!structure.isEmpty()) {
        sqlite3_close_v2(db);
        return failed(QStringLiteral("%1: not a Tavorin database: %2").arg(path, structure));
    }

    out() << "schema version: " << version;
    if (version < Schema::CurrentVersion)
        out() << " (older than " << Schema::CurrentVersion << ": upgraded when the program next opens it, or run"
              << " tavorin-db upgrade)";
    out() << "\n";

    qint64 clear = 0;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT UserPwd FROM Users", -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
            if (!Password::isHash(QString::fromUtf8(text ? text : "")))
                ++clear;
        }
    }
    sqlite3_finalize(stmt);
    out() << "accounts: " << count(db, "SELECT count(*) FROM Users");
    if (clear)
        out() << " (" << clear << " with a clear-text password)";
    out() << "\n";
    out() << "websites: " << count(db, "SELECT count(*) FROM Website") << "\n";

    qint64 tables = 0, rows = 0;
    QStringList names;
    if (sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name GLOB 'biji[0-9]*'", -1,
                           &stmt, nullptr)
        == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    for (const QString &name : names) {
        ++tables;
        rows += qMax<qint64>(0, count(db, "SELECT count(*) FROM \"" + name.toUtf8() + "\""));
    }
    sqlite3_close_v2(db);
    out() << "notes tables: " << tables << ", notes rows: " << rows << "\n";
    out() << "backups: " << Backups::list(path).size() << " in " << Backups::folder(path) << "\n";
    return Exit::Ok;
}
