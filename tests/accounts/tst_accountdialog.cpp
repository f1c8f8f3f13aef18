// The account dialog: its checks, what it stores, and the logged-in account
// kept in step with what is stored.
#include "accounts/AccountDialog.h"
#include "accounts/Users.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <QtWidgets>

namespace {

// What the main window's account command does before exec(); the test
// shows the dialog without a nested event loop.
AccountDialog *openDialog()
{
    auto *d = Forms::get<AccountDialog>();
    d->originalUserName = CurUser().UserName();
    d->userNameBox->setText(CurUser().UserName());
    d->passwordBox->setText(CurUser().UserPwd());
    d->confirmBox->setText(CurUser().UserPwd());
    d->show();
    return d;
}

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
        QTest::addColumn<QStringList>("typed"); // name, password, confirmation
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("stored"); // the accounts afterwards
        const QString before = QStringLiteral("admin:123456,bob:bobpwd");
        QTest::newRow("blanks-only name") << QStringList{"   ", "123456", "123456"} << "请输入用户名" << before;
        // The length of what is stored: the password is stored trimmed.
        QTest::newRow("blanks do not count in the length") << QStringList{"admin", "  ab   ", "  ab   "} << "密码长度不能小于6" << before;
        QTest::newRow("confirmation in other capitals") << QStringList{"admin", "abcdef", "ABCDEF"} << "密码和确认密码不相同，请重新确认" << before;
        QTest::newRow("another account in other capitals") << QStringList{" BOB ", "123456", "123456"} << "用户名已经存在，请重新输入" << before;
        QTest::newRow("rename, name trimmed") << QStringList{"  root  ", "abcdef", "abcdef"} << "修改成功" << "root:abcdef,bob:bobpwd";
        QTest::newRow("own name in other capitals") << QStringList{"ADMIN", "123456", "123456"} << "修改成功" << "ADMIN:123456,bob:bobpwd";
        QTest::newRow("quotes") << QStringList{"o'neil", "it's ok", "it's ok"} << "修改成功" << "o'neil:it's ok,bob:bobpwd";
        QTest::newRow("account gone meanwhile") << QStringList{"admin", "abcdef", "abcdef"} << "该用户已不存在，修改未保存" << "bob:bobpwd";
    }
    void save()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, stored);
        TestDb t;
        t.exec("INSERT INTO Users VALUES ('bob', 'bobpwd')");
        CurUser().load("admin");
        AccountDialog *d = openDialog();
        if (QTest::currentDataTag() == QByteArray("account gone meanwhile"))
            t.exec("DELETE FROM Users WHERE UserName = 'admin'");
        for (int i = 0; i < 3; ++i) {
            QLineEdit *box = QList{d->userNameBox, d->passwordBox, d->confirmBox}[i];
            box->selectAll();
            QTest::keyClicks(box, typed[i]);
        }
        QTest::mouseClick(d->okButton, Qt::LeftButton);
        QFETCH(QString, message);
        QCOMPARE(MessageBox::shown(), QStringList{message});
        // Accounts have no order of their own: compared as a set.
        QCOMPARE(sorted(t.joined("SELECT UserName || ':' || UserPwd FROM Users")), sorted(stored));
        const bool saved = message == QStringLiteral("修改成功");
        QCOMPARE(d->isVisible(), !saved);
        // The logged-in account holds what is stored: the old name no longer logs in.
        QCOMPARE(CurUser().UserName() + ':' + CurUser().UserPwd(), saved ? stored.section(QLatin1Char(','), 0, 0) : "admin:123456");
        QCOMPARE(Users().load("admin"), stored.startsWith("admin:", Qt::CaseInsensitive));
    }

    void cancelStoresNothing()
    {
        TestDb t;
        CurUser().load("admin");
        AccountDialog *d = openDialog();
        d->userNameBox->setText("root");
        QTest::mouseClick(d->cancelButton, Qt::LeftButton);
        QVERIFY(!d->isVisible() && MessageBox::shown().isEmpty());
        QCOMPARE(t.joined("SELECT UserName || ':' || UserPwd FROM Users"), QString("admin:123456"));
    }
};

QTEST_MAIN(TestAccountDialog)
#include "tst_accountdialog.moc"
