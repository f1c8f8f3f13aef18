// The user store: exact SQL, trimming and letter-case rules, admin protection.
#include "accounts/Users.h"
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
        QCOMPARE(lastStatement, QString("INSERT INTO Users Values('bob','secret')"));
        u.update(" bob ");
        QCOMPARE(lastStatement, QString("Update Users Set UserName='bob',UserPwd='secret' WHERE UserName='bob'"));
        u.remove(" bob ");
        QCOMPARE(lastStatement, QString("DELETE FROM Users WHERE UserName='bob'"));
    }

    void getInfo_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("got"); // name and password afterwards; "|": not found
        QTest::newRow("other letter case keeps typed name") << "ADmin" << "ADmin|123456";
        QTest::newRow("blanks kept in the name") << "  admin " << "  admin |123456";
        QTest::newRow("stored password trimmed") << "carol" << "carol|pw";
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
        t.exec("INSERT INTO Users VALUES('carol', '  pw  '), ('O''Reilly', 'it''s'), ('ｃａｒｏｌ', 'full'), ('café', 'acc')");
        Users u;
        u.setUserPwd("stale");
        QCOMPARE(u.load(typed), got != "|");
        QCOMPARE(u.UserName() + '|' + u.UserPwd(), got);
        QCOMPARE(Users().exists(typed), got != "|");
    }

    void deleteSparesAdminAndRenameFindsAnyLetterCase()
    {
        TestDb t;
        t.exec("INSERT INTO Users VALUES('dup','a'), ('DUP','b')");
        for (const char *admin : {"aDmIn", "  admin ", " ADMIN\t"})
            Users().remove(admin); // never deleted, blanks or not
        Users().remove("Dup");   // every row of the name
        Users u;
        u.setUserName("root");
        u.setUserPwd("654321");
        u.update("ADMIN");
        QCOMPARE(t.joined("SELECT UserName || ':' || UserPwd FROM Users"), QString("root:654321"));
    }
};

QTEST_GUILESS_MAIN(TestUsers)
#include "tst_users.moc"
