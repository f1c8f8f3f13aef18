// The trend chart, the exports and the import at scale: opening the chart of
// a notes table of 1,000 rows with 6 observed items until it is drawn;
// exporting a notes table of 100,000 rows to CSV and to Excel, each beside the
// raw read of the same rows through the SQLite C API; importing a CSV file of
// 500,000 rows through `tavorin-db import` and through the import window, each
// in a child process whose peak resident memory is read from the kernel,
// beside the sqlite3 shell's own .import of the same file.
//
//   bench_exchange [rounds [chart|export|import]]   generate, measure, print the table;
//                                                  one part alone for profiling
//   bench_exchange 1 import-window FOLDER TABLE FILE  (the child the import figure runs)
#include "bench/Timing.h"
#include "charts/ChartWindow.h"
#include "core/Application.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/NewDatabase.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/Quote.h"
#include "exchange/Csv.h"
#include "exchange/TableExport.h"
#include "notes/ImportDialog.h"

#include <QAbstractScrollArea>
#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QGraphicsView>
#include <QProgressDialog>
#include <QPushButton>
#include <QSaveFile>
#include <QTimer>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <sqlite3.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using bench::Clock;
using bench::median;
using bench::msSince;
using bench::printRow;

constexpr int ChartRows = 1000;
constexpr int ExportRows = 100000;
constexpr int ImportRows = 500000;

[[noreturn]] void die(const std::string &why)
{
    std::fprintf(stderr, "bench_exchange: %s\n", why.c_str());
    std::exit(1);
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
    db::Catalog(Database::notebook).createTable(table, cols);

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

int rowCount(const QString &path, const QString &table)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *stmt = nullptr;
    const QByteArray q = QStringLiteral("SELECT count(*) FROM %1").arg(db::quoteIdentifier(table)).toUtf8();
    if (sqlite3_prepare_v2(db, q.constData(), -1, &stmt, nullptr) != SQLITE_OK || sqlite3_step(stmt) != SQLITE_ROW)
        die(sqlite3_errmsg(db));
    const int rows = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
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

// A CSV file as the program's own export writes it: a notes table's columns
// without AutoId, days over fifteen years, a memo on every fourth row.
void makeCsv(const QString &path, int rows)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        die("cannot write the CSV file");
    exchange::CsvWriter csv(&file);
    csv.writeRow({"时间", "备注", "百度收入量", "谷歌收入量", "雅虎收入量", "PR", "◆关键词1"});
    std::mt19937 rng(3);
    const auto below = [&rng](int n) { return int(rng() % unsigned(n)); };
    const QDate first(2011, 1, 1);
    for (int i = 0; i < rows; ++i) {
        csv.addField(first.addDays(below(5478)).toString(QStringLiteral("yyyy-M-d")));
        csv.addField(below(4) ? QString() : QStringLiteral("更新了%1篇文章，提交外链，\n友情链接交换").arg(below(9)));
        for (int engine = 0; engine < 3; ++engine)
            csv.addField(QStringLiteral("收入%1/反向%2").arg(1000 + below(9000)).arg(100 + below(300)));
        csv.addField(QString::number(below(8)));
        csv.addField(QStringLiteral("百度%1/谷歌%2").arg(1 + below(50)).arg(1 + below(50)));
        csv.endRow();
    }
    csv.flush();
    if (!file.commit())
        die("cannot write the CSV file");
}

struct ChildRun {
    double ms;
    double peakMiB;
    std::string output;
};

// Runs a program to its end; its wall time, peak resident memory and output.
ChildRun runChild(const std::vector<std::string> &argv)
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        die("pipe");
    const auto start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        close(pipeFds[0]);
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeFds[1]);
    std::string output;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, size_t(n));
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double ms = msSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        die("child failed: " + argv[0] + " " + (argv.size() > 1 ? argv[1] : "") + "\n" + output);
    return {ms, double(usage.ru_maxrss) / 1024, output};
}

// The child of the window figure: the import window on the file, 导 入
// clicked, the event loop watched while the rows go in.
int importWindow(const QString &folder, const QString &table, const QString &csvPath)
{
    QDir::setCurrent(folder);
    auto *dialog = new ImportDialog;
    dialog->notesTable = table;
    if (!dialog->load(csvPath, QStringLiteral("优化网")))
        die("the import window refused the file");
    dialog->show();
    // Drawn once before the clock starts: the first paint loads fonts.
    for (const auto shown = Clock::now(); msSince(shown) < 1000;)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    // The longest time the event loop went without turning, and how often
    // the progress dialog was drawn while the rows went in.
    double longest = 0;
    auto last = Clock::now();
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longest = std::max(longest, msSince(last));
        last = Clock::now();
    });
    int painted = 0;
    std::unique_ptr<PaintCounter> counter;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!counter)
            if (auto *progress = dialog->findChild<QProgressDialog *>(); progress && progress->isVisible())
                counter = std::make_unique<PaintCounter>(progress);
        if (counter)
            painted = counter->count;
    });
    tick.start();
    watch.start();
    last = Clock::now();
    dialog->findChild<QPushButton *>(QStringLiteral("importRows"))->click();
    tick.stop();
    const int written = rowCount(folder + QStringLiteral("/data/mybook.mdb"), table);
    if (written != ImportRows)
        die("the import window wrote " + std::to_string(written) + " rows");
    std::printf("%.1f %d\n", longest, painted);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(3, std::atoi(argv[1])) : 7;
    const std::string only = argc > 2 ? argv[2] : "";
    Application app(argc, argv);
    MessageBox::setTestMode(true);
    if (only == "import-window" && argc == 6)
        return importWindow(QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]), QString::fromLocal8Bit(argv[5]));
    QTemporaryDir work;
    if (!work.isValid())
        die("no temporary folder");
    QDir::setCurrent(work.path());
    const QString path = work.filePath(QStringLiteral("data/mybook.mdb"));
    NewDatabase::create(db::Location::file(path)); // a Failure ends the run with its message
    std::printf("Generating a notes table of %d rows with 6 observed items and one of %d rows ...\n", ChartRows, ExportRows);
    std::fflush(stdout);
    makeTable(path, QStringLiteral("biji1"), ChartRows, true, 1);
    if (only != "chart" && only != "import")
        makeTable(path, QStringLiteral("biji2"), ExportRows, false, 2);
    std::printf("Median of %d rounds each.\n\n| figure | ours | rival | ratio | target |\n|---|---|---|---|---|\n", rounds);

    if (only == "import")
        goto imports;
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
    {
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
            conn.open(Database::notebook);
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
    }
    if (only == "export")
        return 0;
imports:
    {
    const QString csvPath = work.filePath(QStringLiteral("import.csv"));
    makeCsv(csvPath, ImportRows);
    std::printf("\nImport of a CSV file of %d rows (%.1f MiB), median of %d rounds each:\n\n"
                "| figure | time | rows/s | peak memory | rival | ratio | target |\n|---|---|---|---|---|---|---|\n",
                ImportRows, double(QFileInfo(csvPath).size()) / (1024 * 1024), rounds);
    std::fflush(stdout);
    const std::string self = QCoreApplication::applicationFilePath().toStdString();
    const std::string tool = TAVORIN_DB_BIN;
    std::vector<double> cli, window, rival, cliMemory, windowMemory, longest;
    int painted = 0;
    for (int i = 0; i < rounds; ++i) {
        // Each round in a new notebook (so that the backups made first copy the
        // same small file): each path into an empty notes table, the rival into
        // a table of its own with the same columns.
        const QString folder = work.filePath(QStringLiteral("round%1").arg(i));
        QDir().mkpath(folder + QStringLiteral("/data"));
        QDir::setCurrent(folder);
        const QString notebook = folder + QStringLiteral("/data/mybook.mdb");
        NewDatabase::create(db::Location::file(notebook));
        const int table = 10;
        for (int k = 0; k < 2; ++k)
            makeTable(notebook, QStringLiteral("biji%1").arg(table + k), 0, false, 0);
        const std::string db = notebook.toStdString();
        const ChildRun c = runChild({tool, "import", db, "--website", std::to_string(table), csvPath.toStdString()});
        cli.push_back(c.ms);
        cliMemory.push_back(c.peakMiB);
        const ChildRun w = runChild({self, "1", "import-window", folder.toStdString(),
                                     "biji" + std::to_string(table + 1), csvPath.toStdString()});
        window.push_back(w.ms);
        windowMemory.push_back(w.peakMiB);
        double pause = 0;
        int paints = 0;
        std::sscanf(w.output.c_str(), "%lf %d", &pause, &paints);
        longest.push_back(pause);
        painted = std::max(painted, paints);
        // The sqlite3 shell's CSV import: no checks, no dates read, no progress.
        const std::string shell = ".import --csv --skip 1 " + csvPath.toStdString() + " biji" + std::to_string(table + 2)
                                  + "_plain";
        const std::string create = "CREATE TABLE biji" + std::to_string(table + 2)
                                   + "_plain(时间,备注,百度收入量,谷歌收入量,雅虎收入量,PR,◆关键词1);";
        rival.push_back(runChild({"/usr/bin/sqlite3", db, create, shell}).ms);
        QDir::setCurrent(work.path());
        QDir(folder).removeRecursively();
    }
    const double c = median(cli), w = median(window), r = median(rival);
    const auto row = [&](const char *what, double ms, double mib, const char *target, bool met) {
        std::printf("| %s | %.1f s | %.0f | %.1f MiB | sqlite3 .import %.1f s | %.2f | %s%s |\n", what, ms / 1000,
                    ImportRows / (ms / 1000), mib, r / 1000, ms / r, target, met ? "" : " (missed)");
    };
    row("tavorin-db import (backup, check, import)", c, median(cliMemory), "≥ 30,000 rows/s, < 150 MB",
        ImportRows / (c / 1000) >= 30000 && median(cliMemory) < 150);
    row("import window (read, preview, backup, import)", w, median(windowMemory), "≥ 30,000 rows/s, < 150 MB",
        ImportRows / (w / 1000) >= 30000 && median(windowMemory) < 150);
    std::printf("  window: longest pause of its event loop during the import %.0f ms (median), progress dialog drawn "
                "%d times\n", median(longest), painted);
    }
    return 0;
}
