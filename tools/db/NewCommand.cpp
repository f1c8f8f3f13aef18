#include "tools/db/Commands.h"

#include "core/NewDatabase.h"

int newCommand(const QStringList &args)
{
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("new"));
    try {
        NewDatabase::create(db::Location::fromText(args[0]));
    } catch (const Failure &e) {
        return failed(e.message());
    }
    out() << "Created " << args[0] << ". First login: user " << NewDatabase::FirstUser << ", password "
          << NewDatabase::FirstPassword << "\n";
    return Exit::Ok;
}
