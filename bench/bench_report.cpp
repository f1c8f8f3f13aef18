// The client report at scale: one report of a website with 1,000
// observations in the period (summary of 6 items, chart, work log, a table of
// some 20 pages), and tavorin-db report --all over 100 websites of a month's
// observations each, the real command run as a monthly job runs it. Each
// beside the Excel export of the same rows, the other file a worker hands out.
//
//   bench_report [rounds]
#include "bench/Timing.h"
#include "core/Application.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/NewDatabase.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "exchange/TableExport.h"
#include "report/ClientReport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

using bench::Clock;
using bench::median;
using bench::msSince;
using bench::printRow;

constexpr int ReportRows = 1000;
constexpr int Websites = 100;
const QDate First(2011, 1, 1);

[[noreturn]] void die(const std::string &why)
{
    std::fprintf(stderr, "bench_report: %s\n", why.c_str());
    std::exit(1);
}

db::ColumnDef column(const QString &name, db::ColumnType type, int size = 0)
{
    db::ColumnDef c;
    c.name = name;
    c.type = type;
    c.size = size;
    c.autoIncrement = type == db::ColumnType::LongInteger;
    c.nullable = type == db::ColumnType::Memo;
    return c;
}

// A website and its notes table: one row a day from First, counts that grow
// and two keywords' ranks, a memo on every fourth day.
void makeWebsite(sqlite3 *db, int id, int rows, std::mt19937 &rng)
{
    using db::ColumnType;
    db::Catalog(Database::notebook)
        .createTable(QStringLiteral("biji%1").arg(id),
                     {column("AutoId", ColumnType::LongInteger), column("时间", ColumnType::DateTime), column("备注", ColumnType::Memo),
                      column("百度收入量", ColumnType::Text, 50), column("谷歌收入量", ColumnType::Text, 50),
                      column("PR", ColumnType::Text, 10), column("◆关键词1", ColumnType::Text, 50),
                      column("◆关键词2", ColumnType::Text, 50)});
    const QByteArray site = QStringLiteral("INSERT INTO Website VALUES (%1, '客户网站%1', 'http://www%1.example.cn', '2011-01-01', '')")
                                .arg(id)
                                .toUtf8();
    sqlite3_exec(db, site.constData(), nullptr, nullptr, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr); // after the table: the catalog uses a connection of its own
    const QByteArray sql = QStringLiteral("INSERT INTO biji%1 VALUES (NULL,?,?,?,?,?,?,?)").arg(id).toUtf8();
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr) != SQLITE_OK)
        die(sqlite3_errmsg(db));
    const auto below = [&rng](int n) { return int(rng() % unsigned(n)); };
    const auto bind = [insert](int i, const QString &text) {
        const QByteArray b = text.toUtf8();
        sqlite3_bind_text(insert, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    };
    for (int i = 0; i < rows; ++i) {
        bind(1, First.addDays(i).toString(Qt::ISODate));
        bind(2, i % 4 ? QString() : QStringLiteral("更新了%1篇文章，提交外链，友情链接交换，修改了首页标题和描述").arg(below(9)));
        bind(3, QStringLiteral("收入%1/反向%2").arg(1000 + i * 3 + below(50)).arg(100 + i / 3));
        bind(4, QStringLiteral("收入%1/反向%2").arg(800 + i * 2 + below(50)).arg(90 + i / 4));
        bind(5, QString::number(1 + i / 300));
        bind(6, QStringLiteral("百度%1/谷歌%2").arg(1 + below(50)).arg(1 + below(50)));
        bind(7, below(6) ? QStringLiteral("百度%1/谷歌%2").arg(1 + below(30)).arg(1 + below(30)) : QStringLiteral("无"));
        if (sqlite3_step(insert) != SQLITE_DONE)
            die(sqlite3_errmsg(db));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
}

double exportXlsx(const QString &table, const QString &out)
{
    const auto start = Clock::now();
    db::Connection conn;
    conn.open(Database::notebook);
    exchange::exportNotesTable(conn, table, exchange::Format::Xlsx, out);
    return msSince(start);
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 7;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    Application app(argc, argv);
    MessageBox::setTestMode(true);
    QTemporaryDir work;
    if (!work.isValid())
        die("no temporary folder");
    QDir::setCurrent(work.path());
    const QString path = work.filePath(QStringLiteral("data/mybook.mdb"));
    NewDatabase::create(db::Location::file(path)); // a Failure ends the run with its message
    Database::useDatabase(db::Location::file(path));
    std::printf("Generating a website of %d daily rows and %d websites of 100 ...\n", ReportRows, Websites);
    std::fflush(stdout);
    {
        sqlite3 *db = nullptr;
        if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
            die("cannot open the database");
        std::mt19937 rng(1);
        makeWebsite(db, 1, ReportRows, rng);
        for (int id = 2; id <= Websites; ++id)
            makeWebsite(db, id, 100, rng);
        sqlite3_close(db);
    }
    std::printf("Median of %d rounds each.\n\n| figure | ours | rival | ratio | target |\n|---|---|---|---|---|\n", rounds);

    // One website, all 1,000 rows in the period.
    const report::Website site{1, QStringLiteral("客户网站1"), QStringLiteral("http://www1.example.cn")};
    const QDate last = First.addDays(ReportRows - 1);
    const QString pdf = work.filePath(QStringLiteral("report.pdf"));
    int pages = 0;
    std::vector<double> ours, rival;
    QString error;
    for (int i = 0; i <= rounds; ++i) {
        const auto start = Clock::now();
        if (!report::writePdf(report::readContent(site, First, last), pdf, &error))
            die(error.toStdString());
        const double ms = msSince(start);
        const double xlsx = exportXlsx(QStringLiteral("biji1"), work.filePath(QStringLiteral("out.xlsx")));
        if (i > 0) { // the first round sets up fonts
            ours.push_back(ms);
            rival.push_back(xlsx);
        }
    }
    {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {pdf});
        info.waitForFinished();
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(text).captured(1).toInt();
    }
    printRow("report of 1,000 observations (6 items, 12 lines), in-process", median(ours), "XLSX of the rows", median(rival),
             "< 1 s", median(ours) < 1000);
    std::printf("  (%d pages, %.0f KiB)\n", pages, double(QFileInfo(pdf).size()) / 1024);

    // Every website, a month each: the command as a monthly job runs it.
    const QDate monthFrom = First.addDays(60), monthTo = First.addDays(89);
    std::vector<double> all, allRival;
    for (int i = 0; i < std::min(rounds, 3); ++i) {
        const QString folder = work.filePath(QStringLiteral("all%1").arg(i));
        QProcess tool;
        const auto start = Clock::now();
        tool.start(QStringLiteral(TAVORIN_DB_BIN), {QStringLiteral("report"), path, QStringLiteral("--all"), QStringLiteral("--from"),
                                                    monthFrom.toString(Qt::ISODate), QStringLiteral("--to"),
                                                    monthTo.toString(Qt::ISODate), folder});
        if (!tool.waitForFinished(300000) || tool.exitCode() != 0)
            die("tavorin-db report --all failed: " + tool.readAllStandardError().toStdString());
        all.push_back(msSince(start));
        if (QDir(folder).entryList(QDir::Files).size() != Websites)
            die("not one report per website");
        const auto exports = Clock::now();
        for (int id = 1; id <= Websites; ++id)
            exportXlsx(QStringLiteral("biji%1").arg(id), work.filePath(QStringLiteral("x.xlsx")));
        allRival.push_back(msSince(exports));
    }
    printRow("tavorin-db report --all, 100 websites (a month each), whole process", median(all), "100 XLSX exports",
             median(allRival), "< 60 s", median(all) < 60000);
    return 0;
}
