// tavorin-screenshots OUTDIR: takes the README's pictures of the program's windows.
//
// Run it in a prepared working folder (img/login.png, a new data/mybook.mdb,
// and test.html beside the executable) on an X display of at least
// 1024 x 768, as scripts/screenshots does. It shows the login window over a
// coloured desktop, so that its shape shows, then the instructions browser and
// the about box; then it fills the database with a few sample websites and
// observations, drives the main window, the notes window and the record editor
// through their buttons, and saves login, help, about, main (with its title),
// delete (the question before a website is deleted), notes, editor, the trend
// chart (chart), the import preview (import) and the first page of a client
// report (report, drawn by poppler's pdftoppm) as PNG files in OUTDIR.
#include "accounts/LoginWindow.h"
#include "accounts/Account.h"
#include "catalogue/MainWindow.h"
#include "catalogue/SearchPanel.h"
#include "catalogue/WebsiteBrowser.h"
#include "catalogue/WebsiteDetails.h"
#include "catalogue/Website.h"
#include "core/Application.h"
#include "core/Database.h"
#include "core/DatabaseLocation.h"
#include "core/Startup.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/NewDatabase.h"
#include "core/NotesTables.h"
#include "core/db/Quote.h"
#include "help/HelpBrowser.h"
#include "help/AboutBox.h"
#include "charts/ChartWindow.h"
#include "core/FileDialog.h"
#include "notes/ImportDialog.h"
#include "notes/RecordEditor.h"
#include "notes/NotesWindow.h"
#include "report/ClientReport.h"

#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <functional>
#include <QPixmap>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

namespace {

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool saved(const QPixmap &shot, const QString &path)
{
    if (shot.isNull() || !shot.save(path)) {
        QTextStream(stderr) << "cannot save " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}

// What the screen shows around a window, `margin` pixels on every side.
bool shootScreen(QWidget *window, int margin, const QString &path)
{
    settle(1200);
    QScreen *screen = window->screen();
    const QRect area = window->frameGeometry().adjusted(-margin, -margin, margin, margin).intersected(screen->geometry());
    return saved(screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()), path);
}

// The window alone, as it paints itself.
bool shootWindow(QWidget *window, const QString &path)
{
    settle(500);
    return saved(window->grab(), path);
}

// The window under a plain title bar holding its title: without a window
// manager there is none, and the main window's title names the notebook.
bool shootWithTitle(QWidget *window, const QString &path)
{
    settle(500);
    const QPixmap body = window->grab();
    const int bar = window->fontMetrics().height() + 12;
    QPixmap shot(body.width(), body.height() + bar);
    shot.fill(QColor(0x3c, 0x4f, 0x66));
    QPainter painter(&shot);
    painter.setPen(Qt::white);
    painter.setFont(window->font());
    painter.drawText(QRect(10, 0, body.width() - 20, bar), Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
    painter.drawPixmap(0, bar, body);
    painter.end();
    return saved(shot, path);
}

// A question as the user gets it: the message box is shown for real, pictured,
// and answered with its second button (否 or 取消), so that nothing happens.
bool shootQuestion(const std::function<void()> &ask, const QString &path)
{
    bool ok = false;
    MessageBox::setTestMode(false);
    QTimer::singleShot(1200, [&ok, path] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        ok = saved(box->grab(), path);
        box->button(QMessageBox::No) ? box->button(QMessageBox::No)->click() : box->reject();
    });
    ask();
    MessageBox::setTestMode(true);
    return ok;
}

void clickButton(QWidget *window, const char *name)
{
    if (auto *button = window->findChild<QPushButton *>(QString::fromLatin1(name)))
        button->click();
}

void fillSampleWebsites()
{
    struct Sample {
        const char *name;
        const char *url;
        QDate taken;
        const char *memo;
    } sites[] = {
        {"北京绿野花卉", "http://www.lvye-flowers.example", QDate(2024, 3, 18), "首页标题和描述已改写，等待收录。"},
        {"上海恒通物流", "http://www.hengtong56.example", QDate(2025, 6, 2), "主关键词：上海物流公司、零担运输。"},
        {"Harbor Dental Care", "http://harbordental.example", QDate(2025, 11, 20), "English site; local SEO."},
        {"杭州茶语茶叶", "http://www.chayu-tea.example", QDate(2026, 2, 9), "新站，每周更新两篇文章。"},
    };
    for (const Sample &s : sites) {
        Website &w = currentWebsite();
        w.clear();
        w.Webname = QString::fromUtf8(s.name);
        w.Weburl = QString::fromUtf8(s.url);
        w.Webtime = s.taken;
        w.Webmemos = QString::fromUtf8(s.memo);
        w.insert();
    }
}

void fillSampleNotes(const QString &table)
{
    struct Row {
        QDate day;
        const char *baidu, *google, *yahoo, *pr, *rank, *memo;
    } rows[] = {
        {QDate(2026, 2, 16), "收入12/反向3", "收入30/反向5", "收入8/反向1", "0", "百度无/谷歌无", "提交网站地图，开通统计。"},
        {QDate(2026, 2, 23), "收入48/反向9", "收入75/反向12", "收入20/反向4", "1", "百度38/谷歌25", "新增文章两篇，交换友情链接三个。"},
        {QDate(2026, 3, 2), "收入96/反向15", "收入140/反向22", "收入41/反向6", "2", "百度17/谷歌11", "修改内页标题，压缩图片。"},
        {QDate(2026, 3, 9), "收入155/反向31", "收入210/反向40", "收入66/反向9", "2", "百度9/谷歌6", "首页进入第一页。"},
    };
    for (const Row &r : rows) {
        db::Values values{r.day};
        for (const char *text : {r.baidu, r.google, r.yahoo, r.pr, r.rank, r.memo})
            values << QString::fromUtf8(text);
        Database::execute(QStringLiteral("INSERT INTO %1 ([时间],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1],[备注]) "
                                          "VALUES (?, ?, ?, ?, ?, ?, ?)")
                              .arg(db::quoteIdentifier(table)),
                          values);
    }
}

// Weekly rows from November on, before the four above: counts that grow, a
// keyword that climbs, two weeks left as the template (a gap in the chart).
// Indexing takes off in February, with the rows fillSampleNotes wrote.
void fillTrendNotes(const QString &table)
{
    const char *memos[] = {"提交网站地图，开通统计。", "", "新增文章两篇。", "", "", "修改内页标题。", "", "", "首页改版。", "", "", ""};
    for (int i = 0; i < 15; ++i) {
        const QDate day = QDate(2025, 11, 3).addDays(7 * i);
        const int pages = 1 + i * 3 / 4, back = i / 4;
        const QString baidu = (i == 6 || i == 7) ? QStringLiteral("收入*/反向*") : QStringLiteral("收入%1/反向%2").arg(pages).arg(back);
        const QString rank = i < 2 ? QStringLiteral("百度无/谷歌无")
                                   : QStringLiteral("百度%1/谷歌%2").arg(90 - i * 3 - i % 3).arg(70 - i * 2 - i % 4);
        Database::execute(QStringLiteral("INSERT INTO %1 ([时间],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1],[备注]) "
                                         "VALUES (#%2#,'%3','收入%4/反向%5','收入%6/反向%7','%8','%9','%10')")
                              .arg(table, day.toString(Qt::ISODate), baidu)
                              .arg(int(pages * 1.4))
                              .arg(back + 2)
                              .arg(pages / 3)
                              .arg(back / 2)
                              .arg(i / 8)
                              .arg(rank, QString::fromUtf8(memos[i % 12])));
    }
}

// A desktop of its own, so that the shots do not depend on the display's.
void paintDesktop(QWidget &desktop, const QRect &screen)
{
    QLinearGradient sky(0, 0, 0, screen.height());
    sky.setColorAt(0, QColor(58, 110, 165));
    sky.setColorAt(1, QColor(120, 170, 200));
    QPalette pal = desktop.palette();
    pal.setBrush(QPalette::Window, sky);
    desktop.setPalette(pal);
    desktop.setAutoFillBackground(true);
    desktop.setGeometry(screen);
    desktop.show();
    settle(300);
}

// The windows seen before logging in.
bool shootFirstWindows(const QRect &screen, const QDir &out)
{
    bool ok = true;
    LoginWindow *login = Forms::get<LoginWindow>();
    login->show();
    ok = shootScreen(login, 40, out.filePath(QStringLiteral("login.png"))) && ok;
    login->hide();

    HelpBrowser *help = Forms::get<HelpBrowser>();
    help->move(screen.center() - help->rect().center());
    help->show();
    ok = shootScreen(help, 0, out.filePath(QStringLiteral("help.png"))) && ok;
    help->hide();

    AboutBox *about = Forms::get<AboutBox>();
    about->show();
    about->move(screen.center() - about->rect().center());
    ok = shootScreen(about, 0, out.filePath(QStringLiteral("about.png"))) && ok;
    about->hide();
    return ok;
}

// The notes window of biji4, its record editor and its trend chart; ok
// turns false for a shot not taken. False when the notes window did not open.
bool shootNotesWindows(MainWindow *main, const QDir &out, bool &ok)
{
    // "Goto ->" on the newest website creates its notes table; fill it, open it.
    MessageBox::setNextAnswer(MessageBox::Ok);
    main->details->openNotesButton->click();
    fillSampleNotes(NotesTables::name(4));
    main->details->openNotesButton->click();
    NotesWindow *notes = Forms::loaded<NotesWindow>();
    if (!notes)
        return false;
    notes->resize(900, 560);
    ok = shootWindow(notes, out.filePath(QStringLiteral("notes.png"))) && ok;

    clickButton(notes, "Cmd_Modi");
    RecordEditor *editor = Forms::loaded<RecordEditor>();
    ok = editor && shootWindow(editor, out.filePath(QStringLiteral("editor.png"))) && ok;
    if (editor)
        editor->close();

    // Four months of weekly observations for the trend chart.
    fillTrendNotes(NotesTables::name(4));
    notes->refreshGrid();
    clickButton(notes, "Cmd_Chart");
    ChartWindow *chart = Forms::loaded<ChartWindow>();
    if (chart) {
        chart->setCheckedColumns({QStringLiteral("百度收入量"), QStringLiteral("◆关键词1")});
        chart->setRank(QStringLiteral("◆关键词1"), true);
        chart->resize(1000, 560);
    }
    ok = chart && shootWindow(chart, out.filePath(QStringLiteral("chart.png"))) && ok;
    return true;
}

// The import preview of a CSV file with a column the table lacks.
bool shootImport(const QDir &out)
{
    const QString csv = QDir::current().filePath(QStringLiteral("茶语优化记录.csv"));
    QFile file(csv);
    if (file.open(QIODevice::WriteOnly)) {
        file.write("\xEF\xBB\xBF时间,备注,百度收入量,谷歌收入量,pr,◆关键词1,◆关键词2\r\n"
                   "2026-3-16,\"新增文章三篇, 首页改版\",收入190/反向36,收入260/反向44,3,百度7/谷歌5,百度15/谷歌12\r\n"
                   "2026-3-23,交换友情链接两个,收入214/反向40,收入275/反向47,3,百度6/谷歌5,百度13/谷歌10\r\n"
                   "2026-3-30,,收入236/反向41,收入301/反向50,3,百度5/谷歌4,百度11/谷歌9\r\n"
                   "2026-4-6,\"客户反馈：咨询量增加\",收入251/反向45,收入322/反向52,3,百度4/谷歌4,百度9/谷歌8\r\n");
        file.close();
    }
    FileDialog::setNextPath(csv);
    ImportDialog *import = importNotesFromCsv(nullptr, 4, QString::fromUtf8("杭州茶语茶叶"));
    if (import)
        import->resize(820, 560);
    return import && shootWindow(import, out.filePath(QStringLiteral("import.png")));
}

// The client report of the same website for the first quarter, under a
// sample studio's name with the program's logo; its first page as a picture.
// False with a message when the report could not be written.
bool shootReport(const QDir &out, bool &ok)
{
    QFile logo(QStringLiteral(":/help/logo.png"));
    logo.open(QIODevice::ReadOnly);
    report::setStudio({QString::fromUtf8("星河网络优化工作室"), QString::fromUtf8("电话 0571-8888 6666 · service@xinghe.example"),
                       logo.readAll()});
    report::setChosenItems(NotesTables::name(4), {QStringLiteral("百度收入量"), QStringLiteral("◆关键词1")});
    const auto sites = report::websites(QStringLiteral("SELECT Webid, Webname, Weburl FROM Website WHERE Webid = 4"));
    const QString pdf = QDir::current().filePath(QStringLiteral("report.pdf"));
    QString why;
    if (sites.isEmpty() || !report::writePdf(report::readContent(sites.first(), QDate(2026, 1, 1), QDate(2026, 3, 31)), pdf, &why)) {
        QTextStream(stderr) << "cannot write the report: " << why << '\n';
        return false;
    }
    const QString page = out.filePath(QStringLiteral("report"));
    ok = QProcess::execute(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("80"), QStringLiteral("-png"),
                                                        QStringLiteral("-singlefile"), QStringLiteral("-f"), QStringLiteral("1"),
                                                        QStringLiteral("-l"), QStringLiteral("1"), pdf, page})
             == 0
         && ok;
    QTextStream(stdout) << page << ".png\n";
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavorin"));
    if (argc != 2) {
        QTextStream(stderr) << "usage: tavorin-screenshots OUTDIR\n";
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    // The notebook as the program finds it: data/mybook.mdb in this folder.
    Startup::openNotebook(DatabaseLocation::find(DatabaseLocation::processInputs(QString())));
    if (!QDir().mkpath(out.path())) {
        QTextStream(stderr) << "cannot make " << out.path() << '\n';
        return 1;
    }

    QWidget desktop(nullptr, Qt::Window | Qt::FramelessWindowHint);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    paintDesktop(desktop, screen);
    bool ok = shootFirstWindows(screen, out);

    // From here on questions are answered by this program, not on the screen.
    MessageBox::setTestMode(true);
    loginUser().load(NewDatabase::FirstUser);
    currentUser().load(NewDatabase::FirstUser);
    fillSampleWebsites();

    MainWindow *main = Forms::get<MainWindow>();
    main->show();
    ok = shootWithTitle(main, out.filePath(QStringLiteral("main.png"))) && ok;
    ok = shootQuestion([main] { main->deleteWebsiteAction->trigger(); }, out.filePath(QStringLiteral("delete.png"))) && ok;
    if (!shootNotesWindows(main, out, ok)) {
        QTextStream(stderr) << "the notes window did not open\n";
        return 1;
    }
    ok = shootImport(out) && ok;
    if (!shootReport(out, ok))
        return 1;
    return ok ? 0 : 1;
}
