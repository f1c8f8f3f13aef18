// From launch to the main window and back out: the login window alone at
// start, the hand-over after a login, and the program ending with its last
// window. (The installed program waiting at its login window without a
// notebook in its folder is the package test's.)
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
