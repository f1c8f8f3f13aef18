// The user store: exact SQL, trimming and letter-case rules, admin protection,
// passwords stored and checked only as hashes.
#include "accounts/Users.h"
#include "core/Password.h"
#include "core/LastStatement.h"
#include "tests/support/TestDb.h"

#include <QTest>

class TestUsers : public QObject {
    Q_OBJECT
private slots:
    void sqlTexts()
    {
        TestDb t;
        Users u;
        u.load(" admin ");
        QCOMPARE(lastStatement, QString("SELECT * FROM Users WHERE UserName='admin'"));
        u.setUserName(" bob ");
        u.setUserPwd(" secret ");
        u.insert();
        // The password is written as the hash of the trimmed text, never as typed.
        QVERIFY(lastStatement.startsWith("INSERT INTO Users Values('bob','$argon2id$") && !lastStatement.contains("secret"));
        const QString stored = t.scalar("SELECT UserPwd FROM Users WHERE UserName = 'bob'").toString();
        QVERIFY(Password::verify(stored, "secret"));
        u.load("bob");
        u.update(" bob ");
        QCOMPARE(lastStatement, QString("Update Users Set UserName='bob',UserPwd='%1' WHERE UserName='bob'").arg(stored));
        u.remove(" bob ");
        QCOMPARE(lastStatement, QString("DELETE FROM Users WHERE UserName='bob'"));
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
        Users u;
        u.setUserPwd("stale");
        QCOMPARE(u.load(typed), got != "|");
        QCOMPARE(u.UserName(), got.section('|', 0, 0));
        if (got == "|")
            QCOMPARE(u.UserPwd(), QString());
        else
            QVERIFY(u.checkPassword(got.section('|', 1)));
        QCOMPARE(Users().exists(typed), got != "|");
    }

    void deleteSparesAdminAndRenameFindsAnyLetterCase()
    {
        TestDb t;
        t.addUser("dup", "a");
        t.addUser("DUP", "b");
        for (const char *admin : {"aDmIn", "  admin ", " ADMIN\t"})
            Users().remove(admin); // never deleted, blanks or not
        Users().remove("Dup");   // every row of the name
        Users u;
        u.setUserName("root");
        u.setUserPwd("654321");
        u.update("ADMIN");
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
        QVERIFY(u.load("eve"));
        if (typed == "<hash>")
            typed = u.UserPwd();
        QTEST(u.checkPassword(typed), "matches");
        // Clear text stored by someone else matches nothing, not even itself.
        t.exec("UPDATE Users SET UserPwd = 'Pass word'");
        QVERIFY(u.load("eve") && !u.checkPassword("Pass word"));
    }
};

QTEST_GUILESS_MAIN(TestUsers)
#include "tst_users.moc"
