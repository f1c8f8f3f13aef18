// The instructions browser: its caption while loading and after, the address history,
// the toolbar, links, and what it shows when a page is missing.
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "help/HelpBrowser.h"

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

class TestHelpBrowser : public QObject {
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
        const QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"><title>%1</title></head><body>%2</body></html>");
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write((title.isNull() ? body : html.arg(title, body)).toUtf8()) > 0);
    }
    static bool settle(HelpBrowser *w) { return QTest::qWaitFor([w] { return !w->busy() && !w->loadTimer->isActive(); }); }
    // The window opened on a.html, then b.html and c.html visited.
    HelpBrowser *openVisited()
    {
        auto *w = Forms::get<HelpBrowser>();
        w->startingAddress = page("a.html");
        w->show();
        for (const char *name : {"b.html", "c.html"})
            if (settle(w))
                w->navigate(page(QLatin1String(name)));
        settle(w);
        return w;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        MessageBox::setTestMode(true);
        for (const char *scheme : {"http", "https"})
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openWeb");
        for (const char *name : {"a", "b", "c"})
            writePage(QStringLiteral("%1.html").arg(name), QStringLiteral("页面%1").arg(QChar(name[0]).toUpper()));
        writePage("untitled.html", QString(), "<html><body><p>no title</p></body></html>");
    }
    void cleanupTestCase()
    {
        for (const char *scheme : {"http", "https"})
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
    void init() { m_opened.clear(); }
    void cleanup()
    {
        delete Forms::loaded<HelpBrowser>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Each way of opening an address: "正在工作..." while a page loads, then its title, or its
    // address when it has none; the address list newest first, without duplicates, and
    // rearranging it starts no second navigation; a missing page explained with the place it
    // was looked for; web addresses handed to the system's browser and not listed.
    void openAddress_data()
    {
        QTest::addColumn<QString>("how"); // "type", "link", "list", "enter", or a toolbar key
        QTest::addColumn<QString>("address");
        QTest::addColumn<QUrl>("external");
        QTest::addColumn<QString>("caption"); // empty: the address
        QTest::addColumn<QStringList>("shown");
        const QString manual = QDir::toNativeSeparators(HelpBrowser::instructionsPath()), web = "https://belmarsk.example/x";
        QTest::newRow("chosen from the list") << "list" << page("a.html") << QUrl() << "页面A" << QStringList();
        QTest::newRow("listed page, Enter") << "enter" << page("b.html") << QUrl() << "页面B" << QStringList();
        QTest::newRow("new page without a title") << "enter" << page("untitled.html") << QUrl() << "" << QStringList{"no title"};
        QTest::newRow("missing page") << "type" << page("gone.html") << QUrl() << "找不到网页" << QStringList{"没有找到这个网页", page("gone.html")};
        QTest::newRow("Home, no instructions") << "Home" << manual << QUrl() << "找不到网页" << QStringList{"没有找到使用说明页面", manual};
        QTest::newRow("https link") << "link" << web << QUrl(web) << "页面C" << QStringList();
        QTest::newRow("typed web address") << "type" << "www.example.com" << QUrl("http://www.example.com") << "页面C" << QStringList();
    }
    void openAddress()
    {
        QFETCH(QString, how);
        QFETCH(QString, address);
        QFETCH(QUrl, external);
        QFETCH(QString, caption);
        QFETCH(QStringList, shown);
        if (how == QLatin1String("Home") && QFile::exists(HelpBrowser::instructionsPath()))
            QSKIP("a test.html lies beside the test program");
        auto *w = openVisited();
        QSignalSpy started(w, &HelpBrowser::navigationStarted);
        QLineEdit *edit = w->addressBox->lineEdit();
        if (how == QLatin1String("type"))
            w->navigate(address);
        else if (how == QLatin1String("link"))
            emit w->pageView->anchorClicked(QUrl(address));
        else if (how == QLatin1String("list"))
            w->addressBox->setCurrentIndex(w->addressBox->findText(address)), emit w->addressBox->activated(w->addressBox->currentIndex());
        else if (how == QLatin1String("enter"))
            edit->selectAll(), QTest::keyClicks(edit, address), QTest::keyClick(edit, Qt::Key_Return);
        else
            w->runCommand(how);
        QCOMPARE(w->windowTitle(), external.isEmpty() ? QStringLiteral("正在工作...") : QStringLiteral("页面C"));
        QVERIFY(settle(w));
        QTest::qWait(20);
        QCOMPARE(m_opened, external.isEmpty() ? QList<QUrl>() : QList<QUrl>({external}));
        QCOMPARE(started.count(), external.isEmpty() ? 1 : 0);
        QStringList list = {page("c.html"), page("b.html"), page("a.html"), HelpBrowser::MakerHomePage}, history;
        if (external.isEmpty()) // the page opened moves to the top, or comes in there
            list.removeAll(address), list.prepend(address);
        for (int i = 0; i < w->addressBox->count(); ++i)
            history << w->addressBox->itemText(i);
        QCOMPARE(history, list);
        QCOMPARE(w->windowTitle(), caption.isEmpty() ? list.first() : caption);
        if (external.isEmpty())
            QCOMPARE(w->addressBox->currentIndex(), 0);
        for (const QString &text : shown)
            QVERIFY2(w->pageView->toPlainText().contains(text), qPrintable(text));
    }

    // Back and Forward walk the pages visited; Stop cancels the page being loaded and gives the
    // shown page's caption back at once.
    void toolbarCommands()
    {
        auto *w = openVisited();
        for (const auto &[command, caption] : {std::pair("Back", "页面B"), {"Forward", "页面C"}}) {
            w->runCommand(QString::fromLatin1(command));
            QVERIFY(settle(w));
            QCOMPARE(w->windowTitle(), QString::fromUtf8(caption));
        }
        QSignalSpy completed(w, &HelpBrowser::navigateComplete);
        w->navigate(page("b.html"));
        w->toolbar->findChild<QAction *>(QStringLiteral("Stop"))->trigger();
        QCOMPARE(w->windowTitle(), QStringLiteral("页面C"));
        QTest::qWait(30);
        QCOMPARE(completed.count(), 0);
    }
};

QTEST_MAIN(TestHelpBrowser)
#include "tst_helpbrowser.moc"
