// The team server at scale: the benchmark notebook (10,000 websites, one notes
// table of 100,000 rows) moved onto a PostgreSQL server with tavorin-db
// migrate, then the website list, a search and the notes grid read through
// the program's engine layer (DataControl, as the windows bind it) against
// raw libpq reading the same rows with the same SQL text in the same run.
//
//   bench_server postgres:dbname=... [rounds]
#include "core/NewDatabase.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DataControl.h"
#include "core/db/DbError.h"
#include "core/db/SqlTranslate.h"
#include "tools/db/Commands.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <libpq-fe.h>
#include <vector>

namespace {

constexpr int Websites = 10000;
constexpr int NotesRows = 100000;

[[noreturn]] void die(const QString &why)
{
    std::fprintf(stderr, "bench_server: %s\n", qPrintable(why));
    std::exit(1);
}

QString memo(QRandomGenerator &rng)
{
    static const QString words[] = {QStringLiteral("关键词排名上升"), QStringLiteral("外链"), QStringLiteral("收录"),
                                    QStringLiteral("optimised titles"), QStringLiteral("sitemap"), QStringLiteral("百度快照更新")};
    QString text;
    const int length = 40 + int(rng.bounded(361));
    while (text.size() < length)
        text += words[rng.bounded(6)] + QLatin1Char(' ');
    return text.left(length);
}

// The benchmark notebook as a file, made with the program's own new-database
// and catalog code: returns the notes table's name.
QString makeNotebook(const QString &path)
{
    const db::Location conn = db::Location::file(path);
    NewDatabase::create(conn); // a Failure ends the run with its message
    db::Connection c;
    c.open(conn);
    QRandomGenerator rng(42);
    c.execute(QStringLiteral("BEGIN"));
    QStringList rows;
    for (int i = 1; i <= Websites; ++i) {
        const QString name = i % 2 ? QStringLiteral("优化客户网站%1号").arg(i) : QStringLiteral("client-site-%1").arg(i);
        const QString url = QStringLiteral("http://www.site%1.%2").arg(i).arg(i % 2 ? QStringLiteral("com") : QStringLiteral("cn"));
        const QDate date = QDate(2008, 1, 1).addDays(rng.bounded(15 * 365));
        rows << QStringLiteral("('%1','%2','%3','%4')").arg(name, url, date.toString(Qt::ISODate), memo(rng));
        if (rows.size() == 500) {
            c.execute(QStringLiteral("INSERT INTO Website (Webname, Weburl, Webtime, Webmemos) VALUES ") + rows.join(QLatin1Char(',')));
            rows.clear();
        }
    }
    c.execute(QStringLiteral("COMMIT"));
    const QString table = QStringLiteral("biji1");
    db::Catalog(conn).createTable(table, {
        {"AutoId", db::ColumnType::LongInteger, 0, false, true, std::nullopt},
        {"时间", db::ColumnType::DateTime, 0, false, false, QString("2011-9-5")},
        {"备注", db::ColumnType::Memo, 0, true, false, std::nullopt},
        {"百度收入量", db::ColumnType::Text, 50, false, false, QString("收入*/反向*")},
        {"谷歌收入量", db::ColumnType::Text, 50, false, false, QString("收入*/反向*")},
        {"雅虎收入量", db::ColumnType::Text, 50, false, false, QString("收入*/反向*")},
        {"PR", db::ColumnType::Text, 10, false, false, QString("0")},
        {"◆关键词1", db::ColumnType::Text, 50, false, false, QString("百度*/谷歌*")},
    });
    c.execute(QStringLiteral("BEGIN"));
    for (int i = 1; i <= NotesRows; ++i) {
        const QDate date = QDate(2010, 1, 1).addDays(rng.bounded(5000));
        rows << QStringLiteral("('%1','第%2次观察','收入%3/反向%4','收入%4/反向%3','收入%3/反向%3','%5','百度%3/谷歌%4')")
                    .arg(date.toString(Qt::ISODate)).arg(i).arg(rng.bounded(9000)).arg(rng.bounded(900)).arg(rng.bounded(10));
        if (rows.size() == 500) {
            c.execute(QStringLiteral("INSERT INTO biji1 ([时间],[备注],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1]) VALUES ")
                      + rows.join(QLatin1Char(',')));
            rows.clear();
        }
    }
    c.execute(QStringLiteral("COMMIT"));
    return table;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timed(const std::function<void()> &work)
{
    QElapsedTimer t;
    t.start();
    work();
    return double(t.nsecsElapsed()) / 1e6;
}

// The rival: the same SQL text, sent and read with libpq alone; every cell is touched.
size_t rawRead(PGconn *conn, const QByteArray &sql)
{
    PGresult *r = PQexec(conn, sql.constData());
    if (PQresultStatus(r) != PGRES_TUPLES_OK)
        die(QString::fromUtf8(PQresultErrorMessage(r)));
    size_t touched = 0;
    const int rows = PQntuples(r), cols = PQnfields(r);
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            touched += size_t(PQgetlength(r, i, j)) + (PQgetisnull(r, i, j) ? 0 : size_t(PQgetvalue(r, i, j)[0]));
    PQclear(r);
    return touched;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || !db::Connection::isServer(args[1]))
        die(QStringLiteral("usage: bench_server postgres:dbname=... [rounds]"));
    const QString server = args[1];
    const int rounds = args.value(2, QStringLiteral("7")).toInt();
    try {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("mybook.mdb"));
        std::printf("making the benchmark notebook (%d websites, %d notes rows)...\n", Websites, NotesRows);
        const QString table = makeNotebook(path);

        std::vector<double> migrate;
        for (int i = 0; i < std::max(1, std::min(rounds, 3)); ++i)
            migrate.push_back(timed([&] {
                if (migrateCommand({path, server, QStringLiteral("--replace")}) != 0)
                    die(QStringLiteral("migrate failed"));
            }));

        const QString listSelect = QStringLiteral("SELECT Webid As 编号, Webname As 网站名称, Weburl As 网址, Webtime As 接单日期, "
                                                  "Webmemos As 备注信息");
        const struct {
            const char *what;
            QString sql;
        } figures[] = {
            {"website list, 10,000 websites", listSelect + QStringLiteral(" FROM Website ORDER BY Webtime Desc")},
            {"search 网址 for \".com\"", listSelect + QStringLiteral(" FROM Website  where Weburl Like '%.com%' order by webid")},
            {"notes grid, 100,000 rows", QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY [时间] Desc")},
        };
        db::Connection probe;
        probe.open(db::Location::server(server));
        PGconn *raw = PQconnectdb(QStringLiteral("%1 client_encoding=UTF8 options='-c standard_conforming_strings=on -c datestyle=ISO,YMD'")
                                      .arg(server.mid(server.indexOf(QLatin1Char(':')) + 1))
                                      .toUtf8()
                                      .constData());
        if (PQstatus(raw) != CONNECTION_OK)
            die(QString::fromUtf8(PQerrorMessage(raw)));
        std::printf("\n%s, %d rounds, medians\n\n", qPrintable(probe.description()), rounds);
        std::printf("| figure | Tavorin | raw libpq | ratio | target |\n|---|---|---|---|---|\n");
        for (const auto &f : figures) {
            db::DataControl control;
            control.setLocation(db::Location::server(server));
            control.setRecordSource(f.sql);
            control.refresh(); // connect once, as the window's data control stays connected
            const QByteArray native = db::translateServerSql(f.sql).toUtf8();
            std::vector<double> ours, theirs;
            int rows = 0;
            for (int i = 0; i < rounds; ++i) {
                ours.push_back(timed([&] {
                    control.refresh();
                    rows = control.recordset().recordCount();
                    // What the grid's first screen and the details frame read.
                    for (int r = 0; r < std::min(rows, 40); ++r)
                        for (int c = 0; c < control.recordset().fieldCount(); ++c)
                            (void)control.recordset().valueAt(r, c);
                }));
                theirs.push_back(timed([&] { rawRead(raw, native); }));
            }
            const double a = median(ours), b = median(theirs);
            std::printf("| %s (%d rows) | %.1f ms | %.1f ms | %.2f | ≤ 2 |\n", f.what, rows, a, b, a / b);
        }
        std::printf("| tavorin-db migrate of the benchmark notebook | %.0f ms | | | |\n", median(migrate));
        PQfinish(raw);
    } catch (const db::DbError &e) {
        die(e.message());
    }
    return 0;
}
