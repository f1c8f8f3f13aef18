// The account dialog: its checks, what it stores, and the logged-in account
// kept in step with what is stored.
#include "accounts/AccountDialog.h"
#include "accounts/Account.h"
#include "core/Application.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Password.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <QtWidgets>

#include <sodium.h>
#include <sys/resource.h>

namespace {

// What the main window's account command does before exec(); the test
// shows the dialog without a nested event loop. The stored password is
// never put into a box.
AccountDialog *openDialog()
{
    auto *d = Forms::get<AccountDialog>();
    d->originalUserName = currentUser().userName();
    d->userNameBox->setText(currentUser().userName());
    d->show();
    return d;
}

const QStringList Passwords{"123456", "bobpwd", "abcdef", "it's ok", "new pass"};

} // namespace

class TestAccountDialog : public QObject {
    Q_OBJECT
    static QStringList sorted(const QString &accounts)
    {
        QStringList list = accounts.split(QLatin1Char(','));
        list.sort();
        return list;
    }

private slots:
    void cleanup()
    {
        delete Forms::loaded<AccountDialog>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void save_data()
    {
        QTest::addColumn<QStringList>("typed"); // name, current password, new password, confirmation
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored"); // the accounts afterwards, with the password each logs in with
        const QString before = QStringLiteral("admin:123456,bob:bobpwd");
        QTest::newRow("blanks-only name") << QStringList{"   ", "", "", ""} << "请输入用户名" << before;
        QTest::newRow("new password without the current one") << QStringList{"admin", "", "abcdef", "abcdef"} << "请输入当前密码" << before;
        QTest::newRow("blanks do not count in the length") << QStringList{"admin", "123456", " 12345 ", " 12345 "} << "密码长度不能小于6" << before;
        QTest::newRow("current password alone") << QStringList{"admin", "123456", "", ""} << "密码长度不能小于6" << before;
        QTest::newRow("confirmation in other capitals") << QStringList{"admin", "123456", "abcdef", "ABCDEF"} << "密码和确认密码不相同，请重新确认" << before;
        QTest::newRow("wrong current password") << QStringList{"admin", "1234567", "abcdef", "abcdef"} << "当前密码错误" << before;
        QTest::newRow("current password in other capitals") << QStringList{"admin", "bobpwd", "abcdef", "abcdef"} << "当前密码错误" << before;
        QTest::newRow("another account in other capitals") << QStringList{" BOB ", "", "", ""} << "用户名已经存在，请重新输入" << before;
        QTest::newRow("admin keeps its name") << QStringList{"  root  ", "", "", ""} << "admin 帐号不能改名" << before;
        QTest::newRow("password alone, trimmed") << QStringList{"admin", " 123456 ", " new pass ", " new pass "} << "修改成功" << "admin:new pass,bob:bobpwd";
        QTest::newRow("name kept, quotes") << QStringList{" admin ", "123456", "it's ok", "it's ok"} << "修改成功" << "admin:it's ok,bob:bobpwd";
        QTest::newRow("admin in other capitals") << QStringList{"ADMIN", "", "", ""} << "admin 帐号不能改名" << before;
        // The hash throws from inside the click: the event boundary shows it, nothing is stored.
        QTest::newRow("no memory for the hash") << QStringList{"admin", "123456", "abcdef", "abcdef"} << "内存不足，无法为密码加密，密码没有保存。" << before;
        QTest::newRow("account gone meanwhile") << QStringList{"admin", "123456", "abcdef", "abcdef"} << "该用户已不存在，修改未保存" << "bob:bobpwd";
    }
    void save()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, stored);
        TestDb t;
        t.addUser("bob", "bobpwd");
        const bool noMemory = QTest::currentDataTag() == QByteArray("no memory for the hash");
        if (noMemory) { // a stored hash that checks in little memory: only the new hash needs 64 MiB
            char cheap[crypto_pwhash_STRBYTES];
            QVERIFY(crypto_pwhash_str(cheap, "123456", 6, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN) == 0);
            t.exec(QStringLiteral("UPDATE Users SET UserPwd = '%1' WHERE UserName = 'admin'").arg(QLatin1String(cheap)));
        }
        currentUser().load("admin");
        AccountDialog *d = openDialog();
        for (QLineEdit *box : {d->currentPasswordBox, d->passwordBox, d->confirmBox})
            QVERIFY(box->text().isEmpty() && box->echoMode() == QLineEdit::Password);
        if (QTest::currentDataTag() == QByteArray("account gone meanwhile"))
            t.exec("DELETE FROM Users WHERE UserName = 'admin'");
        const QList<QLineEdit *> boxes{d->userNameBox, d->currentPasswordBox, d->passwordBox, d->confirmBox};
        for (int i = 0; i < boxes.size(); ++i) {
            boxes[i]->selectAll();
            QTest::keyClicks(boxes[i], typed[i]);
        }
        // Room for everything but the hash's 64 MiB.
        rlimit room{};
        getrlimit(RLIMIT_AS, &room);
        if (noMemory) {
            QFile status(QStringLiteral("/proc/self/status"));
            QVERIFY(status.open(QIODevice::ReadOnly));
            const QByteArray all = status.readAll();
            const qsizetype at = all.indexOf("VmSize:") + 7;
            const rlimit tight{(all.mid(at, all.indexOf('\n', at) - at).trimmed().split(' ')[0].toULongLong() + 16 * 1024) * 1024, room.rlim_max};
            QCOMPARE(setrlimit(RLIMIT_AS, &tight), 0);
        }
        QTest::mouseClick(d->okButton, Qt::LeftButton);
        setrlimit(RLIMIT_AS, &room);
        QFETCH(QString, message);
        QCOMPARE(MessageBox::shown(), QStringList{message});
        QCOMPARE(t.accounts(Passwords), sorted(stored).join(','));
        const bool saved = message == QStringLiteral("修改成功");
        QCOMPARE(d->isVisible(), !saved);
        // The logged-in account holds what is stored: the old name no longer logs in.
        const QString current = saved ? stored.section(QLatin1Char(','), 0, 0) : QStringLiteral("admin:123456");
        QCOMPARE(currentUser().userName(), current.section(':', 0, 0));
        QVERIFY(Password::verify(currentUser().userPwd(), current.section(':', 1)));
        QCOMPARE(Account().load("admin"), stored.startsWith("admin:", Qt::CaseInsensitive));
    }

    void cancelStoresNothing()
    {
        TestDb t;
        currentUser().load("admin");
        AccountDialog *d = openDialog();
        d->userNameBox->setText("root");
        d->currentPasswordBox->setText("123456");
        d->passwordBox->setText("abcdef");
        d->confirmBox->setText("abcdef");
        QTest::mouseClick(d->cancelButton, Qt::LeftButton);
        QVERIFY(!d->isVisible() && MessageBox::shown().isEmpty());
        QCOMPARE(t.accounts(Passwords), QString("admin:123456"));
    }
};

int main(int argc, char **argv)
{
    Application app(argc, argv); // with the program's event boundary
    TestAccountDialog test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_accountdialog.moc"
