// 用户管理: admin lists, adds and removes accounts; admin itself and the
// account in use stay.
#include "accounts/UserManager.h"
#include "accounts/Account.h"
#include "core/MessageBox.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <QtWidgets>

class TestUserManager : public QObject {
    Q_OBJECT

    static QStringList listed(const UserManager &m)
    {
        QStringList names;
        for (int i = 0; i < m.lstUsers->count(); ++i)
            names << m.lstUsers->item(i)->text();
        return names;
    }
    static QStringList stored(const TestDb &t)
    {
        // Passwords are stored hashed: each account with the password it logs in with.
        return t.accounts({"123456", "bobpwd", "wang123", "it's ok", "b", "c"}).split(QLatin1Char(','));
    }

private slots:
    void onlyAdminMayManage_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("allowed");
        QTest::newRow("admin") << "admin" << true;
        QTest::newRow("admin in capitals") << "ADMIN" << true;
        QTest::newRow("worker") << "bob" << false;
        QTest::newRow("nobody logged in") << "" << false;
    }
    void onlyAdminMayManage()
    {
        QFETCH(QString, user);
        currentUser().setUserName(user);
        QTEST(UserManager::allowed(), "allowed");
    }

    void add_data()
    {
        QTest::addColumn<QStringList>("typed"); // name, password, confirmation
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("accounts"); // stored afterwards
        const QStringList before{"admin:123456", "bob:bobpwd"};
        QTest::newRow("added, name trimmed") << QStringList{"  小王 ", "wang123", "wang123"} << "添加成功"
                                             << QStringList{"admin:123456", "bob:bobpwd", "小王:wang123"};
        QTest::newRow("quotes") << QStringList{"o'neil", "it's ok", "it's ok"} << "添加成功"
                                << QStringList{"admin:123456", "bob:bobpwd", "o'neil:it's ok"};
        QTest::newRow("blank name") << QStringList{"  ", "123456", "123456"} << "请输入用户名" << before;
        QTest::newRow("short password") << QStringList{"carol", "12345", "12345"} << "密码长度不能小于6" << before;
        QTest::newRow("confirmation differs") << QStringList{"carol", "abcdef", "abcdeF"} << "密码和确认密码不相同，请重新确认" << before;
        QTest::newRow("taken in other capitals") << QStringList{"BOB", "123456", "123456"} << "用户名已经存在，请重新输入" << before;
    }
    void add()
    {
        QFETCH(QStringList, typed);
        TestDb t;
        t.addUser("bob", "bobpwd");
        currentUser().setUserName("admin");
        UserManager m;
        m.show();
        QCOMPARE(listed(m), (QStringList{"admin", "bob"}));
        m.txtUserName->setText(typed[0]); // Chinese names come from an input method, not key codes
        m.txtPass->setText(typed[1]);
        m.txtPass2->setText(typed[2]);
        QTest::mouseClick(m.Cmd_Add, Qt::LeftButton);
        QTEST(MessageBox::shown().join(QLatin1Char('|')), "message");
        QFETCH(QStringList, accounts);
        QCOMPARE(stored(t), accounts);
        QCOMPARE(listed(m).size(), accounts.size());
    }

    void remove_data()
    {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("accounts");
        QTest::newRow("worker") << "bob" << "删除成功" << QStringList{"Admin:123456", "carol:c"};
        QTest::newRow("admin") << "Admin" << "admin 帐号不能删除" << QStringList{"Admin:123456", "bob:b", "carol:c"};
        QTest::newRow("the account in use") << "carol" << "不能删除正在使用的帐号" << QStringList{"Admin:123456", "bob:b", "carol:c"};
        QTest::newRow("none selected") << "" << "请选择用户" << QStringList{"Admin:123456", "bob:b", "carol:c"};
        QTest::newRow("gone meanwhile") << "bob" << "该用户已不存在" << QStringList{"Admin:123456", "carol:c"};
    }
    void remove()
    {
        QFETCH(QString, selected);
        TestDb t;
        t.exec("UPDATE Users SET UserName = 'Admin'");
        t.addUser("bob", "b");
        t.addUser("carol", "c");
        currentUser().setUserName("Carol"); // the admin of the studio may sign in under any account
        UserManager m;
        m.show();
        const auto found = m.lstUsers->findItems(selected, Qt::MatchExactly);
        if (!selected.isEmpty())
            m.lstUsers->setCurrentItem(found.value(0));
        if (QTest::currentDataTag() == QByteArray("gone meanwhile"))
            t.exec("DELETE FROM Users WHERE UserName = 'bob'"); // by another admin
        MessageBox::setNextAnswer(MessageBox::Yes);
        QTest::mouseClick(m.Cmd_Delete, Qt::LeftButton);
        QStringList shown = MessageBox::shown();
        if (shown.size() == 2) // the question, then the outcome
            shown.removeFirst();
        QTEST(shown.join(QLatin1Char('|')), "message");
        QTEST(stored(t), "accounts");
        QCOMPARE(listed(m).size(), stored(t).size());
    }
};

QTEST_MAIN(TestUserManager)
#include "tst_usermanager.moc"
