// The login window: its checks and messages, the three-attempt limit, the
// hand-over to the main window, the exit area and dragging.
#include "accounts/FrmLogin.h"
#include "accounts/FrmUserEdit.h"
#include "accounts/Users.h"
#include "catalogue/FrmMain.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "tests/support/TestDb.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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

void attempt(FrmLogin *w, const QString &user, const QString &pwd, How how = EnterInPwd)
{
    retype(w->txtUser, user);
    retype(w->txtPwd, pwd);
    switch (how) {
    case EnterInUser: QTest::keyClick(w->txtUser, Qt::Key_Return); break;
    case EnterInPwd: QTest::keyClick(w->txtPwd, Qt::Key_Enter); break;
    case ClickImage1: QTest::mouseClick(w->Image1, Qt::LeftButton); break;
    }
}

// The exit code the program ended with, or -1 when it goes on.
int attemptEnding(FrmLogin *w, const QString &user, const QString &pwd)
{
    try {
        attempt(w, user, pwd);
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
        delete Forms::loaded<FrmUserEdit>();
        dropClosedWindows();
    }

    void layout_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("accessible");
        QTest::newRow("Label1") << "Label1" << QRect(23, 140, 48, 12) << "";
        QTest::newRow("txtUser") << "txtUser" << QRect(80, 136, 145, 18) << "用户名";
        QTest::newRow("Label2") << "Label2" << QRect(23, 173, 48, 12) << "";
        QTest::newRow("txtPwd") << "txtPwd" << QRect(80, 168, 145, 18) << "密码";
        QTest::newRow("Image1") << "Image1" << QRect(248, 120, 97, 73) << "登录";
        QTest::newRow("Image2") << "Image2" << QRect(256, 208, 57, 49) << "退出";
    }
    void layout()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, accessible);
        TestDb t;
        FrmLogin *w = openLogin();
        QCOMPARE(w->windowTitle(), QString("Tavorin"));
        QVERIFY(w->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(w->size(), QSize(342, 308));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        auto *c = w->findChild<QWidget *>(name);
        QVERIFY2(c, qPrintable(name));
        QCOMPARE(c->geometry(), geometry);
        if (!accessible.isEmpty())
            QCOMPARE(c->accessibleName(), accessible);
        if (qobject_cast<QAbstractButton *>(c))
            QCOMPARE(c->cursor().shape(), Qt::PointingHandCursor);
        if (auto *box = qobject_cast<QLineEdit *>(c)) {
            QCOMPARE(box->maxLength(), 20);
            QCOMPARE(box->palette().color(QPalette::Text), QColor(22, 22, 22));
        }
    }

    void captions()
    {
        TestDb t;
        FrmLogin *w = openLogin();
        QCOMPARE(w->Label1->text(), QString("用户名："));
        QCOMPARE(w->Label2->text(), QString("密\u3000码："));
        QCOMPARE(w->txtUser->toolTip(), QString("输入用户名，不超过20个字符"));
        QCOMPARE(w->txtPwd->toolTip(), QString("输入密码，不超过20个字符"));
        QCOMPARE(w->txtPwd->echoMode(), QLineEdit::Password);
        w->txtUser->setFocus();
        QTest::keyClick(w->txtUser, Qt::Key_Tab);
        QCOMPARE(w->focusWidget(), w->txtPwd);
        // A 21st character is not taken.
        QTest::keyClicks(w->txtUser, QString(25, 'a'));
        QCOMPARE(w->txtUser->text().size(), 20);
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
        QTest::newRow("unknown name") << "nobody" << "123456" << "用户名不存在" << "txtPwd" << 1;
        QTest::newRow("name is a prefix") << "adm" << "123456" << "用户名不存在" << "txtPwd" << 1;
        QTest::newRow("wrong password") << "admin" << "654321" << "密码错误" << "txtPwd" << 1;
        QTest::newRow("password in other capitals") << "bob" << "secret" << "密码错误" << "txtPwd" << 1;
        QTest::newRow("quote in the name") << "o'x" << "123456" << "用户名不存在" << "txtPwd" << 1;
    }
    void refused()
    {
        QFETCH(QString, user);
        QFETCH(QString, pwd);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(int, tries);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('bob', 'Secret')");
        FrmLogin *w = openLogin();
        w->txtPwd->setFocus();
        attempt(w, user, pwd);

        QCOMPARE(MessageBox::shown(), QStringList{message});
        QCOMPARE(w->focusWidget()->objectName(), focus);
        QCOMPARE(w->tryTimes(), tries);
        QVERIFY(w->isVisible());
        QCOMPARE(w->txtUser->text(), user);
        QCOMPARE(w->txtPwd->text(), pwd);
        QCOMPARE(CurUser().UserName(), QString());
        QVERIFY(!Forms::loaded<FrmMain>());
    }

    void loggedIn_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pwd");
        QTest::addColumn<int>("how");
        QTest::addColumn<QString>("curName");
        QTest::addColumn<QString>("curPwd");
        QTest::newRow("Enter in the password box") << "admin" << "123456" << int(EnterInPwd) << "admin" << "123456";
        QTest::newRow("Enter in the name box") << "admin" << "123456" << int(EnterInUser) << "admin" << "123456";
        QTest::newRow("click on the log-in area") << "admin" << "123456" << int(ClickImage1) << "admin" << "123456";
        QTest::newRow("name in other capitals kept as typed") << "ADmin" << "123456" << int(EnterInPwd) << "ADmin"
                                                              << "123456";
        QTest::newRow("name with blanks") << "  admin " << "123456" << int(EnterInPwd) << "admin" << "123456";
        QTest::newRow("password with blanks") << "admin" << "  123456 " << int(EnterInPwd) << "admin" << "123456";
        QTest::newRow("quotes") << "o'neil" << "it's" << int(EnterInPwd) << "o'neil" << "it's";
    }
    void loggedIn()
    {
        QFETCH(QString, user);
        QFETCH(QString, pwd);
        QFETCH(int, how);
        QFETCH(QString, curName);
        QFETCH(QString, curPwd);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('o''neil', 'it''s')");
        FrmLogin *w = openLogin();
        // One failure first: a later success must not be held against it.
        attempt(w, "nobody", "x");
        MessageBox::clearShown();
        w->txtUser->setFocus();
        attempt(w, user, pwd, How(how));

        QCOMPARE(MessageBox::shown(), QStringList());
        QCOMPARE(CurUser().UserName(), curName);
        QCOMPARE(CurUser().UserPwd(), curPwd);
        QVERIFY(Forms::loaded<FrmMain>());
        QVERIFY(Forms::loaded<FrmMain>()->isVisible());
        QVERIFY(!w->isVisible());
        dropClosedWindows();
        QVERIFY(!Forms::loaded<FrmLogin>());
    }

    void thirdFailureEnds_data()
    {
        QTest::addColumn<QStringList>("attempts"); // user, password pairs
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("two unknown names, one wrong password")
            << QStringList{"nobody", "1", "   ", "2", "admin", "wrong"}
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
        QFETCH(QStringList, messages);
        TestDb t;
        FrmLogin *w = openLogin();
        for (int i = 0; i < attempts.size(); i += 2) {
            const bool last = i + 2 == attempts.size();
            QCOMPARE(attemptEnding(w, attempts[i], attempts[i + 1]), last ? 0 : -1);
        }
        QCOMPARE(MessageBox::shown(), messages);
        QVERIFY(!DbFunc::connOpen());
        QCOMPARE(DbFunc::connUses(), 0);
        QCOMPARE(CurUser().UserName(), QString());
        QVERIFY(!Forms::loaded<FrmMain>());
    }

    void missingDatabaseEndsAtFirstCheck()
    {
        TestDb t(false);
        FrmLogin *w = openLogin();
        // Showing the window needs no database.
        QVERIFY(!DbFunc::connOpen());
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(attemptEnding(w, "admin", "123456") != -1);
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
        QVERIFY(MessageBox::shown().isEmpty());
        QVERIFY(!DbFunc::connOpen());
    }

    void drag_data()
    {
        QTest::addColumn<QString>("target"); // child pressed on; empty: the body
        QTest::addColumn<QPoint>("at");      // in the target's coordinates
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("moves");
        QTest::newRow("body, left button") << "" << QPoint(20, 250) << int(Qt::LeftButton) << true;
        QTest::newRow("body, right button") << "" << QPoint(20, 250) << int(Qt::RightButton) << false;
        QTest::newRow("label") << "Label1" << QPoint(5, 5) << int(Qt::LeftButton) << false;
        QTest::newRow("text box") << "txtUser" << QPoint(5, 5) << int(Qt::LeftButton) << false;
        QTest::newRow("click area") << "Image1" << QPoint(5, 5) << int(Qt::LeftButton) << false;
    }
    void drag()
    {
        QFETCH(QString, target);
        QFETCH(QPoint, at);
        QFETCH(int, button);
        QFETCH(bool, moves);
        TestDb t;
        FrmLogin *w = openLogin();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QWidget *under = target.isEmpty() ? w : w->findChild<QWidget *>(target);
        QVERIFY(under);
        const QPoint before = w->pos();
        const QPoint delta(37, -21);
        const auto b = Qt::MouseButton(button);

        const QPoint start = under->mapToGlobal(at);
        QTest::mousePress(under, b, {}, at);
        for (int step = 1; step <= 3; ++step) {
            // The pointer moves on the screen; the window may follow it.
            const QPoint global = start + delta * step / 3;
            const QPoint local = under->mapFromGlobal(global);
            QMouseEvent move(QEvent::MouseMove, local, global, Qt::NoButton, b, Qt::NoModifier);
            QApplication::sendEvent(under, &move);
        }
        QTest::mouseRelease(under, b, {}, under->mapFromGlobal(start + delta));

        QCOMPARE(w->pos(), moves ? before + delta : before);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void onlyTheNewNameLogsIn_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("message");
        QTest::newRow("old name") << "admin" << "abcdef" << "用户名不存在";
        QTest::newRow("new name, old password") << "root" << "123456" << "密码错误";
        QTest::newRow("new name, new password") << "root" << "abcdef" << "";
    }
    void onlyTheNewNameLogsIn()
    {
        QFETCH(QString, typed);
        QFETCH(QString, password);
        QFETCH(QString, message);
        TestDb t;
        CurUser().GetInfo("admin");
        auto *d = Forms::get<FrmUserEdit>();
        d->OriUser = CurUser().UserName();
        d->txtUserName->setText("root");
        d->txtPass->setText("abcdef");
        d->txtPass2->setText("abcdef");
        d->show();
        QTest::mouseClick(d->Cmd_Ok, Qt::LeftButton);
        QCOMPARE(MessageBox::shown(), QStringList{"修改成功"});
        MessageBox::clearShown();
        CurUser().Init();

        FrmLogin *w = openLogin();
        attempt(w, typed, password);
        QCOMPARE(MessageBox::shown(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(CurUser().UserName(), message.isEmpty() ? QString("root") : QString());
    }
};

QTEST_MAIN(TestFrmLogin)
#include "tst_frmlogin.moc"
