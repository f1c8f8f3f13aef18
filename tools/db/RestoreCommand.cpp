#include "tools/db/Commands.h"
#include "tools/db/ServerNotebook.h"

#include "core/db/Connection.h"

#include "core/Backups.h"
#include "core/DatabaseLocation.h"
#include "core/SingleInstance.h"

#include <QDir>

int restoreCommand(const QStringList &args)
{
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-')) || args[1].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("restore"));
    if (db::Connection::isServer(args[1]))
        return restoreServerNotebook(args[0], args[1]);
    // The program's lock is held for the whole replacement: a program that
    // has the notebook open would go on writing into the file it had.
    const DatabaseLocation notebook = DatabaseLocation::find({args[1], {}, QDir::currentPath(), {}});
    SingleInstance lock(notebook);
    if (!lock.lockOnly())
        return failed(QStringLiteral("未恢复，%1 保持原样：Tavorin 正在使用这个记事本，请先退出程序。").arg(args[1]));
    QString saved;
    try {
        saved = Backups::restore(args[0], args[1]);
    } catch (const Failure &e) {
        return failed(e.message());
    }
    out() << "Restored " << args[1] << " from " << args[0] << "\n";
    if (!saved.isEmpty())
        out() << "The file it replaced was backed up to " << saved << "\n";
    return Exit::Ok;
}
