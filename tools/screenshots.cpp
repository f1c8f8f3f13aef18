// tavorin-screenshots OUTDIR: takes the README's pictures of the main window,
// the notes window and the record editor. It works in a temporary folder with
// a new database filled with a few sample websites and observations, drives
// the real windows through their buttons and saves each window as OUTDIR/NAME.png.
// Run it under xvfb-run with a screen of at least 1280 x 1024.
#include "accounts/Users.h"
#include "catalogue/FrmMain.h"
#include "catalogue/Website.h"
#include "core/Application.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/NewDatabase.h"
#include "core/SqlText.h"
#include "notes/FrmChargeItemEdit.h"
#include "notes/FrmDetailed.h"

#include <QDate>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QEventLoop>
#include <QLocale>
#include <QTimer>
#include <QTextStream>

namespace {

struct Sample {
    const char *name;
    const char *url;
    QDate taken;
    const char *memo;
};

void settle()
{
    // Long enough for the windows to be laid out and painted.
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
}

bool save(QWidget *window, const QString &outDir, const QString &name)
{
    settle();
    const QString path = QDir(outDir).filePath(name + QStringLiteral(".png"));
    if (!window->grab().save(path)) {
        QTextStream(stderr) << "tavorin-screenshots: cannot write " << path << "\n";
        return false;
    }
    QTextStream(stdout) << "Wrote " << path << "\n";
    return true;
}

void clickButton(QWidget *window, const char *name)
{
    if (auto *button = window->findChild<QPushButton *>(QString::fromLatin1(name)))
        button->click();
}

void fillSampleData()
{
    const Sample sites[] = {
        {"北京绿野花卉", "http://www.lvye-flowers.example", QDate(2024, 3, 18), "首页标题和描述已改写，等待收录。"},
        {"上海恒通物流", "http://www.hengtong56.example", QDate(2025, 6, 2), "主关键词：上海物流公司、零担运输。"},
        {"Harbor Dental Care", "http://harbordental.example", QDate(2025, 11, 20), "English site; local SEO."},
        {"杭州茶语茶叶", "http://www.chayu-tea.example", QDate(2026, 2, 9), "新站，每周更新两篇文章。"},
    };
    for (const Sample &s : sites) {
        Website &w = CurWebsite();
        w.Init();
        w.Webname = QString::fromUtf8(s.name);
        w.Weburl = QString::fromUtf8(s.url);
        w.Webtime = s.taken;
        w.Webmemos = QString::fromUtf8(s.memo);
        w.Insert();
    }
}

void fillSampleNotes(const QString &table)
{
    struct Row {
        QDate day;
        const char *baidu, *google, *yahoo, *pr, *rank;
        const char *memo;
    } rows[] = {
        {QDate(2026, 2, 16), "收入12/反向3", "收入30/反向5", "收入8/反向1", "0", "百度无/谷歌无", "提交网站地图，开通统计。"},
        {QDate(2026, 2, 23), "收入48/反向9", "收入75/反向12", "收入20/反向4", "1", "百度38/谷歌25", "新增文章两篇，交换友情链接三个。"},
        {QDate(2026, 3, 2), "收入96/反向15", "收入140/反向22", "收入41/反向6", "2", "百度17/谷歌11", "修改内页标题，压缩图片。"},
        {QDate(2026, 3, 9), "收入155/反向31", "收入210/反向40", "收入66/反向9", "2", "百度9/谷歌6", "首页进入第一页。"},
    };
    for (const Row &r : rows) {
        QStringList values{QStringLiteral("#%1#").arg(r.day.toString(Qt::ISODate))};
        for (const char *text : {r.baidu, r.google, r.yahoo, r.pr, r.rank, r.memo})
            values << QLatin1Char('\'') + sqlText(QString::fromUtf8(text)) + QLatin1Char('\'');
        DbFunc::ExecuteSql(QStringLiteral("INSERT INTO %1 ([时间],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1],[备注]) "
                                  "VALUES (%2)")
                       .arg(table, values.join(QLatin1Char(','))));
    }
}

} // namespace

int main(int argc, char **argv)
{
    Application app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tavorin"));
    // Dates as a user in China sees them, whatever this machine's locale.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    if (argc != 2) {
        QTextStream(stderr) << "usage: tavorin-screenshots OUTDIR\n";
        return 2;
    }
    const QString outDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(outDir);

    QTemporaryDir work;
    QString error;
    if (!work.isValid() || !QDir::setCurrent(work.path())
        || !NewDatabase::create(QStringLiteral("data/mybook.mdb"), &error)) {
        QTextStream(stderr) << "tavorin-screenshots: cannot prepare a working folder: " << error << "\n";
        return 1;
    }
    // Questions are answered here, not on the screen.
    MessageBox::setTestMode(true);
    LoginUser().GetInfo(NewDatabase::FirstUser);
    CurUser().GetInfo(NewDatabase::FirstUser);
    fillSampleData();

    FrmMain *main = Forms::get<FrmMain>();
    main->show();
    bool ok = save(main, outDir, QStringLiteral("main"));

    // "Goto ->" on the newest website: create its notes table, fill it, open it.
    MessageBox::setNextAnswer(MessageBox::Ok);
    main->Cmd_goto->click();
    fillSampleNotes(QStringLiteral("biji4"));
    main->Cmd_goto->click();
    FrmDetailed *notes = Forms::loaded<FrmDetailed>();
    if (!notes) {
        QTextStream(stderr) << "tavorin-screenshots: the notes window did not open\n";
        return 1;
    }
    notes->resize(900, 560);
    ok = save(notes, outDir, QStringLiteral("notes")) && ok;

    clickButton(notes, "Cmd_Modi");
    if (FrmChargeItemEdit *editor = Forms::loaded<FrmChargeItemEdit>())
        ok = save(editor, outDir, QStringLiteral("editor")) && ok;
    else
        ok = false;
    return ok ? 0 : 1;
}
