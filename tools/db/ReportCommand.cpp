// tavorin-db report PATH --website ID|--all [--from DATE --to DATE] OUT
// Writes the client report (PDF) of one website, or of every website into a
// folder; drawn offscreen, so that a monthly job needs no display.
#include "tools/db/Commands.h"

#include "core/Database.h"
#include "core/DateText.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "report/ClientReport.h"

#include <QDir>
#include <QFileInfo>

namespace {

std::optional<QDate> dateArgument(const QString &text)
{
    const QDate iso = QDate::fromString(text, Qt::ISODate);
    return iso.isValid() ? std::optional<QDate>(iso) : DateText::fromText(text);
}

} // namespace

int reportCommand(const QStringList &args)
{
    QString path, output;
    std::optional<int> website;
    std::optional<QDate> from, to;
    bool all = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--website") && hasValue) {
            bool ok = false;
            website = args[++i].toInt(&ok);
            if (!ok || *website <= 0) {
                err() << "tavorin-db report: not a website id: " << args[i] << "\n";
                return Exit::Usage;
            }
        } else if (a == QLatin1String("--all")) {
            all = true;
        } else if ((a == QLatin1String("--from") || a == QLatin1String("--to")) && hasValue) {
            const auto day = dateArgument(args[++i]);
            if (!day) {
                err() << "tavorin-db report: not a date: " << args[i] << "\n";
                return Exit::Usage;
            }
            (a == QLatin1String("--from") ? from : to) = day;
        } else if (a.startsWith(QLatin1String("--"))) {
            err() << "tavorin-db report: unknown option " << a << "\n";
            return usage(QStringLiteral("report"));
        } else if (path.isEmpty()) {
            path = a;
        } else if (output.isEmpty()) {
            output = a;
        } else {
            return usage(QStringLiteral("report"));
        }
    }
    if (path.isEmpty() || output.isEmpty() || website.has_value() == all || from.has_value() != to.has_value())
        return usage(QStringLiteral("report"));
    if (!from) {
        const report::Period month = report::lastFullMonth(QDate::currentDate());
        from = month.from;
        to = month.to;
    }
    if (*from > *to) {
        err() << "tavorin-db report: the period ends before it starts\n";
        return Exit::Usage;
    }

    try {
        const bool server = db::Connection::isServer(path);
        if (!server && !QFileInfo(path).isFile())
            return failed(QStringLiteral("%1: no such file").arg(path));
        Database::useDatabase(server ? path : QStringLiteral("Data Source=%1;").arg(path));
        Database::openConnection();
        const QString select = QStringLiteral("SELECT Webid, Webname, Weburl FROM Website");
        if (website) {
            const auto sites = report::websites(select + QStringLiteral(" WHERE Webid = %1").arg(*website));
            if (sites.isEmpty())
                return failed(QStringLiteral("no website with id %1").arg(*website));
            QString file = output;
            if (QFileInfo(output).isDir())
                file = QDir(output).filePath(report::fileName(sites.first().name, *from, *to));
            QString error;
            if (!report::writePdf(report::readContent(sites.first(), *from, *to), file, &error))
                return failed(QStringLiteral("%1: %2").arg(file, error));
            out() << "Wrote " << file << "\n";
            return Exit::Ok;
        }
        QStringList failures;
        const QStringList written =
            report::writeAll(report::websites(select + QStringLiteral(" ORDER BY Webid")), *from, *to, output, {}, &failures);
        out() << "Wrote " << written.size() << (written.size() == 1 ? " report" : " reports") << " to " << output << "\n";
        for (const QString &f : failures)
            err() << "tavorin-db report: " << f << "\n";
        return failures.isEmpty() ? Exit::Ok : Exit::Failed;
    } catch (const db::DbError &e) {
        return failed(e.message());
    }
}
