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

    void save_data()
    {
        QTest::addColumn<QStringList>("typed"); // name, password, confirmation
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus"); // box with the focus after a refusal
        QTest::addColumn<QString>("stored"); // the accounts afterwards
        const QString before = QStringLiteral("admin:123456,bob:bobpwd");
        const QString differ = QStringLiteral("密码和确认密码不相同，请重新确认");
        QTest::newRow("empty name") << QStringList{"", "123456", "123456"} << "请输入用户名" << "txtUserName" << before;
        QTest::newRow("blanks-only name") << QStringList{"   ", "123456", "123456"} << "请输入用户名" << "txtUserName" << before;
        QTest::newRow("blanks count in the length") << QStringList{"admin", " 123 ", " 123 "} << "密码长度不能小于6" << "txtPass" << before;
        QTest::newRow("confirmation in other capitals") << QStringList{"admin", "abcdef", "ABCDEF"} << differ << "txtPass2" << before;
        QTest::newRow("confirmation with a trailing blank") << QStringList{"admin", "abcdef", "abcdef "} << differ << "txtPass2" << before;
        QTest::newRow("another account in other capitals") << QStringList{" BOB ", "123456", "123456"} << "用户名已经存在，请重新输入"
                                                           << "txtUserName" << before;
        QTest::newRow("unchanged rewrites") << QStringList{"admin", "123456", "123456"} << "修改成功" << "" << before;
        QTest::newRow("rename, name trimmed") << QStringList{"  root  ", "abcdef", "abcdef"} << "修改成功" << "" << "root:abcdef,bob:bobpwd";
        QTest::newRow("own name in other capitals") << QStringList{"ADMIN", "123456", "123456"} << "修改成功" << "" << "ADMIN:123456,bob:bobpwd";
        QTest::newRow("password trimmed") << QStringList{"admin", " pass word ", " pass word "} << "修改成功" << "" << "admin:pass word,bob:bobpwd";
        QTest::newRow("six blanks store an empty password") << QStringList{"admin", "      ", "      "} << "修改成功" << "" << "admin:,bob:bobpwd";
        QTest::newRow("quotes") << QStringList{"o'neil", "it's ok", "it's ok"} << "修改成功" << "" << "o'neil:it's ok,bob:bobpwd";
        QTest::newRow("account gone meanwhile") << QStringList{"admin", "abcdef", "abcdef"} << "该用户已不存在，修改未保存" << "" << "bob:bobpwd";
    }
    void save()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, focus);
        QFETCH(QString, stored);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('bob', 'bobpwd')");
        CurUser().GetInfo("admin");
        FrmUserEdit *d = openDialog();
        if (QTest::currentDataTag() == QByteArray("account gone meanwhile"))
            t.exec("DELETE FROM Users WHERE UserName = 'admin'");
        retype(d->txtUserName, typed[0]);
        retype(d->txtPass, typed[1]);
        retype(d->txtPass2, typed[2]);
        d->Cmd_Cancel->setFocus();
        QTest::mouseClick(d->Cmd_Ok, Qt::LeftButton);
        QFETCH(QString, message);
        QCOMPARE(MessageBox::shown(), QStringList{message});
        QCOMPARE(t.scalar("SELECT group_concat(UserName || ':' || UserPwd) FROM Users").toString(), stored);
        const bool saved = message == QStringLiteral("修改成功");
        QCOMPARE(d->isVisible(), !saved);
        if (!focus.isEmpty()) {
            auto *box = qobject_cast<QLineEdit *>(d->focusWidget());
            QCOMPARE(box->objectName(), focus);
            // Text at fault is selected; an empty name only gets the cursor.
            QCOMPARE(box->selectedText(), message == QStringLiteral("请输入用户名") ? QString() : box->text());
            QCOMPARE(QStringList({d->txtUserName->text(), d->txtPass->text(), d->txtPass2->text()}), typed); // kept for correcting
            QCOMPARE(CurUser().UserName(), QString("admin"));
        } else if (saved) {
            // The logged-in account holds what is stored, so reopening shows it.
            const QString mine = stored.section(QLatin1Char(','), 0, 0);
            QCOMPARE(CurUser().UserName() + ':' + CurUser().UserPwd(), mine);
            dropClosedWindows();
            FrmUserEdit *again = openDialog();
            QCOMPARE(again->OriUser + ':' + again->txtPass->text(), mine);
        }
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
};

QTEST_MAIN(TestFrmUserEdit)
#include "tst_frmuseredit.moc"
