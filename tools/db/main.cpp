// tavorin-db COMMAND ARGS...: maintenance of the program's database files.
// Run without arguments (or with "help") for the list of commands.
#include "tools/db/Commands.h"

#include "core/DatabaseLocation.h"

#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <functional>
#include <memory>

namespace {

struct Command {
    const char *name;
    const char *synopsis;
    const char *summary;
    std::function<int(const QStringList &)> run;
};

// One row per command; a new command adds its row and its own file.
const Command Commands[] = {
    {"new", "new PATH", "make a new database with the account admin / 123456 (never overwrites)", newCommand},
    {"backup", "backup PATH [DEST]",
     "make a checked copy in DEST (default: backups/ beside PATH) and prune old copies", backupCommand},
    {"check", "check PATH", "integrity, schema version and counts; exit 1 when something is wrong", checkCommand},
    {"upgrade", "upgrade PATH", "bring an older database to the current version (a backup is made first)",
     upgradeCommand},
    {"restore", "restore BACKUP PATH",
     "check BACKUP, back up PATH, then put BACKUP in its place (close the program first)", restoreCommand},
    {"reset-password", "reset-password PATH USER", "set USER's password to one read from standard input",
     resetPasswordCommand},
    {"export", "export PATH --website ID|--catalogue [--format csv|xlsx] OUT",
     "write a website's notes table or the website list as CSV or Excel", exportCommand},
    {"import", "import PATH --website ID [--encoding utf-8|gb18030] FILE.csv",
     "add a CSV file's rows to a website's notes table (a backup is made first)", importCommand},
    {"report", "report PATH --website ID|--all [--from DATE --to DATE] OUT",
     "write the client report (PDF) of a website, or of every website into the folder OUT; default period: last month",
     reportCommand},
    {"migrate", "migrate SQLITE_PATH postgresql://... [--replace]",
     "copy a notebook file onto a PostgreSQL server in one transaction, counts checked", migrateCommand},
    {"import-access", "import-access OLD.mdb NEW",
     "convert a notebook of the original program (Access) into NEW (a new file or postgresql://...)", importAccessCommand},
};

void printHelp(QTextStream &stream)
{
    stream << "usage: tavorin-db COMMAND ARGS...\n\ncommands:\n";
    for (const Command &c : Commands)
        stream << "  " << QString::fromLatin1(c.synopsis).leftJustified(28) << " " << c.summary << "\n";
    // PATH is always named; which notebook that would be is what users ask first.
    const DatabaseLocation here = DatabaseLocation::find(DatabaseLocation::processInputs(QString()));
    stream << "\nthe notebook tavorin opens when started here: " << here.displayName() << "\n";
    stream << "\nexit status: 0 success, 1 failed check or operation, 2 bad usage\n";
}

} // namespace

QTextStream &out()
{
    static QTextStream stream(stdout);
    return stream;
}

QTextStream &err()
{
    static QTextStream stream(stderr);
    return stream;
}

int usage(const QString &command)
{
    for (const Command &c : Commands) {
        if (command == QLatin1String(c.name)) {
            err() << "usage: tavorin-db " << c.synopsis << "\n";
            return Exit::Usage;
        }
    }
    printHelp(err());
    return Exit::Usage;
}

int failed(const QString &text)
{
    err() << "tavorin-db: " << text << "\n";
    return Exit::Failed;
}

int main(int argc, char **argv)
{
    // The report draws its text and chart with Qt's widgets, offscreen: it
    // needs no display. Every other command stays a plain console program.
    std::unique_ptr<QCoreApplication> app;
    if (argc > 1 && qstrcmp(argv[1], "report") == 0) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    // The program's name: its per-user data folder is where its notebook is.
    QCoreApplication::setApplicationName(QStringLiteral("Tavorin"));
    const QStringList args = app->arguments().mid(1);
    if (args.isEmpty()) {
        printHelp(err());
        return Exit::Usage;
    }
    if (args.size() == 1 && (args[0] == QLatin1String("help") || args[0] == QLatin1String("--help"))) {
        printHelp(out());
        return Exit::Ok;
    }
    for (const Command &c : Commands) {
        if (args[0] == QLatin1String(c.name)) {
            const int status = c.run(args.mid(1));
            out().flush();
            err().flush();
            return status;
        }
    }
    err() << "tavorin-db: unknown command \"" << args[0] << "\"\n";
    printHelp(err());
    return Exit::Usage;
}
