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
        u.GetInfo(" admin ");
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
        QTest::addColumn<QString>("got"); // name and password afterwards
        QTest::newRow("other letter case keeps typed name") << "ADmin" << true << "ADmin|123456";
        QTest::newRow("blanks kept in the name") << "  admin " << true << "  admin |123456";
        QTest::newRow("stored password trimmed") << "carol" << true << "carol|pw";
        QTest::newRow("quotes") << "o'reilly" << true << "o'reilly|it's";
        QTest::newRow("unknown empties both") << "nobody" << false << "|";
        QTest::newRow("prefix is not a match") << "adm" << false << "|";
        QTest::newRow("a quote is no condition") << "x' OR '1'='1" << false << "|";
    }
    void getInfo()
    {
        QFETCH(QString, typed);
        QFETCH(bool, found);
        TestDb t;
        t.exec("INSERT INTO Users VALUES('carol', '  pw  ')");
        Users o;
        o.setUserName("O'Reilly");
        o.setUserPwd("it's");
        o.Insert();
        Users u;
        u.setUserPwd("stale");
        QCOMPARE(u.GetInfo(typed), found);
        QTEST(u.UserName() + '|' + u.UserPwd(), "got");
        Users probe;
        probe.setUserName("untouched");
        QCOMPARE(probe.In_DB(typed), found);
        QCOMPARE(probe.UserName(), QString("untouched"));
    }

    void deleteSparesAdminInAnyCaseAndTakesEveryRowOfAName()
    {
        TestDb t;
        t.exec("INSERT INTO Users VALUES('dup','a'), ('DUP','b')");
        SqlStr = "before";
        Users().Delete("aDmIn");
        QCOMPARE(SqlStr, QString("before"));
        Users().Delete("Dup");
        QCOMPARE(t.scalar("SELECT group_concat(UserName) FROM Users").toString(), QString("admin"));
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
        QCOMPARE(t.scalar("SELECT group_concat(UserName || ':' || UserPwd) FROM Users").toString(), QString("root:654321"));
    }
};

QTEST_GUILESS_MAIN(TestUsers)
#include "tst_users.moc"
