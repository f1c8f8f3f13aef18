// The instructions browser: its caption while loading and after, the address history,
// the toolbar, links, and what it shows when a page is missing.
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "help/Frmbijishuoming.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
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
    void openWeb(const QUrl &url) { m_opened.append(url); } // stands in for the system's browser

private:
    QTemporaryDir m_dir;
    QList<QUrl> m_opened;

    QString page(const QString &name) const { return QDir::toNativeSeparators(m_dir.filePath(name)); }

    void writePage(const QString &name, const QString &title, const QString &body = QString())
    {
        QFile f(m_dir.filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>%2</body></html>");
        f.write((title.isNull() ? body : html.arg(title, body)).toUtf8());
    }
    static bool settle(Frmbijishuoming *w)
    {
        return QTest::qWaitFor([w] { return !w->Busy() && !w->timTimer->isActive(); });
    }
    // The window opened on a.html, then b.html and c.html visited.
    Frmbijishuoming *openVisited()
    {
        auto *w = Forms::get<Frmbijishuoming>();
        w->StartingAddress = page("a.html");
        w->show();
        for (const char *name : {"b.html", "c.html"}) {
            settle(w);
            w->Navigate(page(QLatin1String(name)));
        }
        if (!settle(w))
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

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        MessageBox::setTestMode(true);
        QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "openWeb");
        QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "openWeb");
        for (const char *name : {"a", "b", "c"})
            writePage(QStringLiteral("%1.html").arg(name), QStringLiteral("页面%1").arg(QChar(name[0]).toUpper()));
        writePage("untitled.html", QString(), "<html><body><p>no title</p></body></html>");
        writePage("notes.txt", QString(), "plain <b>text</b>");
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
    }

    // Each way of opening an address: "正在工作..." while a page loads, then its title, or its
    // address when it has none; the address list newest first, without duplicates, and
    // rearranging it starts no second navigation; a missing page explained with the place it
    // was looked for; web addresses handed to the system's browser.
    void openAddress_data()
    {
        QTest::addColumn<QString>("how"); // "type", "link", "list", "enter", or a toolbar key
        QTest::addColumn<QString>("address");
        QTest::addColumn<QUrl>("external");
        QTest::addColumn<QStringList>("list");
        QTest::addColumn<QString>("caption"); // empty: the address at the top of the list
        QTest::addColumn<QStringList>("shown");
        const QString home = Frmbijishuoming::MakerHomePage, a = page("a.html"), b = page("b.html"), c = page("c.html");
        const QStringList visited = {c, b, a, home};
        auto top = [&](const QString &address) {
            QStringList list = visited;
            list.removeAll(address);
            list.prepend(address);
            return list;
        };
        const QString manual = QDir::toNativeSeparators(Frmbijishuoming::instructionsPath());
        QUrl contents = QUrl::fromLocalFile(Frmbijishuoming::instructionsPath());
        contents.setFragment(QStringLiteral("contents"));
        const QString shipped = QDir::toNativeSeparators(QStringLiteral(TAVORIN_RESOURCES_DIR "/test.html"));
        QTest::newRow("chosen from the list") << "list" << a << QUrl() << top(a) << "页面A" << QStringList();
        QTest::newRow("top entry chosen again") << "list" << c << QUrl() << visited << "页面C" << QStringList();
        QTest::newRow("listed page, Enter") << "enter" << b << QUrl() << top(b) << "页面B" << QStringList();
        QTest::newRow("new page, Enter") << "enter" << page("untitled.html") << QUrl() << top(page("untitled.html")) << ""
                                         << QStringList{"no title"};
        QTest::newRow("plain text") << "type" << page("notes.txt") << QUrl() << top(page("notes.txt")) << ""
                                    << QStringList{"plain <b>text</b>"};
        QTest::newRow("missing page") << "type" << page("gone.html") << QUrl() << top(page("gone.html")) << "找不到网页"
                                      << QStringList{"没有找到这个网页", page("gone.html")};
        QTest::newRow("Home, no manual") << "Home" << "" << QUrl() << top(manual) << "找不到网页"
                                         << QStringList{"没有找到使用说明页面", manual};
        QTest::newRow("Search, no manual") << "Search" << "" << QUrl() << top(contents.toDisplayString()) << "找不到网页"
                                           << QStringList{manual};
        QTest::newRow("shipped manual") << "type" << shipped << QUrl() << top(shipped) << "Tavorin使用说明" << QStringList{"admin"};
        QTest::newRow("relative link") << "link" << "b.html" << QUrl() << top(b) << "页面B" << QStringList();
        QTest::newRow("https link") << "link" << "https://belmarsk.example/x" << QUrl("https://belmarsk.example/x") << visited << "页面C"
                                   << QStringList();
        QTest::newRow("typed web address") << "type" << "www.belmarsk.example" << QUrl("http://www.belmarsk.example") << visited
                                           << "页面C" << QStringList();
        QTest::newRow("maker's home page") << "list" << home << QUrl(home) << visited << "页面C" << QStringList();
    }
    void openAddress()
    {
        QFETCH(QString, how);
        QFETCH(QString, address);
        QFETCH(QUrl, external);
        QFETCH(QStringList, list);
        QFETCH(QString, caption);
        QFETCH(QStringList, shown);
        if (address.isEmpty() && QFile::exists(Frmbijishuoming::instructionsPath()))
            QSKIP("a test.html lies beside the test program");
        auto *w = openVisited();
        QSignalSpy started(w, &Frmbijishuoming::navigationStarted);
        QLineEdit *edit = w->cboAddress->lineEdit();
        if (how == QLatin1String("type")) {
            w->Navigate(address);
        } else if (how == QLatin1String("link")) {
            emit w->brwWebBrowser->anchorClicked(QUrl(address));
        } else if (how == QLatin1String("list")) {
            const int i = w->cboAddress->findText(address);
            QVERIFY(i >= 0);
            w->cboAddress->setCurrentIndex(i);
            emit w->cboAddress->activated(i);
        } else if (how == QLatin1String("enter")) {
            edit->selectAll();
            QTest::keyClicks(edit, address);
            QTest::keyClick(edit, Qt::Key_Return);
        } else {
            w->tbToolBar_ButtonClick(how);
        }
        QCOMPARE(w->windowTitle(), external.isEmpty() ? QStringLiteral("正在工作...") : QStringLiteral("页面C"));
        QVERIFY(settle(w));
        QTest::qWait(20);
        QCOMPARE(m_opened, external.isEmpty() ? QList<QUrl>() : QList<QUrl>({external}));
        QCOMPARE(started.count(), external.isEmpty() ? 1 : 0);
        QCOMPARE(history(w), list);
        QCOMPARE(w->windowTitle(), caption.isEmpty() ? list.first() : caption);
        if (external.isEmpty())
            QCOMPARE(w->cboAddress->currentIndex(), 0);
        for (const QString &text : shown) {
            QVERIFY2(w->brwWebBrowser->toPlainText().contains(text), qPrintable(text));
        }
    }

    // Stop cancels the page being loaded and gives the shown page's caption back at once.
    void stopEndsWorkingCaptionAtOnce()
    {
        auto *w = openVisited();
        QSignalSpy completed(w, &Frmbijishuoming::NavigateComplete);
        w->Navigate(page("b.html"));
        w->tbToolBar->findChild<QAction *>(QStringLiteral("Stop"))->trigger();
        QCOMPARE(w->windowTitle(), QStringLiteral("页面C"));
        QVERIFY(!w->Busy());
        QTest::qWait(30);
        QCOMPARE(completed.count(), 0);
        QCOMPARE(w->LocationURL(), QUrl::fromLocalFile(m_dir.filePath("c.html")));
        QCOMPARE(w->windowTitle(), QStringLiteral("页面C"));
    }

    void backForwardAndRefresh()
    {
        auto *w = openVisited();
        QSignalSpy started(w, &Frmbijishuoming::navigationStarted);
        auto click = [w](const char *key) {
            w->tbToolBar_ButtonClick(QLatin1String(key));
            return settle(w) ? w->windowTitle() : QString();
        };
        QCOMPARE(click("Forward"), QStringLiteral("页面C")); // nothing ahead
        QCOMPARE(click("Back"), QStringLiteral("页面B"));
        QCOMPARE(click("Back"), QStringLiteral("页面A"));
        QCOMPARE(click("Back"), QStringLiteral("页面A")); // nothing before the first page
        QCOMPARE(started.count(), 2);
        QCOMPARE(click("Forward"), QStringLiteral("页面B"));
        writePage("b.html", "页面B新");
        QCOMPARE(click("Refresh"), QStringLiteral("页面B新"));
        writePage("b.html", "页面B");
        QCOMPARE(click("Forward"), QStringLiteral("页面C")); // Refresh kept the place in the history
        click("Back");
        w->Navigate(page("notes.txt")); // a new page drops what lay ahead
        QVERIFY(settle(w));
        QVERIFY(!w->canGoForward());
        QVERIFY(!w->tbToolBar->findChild<QAction *>(QStringLiteral("Forward"))->isEnabled());
    }
};

QTEST_MAIN(TestFrmbijishuoming)
#include "tst_frmbijishuoming.moc"
