// tavorin-db COMMAND ...: maintenance of the program's database from the
// command line. Each command lives in its own file (see Commands.h).
#include "tools/db/Commands.h"

#include <QCoreApplication>
#include <QTextStream>

namespace {

struct Command {
    const char *name;
    int (*run)(const QStringList &args);
    const char *summary;
};

const Command Commands[] = {
    {"export", exportCommand, "export PATH --website ID|--catalogue --format csv|xlsx OUT"},
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    for (const Command &c : Commands)
        if (!args.isEmpty() && args.first() == QLatin1String(c.name))
            return c.run(args.mid(1));
    QTextStream err(stderr);
    err << "usage: tavorin-db COMMAND ...\n";
    for (const Command &c : Commands)
        err << "  tavorin-db " << c.summary << "\n";
    return 2;
}
