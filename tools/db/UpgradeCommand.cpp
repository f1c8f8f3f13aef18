#include "tools/db/Commands.h"

#include "core/Backups.h"
#include "core/Schema.h"
#include "core/db/Connection.h"
#include "tools/db/ServerNotebook.h"

int upgradeCommand(const QStringList &args)
{
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("upgrade"));
    if (db::Connection::isServer(args[0]))
        return upgradeServerNotebook(args[0]);
    QString error;
    switch (Schema::prepare(args[0], &error)) {
    case Schema::Outcome::Current:
        out() << args[0] << " is already at version " << Schema::CurrentVersion << "; nothing to do\n";
        return Exit::Ok;
    case Schema::Outcome::Upgraded:
        out() << "Upgraded " << args[0] << " to version " << Schema::CurrentVersion
              << "; the old file was backed up in " << Backups::folder(args[0]) << "\n";
        return Exit::Ok;
    case Schema::Outcome::Failed:
        break;
    }
    return failed(error);
}
