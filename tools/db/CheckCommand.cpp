#include "tools/db/Commands.h"
#include "tools/db/ServerNotebook.h"

#include "core/Backups.h"
#include "core/Password.h"
#include "core/Schema.h"
#include "core/db/Backup.h"
#include "core/db/DbError.h"
#include "core/db/Connection.h"

#include <QFileInfo>

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

    int version = 0;
    try {
        version = Schema::version(path);
    } catch (const Failure &e) {
        return failed(e.message());
    }
    if (version > Schema::CurrentVersion)
        return failed(Schema::tooNewMessage(path, version));
    const QString structure = Schema::checkFileStructure(path, Schema::Names::Checked);
    if (!structure.isEmpty())
        return failed(QStringLiteral("%1: not a Tavorin database: %2").arg(path, structure));

    out() << "schema version: " << version;
    if (version < Schema::CurrentVersion)
        out() << " (older than " << Schema::CurrentVersion << ": upgraded when the program next opens it, or run"
              << " tavorin-db upgrade)";
    out() << "\n";

    try {
        const db::ReadOnlyFile file(path);
        const QStringList passwords = file.texts(QStringLiteral("SELECT UserPwd FROM Users"));
        const auto clear = std::count_if(passwords.begin(), passwords.end(), [](const QString &p) { return !Password::isHash(p); });
        out() << "accounts: " << passwords.size();
        if (clear)
            out() << " (" << clear << " with a clear-text password)";
        out() << "\n";
        out() << "websites: " << file.number(QStringLiteral("SELECT count(*) FROM Website")) << "\n";
        const QStringList names = file.texts(
            QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' AND name GLOB 'biji[0-9]*'"));
        qint64 rows = 0;
        for (const QString &name : names)
            rows += file.number(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(name));
        out() << "notes tables: " << names.size() << ", notes rows: " << rows << "\n";
    } catch (const db::DbError &e) {
        return failed(e.message());
    }
    out() << "backups: " << Backups::list(path).size() << " in " << Backups::folder(path) << "\n";
    return Exit::Ok;
}
