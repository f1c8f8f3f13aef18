// From launch to the main window and back out: the login window alone at
// start, the hand-over after a login, and the program ending with its last
// window.
#include "accounts/LoginWindow.h"
#include "catalogue/MainWindow.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <QtWidgets>

class TestStartup : public QObject {
    Q_OBJECT

    static QStringList visibleWindows()
    {
        QStringList names;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                names << w->objectName();
        return names;
    }

private slots:
    void programWaitsAtLoginWithoutDatabase()
    {
        // The real program, in a folder with no database: it must come up
        // and wait for the user instead of failing or ending.
        const QString program = QDir(QCoreApplication::applicationDirPath()).filePath("../../tavorin");
        QVERIFY2(QFile::exists(program), "build the tavorin target first");
        QTemporaryDir folder;
        QProcess p;
        p.setWorkingDirectory(folder.path());
        qputenv("QT_QPA_PLATFORM", "offscreen");
        p.start(program);
        QVERIFY(p.waitForStarted());
        QVERIFY2(!p.waitForFinished(2500), qPrintable(p.readAllStandardError()));
        p.kill();
        p.waitForFinished();
        QVERIFY(!QFileInfo::exists(folder.filePath("data")));
    }

    void loginHandsOverToTheMainWindowAndClosingItEnds()
    {
        // Run the way the program runs, inside the application's event loop,
        // where the last window closing ends it.
        TestDb t;
        // Wired as main.cpp wires it: a good login opens the main window.
        LoginWindow *login = Forms::get<LoginWindow>();
        QObject::connect(login, &LoginWindow::loggedIn, [] { Forms::get<MainWindow>()->show(); });
        login->show();
        QCOMPARE(visibleWindows(), QStringList{"FrmLogin"});
        QStringList afterLogin;
        QTimer::singleShot(0, [&] {
            QTest::keyClicks(login->userBox, "Admin");
            QTest::keyClicks(login->passwordBox, "123456");
            QTest::keyClick(login->passwordBox, Qt::Key_Return);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            afterLogin = visibleWindows();
        });
        QTimer::singleShot(500, [] { QCoreApplication::exit(7); }); // 7: still running
        // The hand-over must not pass through a moment with no window left.
        QCOMPARE(QCoreApplication::exec(), 7);
        QCOMPARE(afterLogin, QStringList{"FrmMain"});

        // Closing the main window (answering Yes) leaves no window: the end.
        MessageBox::setNextAnswer(MessageBox::Yes);
        QTimer::singleShot(0, Forms::loaded<MainWindow>(), &QWidget::close);
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(visibleWindows(), QStringList());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
