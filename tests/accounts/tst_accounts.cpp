// Accounts: the user store (what it stores, trimming and letter-case rules,
// admin protection, passwords stored and checked only as hashes); the
// account dialog (its checks, what it stores, the logged-in account kept in
// step); 用户管理, where admin lists, adds and removes accounts, admin itself
// and the account in use staying.
#include "accounts/AccountDialog.h"
#include "accounts/Account.h"
#include "accounts/UserManager.h"
#include "core/Application.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Password.h"
#include "core/db/DbError.h"
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

class TestAccounts : public QObject {
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
        QTest::newRow("cancelled") << QStringList{"root", "123456", "abcdef", "abcdef"} << "" << before;
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
        QFETCH(QString, message); // empty: Cancel pressed
        QTest::mouseClick(message.isEmpty() ? d->cancelButton : d->okButton, Qt::LeftButton);
        setrlimit(RLIMIT_AS, &room);
        QCOMPARE(MessageBox::shown(), message.isEmpty() ? QStringList() : QStringList{message});
        QCOMPARE(t.accounts(Passwords), stored);
        const bool saved = message == QStringLiteral("修改成功");
        QCOMPARE(d->isVisible(), !saved && !message.isEmpty());
        // The logged-in account holds what is stored: the old name no longer logs in.
        const QString current = saved ? stored.section(QLatin1Char(','), 0, 0) : QStringLiteral("admin:123456");
        QCOMPARE(currentUser().userName(), current.section(':', 0, 0));
        QVERIFY(Password::verify(currentUser().userPwd(), current.section(':', 1)));
        QCOMPARE(Account().load("admin"), stored.startsWith("admin:", Qt::CaseInsensitive));
    }

    void storesHashesAndCountsChangedRows()
    {
        TestDb t;
        Account u;
        u.setUserName(" bob ");
        u.setUserPwd(" secret ");
        u.insert();
        // The password is written as the hash of the trimmed text, never as typed.
        const QString stored = t.scalar("SELECT UserPwd FROM Users WHERE UserName = 'bob'").toString();
        QVERIFY(Password::verify(stored, "secret") && !stored.contains("secret"));
        QVERIFY(u.load("bob"));
        QCOMPARE(u.update(" bob "), 1);
        u.remove(" bob ");
        QCOMPARE(u.update("bob"), 0);
        QCOMPARE(t.accounts({"123456"}), QString("admin:123456"));
    }

    void getInfo_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("got"); // name and the password the loaded hash matches; "|": not found
        QTest::newRow("other letter case keeps typed name") << "ADmin" << "ADmin|123456";
        QTest::newRow("blanks kept in the name") << "  admin " << "  admin |123456";
        QTest::newRow("quotes") << "o'reilly" << "o'reilly|it's";
        QTest::newRow("prefix is not a match, both emptied") << "adm" << "|";
        QTest::newRow("a quote is no condition") << "x' OR '1'='1" << "|";
        QTest::newRow("full-width letters in other case") << "ＣＡＲＯＬ" << "ＣＡＲＯＬ|full";
        QTest::newRow("accented letters in other case") << "CAFÉ" << "CAFÉ|acc";
        QTest::newRow("width is not case") << "ｃａｆé" << "|";
    }
    void getInfo()
    {
        QFETCH(QString, typed);
        QFETCH(QString, got);
        TestDb t;
        t.addUser("O'Reilly", "it's");
        t.addUser("ｃａｒｏｌ", "full");
        t.addUser("café", "acc");
        Account u;
        u.setUserPwd("stale");
        QCOMPARE(u.load(typed), got != "|");
        QCOMPARE(u.userName(), got.section('|', 0, 0));
        if (got == "|")
            QCOMPARE(u.userPwd(), QString());
        else
            QVERIFY(u.checkPassword(got.section('|', 1)));
        QCOMPARE(Account().exists(typed), got != "|");
    }

    // One account per name, letter case aside, on both engines; admin keeps
    // its name and the user manager that comes with it.
    void namesStayUniqueAndAdminStaysAdmin()
    {
        TestDb t;
        t.addUser("dup", "a");
        QVERIFY_THROWS_EXCEPTION(db::DbError, t.addUser("DUP", "b"));
        for (const char *admin : {"aDmIn", "  admin ", " ADMIN\t"})
            Account().remove(admin); // never deleted, blanks or not
        const auto refusal = [](Account &u, const char *renamed) {
            try {
                if (renamed)
                    u.update(renamed);
                else
                    u.insert();
            } catch (const db::DbError &e) {
                return e.message();
            }
            return QString("accepted");
        };
        Account u;
        u.setUserName("DUP");
        u.setUserPwd("a");
        QCOMPARE(refusal(u, nullptr), QString("用户名已经存在"));
        u.setUserName("Admin");
        QCOMPARE(refusal(u, nullptr), QString("用户名已经存在"));
        QCOMPARE(refusal(u, "dup"), QString("用户名已经存在"));
        u.setUserName("root");
        QCOMPARE(refusal(u, "ADMIN"), QString("admin 帐号不能改名"));
        u.setUserName("dup2");
        QCOMPARE(u.update("DUP"), 1); // found in any letter case
        QCOMPARE(t.accounts({"123456", "a"}), QString("admin:123456,dup2:a"));
    }

    void checkPassword_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("matches");
        QTest::newRow("exact") << "Pass word" << true;
        QTest::newRow("blanks around are trimmed") << "  Pass word " << true;
        QTest::newRow("other capitals") << "pass word" << false;
        QTest::newRow("inner blank matters") << "Password" << false;
        QTest::newRow("the stored hash itself") << "<hash>" << false;
    }
    void checkPassword()
    {
        QFETCH(QString, typed);
        TestDb t;
        t.addUser("eve", "Pass word");
        Account u;
        QVERIFY(u.load("eve"));
        if (typed == "<hash>")
            typed = u.userPwd();
        QTEST(u.checkPassword(typed), "matches");
        // Clear text stored by someone else matches nothing, not even itself.
        t.exec("UPDATE Users SET UserPwd = 'Pass word'");
        QVERIFY(u.load("eve") && !u.checkPassword("Pass word"));
    }

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

int main(int argc, char **argv)
{
    Application app(argc, argv); // with the program's event boundary
    TestAccounts test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_accounts.moc"
