#include "tools/db/Commands.h"

#include "core/NewDatabase.h"

int newCommand(const QStringList &args)
{
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("new"));
    QString error;
    if (!NewDatabase::create(db::Location::fromText(args[0]), &error))
        return failed(error);
    out() << "Created " << args[0] << ". First login: user " << NewDatabase::FirstUser << ", password "
          << NewDatabase::FirstPassword << "\n";
    return Exit::Ok;
}
