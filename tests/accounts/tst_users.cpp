// The user store: exact SQL, trimming and letter-case rules, admin protection.
#include "accounts/Users.h"
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
        u.In_DB(" admin ");
        QCOMPARE(SqlStr, QString("SELECT * FROM Users WHERE UserName='admin'"));
        u.GetInfo("admin");
        QCOMPARE(SqlStr, QString("SELECT * FROM Users WHERE UserName='admin'"));
        u.setUserName(" bob ");
        u.setUserPwd(" secret ");
        u.Insert();
        QCOMPARE(SqlStr, QString("INSERT INTO Users Values('bob','secret')"));
        u.Update(" bob ");
        QCOMPARE(SqlStr, QString("Update Users Set UserName='bob',UserPwd='secret' WHERE UserName='bob'"));
        u.Delete(" bob ");
        QCOMPARE(SqlStr, QString("DELETE FROM Users WHERE UserName='bob'"));
        QCOMPARE(t.scalar("SELECT count(*) FROM Users").toInt(), 1);
    }

    void getInfo_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("found");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("pwd");
        QTest::newRow("as stored") << "admin" << true << "admin" << "123456";
        QTest::newRow("other letter case keeps typed name") << "ADmin" << true << "ADmin" << "123456";
        QTest::newRow("blanks kept in the name") << "  admin " << true << "  admin " << "123456";
        QTest::newRow("unknown empties both") << "nobody" << false << "" << "";
        QTest::newRow("prefix is not a match") << "adm" << false << "" << "";
    }
    void getInfo()
    {
        QFETCH(QString, typed);
        QFETCH(bool, found);
        QFETCH(QString, name);
        QFETCH(QString, pwd);
        TestDb t;
        Users u;
        u.setUserPwd("stale");
        QCOMPARE(u.GetInfo(typed), found);
        QCOMPARE(u.UserName(), name);
        QCOMPARE(u.UserPwd(), pwd);
        Users probe;
        probe.setUserName("untouched");
        QCOMPARE(probe.In_DB(typed), found);
        QCOMPARE(probe.UserName(), QString("untouched"));
    }

    void storedPasswordIsTrimmed()
    {
        TestDb t;
        t.exec("INSERT INTO Users VALUES('carol', '  pw  ')");
        Users u;
        QVERIFY(u.GetInfo("carol"));
        QCOMPARE(u.UserPwd(), QString("pw"));
    }

    void adminIsNeverDeleted_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("lower") << "admin";
        QTest::newRow("upper") << "ADMIN";
        QTest::newRow("mixed") << "aDmIn";
    }
    void adminIsNeverDeleted()
    {
        QFETCH(QString, name);
        TestDb t;
        SqlStr = "before";
        Users().Delete(name);
        QCOMPARE(SqlStr, QString("before"));
        QCOMPARE(t.scalar("SELECT count(*) FROM Users").toInt(), 1);
    }

    void deleteRemovesEveryRowOfTheName()
    {
        TestDb t;
        t.exec("INSERT INTO Users VALUES('dup','a')");
        t.exec("INSERT INTO Users VALUES('DUP','b')");
        Users().Delete("Dup");
        QCOMPARE(t.scalar("SELECT count(*) FROM Users").toInt(), 1);
    }

    void updateRenamesAndRewrites()
    {
        TestDb t;
        Users u;
        u.setUserName("admin");
        u.setUserPwd("123456");
        u.Update("admin"); // unchanged values are rewritten without error
        u.setUserName("root");
        u.setUserPwd("654321");
        u.Update("ADMIN");
        QVERIFY(!u.In_DB("admin"));
        QVERIFY(u.GetInfo("root"));
        QCOMPARE(u.UserPwd(), QString("654321"));
    }

    void quotesAreStoredAndFound()
    {
        TestDb t;
        Users u;
        u.setUserName("O'Reilly");
        u.setUserPwd("it's");
        u.Insert();
        QCOMPARE(SqlStr, QString("INSERT INTO Users Values('O''Reilly','it''s')"));
        Users back;
        QVERIFY(back.In_DB("o'reilly"));
        QVERIFY(back.GetInfo("O'Reilly"));
        QCOMPARE(back.UserPwd(), QString("it's"));
        // A quote cannot turn a name into a condition that matches everyone.
        QVERIFY(!back.In_DB("x' OR '1'='1"));
    }

    void sharedObjectsStartEmpty()
    {
        QCOMPARE(LoginUser().UserName(), QString());
        QCOMPARE(CurUser().UserPwd(), QString());
        QVERIFY(&CurUser() != &LoginUser());
        QCOMPARE(&CurUser(), &CurUser());
    }
};

QTEST_GUILESS_MAIN(TestUsers)
#include "tst_users.moc"
