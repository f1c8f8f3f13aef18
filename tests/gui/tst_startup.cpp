// From launch to the main window and back out: the login window alone at
// start, the hand-over after a login, the account command, and the program
// ending with its last window.
#include "accounts/FrmLogin.h"
#include "accounts/FrmUserEdit.h"
#include "accounts/Users.h"
#include "catalogue/FrmMain.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "tests/support/TestDb.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

QStringList visibleWindows()
{
    QStringList names;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (w->isVisible())
            names << w->objectName();
    names.sort();
    return names;
}

void dropClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

void logIn(const QString &user, const QString &pwd)
{
    FrmLogin *w = Forms::get<FrmLogin>();
    w->show();
    QTest::keyClicks(w->txtUser, user);
    QTest::keyClicks(w->txtPwd, pwd);
    QTest::keyClick(w->txtPwd, Qt::Key_Return);
    dropClosedWindows();
}

// Runs the account command; `inDialog` acts while the modal dialog is up.
// Returns false when no dialog showed up.
bool accountCommand(const std::function<void(FrmUserEdit *)> &inDialog)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        FrmUserEdit *d = Forms::loaded<FrmUserEdit>();
        if (!d || !d->isVisible() || !d->isModal())
            return;
        seen = true;
        inDialog(d);
        // Whatever the step did, never leave the nested loop hanging.
        if (d->isVisible())
            d->reject();
    });
    Forms::loaded<FrmMain>()->zhanghao->trigger();
    dropClosedWindows();
    return seen;
}

void retype(QLineEdit *box, const QString &text)
{
    box->selectAll();
    QTest::keyClicks(box, text);
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        LoginUser().Init();
        CurUser().Init();
    }
    void cleanup()
    {
        delete Forms::loaded<FrmUserEdit>();
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

    void startShowsOnlyTheLoginWindow()
    {
        TestDb t(false);
        Forms::get<FrmLogin>()->show();
        QCOMPARE(visibleWindows(), QStringList{"FrmLogin"});
        QVERIFY(!DbFunc::connOpen());
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(CurUser().UserName().isEmpty());
        // A second reference is the same window.
        QCOMPARE(Forms::get<FrmLogin>(), Forms::loaded<FrmLogin>());
    }

    void loginHandsOverToTheMainWindow()
    {
        // Run the way the program runs, inside the application's event loop,
        // where the last window closing ends it.
        TestDb t;
        QVERIFY(QApplication::quitOnLastWindowClosed());
        const int stillRunning = 7;
        QStringList afterLogin;
        QTimer::singleShot(0, [&] {
            logIn("Admin", "123456");
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

    void accountCommandRenames()
    {
        TestDb t;
        logIn("admin", "123456");
        QVERIFY(Forms::loaded<FrmMain>());

        QString shownName, shownPwd, ori;
        QVERIFY(accountCommand([&](FrmUserEdit *d) {
            shownName = d->txtUserName->text();
            shownPwd = d->txtPass2->text();
            ori = d->OriUser;
            retype(d->txtUserName, "root");
            retype(d->txtPass, "abcdef");
            retype(d->txtPass2, "abcdef");
            QTest::mouseClick(d->Cmd_Ok, Qt::LeftButton);
        }));
        QCOMPARE(shownName, QString("admin"));
        QCOMPARE(shownPwd, QString("123456"));
        QCOMPARE(ori, QString("admin"));
        QCOMPARE(MessageBox::shown(), QStringList{"修改成功"});
        QCOMPARE(t.scalar("SELECT UserName || '/' || UserPwd FROM Users").toString(), QString("root/abcdef"));

        // Reopened: the stored account, not the old password; Esc stores nothing.
        QVERIFY(accountCommand([&](FrmUserEdit *d) {
            shownName = d->txtUserName->text();
            shownPwd = d->txtPass->text();
            retype(d->txtPass, "zzzzzz");
            QTest::keyClick(d->txtPass, Qt::Key_Escape);
        }));
        QCOMPARE(shownName, QString("root"));
        QCOMPARE(shownPwd, QString("abcdef"));
        QCOMPARE(t.scalar("SELECT UserName || '/' || UserPwd FROM Users").toString(), QString("root/abcdef"));
        QCOMPARE(visibleWindows(), QStringList{"FrmMain"});
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
