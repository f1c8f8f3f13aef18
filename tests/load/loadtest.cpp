// Load test of a team notebook on a PostgreSQL server.
//
//   tavorin-loadtest [--restarts N] CONNECTION CLIENTS SECONDS
//
// Prepares the notebook's notes tables, starts CLIENTS copies of itself as
// clients, each of which works through the program's own stores for SECONDS
// (adding and changing websites and observations at random, reloading the
// website list and a notes grid) and writes down, as it goes, every write it
// was told had succeeded and every one it was told had failed. With
// --restarts N the server is restarted N times during the run (immediate
// shutdown, by the command in TAVORIN_LOADTEST_RESTART). Afterwards, on a
// fresh connection, it checks the database against those lists: every
// acknowledged write is there, every refused one absent, no website name is
// taken twice by the program's own comparison, every client exited 0, and no
// client met an error other than the expected duplicate-name conflict (and,
// in a run with restarts, the lost connections the restarts cause).
#include "catalogue/Website.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/NameCompare.h"
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
#include <QTemporaryDir>
#include <QThread>
#include <QTextStream>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace {

constexpr int NotesTables = 4;   // websites 1..4 carry notes tables shared by every client
constexpr int SharedNames = 12;  // names every client tries to add: the conflicts

// One shared name in the spellings the program takes for the same name:
// letter case, composed or decomposed accents, full-width letters in either
// case.
QString sharedName(int n, int variant)
{
    static const char *const spellings[] = {"Shared Café %1", "SHARED CAFÉ %1", "shared cafe\u0301 %1", "共享ＳＨＡＲＥＤ %1", "共享ｓｈａｒｅｄ %1"};
    return QString::fromUtf8(spellings[variant]).arg(n);
}

// A write the client was told did not happen: the server refused it, or the
// connection was lost before it was sent or while the server said it stopped.
bool reportedNotDone(const db::DbError &e)
{
    return e.kind() != db::DbError::Kind::ConnectionLost || e.message().contains(u"这一步没有完成"_s);
}

QTextStream out(stdout);

int scalar(const QString &sql) { return Database::query(sql)->value(0).toInt(); }

int runClient(int client, int seconds, const QString &logPath)
{
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return 1;
    QTextStream w(&log);
    // Each line reaches the file as it is written: a client that dies leaves
    // its record up to that moment.
    const auto note = [&](const QStringList &fields) { w << fields.join('\t') << "\n" << Qt::flush; };
    QRandomGenerator rng(quint32(client) * 7919u + 17u);
    QElapsedTimer clock;
    clock.start();
    QList<int> ownSites;
    QList<QPair<QString, int>> ownRows; // table, AutoId
    int serial = 0, conflicts = 0, lostConnections = 0, ops = 0;
    QHash<QString, int> counts;
    db::DataControl list, grid;
    list.setLocation(Database::notebook);
    grid.setLocation(Database::notebook);
    while (clock.elapsed() < qint64(seconds) * 1000) {
        const int pick = int(rng.bounded(100));
        const QString table = u"biji%1"_s.arg(rng.bounded(NotesTables) + 1);
        QString kind;
        QStringList attempt; // what a write tried, for the record when it fails
        try {
            if (pick < 20) {
                // Add a website as the edit dialog does: check, insert, and let
                // the server's unique constraint decide a race.
                kind = u"add website"_s;
                const bool shared = rng.bounded(3) == 0;
                const QString name = shared ? sharedName(int(rng.bounded(SharedNames)), int(rng.bounded(5)))
                                            : u"c%1-site%2 'q'"_s.arg(client).arg(++serial);
                Website &site = currentWebsite();
                if (site.exists(name)) {
                    ++conflicts;
                } else {
                    site.Webname = name, site.Weburl = u"http://example.cn/%1"_s.arg(serial);
                    site.Webtime = QDate(2011, 1, 1).addDays(rng.bounded(3000)), site.Webmemos = u"无"_s;
                    attempt = shared ? QStringList() : QStringList{u"site"_s, name};
                    try {
                        site.insert();
                        note({u"site"_s, name});
                        attempt.clear(); // a later failure is not this write's
                        if (!shared)
                            ownSites << scalar(u"SELECT Webid FROM Website WHERE webName=%1"_s.arg(db::quoteText(name)));
                    } catch (const db::DbError &e) {
                        if (e.kind() != db::DbError::Kind::UniqueViolation)
                            throw;
                        ++conflicts;
                    }
                }
            } else if (pick < 35 && !ownSites.isEmpty()) {
                kind = u"modify website"_s;
                const int id = ownSites[int(rng.bounded(qsizetype(ownSites.size())))];
                Website &site = currentWebsite();
                site.load(id);
                site.Webmemos = u"c%1 第%2次修改"_s.arg(client).arg(++serial);
                attempt = QStringList{u"memo"_s, QString::number(id), site.Webmemos};
                site.update(id);
                if (Database::rowsAffected() != 1)
                    throw db::DbError(u"website %1 changed %2 rows"_s.arg(id).arg(Database::rowsAffected()));
                note(attempt);
            } else if (pick < 60) {
                kind = u"add observation"_s;
                const QString memo = u"c%1-obs%2"_s.arg(client).arg(++serial);
                attempt = QStringList{u"obs"_s, table, QString(), memo};
                currentRecord().insertRecord(table, {u"时间"_s, u"备注"_s, u"PR"_s}, {QDate(2012, 1, 1).addDays(rng.bounded(900)), memo, u"0"_s});
                note(attempt);
                attempt.clear();
                ownRows << qMakePair(table, scalar(u"SELECT AutoId FROM %1 WHERE [备注]='%2'"_s.arg(table, memo)));
            } else if (pick < 80 && !ownRows.isEmpty()) {
                kind = u"modify observation"_s;
                const auto row = ownRows[int(rng.bounded(qsizetype(ownRows.size())))];
                const QString pr = u"c%1p%2"_s.arg(client).arg(++serial); // fits the 10 characters of PR
                attempt = QStringList{u"pr"_s, row.first, QString::number(row.second), pr};
                currentRecord().updateRecord(row.second, row.first, {u"PR"_s}, {pr});
                if (Database::rowsAffected() != 1)
                    throw db::DbError(u"observation %1 changed %2 rows"_s.arg(row.second).arg(Database::rowsAffected()));
                note(attempt);
            } else {
                kind = u"refresh"_s;
                list.setRecordSource(u"SELECT Webid As 编号, Webname As 网站名称, Weburl As 网址, Webtime As 接单日期, "
                                     "Webmemos As 备注信息 FROM Website ORDER BY Webtime Desc"_s);
                list.refresh();
                grid.setRecordSource(u"SELECT * FROM "_s + table + u" ORDER BY [时间] Desc"_s);
                grid.refresh();
            }
            ++counts[kind];
            ++ops;
        } catch (const db::DbError &e) {
            const bool lost = e.kind() == db::DbError::Kind::ConnectionLost || e.kind() == db::DbError::Kind::Unreachable;
            lostConnections += lost;
            note({lost ? u"lost"_s : u"error"_s, kind, QString(e.message()).replace('\n', ' ')});
            // A write reported as not done must be absent; one whose fate is
            // unknown is neither counted nor checked.
            if (!attempt.isEmpty() && reportedNotDone(e))
                note(QStringList{u"failed"_s} + attempt);
        }
    }
    w << "done\t" << ops << "\t" << conflicts << "\t" << lostConnections;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        w << "\t" << it.key() << "=" << it.value();
    w << "\n";
    return 0;
}

int prepare()
{
    MessageBox::setTestMode(true); // the notes code reports "创建完毕!": nobody is there to read it
    for (int i = 1; i <= NotesTables; ++i) {
        Website &site = currentWebsite();
        site.Webname = u"共用网站%1"_s.arg(i), site.Weburl = u"http://shared.cn/%1"_s.arg(i);
        site.Webtime = QDate(2011, 10, 25), site.Webmemos = u"无"_s;
        site.insert();
        if (scalar(u"SELECT Webid FROM Website WHERE webName='%1'"_s.arg(site.Webname)) != i)
            return 1;
        if (!db::Catalog(Database::notebook).hasTable(u"biji%1"_s.arg(i)))
            createNotesTable(u"biji%1"_s.arg(i));
    }
    return 0;
}

// How many rows hold what a log line says was written: "site NAME",
// "memo ID TEXT", "obs TABLE (empty) MEMO", "pr TABLE ID VALUE". Every value
// written is unique to its attempt, so a write not done leaves none.
int rowsHolding(const QStringList &w, bool ofThisRow)
{
    const QString v = db::quoteText(w.last());
    // A website name is stored as the program compares it: NFC-normalised
    // (a name typed with a combining accent arrives composed).
    if (w[0] == u"site"_s)
        return scalar(u"SELECT count(*) FROM Website WHERE webName=%1"_s.arg(db::quoteText(w.last().normalized(QString::NormalizationForm_C))));
    if (w[0] == u"memo"_s)
        return scalar(u"SELECT count(*) FROM Website WHERE Webmemos=%1%2"_s.arg(v, ofThisRow ? " AND Webid=" + w[1] : QString()));
    if (w[0] == u"obs"_s)
        return scalar(u"SELECT count(*) FROM %1 WHERE [备注]=%2"_s.arg(w[1], v));
    return scalar(u"SELECT count(*) FROM %1 WHERE [PR]=%2%3"_s.arg(w[1], v, ofThisRow ? " AND AutoId=" + w[2] : QString()));
}

int verify(const QStringList &logs, const QList<int> &exitCodes, int restarts, qint64 elapsedMs)
{
    int failures = 0, ops = 0, conflicts = 0, errors = 0, lostConnections = 0, badExits = 0;
    QHash<QString, int> kinds;
    QHash<QString, QStringList> lastWrite; // per website, memo or observation: the last acknowledged write
    QList<QStringList> notDone;
    for (int i = 0; i < logs.size(); ++i) {
        if (exitCodes.value(i, -1) != 0) {
            out << "client " << i + 1 << " exited with " << exitCodes.value(i, -1) << "\n";
            ++badExits;
        }
        QFile f(logs[i]);
        bool done = false;
        const QString text = f.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(f.readAll()) : QString();
        for (const QString &line : text.split('\n', Qt::SkipEmptyParts)) {
            QStringList p = line.split('\t');
            if (p[0] == u"failed"_s) {
                notDone << p.mid(1);
            } else if (p[0] == u"error"_s || (p[0] == u"lost"_s && restarts == 0)) {
                out << "unexpected error in " << logs[i] << ": " << line << "\n";
                ++errors;
            } else if (p[0] == u"done"_s) {
                done = true;
                ops += p.value(1).toInt();
                conflicts += p.value(2).toInt();
                lostConnections += p.value(3).toInt();
                for (int k = 4; k < p.size(); ++k)
                    kinds[p[k].section('=', 0, 0)] += p[k].section('=', 1).toInt();
            } else if (p[0] != u"lost"_s) {
                lastWrite[p[0] + p[1] + (p[0] == u"pr"_s ? p[2] : p[0] == u"obs"_s ? p.last() : QString())] = p;
            }
        }
        if (!done) {
            out << "client did not finish: " << logs[i] << "\n";
            ++failures;
        }
    }
    int lost = 0, present = 0;
    QHash<QString, int> acknowledged;
    for (const QStringList &w : std::as_const(lastWrite)) {
        ++acknowledged[w[0]];
        if (rowsHolding(w, true) != 1) {
            out << "lost: " << w.join(' ') << "\n";
            ++lost;
        }
    }
    for (const QStringList &w : std::as_const(notDone))
        present += rowsHolding(w, false) != 0;

    // Duplicates as the program tells names apart, not as the server does.
    QHash<QString, int> byKey;
    int websites = 0, duplicates = 0;
    for (auto rs = Database::query(u"SELECT Webname FROM Website"_s); !rs->eof(); rs->moveNext(), ++websites)
        duplicates += ++byKey[NameCompare::key(rs->value(0).toString().trimmed())] == 2;
    failures += lost + present + duplicates + errors + badExits;

    const double seconds = double(elapsedMs) / 1000.0;
    out << "clients: " << logs.size() << ", " << QString::number(seconds, 'f', 1) << " s, server restarts: " << restarts << "\n"
          << "operations: " << ops << " (" << QString::number(ops / seconds, 'f', 0) << " per second)\n";
    for (auto it = kinds.cbegin(); it != kinds.cend(); ++it)
        out << "  " << it.key() << ": " << it.value() << "\n";
    out << "acknowledged writes checked (last value each): " << acknowledged["site"] << " websites added, " << acknowledged["memo"]
          << " website memos, " << acknowledged["obs"] << " observations added, " << acknowledged["pr"] << " observations changed\n"
          << "writes reported as not done, checked absent: " << notDone.size() << "\n"
          << "duplicate-name conflicts (expected): " << conflicts << "\n"
          << "commands that met a lost connection" << (restarts ? " (expected with restarts)" : "") << ": " << lostConnections << "\n"
          << "websites stored: " << websites << "\n"
          << "lost writes: " << lost << "\n"
          << "writes reported as not done but present: " << present << "\n"
          << "duplicate website names (program's comparison): " << duplicates << "\n"
          << "unexpected errors: " << errors << "\n"
          << "clients that did not exit 0: " << badExits << "\n"
          << (failures == 0 ? "PASS" : "FAIL") << "\n";
    return failures == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() == 5 && args[1] == u"--client"_s) {
        Database::useDatabase(db::Location::fromText(args[2]));
        const QStringList rest = args[4].split(',');
        return runClient(args[3].toInt(), rest.value(0).toInt(), rest.value(1));
    }
    int restarts = 0;
    if (args.size() > 2 && args[1] == u"--restarts"_s) {
        restarts = args[2].toInt();
        args.remove(1, 2);
    }
    const QString restartCommand = qEnvironmentVariable("TAVORIN_LOADTEST_RESTART");
    if (args.size() != 4 || !db::Connection::isServer(args[1]) || restarts < 0 || (restarts && restartCommand.isEmpty())) {
        std::fprintf(stderr, "usage: [TAVORIN_LOADTEST_RESTART=COMMAND] tavorin-loadtest [--restarts N] postgresql://... CLIENTS SECONDS\n");
        return 2;
    }
    Database::useDatabase(db::Location::server(args[1]));
    const int clients = args[2].toInt();
    const int seconds = args[3].toInt();
    try {
        if (prepare() != 0) {
            std::fprintf(stderr, "tavorin-loadtest: the notebook must be new (made by tavorin-db new)\n");
            return 1;
        }
        QTemporaryDir dir;
        QList<QProcess *> running;
        QStringList logs;
        QElapsedTimer clock;
        clock.start();
        for (int c = 1; c <= clients; ++c) {
            const QString log = dir.filePath(u"client%1.log"_s.arg(c));
            logs << log;
            auto *p = new QProcess(&app);
            p->setProcessChannelMode(QProcess::ForwardedChannels);
            p->start(app.applicationFilePath(), {u"--client"_s, args[1], QString::number(c),
                                                 u"%1,%2"_s.arg(seconds).arg(log)});
            running << p;
        }
        // Restarts spread evenly over the run, each an immediate shutdown
        // (no checkpoint, sessions cut) followed by crash recovery.
        for (int r = 1; r <= restarts; ++r) {
            const qint64 at = qint64(seconds) * 1000 * r / (restarts + 1);
            while (clock.elapsed() < at)
                QThread::msleep(50);
            const int status = QProcess::execute(u"sh"_s, {u"-c"_s, restartCommand});
            out << "server restarted at " << QString::number(double(clock.elapsed()) / 1000.0, 'f', 1) << " s (status " << status << ")\n";
            out.flush();
        }
        QList<int> exitCodes;
        for (QProcess *p : std::as_const(running)) {
            const bool finished = p->waitForFinished(qMax(seconds, 1) * 1000 + 60000);
            exitCodes << (finished && p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1);
        }
        const qint64 elapsed = clock.elapsed();
        // The verifier's own connection may have been cut by a restart.
        Database::resetConnection();
        return verify(logs, exitCodes, restarts, elapsed);
    } catch (const db::DbError &e) {
        std::fprintf(stderr, "tavorin-loadtest: %s\n", qPrintable(e.message()));
        return 1;
    }
}
