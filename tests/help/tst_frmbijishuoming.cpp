// The instructions browser: its caption while loading and after, the address
// history, the toolbar, and what it shows when a page is missing.
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "help/Frmbijishuoming.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>

class TestFrmbijishuoming : public QObject {
    Q_OBJECT
public slots:
    // Stands in for the system's browser.
    void openWeb(const QUrl &url) { m_opened.append(url); }

private:
    QTemporaryDir m_dir;
    QList<QUrl> m_opened;

    QString page(const QString &name) const { return QDir::toNativeSeparators(m_dir.filePath(name)); }

    void writePage(const QString &name, const QByteArray &content)
    {
        QFile f(m_dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    static void writeTitled(QFile &&f, const QString &title, const QString &body = QString())
    {
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(f.fileName()));
        f.write(QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>%2</body></html>")
                    .arg(title, body)
                    .toUtf8());
    }

    Frmbijishuoming *open(const QString &start)
    {
        auto *w = Forms::get<Frmbijishuoming>();
        w->StartingAddress = start;
        w->show();
        if (!QTest::qWaitFor([w] { return !w->Busy() && !w->timTimer->isActive(); }))
            qWarning("page did not finish loading");
        return w;
    }

    static QStringList history(const Frmbijishuoming *w)
    {
        QStringList items;
        for (int i = 0; i < w->cboAddress->count(); ++i)
            items << w->cboAddress->itemText(i);
        return items;
    }

    static bool settle(Frmbijishuoming *w)
    {
        return QTest::qWaitFor([w] { return !w->Busy() && !w->timTimer->isActive(); });
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        MessageBox::setTestMode(true);
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openWeb");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openWeb");
        writeTitled(QFile(m_dir.filePath("a.html")), QStringLiteral("页面A"),
                    QStringLiteral("<a href=\"b.html\">B</a> <a href=\"http://www.belmarsk.example/x\">web</a>"));
        writeTitled(QFile(m_dir.filePath("b.html")), QStringLiteral("页面B"));
        writeTitled(QFile(m_dir.filePath("c.html")), QStringLiteral("页面C"));
        writePage(QStringLiteral("untitled.html"), "<html><body><p>no title</p></body></html>");
        writePage(QStringLiteral("notes.txt"), "plain <b>text</b>");
    }

    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    }

    void init() { m_opened.clear(); }

    void cleanup()
    {
        delete Forms::loaded<Frmbijishuoming>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        MessageBox::clearShown();
    }

    // With no test.html beside the program the window explains what is
    // missing and where it was looked for, instead of staying empty.
    void missingInstructionsPage()
    {
        if (QFile::exists(Frmbijishuoming::instructionsPath()))
            QSKIP("a test.html lies beside the test program");
        auto *w = Forms::get<Frmbijishuoming>();
        w->show();
        QCOMPARE(w->windowTitle(), QStringLiteral("正在工作..."));
        QVERIFY(settle(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("找不到网页"));
        const QString shown = w->brwWebBrowser->toPlainText();
        QVERIFY(shown.contains(QStringLiteral("没有找到使用说明页面")));
        QVERIFY(shown.contains(QDir::toNativeSeparators(Frmbijishuoming::instructionsPath())));
        QCOMPARE(history(w), QStringList({QDir::toNativeSeparators(Frmbijishuoming::instructionsPath()),
                                          Frmbijishuoming::MakerHomePage}));
    }

    void missingOtherPage()
    {
        auto *w = open(page("gone.html"));
        QCOMPARE(w->windowTitle(), QStringLiteral("找不到网页"));
        QVERIFY(w->brwWebBrowser->toPlainText().contains(page("gone.html")));
    }

    void opensStartingAddress()
    {
        auto *w = open(page("a.html"));
        QCOMPARE(w->windowTitle(), QStringLiteral("页面A"));
        QCOMPARE(w->LocationURL(), QUrl::fromLocalFile(m_dir.filePath("a.html")));
        QCOMPARE(history(w), QStringList({page("a.html"), Frmbijishuoming::MakerHomePage}));
    }

    void captionWhileLoadingThenTitle_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("caption"); // empty: the page's address
        QTest::newRow("titled page") << "b.html" << "页面B";
        QTest::newRow("page without title") << "untitled.html" << QString();
        QTest::newRow("plain text") << "notes.txt" << QString();
    }

    void captionWhileLoadingThenTitle()
    {
        QFETCH(QString, file);
        QFETCH(QString, caption);
        auto *w = open(page("a.html"));
        w->Navigate(page(file));
        QCOMPARE(w->windowTitle(), QStringLiteral("正在工作..."));
        QVERIFY(w->Busy());
        QVERIFY(settle(w));
        QCOMPARE(w->windowTitle(), caption.isEmpty() ? page(file) : caption);
        if (file.endsWith(QLatin1String(".txt")))
            QCOMPARE(w->brwWebBrowser->toPlainText(), QStringLiteral("plain <b>text</b>"));
    }

    void stopEndsWorkingCaptionAtOnce()
    {
        auto *w = open(page("a.html"));
        QSignalSpy completed(w, &Frmbijishuoming::NavigateComplete);
        w->Navigate(page("b.html"));
        QCOMPARE(w->windowTitle(), QStringLiteral("正在工作..."));
        w->tbToolBar->findChild<QAction *>(QStringLiteral("Stop"))->trigger();
        QCOMPARE(w->windowTitle(), QStringLiteral("页面A"));
        QVERIFY(!w->Busy());
        QVERIFY(!w->timTimer->isActive());
        QTest::qWait(30);
        QCOMPARE(completed.count(), 0);
        QCOMPARE(w->LocationURL(), QUrl::fromLocalFile(m_dir.filePath("a.html")));
        QCOMPARE(w->windowTitle(), QStringLiteral("页面A"));
    }

    // Visiting an address that is already listed moves it to the top: no
    // duplicate, and rearranging the list starts no navigation of its own.
    void historyMovesRevisitedAddressToTop_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("expected");
        const QString home = Frmbijishuoming::MakerHomePage;
        QTest::newRow("chosen from the list")
            << "list" << "a.html" << QStringList({page("a.html"), page("c.html"), page("b.html"), home});
        QTest::newRow("top entry chosen again")
            << "list" << "c.html" << QStringList({page("c.html"), page("b.html"), page("a.html"), home});
        QTest::newRow("typed with Enter")
            << "enter" << "b.html" << QStringList({page("b.html"), page("c.html"), page("a.html"), home});
        QTest::newRow("new address typed")
            << "enter" << "untitled.html"
            << QStringList({page("untitled.html"), page("c.html"), page("b.html"), page("a.html"), home});
    }

    void historyMovesRevisitedAddressToTop()
    {
        QFETCH(QString, how);
        QFETCH(QString, target);
        QFETCH(QStringList, expected);
        auto *w = open(page("a.html"));
        for (const char *name : {"b.html", "c.html"}) {
            w->Navigate(page(QLatin1String(name)));
            QVERIFY(settle(w));
        }
        QCOMPARE(history(w), QStringList({page("c.html"), page("b.html"), page("a.html"), Frmbijishuoming::MakerHomePage}));

        QSignalSpy started(w, &Frmbijishuoming::navigationStarted);
        if (how == QLatin1String("list")) {
            const int i = w->cboAddress->findText(page(target));
            QVERIFY(i >= 0);
            w->cboAddress->setCurrentIndex(i);
            emit w->cboAddress->activated(i);
        } else {
            QLineEdit *edit = w->cboAddress->lineEdit();
            edit->selectAll();
            QTest::keyClicks(edit, page(target));
            QTest::keyClick(edit, Qt::Key_Return);
        }
        QVERIFY(settle(w));
        QTest::qWait(20);
        QCOMPARE(started.count(), 1);
        QCOMPARE(history(w), expected);
        QCOMPARE(w->cboAddress->currentIndex(), 0);
        QCOMPARE(w->LocationURL(), QUrl::fromLocalFile(m_dir.filePath(target)));
    }

    void backOrForwardWithNoHistoryDoNothing_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("Back") << "Back";
        QTest::newRow("Forward") << "Forward";
    }

    void backOrForwardWithNoHistoryDoNothing()
    {
        QFETCH(QString, key);
        auto *w = open(page("a.html"));
        QVERIFY(!w->tbToolBar->findChild<QAction *>(key)->isEnabled());
        QSignalSpy started(w, &Frmbijishuoming::navigationStarted);
        const QStringList before = history(w);
        w->tbToolBar_ButtonClick(key);
        QVERIFY(settle(w));
        QCOMPARE(started.count(), 0);
        QCOMPARE(w->windowTitle(), QStringLiteral("页面A"));
        QCOMPARE(w->LocationURL(), QUrl::fromLocalFile(m_dir.filePath("a.html")));
        QCOMPARE(history(w), before);
    }

    void backAndForward()
    {
        auto *w = open(page("a.html"));
        w->Navigate(page("b.html"));
        QVERIFY(settle(w));
        w->tbToolBar_ButtonClick(QStringLiteral("Back"));
        QVERIFY(settle(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("页面A"));
        QVERIFY(w->tbToolBar->findChild<QAction *>(QStringLiteral("Forward"))->isEnabled());
        QCOMPARE(history(w).first(), page("a.html"));
        w->tbToolBar_ButtonClick(QStringLiteral("Forward"));
        QVERIFY(settle(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("页面B"));
        // A new page drops what lay ahead.
        w->tbToolBar_ButtonClick(QStringLiteral("Back"));
        QVERIFY(settle(w));
        w->Navigate(page("c.html"));
        QVERIFY(settle(w));
        QVERIFY(!w->canGoForward());
        QVERIFY(w->canGoBack());
    }

    void refreshRereadsThePage()
    {
        auto *w = open(page("c.html"));
        writeTitled(QFile(m_dir.filePath("c.html")), QStringLiteral("页面C新"));
        w->tbToolBar_ButtonClick(QStringLiteral("Refresh"));
        QVERIFY(settle(w));
        QCOMPARE(w->windowTitle(), QStringLiteral("页面C新"));
        QVERIFY(!w->canGoBack());
        writeTitled(QFile(m_dir.filePath("c.html")), QStringLiteral("页面C"));
    }

    void homeAndSearchOpenTheInstructions_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("fragment");
        QTest::newRow("Home") << "Home" << QString();
        QTest::newRow("Search") << "Search" << "contents";
    }

    void homeAndSearchOpenTheInstructions()
    {
        QFETCH(QString, key);
        QFETCH(QString, fragment);
        auto *w = open(page("a.html"));
        w->tbToolBar_ButtonClick(key);
        QVERIFY(settle(w));
        QCOMPARE(w->LocationURL().adjusted(QUrl::RemoveFragment),
                 QUrl::fromLocalFile(Frmbijishuoming::instructionsPath()));
        QCOMPARE(w->LocationURL().fragment(), fragment);
    }

    // Web addresses go to the system's browser; pages on this computer,
    // relative links included, open inside.
    void linksAndAddresses_data()
    {
        QTest::addColumn<bool>("typed");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QUrl>("external");
        QTest::addColumn<QString>("caption");
        QTest::newRow("http link") << false << "http://www.belmarsk.example/x"
                                   << QUrl("http://www.belmarsk.example/x") << "页面A";
        QTest::newRow("https link") << false << "https://tavorin.belmarsk.example/"
                                    << QUrl("https://tavorin.belmarsk.example/") << "页面A";
        QTest::newRow("relative link") << false << "b.html" << QUrl() << "页面B";
        QTest::newRow("typed web address") << true << "www.belmarsk.example" << QUrl("http://www.belmarsk.example")
                                           << "页面A";
        QTest::newRow("maker's home page") << true << Frmbijishuoming::MakerHomePage
                                           << QUrl(Frmbijishuoming::MakerHomePage) << "页面A";
    }

    void linksAndAddresses()
    {
        QFETCH(bool, typed);
        QFETCH(QString, address);
        QFETCH(QUrl, external);
        QFETCH(QString, caption);
        auto *w = open(page("a.html"));
        QSignalSpy started(w, &Frmbijishuoming::navigationStarted);
        if (typed)
            w->Navigate(address);
        else
            emit w->brwWebBrowser->anchorClicked(QUrl(address));
        QVERIFY(settle(w));
        QCOMPARE(m_opened, external.isEmpty() ? QList<QUrl>() : QList<QUrl>({external}));
        QCOMPARE(started.count(), external.isEmpty() ? 1 : 0);
        QCOMPARE(w->windowTitle(), caption);
    }

    void layoutFollowsTheWindow_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::newRow("design") << QSize(700, 550);
        QTest::newRow("large") << QSize(1000, 800);
        QTest::newRow("small") << QSize(420, 300);
    }

    void layoutFollowsTheWindow()
    {
        QFETCH(QSize, size);
        auto *w = open(page("a.html"));
        w->resize(size);
        const QRect label = w->lblAddress->geometry();
        QCOMPARE(w->cboAddress->x(), 3);
        QCOMPARE(w->cboAddress->y(), label.y() + label.height() + 1);
        QCOMPARE(w->cboAddress->width(), size.width() - 7);
        QCOMPARE(w->brwWebBrowser->width(), size.width() - 7);
        const QRect strip = w->picAddress->geometry();
        QCOMPARE(w->brwWebBrowser->height(), size.height() - (strip.y() + strip.height()) - 20);
    }

    // The page shipped with the program explains what it should.
    void instructionsPageCoversTheProgram_data()
    {
        QTest::addColumn<QString>("text");
        for (const char *t : {"admin", "123456", "首条记录", "<上一条", "下一条>", "末条记录", "∧", "∨", "滚轮",
                              "类型：", "内容：", "搜索", "http://", "无", "网站名称已经存在，请重新输入", "修改",
                              "Goto ->", "查看网站", "表名不存在，是否要创建？", "添 加", "修 改", "删 除",
                              "↓查看备注", "基本设置", "1 到 255", "默认值", "更 新", "至少 6 个字符"})
            QTest::newRow(t) << QString::fromUtf8(t);
    }

    void instructionsPageCoversTheProgram()
    {
        QFETCH(QString, text);
        auto *w = open(QStringLiteral(TAVORIN_RESOURCES_DIR "/test.html"));
        QCOMPARE(w->windowTitle(), QStringLiteral("Tavorin使用说明"));
        QVERIFY2(w->brwWebBrowser->toPlainText().contains(text), qPrintable(text));
    }
};

QTEST_MAIN(TestFrmbijishuoming)
#include "tst_frmbijishuoming.moc"
