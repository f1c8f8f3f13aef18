// tavorin-db export PATH --website ID|--catalogue --format csv|xlsx OUT
// Writes a website's notes table, or the whole website list, as CSV or Excel.
#include "tools/db/Commands.h"

#include "core/NotesTables.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "exchange/ExchangeError.h"
#include "exchange/TableExport.h"

#include <QTextStream>

namespace {

const char *Usage = "usage: tavorin-db export PATH --website ID|--catalogue [--format csv|xlsx] OUT\n"
                    "  PATH  the program's database (e.g. data/mybook.mdb)\n"
                    "  OUT   the file to write; without --format its suffix (.csv, .xlsx) decides\n";

} // namespace

int exportCommand(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    QString path, output, format;
    std::optional<int> website;
    bool catalogue = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == QLatin1String("--website") && i + 1 < args.size()) {
            bool ok = false;
            const int id = args[++i].toInt(&ok);
            if (!ok || id <= 0) {
                err << "tavorin-db export: not a website id: " << args[i] << "\n";
                return 2;
            }
            website = id;
        } else if (a == QLatin1String("--catalogue")) {
            catalogue = true;
        } else if (a == QLatin1String("--format") && i + 1 < args.size()) {
            format = args[++i];
        } else if (a.startsWith(QLatin1String("--"))) {
            err << "tavorin-db export: unknown option " << a << "\n" << Usage;
            return 2;
        } else if (path.isEmpty()) {
            path = a;
        } else if (output.isEmpty()) {
            output = a;
        } else {
            err << Usage;
            return 2;
        }
    }
    if (path.isEmpty() || output.isEmpty() || website.has_value() == catalogue) {
        err << Usage;
        return 2;
    }
    const auto chosen = format.isEmpty() ? exchange::formatForPath(output) : exchange::formatFromName(format);
    if (!chosen) {
        err << "tavorin-db export: the format must be csv or xlsx\n" << Usage;
        return 2;
    }

    try {
        db::Connection conn;
        const db::Location notebook = db::Location::fromText(path);
        conn.open(notebook);
        int rows = 0;
        if (website) {
            const QString table = NotesTables::name(*website);
            db::Catalog catalog(notebook);
            if (!catalog.hasTable(table)) {
                err << "tavorin-db export: website " << *website << " has no notes table (" << table << ")\n";
                return 1;
            }
            rows = exchange::exportNotesTable(conn, table, *chosen, output);
        } else {
            rows = exchange::exportWebsites(conn, exchange::catalogueQuery(), *chosen, output);
        }
        out << "Exported " << rows << (rows == 1 ? " row" : " rows") << " to " << output << "\n";
        return 0;
    } catch (const db::DbError &e) {
        err << "tavorin-db export: " << e.message() << "\n";
    } catch (const Failure &e) {
        err << "tavorin-db export: " << e.message() << "\n";
    }
    return 1;
}
