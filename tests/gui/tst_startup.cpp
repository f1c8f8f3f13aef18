// From launch to the main window and back out: the login window alone at
// start, the hand-over after a login, and the program ending with its last
// window.
#include "accounts/FrmLogin.h"
#include "accounts/Users.h"
#include "catalogue/FrmMain.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "tests/support/TestDb.h"

#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

QStringList visibleWindows()
{
    QStringList names;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            names << w->objectName();
    return names;
}

void dropClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete Forms::loaded<FrmLogin>();
        delete Forms::loaded<FrmMain>();
        dropClosedWindows();
    }

    void programWaitsAtLoginWithoutDatabase()
    {
        // The real program, in a folder with no database: it must come up
        // and wait for the user instead of failing or ending.
        const QString program = QDir(QCoreApplication::applicationDirPath()).filePath("../../tavorin");
        QVERIFY2(QFile::exists(program), "build the tavorin target first");
        QTemporaryDir folder;
        QProcess p;
        p.setWorkingDirectory(folder.path());
        p.setProgram(program);
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        p.setProcessEnvironment(env);
        p.start();
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
        QVERIFY(QApplication::quitOnLastWindowClosed());
        FrmLogin *login = Forms::get<FrmLogin>();
        login->show();
        QCOMPARE(visibleWindows(), QStringList{"FrmLogin"});
        QVERIFY(!DbFunc::connOpen()); // showing the login needs no database
        const int stillRunning = 7;
        QStringList afterLogin;
        QTimer::singleShot(0, [&] {
            QTest::keyClicks(login->txtUser, "Admin");
            QTest::keyClicks(login->txtPwd, "123456");
            QTest::keyClick(login->txtPwd, Qt::Key_Return);
            dropClosedWindows();
            afterLogin = visibleWindows();
        });
        QTimer::singleShot(500, [&] { QCoreApplication::exit(stillRunning); });
        // The hand-over must not pass through a moment with no window left.
        QCOMPARE(QCoreApplication::exec(), stillRunning);
        QCOMPARE(afterLogin, QStringList{"FrmMain"});
        QVERIFY(!Forms::loaded<FrmLogin>());
        QCOMPARE(CurUser().UserName(), QString("Admin"));

        // Closing the main window (answering Yes) leaves no window: the end.
        QTimer::singleShot(0, [&] {
            MessageBox::setNextAnswer(MessageBox::Yes);
            Forms::loaded<FrmMain>()->close();
        });
        QTimer::singleShot(5000, [&] { QCoreApplication::exit(stillRunning); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(visibleWindows(), QStringList());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
