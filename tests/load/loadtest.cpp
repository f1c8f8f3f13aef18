// Load test of a team notebook on a PostgreSQL server.
//
//   tavorin-loadtest CONNECTION CLIENTS SECONDS
//
// Prepares the notebook's notes tables, starts CLIENTS copies of itself as
// clients, each of which works through the program's own stores for SECONDS
// (adding and changing websites and observations at random, reloading the
// website list and a notes grid) and writes down every write it was told had
// succeeded. Afterwards it checks the database against those lists: every
// acknowledged write is there, no website name is taken twice, and no client
// met an error other than the expected duplicate-name conflict.
#include "catalogue/Website.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/db/Quote.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DataControl.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "notes/NoteRecord.h"
#include "notes/NotesTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int NotesTables = 4;   // websites 1..4 carry notes tables shared by every client
constexpr int SharedNames = 12;  // names every client tries to add: the conflicts

QTextStream &out()
{
    static QTextStream s(stdout);
    return s;
}

int scalar(const QString &sql)
{
    return Database::query(sql)->value(0).toInt();
}

int runClient(int client, int seconds, const QString &logPath)
{
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return 1;
    QTextStream w(&log);
    QRandomGenerator rng(quint32(client) * 7919u + 17u);
    QElapsedTimer clock;
    clock.start();
    QList<int> ownSites;
    QList<QPair<QString, int>> ownRows; // table, AutoId
    int serial = 0, conflicts = 0, errors = 0, ops = 0;
    QHash<QString, int> counts;
    db::DataControl list, grid;
    list.setConnectionString(Database::connectionString);
    grid.setConnectionString(Database::connectionString);
    while (clock.elapsed() < qint64(seconds) * 1000) {
        const int pick = int(rng.bounded(100));
        const QString table = QStringLiteral("biji%1").arg(rng.bounded(NotesTables) + 1);
        QString kind;
        try {
            if (pick < 20) {
                // Add a website as the edit dialog does: check, insert, and let
                // the server's unique constraint decide a race.
                kind = QStringLiteral("add website");
                const bool shared = rng.bounded(3) == 0;
                QString name = shared ? QStringLiteral("共享-%1").arg(rng.bounded(SharedNames))
                                      : QStringLiteral("c%1-site%2 'q'").arg(client).arg(++serial);
                if (shared && rng.bounded(2))
                    name = name.toUpper();
                Website &site = CurWebsite();
                if (site.exists(name)) {
                    ++conflicts;
                } else {
                    site.Webname = name;
                    site.Weburl = QStringLiteral("http://example.cn/%1").arg(serial);
                    site.Webtime = QDate(2011, 1, 1).addDays(rng.bounded(3000));
                    site.Webmemos = QStringLiteral("无");
                    try {
                        site.insert();
                        w << "site\t" << name << "\n";
                        if (!shared)
                            ownSites << scalar(QStringLiteral("SELECT Webid FROM Website WHERE webName=%1").arg(db::quoteText(name)));
                    } catch (const db::DbError &e) {
                        if (e.kind() != db::DbError::Kind::UniqueViolation)
                            throw;
                        ++conflicts;
                    }
                }
            } else if (pick < 35 && !ownSites.isEmpty()) {
                kind = QStringLiteral("modify website");
                const int id = ownSites[int(rng.bounded(qsizetype(ownSites.size())))];
                Website &site = CurWebsite();
                site.load(id);
                site.Webmemos = QStringLiteral("c%1 第%2次修改").arg(client).arg(++serial);
                site.update(id);
                if (Database::rowsAffected() != 1)
                    throw db::DbError(QStringLiteral("website %1 changed %2 rows").arg(id).arg(Database::rowsAffected()));
                w << "memo\t" << id << "\t" << site.Webmemos << "\n";
            } else if (pick < 60) {
                kind = QStringLiteral("add observation");
                const QString memo = QStringLiteral("c%1-obs%2").arg(client).arg(++serial);
                CurRecord().insertRecord(table, {QStringLiteral("时间"), QStringLiteral("备注"), QStringLiteral("PR")},
                                         {QDate(2012, 1, 1).addDays(rng.bounded(900)), memo, QStringLiteral("0")});
                const int id = scalar(QStringLiteral("SELECT AutoId FROM %1 WHERE [备注]='%2'").arg(table, memo));
                ownRows << qMakePair(table, id);
                w << "obs\t" << table << "\t" << id << "\t" << memo << "\n";
            } else if (pick < 80 && !ownRows.isEmpty()) {
                kind = QStringLiteral("modify observation");
                const auto row = ownRows[int(rng.bounded(qsizetype(ownRows.size())))];
                const QString pr = QString::number(rng.bounded(10));
                CurRecord().updateRecord(row.second, row.first, {QStringLiteral("PR")}, {pr});
                if (Database::rowsAffected() != 1)
                    throw db::DbError(QStringLiteral("observation %1 changed %2 rows").arg(row.second).arg(Database::rowsAffected()));
                w << "pr\t" << row.first << "\t" << row.second << "\t" << pr << "\n";
            } else {
                kind = QStringLiteral("refresh");
                list.setRecordSource(QStringLiteral("SELECT Webid As 编号, Webname As 网站名称, Weburl As 网址, Webtime As 接单日期, "
                                                    "Webmemos As 备注信息 FROM Website ORDER BY Webtime Desc"));
                list.refresh();
                grid.setRecordSource(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY [时间] Desc"));
                grid.refresh();
            }
            ++counts[kind];
            ++ops;
        } catch (const db::DbError &e) {
            ++errors;
            w << "error\t" << kind << "\t" << QString(e.message()).replace(QLatin1Char('\n'), QLatin1Char(' ')) << "\n";
        }
    }
    w << "done\t" << ops << "\t" << conflicts << "\t" << errors;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        w << "\t" << it.key() << "=" << it.value();
    w << "\n";
    return 0;
}

int prepare()
{
    MessageBox::setTestMode(true); // the notes code reports "创建完毕!": nobody is there to read it
    for (int i = 1; i <= NotesTables; ++i) {
        Website &site = CurWebsite();
        site.Webname = QStringLiteral("共用网站%1").arg(i);
        site.Weburl = QStringLiteral("http://shared.cn/%1").arg(i);
        site.Webtime = QDate(2011, 10, 25);
        site.Webmemos = QStringLiteral("无");
        site.insert();
        const int id = scalar(QStringLiteral("SELECT Webid FROM Website WHERE webName='%1'").arg(site.Webname));
        QString table = QStringLiteral("biji%1").arg(id);
        if (id != i)
            return 1;
        if (!db::Catalog(Database::connectionString).hasTable(table))
            CreateNotesTable(table);
    }
    return 0;
}

int verify(const QStringList &logs, qint64 elapsedMs)
{
    int failures = 0, ops = 0, conflicts = 0, errors = 0;
    QHash<QString, int> kinds;
    QSet<QString> sites;
    QHash<int, QString> memos;
    QHash<QString, QString> observations; // table/id -> memo
    QHash<QString, QString> prs;          // table/id -> PR
    for (const QString &path : logs) {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text)) {
            out() << "missing log " << path << "\n";
            ++failures;
            continue;
        }
        bool done = false;
        for (const QString &line : QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
            const QStringList p = line.split(QLatin1Char('\t'));
            if (p[0] == QLatin1String("site"))
                sites << p[1];
            else if (p[0] == QLatin1String("memo"))
                memos[p[1].toInt()] = p[2];
            else if (p[0] == QLatin1String("obs"))
                observations[p[1] + '/' + p[2]] = p[3];
            else if (p[0] == QLatin1String("pr"))
                prs[p[1] + '/' + p[2]] = p[3];
            else if (p[0] == QLatin1String("error")) {
                out() << "unexpected error in " << path << ": " << line << "\n";
                ++failures;
            } else if (p[0] == QLatin1String("done")) {
                done = true;
                ops += p[1].toInt();
                conflicts += p[2].toInt();
                errors += p[3].toInt();
                for (int i = 4; i < p.size(); ++i)
                    kinds[p[i].section('=', 0, 0)] += p[i].section('=', 1).toInt();
            }
        }
        if (!done) {
            out() << "client did not finish: " << path << "\n";
            ++failures;
        }
    }
    const auto rows = [](const QString &sql) { return Database::query(sql); };
    int lost = 0;
    for (const QString &name : std::as_const(sites))
        if (rows(QStringLiteral("SELECT Webid FROM Website WHERE webName=%1").arg(db::quoteText(name)))->eof())
            ++lost;
    for (auto it = memos.cbegin(); it != memos.cend(); ++it)
        if (rows(QStringLiteral("SELECT Webmemos FROM Website WHERE Webid=%1").arg(it.key()))->value(0).toString() != it.value())
            ++lost;
    for (auto it = observations.cbegin(); it != observations.cend(); ++it) {
        const auto rs = rows(QStringLiteral("SELECT [备注] FROM %1 WHERE AutoId=%2").arg(it.key().section('/', 0, 0), it.key().section('/', 1)));
        if (rs->eof() || rs->value(0).toString() != it.value())
            ++lost;
    }
    for (auto it = prs.cbegin(); it != prs.cend(); ++it) {
        const auto rs = rows(QStringLiteral("SELECT [PR] FROM %1 WHERE AutoId=%2").arg(it.key().section('/', 0, 0), it.key().section('/', 1)));
        if (rs->eof() || rs->value(0).toString() != it.value())
            ++lost;
    }
    const int duplicates = scalar(QStringLiteral("SELECT count(*) FROM (SELECT lower(Webname) FROM Website GROUP BY lower(Webname) HAVING count(*) > 1) d"));
    const int websites = scalar(QStringLiteral("SELECT count(*) FROM Website"));
    failures += lost + duplicates;

    const double seconds = double(elapsedMs) / 1000.0;
    out() << "clients: " << logs.size() << ", " << QString::number(seconds, 'f', 1) << " s\n"
          << "operations: " << ops << " (" << QString::number(ops / seconds, 'f', 0) << " per second)\n";
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        out() << "  " << it.key() << ": " << it.value() << "\n";
    out() << "acknowledged writes checked: " << sites.size() << " websites added, " << memos.size()
          << " website memos (last value), " << observations.size() << " observations added, " << prs.size()
          << " observations changed (last value)\n"
          << "duplicate-name conflicts (expected): " << conflicts << "\n"
          << "websites stored: " << websites << "\n"
          << "lost writes: " << lost << "\n"
          << "duplicate website names: " << duplicates << "\n"
          << "unexpected errors: " << errors << "\n"
          << (failures == 0 ? "PASS" : "FAIL") << "\n";
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == QLatin1String("--client")) {
        Database::useDatabase(args[2]);
        const QStringList rest = args[4].split(QLatin1Char(','));
        return runClient(args[3].toInt(), rest.value(0).toInt(), rest.value(1));
    }
    if (args.size() != 4 || !db::Connection::isServer(args[1])) {
        std::fprintf(stderr, "usage: tavorin-loadtest postgresql://... CLIENTS SECONDS\n");
        return 2;
    }
    Database::useDatabase(args[1]);
    const int clients = args[2].toInt();
    const int seconds = args[3].toInt();
    try {
        if (prepare() != 0) {
            std::fprintf(stderr, "tavorin-loadtest: the notebook must be new (made by tavorin-newdb)\n");
            return 1;
        }
        QTemporaryDir dir;
        QList<QProcess *> running;
        QStringList logs;
        QElapsedTimer clock;
        clock.start();
        for (int c = 1; c <= clients; ++c) {
            const QString log = dir.filePath(QStringLiteral("client%1.log").arg(c));
            logs << log;
            auto *p = new QProcess(&app);
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->start(app.applicationFilePath(), {QStringLiteral("--client"), args[1], QString::number(c),
                                                 QStringLiteral("%1,%2").arg(seconds).arg(log)});
            running << p;
        }
        for (QProcess *p : std::as_const(running))
            p->waitForFinished(qMax(seconds, 1) * 1000 + 60000);
        return verify(logs, clock.elapsed());
    } catch (const db::DbError &e) {
        std::fprintf(stderr, "tavorin-loadtest: %s\n", qPrintable(e.message()));
        return 1;
    }
}
