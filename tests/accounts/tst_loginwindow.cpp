// The login window: its checks and messages, the three-attempt limit, the
// report of a good login and the exit area.
#include "accounts/LoginWindow.h"
#include "accounts/Users.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <QtWidgets>

namespace {

const QString ThirdFailure = QStringLiteral("您已经三次尝试进入本系统，均不成功，系统将关闭");

// Good logins the window reported since the test began.
int logins = 0;

LoginWindow *openLogin()
{
    LoginWindow *w = Forms::get<LoginWindow>();
    if (!w->property("counted").toBool()) {
        w->setProperty("counted", true);
        QObject::connect(w, &LoginWindow::loggedIn, w, [w] {
            // Reported while the window is still up, so the next one can open first.
            if (w->isVisible())
                ++logins;
        });
    }
    w->show();
    return w;
}

// Types both boxes and presses Enter in one of them; returns the exit code
// the program ended with, or -1 when it goes on.
int attempt(LoginWindow *w, const QString &user, const QString &pwd, bool enterInUser = false)
{
    for (auto [box, text] : {std::pair{w->userBox, user}, std::pair{w->passwordBox, pwd}}) {
        box->clear();
        QTest::keyClicks(box, text);
    }
    try {
        QTest::keyClick(enterInUser ? w->userBox : w->passwordBox, enterInUser ? Qt::Key_Return : Qt::Key_Enter);
    } catch (const Program::Ended &e) {
        return e.exitCode;
    }
    return -1;
}

} // namespace

class TestLoginWindow : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        LoginUser().clear();
        CurUser().clear();
        logins = 0;
    }
    void cleanup()
    {
        delete Forms::loaded<LoginWindow>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void loggedIn_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pwd");
        QTest::addColumn<bool>("enterInUser");
        QTest::addColumn<QString>("current"); // the logged-in user's name and password
        QTest::newRow("Enter in the password box") << "admin" << "123456" << false << "admin|123456";
        QTest::newRow("Enter in the name box") << "admin" << "123456" << true << "admin|123456";
        QTest::newRow("blanks trimmed") << "  admin " << "  123456 " << false << "admin|123456";
        QTest::newRow("quotes") << "o'neil" << "it's" << false << "o'neil|it's";
    }
    void loggedIn()
    {
        QFETCH(QString, user);
        QFETCH(QString, pwd);
        QFETCH(bool, enterInUser);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('o''neil', 'it''s')");
        LoginWindow *w = openLogin();
        attempt(w, "nobody", "x"); // one failure first: a later success must not be held against it
        MessageBox::clearShown();
        QCOMPARE(attempt(w, user, pwd, enterInUser), -1);
        QCOMPARE(MessageBox::shown(), QStringList());
        QTEST(CurUser().UserName() + '|' + CurUser().UserPwd(), "current");
        QVERIFY(logins == 1 && !w->isVisible());
    }

    void thirdFailureEnds_data()
    {
        QTest::addColumn<QStringList>("attempts"); // user, password pairs
        QTest::addColumn<QStringList>("messages");
        // Names match whole and in any letter case, passwords exactly; a quote is part of the name.
        QTest::newRow("prefix, quote, password in other capitals") << QStringList{"adm", "123456", "o'x", "1", "BOB", "secret"}
                                                                   << QStringList{"用户名不存在", "用户名不存在", "密码错误", ThirdFailure};
        QTest::newRow("blank name, wrong password") << QStringList{"   ", "2", "admin", "654321", "x", "1"}
                                                    << QStringList{"用户名不存在", "密码错误", "用户名不存在", ThirdFailure};
        QTest::newRow("empty boxes are not failures")
            << QStringList{"", "1", "x", "1", "admin", "", "y", "1", "z", "1"}
            << QStringList{"请输入用户名", "用户名不存在", "请输入密码", "用户名不存在", "用户名不存在", ThirdFailure};
    }
    void thirdFailureEnds()
    {
        QFETCH(QStringList, attempts);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('bob', 'Secret')");
        LoginWindow *w = openLogin();
        for (int i = 0; i < attempts.size(); i += 2)
            QCOMPARE(attempt(w, attempts[i], attempts[i + 1]), i + 2 == attempts.size() ? 0 : -1);
        QTEST(MessageBox::shown(), "messages");
        QVERIFY(!Database::connOpen() && logins == 0);
        QCOMPARE(CurUser().UserName(), QString());
    }

    void missingDatabaseEndsAtFirstCheck()
    {
        TestDb t(false);
        LoginWindow *w = openLogin();
        QVERIFY(!Database::connOpen() && MessageBox::shown().isEmpty()); // showing the window needs no database
        QVERIFY(attempt(w, "admin", "123456") != -1);
        // On a server the same message goes on to say which server and why.
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(MessageBox::shown().constFirst().section(QLatin1Char('\n'), 0, 0), QString("数据库连接失败"));
        QCOMPARE(MessageBox::shown().constFirst().contains(QLatin1Char('\n')), TestDb::onServer());
    }

    void exitAreaEndsAtOnce()
    {
        TestDb t;
        QVERIFY_THROWS_EXCEPTION(Program::Ended, QTest::mouseClick(openLogin()->exitArea, Qt::LeftButton));
        QVERIFY(MessageBox::shown().isEmpty() && !Database::connOpen());
    }
};

QTEST_MAIN(TestLoginWindow)
#include "tst_loginwindow.moc"
