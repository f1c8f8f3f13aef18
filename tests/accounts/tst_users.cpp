// The user store: exact SQL, trimming and letter-case rules, admin protection,
// passwords stored and checked only as hashes.
#include "accounts/Users.h"
#include "core/Password.h"
#include "core/Variable.h"
#include "tests/support/TestDb.h"

#include <QTest>

class TestUsers : public QObject {
    Q_OBJECT
private slots:
    void sqlTexts()
    {
        TestDb t;
        Users u;
        u.GetInfo(" admin ");
        QCOMPARE(SqlStr, QString("SELECT * FROM Users WHERE UserName='admin'"));
        u.setUserName(" bob ");
        u.setUserPwd(" secret ");
        u.Insert();
        // The password is written as the hash of the trimmed text, never as typed.
        QVERIFY(SqlStr.startsWith("INSERT INTO Users Values('bob','$argon2id$") && !SqlStr.contains("secret"));
        const QString stored = t.scalar("SELECT UserPwd FROM Users WHERE UserName = 'bob'").toString();
        QVERIFY(Password::verify(stored, "secret"));
        u.GetInfo("bob");
        u.Update(" bob ");
        QCOMPARE(SqlStr, QString("Update Users Set UserName='bob',UserPwd='%1' WHERE UserName='bob'").arg(stored));
        u.Delete(" bob ");
        QCOMPARE(SqlStr, QString("DELETE FROM Users WHERE UserName='bob'"));
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
    }
    void getInfo()
    {
        QFETCH(QString, typed);
        QFETCH(QString, got);
        TestDb t;
        t.addUser("O'Reilly", "it's");
        Users u;
        u.setUserPwd("stale");
        QCOMPARE(u.GetInfo(typed), got != "|");
        QCOMPARE(u.UserName(), got.section('|', 0, 0));
        if (got == "|")
            QCOMPARE(u.UserPwd(), QString());
        else
            QVERIFY(u.CheckPassword(got.section('|', 1)));
        QCOMPARE(Users().In_DB(typed), got != "|");
    }

    void deleteSparesAdminAndRenameFindsAnyLetterCase()
    {
        TestDb t;
        t.addUser("dup", "a");
        t.addUser("DUP", "b");
        Users().Delete("aDmIn"); // never deleted
        Users().Delete("Dup");   // every row of the name
        Users u;
        u.setUserName("root");
        u.setUserPwd("654321");
        u.Update("ADMIN");
        QCOMPARE(t.accounts({"123456", "654321"}), QString("root:654321"));
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
        Users u;
        QVERIFY(u.GetInfo("eve"));
        if (typed == "<hash>")
            typed = u.UserPwd();
        QTEST(u.CheckPassword(typed), "matches");
        // Clear text stored by someone else matches nothing, not even itself.
        t.exec("UPDATE Users SET UserPwd = 'Pass word'");
        QVERIFY(u.GetInfo("eve") && !u.CheckPassword("Pass word"));
    }
};

QTEST_GUILESS_MAIN(TestUsers)
#include "tst_users.moc"
