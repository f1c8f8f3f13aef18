// The trend chart and the exports at scale: opening the chart of a notes
// table of 1,000 rows with 6 observed items until it is drawn, and exporting
// a notes table of 100,000 rows to CSV and to Excel, each export beside the
// raw read of the same rows through the SQLite C API.
//
//   bench_exchange [rounds [chart|export]]   generate, measure, print the table;
//                                           chart or export alone for profiling
#include "charts/ChartWindow.h"
#include "core/Application.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/NewDatabase.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "exchange/TableExport.h"

#include <QAbstractScrollArea>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsView>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ChartRows = 1000;
constexpr int ExportRows = 100000;

[[noreturn]] void die(const std::string &why)
{
    std::fprintf(stderr, "bench_exchange: %s\n", why.c_str());
    std::exit(1);
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

db::ColumnDef column(const QString &name, db::ColumnType type, int size = 0, std::optional<QString> def = std::nullopt)
{
    db::ColumnDef c;
    c.name = name;
    c.type = type;
    c.size = size;
    c.defaultText = def;
    c.autoIncrement = type == db::ColumnType::LongInteger;
    c.nullable = type == db::ColumnType::Memo;
    return c;
}

// A notes table with the default columns, and a second keyword when six
// observed items are wanted; rows over fifteen years of days.
void makeTable(const QString &path, const QString &table, int rows, bool sixItems, unsigned seed)
{
    using db::ColumnType;
    const QString counts = QStringLiteral("收入*/反向*");
    QVector<db::ColumnDef> cols{column("AutoId", ColumnType::LongInteger), column("时间", ColumnType::DateTime, 0, "2011-1-1"),
                                column("备注", ColumnType::Memo), column("百度收入量", ColumnType::Text, 50, counts),
                                column("谷歌收入量", ColumnType::Text, 50, counts),
                                column("雅虎收入量", ColumnType::Text, 50, counts), column("PR", ColumnType::Text, 10, "0"),
                                column("◆关键词1", ColumnType::Text, 50, "百度*/谷歌*")};
    if (sixItems)
        cols << column("◆关键词2", ColumnType::Text, 50, "百度*/谷歌*");
    db::Catalog(Database::connectionString).createTable(table, cols);

    sqlite3 *db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        die("cannot open the database");
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    const QByteArray sql = (QStringLiteral("INSERT INTO ") + table
                            + (sixItems ? QStringLiteral(" VALUES (NULL,?,?,?,?,?,?,?,?)") : QStringLiteral(" VALUES (NULL,?,?,?,?,?,?,?)")))
                               .toUtf8();
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &insert, nullptr) != SQLITE_OK)
        die(sqlite3_errmsg(db));
    std::mt19937 rng(seed);
    const auto below = [&rng](int n) { return int(rng() % unsigned(n)); };
    const QDate first(2011, 1, 1);
    const auto bind = [insert](int i, const QString &text) {
        const QByteArray b = text.toUtf8();
        sqlite3_bind_text(insert, i, b.constData(), int(b.size()), SQLITE_TRANSIENT);
    };
    for (int i = 0; i < rows; ++i) {
        // The chart's table: one row a week; the export's: any day of fifteen years.
        bind(1, (sixItems ? first.addDays(7 * i) : first.addDays(below(5478))).toString(Qt::ISODate));
        bind(2, below(4) ? QString() : QStringLiteral("更新了%1篇文章，提交外链，友情链接交换").arg(below(9)));
        for (int engine = 3; engine <= 5; ++engine)
            bind(engine, below(10) ? QStringLiteral("收入%1/反向%2").arg(1000 + i * 3 + below(500)).arg(100 + below(300))
                                   : QStringLiteral("收入*/反向*"));
        bind(6, QString::number(below(8)));
        bind(7, QStringLiteral("百度%1/谷歌%2").arg(1 + below(50)).arg(1 + below(50)));
        if (sixItems)
            bind(8, below(6) ? QStringLiteral("百度%1/谷歌%2").arg(1 + below(30)).arg(1 + below(30)) : QStringLiteral("无"));
        if (sqlite3_step(insert) != SQLITE_DONE)
            die(sqlite3_errmsg(db));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The rival of the exports: the same query prepared and stepped, every column read.
double rawRead(const QString &path, const QString &query)
{
    const auto start = Clock::now();
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt *stmt = nullptr;
    const QByteArray q = query.toUtf8();
    if (sqlite3_prepare_v2(db, q.constData(), -1, &stmt, nullptr) != SQLITE_OK)
        die(sqlite3_errmsg(db));
    const int columns = sqlite3_column_count(stmt);
    qint64 touched = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < columns; ++c) {
            const unsigned char *text = sqlite3_column_text(stmt, c);
            const int bytes = sqlite3_column_bytes(stmt, c);
            touched += bytes + (bytes ? text[0] : 0);
        }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    const double ms = msSince(start);
    asm volatile("" : : "r"(touched) : "memory");
    return ms;
}

class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget *w) { w->installEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};

// From nothing to a chart window on screen with its chart drawn.
double openChart(const QString &table, bool allItems)
{
    const auto start = Clock::now();
    auto *w = new ChartWindow;
    w->showTable(table, QStringLiteral("优化网"));
    if (allItems)
        w->setCheckedColumns({"百度收入量", "谷歌收入量", "雅虎收入量", "PR", "◆关键词1", "◆关键词2"});
    auto *view = w->findChild<QGraphicsView *>(QStringLiteral("chartView"));
    PaintCounter painted(view->viewport());
    w->show();
    while (painted.count == 0) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        if (msSince(start) > 20000)
            die("the chart was never drawn");
    }
    const double ms = msSince(start);
    delete w;
    QCoreApplication::processEvents();
    return ms;
}

void printRow(const char *what, double ours, const char *rivalName, double rival, const char *target, bool met)
{
    if (rival > 0)
        std::printf("| %s | %.1f ms | %s %.1f ms | %.2f | %s%s |\n", what, ours, rivalName, rival, ours / rival, target,
                    met ? "" : " (missed)");
    else
        std::printf("| %s | %.1f ms | — | — | %s%s |\n", what, ours, target, met ? "" : " (missed)");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 7;
    const std::string only = argc > 2 ? argv[2] : "";
    Application app(argc, argv);
    MessageBox::setTestMode(true);
    QTemporaryDir work;
    if (!work.isValid())
        die("no temporary folder");
    QDir::setCurrent(work.path());
    const QString path = work.filePath(QStringLiteral("data/mybook.mdb"));
    QString error;
    if (!NewDatabase::create(path, &error))
        die(error.toStdString());
    std::printf("Generating a notes table of %d rows with 6 observed items and one of %d rows ...\n", ChartRows, ExportRows);
    std::fflush(stdout);
    makeTable(path, QStringLiteral("biji1"), ChartRows, true, 1);
    if (only != "chart")
        makeTable(path, QStringLiteral("biji2"), ExportRows, false, 2);
    std::printf("Median of %d rounds each.\n\n| figure | ours | rival | ratio | target |\n|---|---|---|---|---|\n", rounds);

    if (only == "export")
        goto exports;
    {
    openChart(QStringLiteral("biji1"), false); // fonts and the first chart's set-up
    std::vector<double> chart, chartAll;
    for (int i = 0; i < rounds; ++i) {
        chart.push_back(openChart(QStringLiteral("biji1"), false));
        chartAll.push_back(openChart(QStringLiteral("biji1"), true));
    }
    printRow("chart of 1,000 rows, 6 items, first item drawn, until painted", median(chart), "", 0, "≤ 150 ms",
             median(chart) <= 150);
    printRow("the same with all 6 items (12 lines) drawn (for information)", median(chartAll), "", 0, "—", true);
    if (only == "chart")
        return 0;
    }
exports:

    const QString query = QStringLiteral("SELECT * FROM biji2 ORDER BY [时间], AutoId");
    for (const auto format : {exchange::Format::Csv, exchange::Format::Xlsx}) {
        const bool csv = format == exchange::Format::Csv;
        const QString out = work.filePath(csv ? QStringLiteral("out.csv") : QStringLiteral("out.xlsx"));
        std::vector<double> ours, raw;
        rawRead(path, query);
        for (int i = 0; i < rounds; ++i) {
            raw.push_back(rawRead(path, query));
            const auto start = Clock::now();
            db::Connection conn;
            conn.open(Database::connectionString);
            if (exchange::exportNotesTable(conn, QStringLiteral("biji2"), format, out) != ExportRows)
                die("short export");
            ours.push_back(msSince(start));
        }
        const double o = median(ours), r = median(raw);
        if (csv)
            printRow("export 100,000 notes rows to CSV", o, "raw SQLite", r, "≤ 1.5×", o <= 1.5 * r);
        else
            printRow("export 100,000 notes rows to XLSX", o, "raw SQLite", r, "≤ 6×", o <= 6 * r);
        std::printf("  (file %.1f MiB)\n", double(QFileInfo(out).size()) / (1024 * 1024));
    }
    return 0;
}
