// import-access OLD.mdb NEW: a notebook of the original program (a Jet file)
// becomes a notebook file of ours, or a notebook on a team server (through a
// file, then the same code as migrate).
#include "tools/db/Commands.h"

#include "core/db/Connection.h"
#include "exchange/AccessImport.h"
#include "exchange/ExchangeError.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

int importAccessCommand(const QStringList &args)
{
    if (args.size() != 2 || args[0].startsWith(QLatin1Char('-')) || args[1].startsWith(QLatin1Char('-')))
        return usage(QStringLiteral("import-access"));
    const QString source = args[0];
    const bool toServer = db::Connection::isServer(args[1]);
    QTemporaryDir work;
    const QString target = toServer ? work.filePath(QStringLiteral("notebook.mdb")) : args[1];
    QElapsedTimer timer;
    timer.start();
    AccessImport::Report report;
    try {
        if (toServer && !work.isValid())
            return failed(QStringLiteral("cannot make a temporary folder"));
        report = AccessImport::convert(source, target);
    } catch (const Failure &e) {
        return failed(e.message() + QStringLiteral("\nNothing was written."));
    } catch (const std::exception &e) {
        return failed(QString::fromUtf8(e.what()) + QStringLiteral("\nNothing was written."));
    }
    out() << "Converted " << QDir::toNativeSeparators(source) << " (" << report.version << ")"
          << (toServer ? QString() : QStringLiteral(" to ") + QDir::toNativeSeparators(target)) << "\n"
          << "  Users:        " << report.users << " accounts (passwords hashed)\n"
          << "  Website:      " << report.websites << " websites\n"
          << "  notes tables: " << report.notesTables << " with " << report.notesRows << " rows\n";
    if (!report.leftOut.isEmpty())
        out() << "  left out (neither accounts, websites nor notes): " << report.leftOut.join(QStringLiteral(", ")) << "\n";
    if (!report.tablesWithoutWebsite.isEmpty())
        out() << "  notes tables without a website (carried over): " << report.tablesWithoutWebsite.join(QStringLiteral(", ")) << "\n";
    if (!report.websitesWithoutTable.isEmpty())
        out() << "  websites without a notes table (ids): " << report.websitesWithoutTable.join(QStringLiteral(", ")) << "\n";
    out() << "Counts checked against the Access file: equal (" << report.users << ", " << report.websites << ", "
          << report.notesRows << ").\nTook " << timer.elapsed() << " ms.\n";
    if (!toServer)
        return Exit::Ok;
    out().flush();
    return migrateCommand({target, args[1]});
}
