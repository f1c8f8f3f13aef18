// The account dialog: its checks, what it stores, and the logged-in account
// kept in step with what is stored.
#include "accounts/FrmUserEdit.h"
#include "accounts/Users.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "tests/support/TestDb.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

// What the main window's account command does before exec(); the test
// shows the dialog without a nested event loop.
FrmUserEdit *openDialog()
{
    auto *d = Forms::get<FrmUserEdit>();
    d->OriUser = CurUser().UserName();
    d->txtUserName->setText(CurUser().UserName());
    d->txtPass->setText(CurUser().UserPwd());
    d->txtPass2->setText(CurUser().UserPwd());
    d->txtUserName->setEnabled(true);
    d->show();
    return d;
}

// Replaces a box's text the way a user does: select everything, type.
void retype(QLineEdit *box, const QString &text)
{
    box->setFocus();
    box->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Backspace);
    else
        QTest::keyClicks(box, text);
}

void dropClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

} // namespace

class TestFrmUserEdit : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete Forms::loaded<FrmUserEdit>();
        dropClosedWindows();
    }

    void refused_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<QString>("pass2");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QString>("selected");
        QTest::newRow("empty name") << "" << "123456" << "123456" << "请输入用户名" << "txtUserName" << "";
        QTest::newRow("blanks-only name") << "   " << "123456" << "123456" << "请输入用户名" << "txtUserName" << "";
        QTest::newRow("blanks count in the length") << "admin" << " 123 " << " 123 " << "密码长度不能小于6"
                                                    << "txtPass" << " 123 ";
        QTest::newRow("confirmation in other capitals")
            << "admin" << "abcdef" << "ABCDEF" << "密码和确认密码不相同，请重新确认" << "txtPass2" << "ABCDEF";
        QTest::newRow("confirmation with a trailing blank")
            << "admin" << "abcdef" << "abcdef " << "密码和确认密码不相同，请重新确认" << "txtPass2" << "abcdef ";
        QTest::newRow("another account in other capitals")
            << " BOB " << "123456" << "123456" << "用户名已经存在，请重新输入" << "txtUserName" << " BOB ";
    }
    void refused()
    {
        QFETCH(QString, name);
        QFETCH(QString, pass);
        QFETCH(QString, pass2);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('bob', 'bobpwd')");
        CurUser().GetInfo("admin");
        FrmUserEdit *d = openDialog();
        retype(d->txtUserName, name);
        retype(d->txtPass, pass);
        retype(d->txtPass2, pass2);
        d->Cmd_Cancel->setFocus();
        QTest::mouseClick(d->Cmd_Ok, Qt::LeftButton);

        QFETCH(QString, message);
        QCOMPARE(MessageBox::shown(), QStringList{message});
        QVERIFY(d->isVisible());
        QTEST(d->focusWidget()->objectName(), "focus");
        QTEST(qobject_cast<QLineEdit *>(d->focusWidget())->selectedText(), "selected");
        // Nothing stored, the entered texts kept.
        QCOMPARE(t.scalar("SELECT group_concat(UserName || ':' || UserPwd) FROM Users").toString(), QString("admin:123456,bob:bobpwd"));
        QCOMPARE(d->txtUserName->text() + '|' + d->txtPass2->text(), name + '|' + pass2);
        QCOMPARE(CurUser().UserName(), QString("admin"));
    }

    void stored_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pass");
        QTest::addColumn<QString>("storedName");
        QTest::addColumn<QString>("storedPwd");
        QTest::newRow("unchanged rewrites") << "admin" << "123456" << "admin" << "123456";
        QTest::newRow("rename, name trimmed") << "  root  " << "abcdef" << "root" << "abcdef";
        QTest::newRow("own name in other capitals") << "ADMIN" << "123456" << "ADMIN" << "123456";
        QTest::newRow("password trimmed") << "admin" << " pass word " << "admin" << "pass word";
        QTest::newRow("six blanks store an empty password") << "admin" << "      " << "admin" << "";
        QTest::newRow("quotes in name and password") << "o'neil" << "it's ok" << "o'neil" << "it's ok";
    }
    void stored()
    {
        QFETCH(QString, name);
        QFETCH(QString, pass);
        QFETCH(QString, storedName);
        QFETCH(QString, storedPwd);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('bob', 'bobpwd')");
        CurUser().GetInfo("admin");
        FrmUserEdit *d = openDialog();
        retype(d->txtUserName, name);
        retype(d->txtPass, pass);
        retype(d->txtPass2, pass);
        QTest::mouseClick(d->Cmd_Ok, Qt::LeftButton);

        QCOMPARE(MessageBox::shown(), QStringList{"修改成功"});
        dropClosedWindows();
        QVERIFY(!Forms::loaded<FrmUserEdit>());
        QCOMPARE(t.scalar("SELECT group_concat(UserName || ':' || UserPwd) FROM Users").toString(),
                 storedName + ':' + storedPwd + ",bob:bobpwd");
        // The logged-in account holds what is stored, so reopening shows it.
        QCOMPARE(CurUser().UserName() + '|' + CurUser().UserPwd(), storedName + '|' + storedPwd);
        FrmUserEdit *again = openDialog();
        QCOMPARE(again->OriUser, storedName);
        QCOMPARE(again->txtPass->text(), storedPwd);
    }

    void nothingStoredWhenLeft_data()
    {
        QTest::addColumn<int>("how");
        QTest::newRow("cancel button") << 0;
        QTest::newRow("escape key") << 1;
        QTest::newRow("close box") << 2;
    }
    void nothingStoredWhenLeft()
    {
        QFETCH(int, how);
        TestDb t;
        CurUser().GetInfo("admin");
        FrmUserEdit *d = openDialog();
        retype(d->txtUserName, "root");
        retype(d->txtPass, "abcdef");
        retype(d->txtPass2, "abcdef");
        if (how == 0)
            QTest::mouseClick(d->Cmd_Cancel, Qt::LeftButton);
        else if (how == 1)
            QTest::keyClick(d->txtPass2, Qt::Key_Escape);
        else
            d->close();

        QVERIFY(!d->isVisible() && MessageBox::shown().isEmpty());
        QCOMPARE(t.scalar("SELECT group_concat(UserName || ':' || UserPwd) FROM Users").toString(), QString("admin:123456"));
        QCOMPARE(CurUser().UserName(), QString("admin"));
        dropClosedWindows();
        // Nothing typed survives: the next opening starts from the account.
        FrmUserEdit *again = openDialog();
        QCOMPARE(again->txtUserName->text(), QString("admin"));
        QCOMPARE(again->txtPass2->text(), QString("123456"));
    }

    void accountGoneIsNotReportedAsChanged()
    {
        TestDb t;
        CurUser().GetInfo("admin");
        FrmUserEdit *d = openDialog();
        t.exec("DELETE FROM Users");
        retype(d->txtPass, "abcdef");
        retype(d->txtPass2, "abcdef");
        QTest::mouseClick(d->Cmd_Ok, Qt::LeftButton);
        QCOMPARE(MessageBox::shown(), QStringList{"该用户已不存在，修改未保存"});
        QVERIFY(d->isVisible());
        QCOMPARE(t.scalar("SELECT count(*) FROM Users").toInt(), 0);
    }
};

QTEST_MAIN(TestFrmUserEdit)
#include "tst_frmuseredit.moc"
