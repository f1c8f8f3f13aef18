// The login window: its checks and messages, the three-attempt limit, the
// hand-over to the main window, the exit area and dragging.
#include "accounts/FrmLogin.h"
#include "accounts/Users.h"
#include "catalogue/FrmMain.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "tests/support/TestDb.h"

#include <QLabel>
#include <QAbstractButton>
#include <QLineEdit>
#include <QTest>

namespace {

const QString ThirdFailure = QStringLiteral("您已经三次尝试进入本系统，均不成功，系统将关闭");

enum How { EnterInUser, EnterInPwd, ClickImage1 };

FrmLogin *openLogin()
{
    FrmLogin *w = Forms::get<FrmLogin>();
    w->show();
    return w;
}

void retype(QLineEdit *box, const QString &text)
{
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClicks(box, text);
}

// Types both boxes and confirms; returns the exit code the program ended
// with, or -1 when it goes on.
int attempt(FrmLogin *w, const QString &user, const QString &pwd, How how = EnterInPwd)
{
    retype(w->txtUser, user);
    retype(w->txtPwd, pwd);
    try {
        if (how == ClickImage1)
            QTest::mouseClick(w->Image1, Qt::LeftButton);
        else
            QTest::keyClick(how == EnterInUser ? w->txtUser : w->txtPwd, how == EnterInUser ? Qt::Key_Return : Qt::Key_Enter);
    } catch (const Program::Ended &e) {
        return e.exitCode;
    }
    return -1;
}

void dropClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

class TestFrmLogin : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        LoginUser().Init();
        CurUser().Init();
    }
    void cleanup()
    {
        delete Forms::loaded<FrmLogin>();
        delete Forms::loaded<FrmMain>();
        dropClosedWindows();
    }

    void refused_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pwd");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("tries");
        QTest::newRow("empty name") << "" << "123456" << "请输入用户名" << "txtUser" << 0;
        QTest::newRow("empty password") << "admin" << "" << "请输入密码" << "txtPwd" << 0;
        QTest::newRow("blanks-only name") << "   " << "123456" << "用户名不存在" << "txtPwd" << 1;
        QTest::newRow("name is a prefix") << "adm" << "123456" << "用户名不存在" << "txtPwd" << 1;
        QTest::newRow("wrong password") << "admin" << "654321" << "密码错误" << "txtPwd" << 1;
        QTest::newRow("password in other capitals") << "bob" << "secret" << "密码错误" << "txtPwd" << 1;
        QTest::newRow("quote in the name") << "o'x" << "123456" << "用户名不存在" << "txtPwd" << 1;
    }
    void refused()
    {
        QFETCH(QString, user);
        QFETCH(QString, pwd);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('bob', 'Secret')");
        FrmLogin *w = openLogin();
        w->txtPwd->setFocus();
        QCOMPARE(attempt(w, user, pwd), -1);
        QFETCH(QString, message);
        QCOMPARE(MessageBox::shown(), QStringList{message});
        QTEST(w->focusWidget()->objectName(), "focus");
        QTEST(w->tryTimes(), "tries");
        QVERIFY(w->isVisible());
        QCOMPARE(w->txtUser->text() + '|' + w->txtPwd->text(), user + '|' + pwd); // left for correcting
        QCOMPARE(CurUser().UserName(), QString());
        QVERIFY(!Forms::loaded<FrmMain>());
    }

    void loggedIn_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pwd");
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("current"); // the logged-in user's name and password
        QTest::newRow("Enter in the password box") << "admin" << "123456" << int(EnterInPwd) << "admin|123456";
        QTest::newRow("Enter in the name box") << "admin" << "123456" << int(EnterInUser) << "admin|123456";
        QTest::newRow("click on the log-in area") << "admin" << "123456" << int(ClickImage1) << "admin|123456";
        QTest::newRow("name in other capitals kept as typed") << "ADmin" << "123456" << int(EnterInPwd) << "ADmin|123456";
        QTest::newRow("blanks trimmed") << "  admin " << "  123456 " << int(EnterInPwd) << "admin|123456";
        QTest::newRow("quotes") << "o'neil" << "it's" << int(EnterInPwd) << "o'neil|it's";
    }
    void loggedIn()
    {
        QFETCH(QString, user);
        QFETCH(QString, pwd);
        QFETCH(int, how);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('o''neil', 'it''s')");
        FrmLogin *w = openLogin();
        attempt(w, "nobody", "x"); // one failure first: a later success must not be held against it
        MessageBox::clearShown();
        w->txtUser->setFocus();
        QCOMPARE(attempt(w, user, pwd, How(how)), -1);
        QCOMPARE(MessageBox::shown(), QStringList());
        QTEST(CurUser().UserName() + '|' + CurUser().UserPwd(), "current");
        QVERIFY(Forms::loaded<FrmMain>() && Forms::loaded<FrmMain>()->isVisible());
        QVERIFY(!w->isVisible());
        dropClosedWindows();
        QVERIFY(!Forms::loaded<FrmLogin>());
    }

    void thirdFailureEnds_data()
    {
        QTest::addColumn<QStringList>("attempts"); // user, password pairs
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("two unknown names, one wrong password") << QStringList{"nobody", "1", "   ", "2", "admin", "wrong"}
                                                               << QStringList{"用户名不存在", "用户名不存在", "密码错误", ThirdFailure};
        QTest::newRow("three wrong passwords") << QStringList{"admin", "1", "ADMIN", "123456 7", "admin", "12345"}
                                               << QStringList{"密码错误", "密码错误", "密码错误", ThirdFailure};
        QTest::newRow("empty boxes are not failures")
            << QStringList{"", "1", "x", "1", "admin", "", "y", "1", "z", "1"}
            << QStringList{"请输入用户名", "用户名不存在", "请输入密码", "用户名不存在", "用户名不存在", ThirdFailure};
    }
    void thirdFailureEnds()
    {
        QFETCH(QStringList, attempts);
        TestDb t;
        FrmLogin *w = openLogin();
        for (int i = 0; i < attempts.size(); i += 2)
            QCOMPARE(attempt(w, attempts[i], attempts[i + 1]), i + 2 == attempts.size() ? 0 : -1);
        QTEST(MessageBox::shown(), "messages");
        QVERIFY(!DbFunc::connOpen());
        QCOMPARE(DbFunc::connUses(), 0);
        QCOMPARE(CurUser().UserName(), QString());
        QVERIFY(!Forms::loaded<FrmMain>());
    }

    void missingDatabaseEndsAtFirstCheck()
    {
        TestDb t(false);
        FrmLogin *w = openLogin();
        QVERIFY(!DbFunc::connOpen() && MessageBox::shown().isEmpty()); // showing the window needs no database
        QVERIFY(attempt(w, "admin", "123456") != -1);
        QCOMPARE(MessageBox::shown(), QStringList{"数据库连接失败"});
        QVERIFY(!Forms::loaded<FrmMain>());
    }

    void exitAreaEndsAtOnce()
    {
        TestDb t;
        FrmLogin *w = openLogin();
        int code = -1;
        try {
            QTest::mouseClick(w->Image2, Qt::LeftButton);
        } catch (const Program::Ended &e) {
            code = e.exitCode;
        }
        QCOMPARE(code, 0);
        QVERIFY(MessageBox::shown().isEmpty() && !DbFunc::connOpen());
    }

    void drag_data()
    {
        QTest::addColumn<QString>("target"); // child pressed on; empty: the body
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("body, left button") << "" << int(Qt::LeftButton) << true;
        QTest::newRow("body, right button") << "" << int(Qt::RightButton) << false;
        QTest::newRow("text box") << "txtUser" << int(Qt::LeftButton) << false;
    }
    void drag()
    {
        QFETCH(QString, target);
        QFETCH(int, button);
        TestDb t;
        FrmLogin *w = openLogin();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QWidget *under = target.isEmpty() ? w : w->findChild<QWidget *>(target);
        const QPoint at = target.isEmpty() ? QPoint(20, 250) : QPoint(5, 5);
        const QPoint before = w->pos(), delta(37, -21), start = under->mapToGlobal(at);
        const auto b = Qt::MouseButton(button);
        QTest::mousePress(under, b, {}, at);
        for (int step = 1; step <= 3; ++step) {
            // The pointer moves on the screen; the window may follow it.
            const QPoint global = start + delta * step / 3;
            QMouseEvent move(QEvent::MouseMove, under->mapFromGlobal(global), global, Qt::NoButton, b, Qt::NoModifier);
            QApplication::sendEvent(under, &move);
        }
        QTest::mouseRelease(under, b, {}, under->mapFromGlobal(start + delta));
        QFETCH(bool, moves);
        QCOMPARE(w->pos(), moves ? before + delta : before);
        QVERIFY(MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(TestFrmLogin)
#include "tst_frmlogin.moc"
