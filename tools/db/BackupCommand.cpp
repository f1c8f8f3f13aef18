#include "tools/db/Commands.h"
#include "tools/db/ServerNotebook.h"

#include "core/db/Connection.h"

#include "core/Backups.h"

int backupCommand(const QStringList &args)
{
    if (args.isEmpty() || args.size() > 2 || args[0].startsWith(QLatin1Char('-'))
        || args.value(1).startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("backup"));
    if (db::Connection::isServer(args[0]))
        return backupServerNotebook(args[0], args.value(1));
    QString error;
    const QString made = Backups::make(args[0], &error, args.value(1));
    if (made.isEmpty())
        return failed(error);
    out() << "Backed up " << args[0] << " to " << made << " (checked)\n";
    return Exit::Ok;
}
