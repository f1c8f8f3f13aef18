// The website store: exact SQL, the reset record, trimming and letter case,
// quotes and ids beyond 16 bits.
#include "catalogue/Website.h"
#include "core/DateText.h"
#include "core/Variable.h"
#include "core/db/DbError.h"
#include "tests/support/TestDb.h"

#include <QLocale>
#include <QTest>

class TestWebsite : public QObject {
    Q_OBJECT

    static void add(const TestDb &t, int id, const QString &name, const QString &url = "http://x",
                    const QString &date = "2011-10-25", const QString &memo = "m")
    {
        t.exec(QString("INSERT INTO Website VALUES(%1,'%2','%3','%4','%5')").arg(id).arg(name, url, date, memo));
    }
    static void verifyReset(const Website &w)
    {
        QCOMPARE(w.Webid, 0);
        QCOMPARE(w.Webname, QString());
        QCOMPARE(w.Weburl, QString());
        QCOMPARE(w.Webtime, QDate(2011, 10, 25));
        QCOMPARE(w.Webmemos, QString());
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void sqlTexts()
    {
        TestDb t;
        Website w;
        w.Webname = " 优化 ";
        w.Weburl = " http://a.cn ";
        w.Webtime = QDate(2011, 10, 25);
        w.Webmemos = " 无 ";
        const QString date = DateText::toText(w.Webtime);
        w.Insert();
        QCOMPARE(SqlStr, "INSERT INTO Website ([webName], [Weburl], [Webtime], [WebMemos]) VALUES('优化','http://a.cn',#"
                             + date + "#,'无')");
        w.Update(1);
        QCOMPARE(SqlStr, "UPDATE Website SET [webName]='优化', [Weburl]='http://a.cn', [Webtime]=#" + date
                             + "#,[WebMemos]='无' WHERE Webid=1");
        w.GetInfo(1);
        QCOMPARE(SqlStr, QString("SELECT * FROM Website WHERE Webid=1"));
        w.In_DB(" 优化 ");
        QCOMPARE(SqlStr, QString("SELECT Webid FROM Website WHERE webName='优化'"));
        w.Delete(1);
        QCOMPARE(SqlStr, QString("DELETE FROM Website WHERE Webid=1"));
    }

    void newObjectIsEmpty()
    {
        Website w;
        QCOMPARE(w.Webid, 0);
        QVERIFY(w.Webname.isEmpty() && w.Weburl.isEmpty() && w.Webmemos.isEmpty());
        QVERIFY(w.Webtime.isNull());
        QCOMPARE(&CurWebsite(), &CurWebsite());
    }

    void getInfoZeroRunsNoQuery()
    {
        TestDb t;
        Website w;
        w.Webname = "stale";
        SqlStr = "before";
        w.GetInfo(0);
        QCOMPARE(SqlStr, QString("before"));
        verifyReset(w);
    }

    void vanishedIdGivesTheResetRecord()
    {
        TestDb t;
        add(t, 5, "gone");
        t.exec("DELETE FROM Website WHERE Webid=5");
        Website w;
        w.Webname = "stale";
        w.GetInfo(5);
        verifyReset(w);
    }

    void loadTrimsNameAndMemoButNotAddress()
    {
        TestDb t;
        add(t, 3, "  name  ", "  http://a  ", "2011-10-25", "  memo  ");
        Website w;
        w.GetInfo(3);
        QCOMPARE(w.Webid, 3);
        QCOMPARE(w.Webname, QString("name"));
        QCOMPARE(w.Weburl, QString("  http://a  "));
        QCOMPARE(w.Webtime, QDate(2011, 10, 25));
        QCOMPARE(w.Webmemos, QString("memo"));
    }

    void inDb_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("same") << "abc" << true;
        QTest::newRow("other letter case") << "ABC" << true;
        QTest::newRow("surrounding spaces") << "  abc " << true;
        QTest::newRow("longer") << "abcd" << false;
        QTest::newRow("empty") << "" << false;
    }
    void inDb()
    {
        QFETCH(QString, name);
        QFETCH(bool, found);
        TestDb t;
        add(t, 1, "abc");
        Website w;
        w.Webname = "keep";
        QCOMPARE(w.In_DB(name), found);
        QCOMPARE(w.Webname, QString("keep"));
    }

    void insertStoresTrimmedValuesAndTheDay()
    {
        TestDb t;
        Website w;
        w.Webid = 77;
        w.Webname = "  a  ";
        w.Weburl = " u ";
        w.Webtime = QDate(2012, 2, 29);
        w.Webmemos = " m ";
        w.Insert();
        QCOMPARE(w.Webid, 77); // the new id is not read back
        QCOMPARE(t.scalar("SELECT Webname || '|' || Weburl || '|' || Webtime || '|' || Webmemos FROM Website").toString(),
                 QString("a|u|2012-02-29|m"));
    }

    void updateAndDeleteChooseRowById()
    {
        TestDb t;
        add(t, 1, "one");
        add(t, 2, "two");
        Website w;
        w.GetInfo(1);
        w.Webname = "changed";
        w.Update(2);
        QCOMPARE(t.scalar("SELECT Webname FROM Website WHERE Webid=1").toString(), QString("one"));
        QCOMPARE(t.scalar("SELECT Webname FROM Website WHERE Webid=2").toString(), QString("changed"));
        w.Update(99); // an id that no longer exists changes nothing
        w.Delete(99);
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 2);
    }

    void idsBeyondSixteenBits()
    {
        TestDb t;
        add(t, 40000 - 65536, "wrapped"); // the row a 16-bit id would reach
        add(t, 40000, "big");
        Website w;
        w.GetInfo(40000);
        QCOMPARE(w.Webid, 40000);
        QCOMPARE(w.Webname, QString("big"));
        w.Webname = "bigger";
        w.Update(40000);
        QCOMPARE(t.scalar("SELECT Webname FROM Website WHERE Webid=40000").toString(), QString("bigger"));
        w.Delete(40000);
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 1);
        QCOMPARE(t.scalar("SELECT Webname FROM Website").toString(), QString("wrapped"));
    }

    void quotesAreStoredAndFound()
    {
        TestDb t;
        Website w;
        w.Webname = "O'Reilly";
        w.Weburl = "http://it's.example";
        w.Webtime = QDate(2011, 1, 1);
        w.Webmemos = "it's";
        w.Insert();
        QVERIFY(w.In_DB("o'reilly"));
        const int id = t.scalar("SELECT Webid FROM Website").toInt();
        Website back;
        back.GetInfo(id);
        QCOMPARE(back.Webname, QString("O'Reilly"));
        QCOMPARE(back.Weburl, QString("http://it's.example"));
        QCOMPARE(back.Webmemos, QString("it's"));
    }

    void invalidDateIsRefusedBeforeWriting()
    {
        TestDb t;
        Website w;
        w.Webname = "a";
        w.Webtime = QDate();
        QVERIFY_THROWS_EXCEPTION(db::DbError, w.Insert());
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWebsite)
#include "tst_website.moc"
