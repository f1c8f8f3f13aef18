// The user store: what it stores, trimming and letter-case rules, admin protection,
// passwords stored and checked only as hashes.
#include "accounts/Account.h"
#include "core/Password.h"
#include "core/db/DbError.h"
#include "tests/support/TestDb.h"

#include <QTest>

class TestUsers : public QObject {
    Q_OBJECT
private slots:
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
};

QTEST_GUILESS_MAIN(TestUsers)
#include "tst_users.moc"
