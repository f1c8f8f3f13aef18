// tavorin-db COMMAND ARGS...: database maintenance.
#include "tools/db/Commands.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

struct Command {
    const char *name;
    int (*run)(const QStringList &args);
    const char *usage;
};

const Command Commands[] = {
    {"migrate", migrateCommand, "migrate SQLITE_PATH postgresql://USER@HOST/DBNAME [--replace]"},
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    for (const Command &command : Commands)
        if (!args.isEmpty() && args[0] == QLatin1String(command.name))
            return command.run(args.mid(1));
    QTextStream err(stderr);
    err << "usage:\n";
    for (const Command &command : Commands)
        err << "  tavorin-db " << command.usage << "\n";
    return 2;
}
