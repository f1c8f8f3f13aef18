#include "tools/db/Commands.h"
#include "tools/db/ServerNotebook.h"

#include "core/db/Connection.h"

#include "core/Backups.h"

int restoreCommand(const QStringList &args)
{
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-')) || args[1].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("restore"));
    if (db::Connection::isServer(args[1]))
        return restoreServerNotebook(args[0], args[1]);
    QString saved, error;
    if (!Backups::restore(args[0], args[1], &saved, &error))
        return failed(error);
    out() << "Restored " << args[1] << " from " << args[0] << "\n";
    if (!saved.isEmpty())
        out() << "The file it replaced was backed up to " << saved << "\n";
    return Exit::Ok;
}
