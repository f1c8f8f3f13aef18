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

    static void add(const TestDb &t, int id, const QString &name, const QString &url = "http://x", const QString &memo = "m")
    {
        t.exec(QString("INSERT INTO Website VALUES(%1,'%2','%3','2011-10-25','%4')").arg(id).arg(name, url, memo));
    }
    static QString fields(const Website &w)
    {
        return QStringLiteral("%1|%2|%3|%4|%5").arg(w.Webid).arg(w.Webname, w.Weburl, w.Webtime.toString(Qt::ISODate), w.Webmemos);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void sqlTextsAndStoredValues()
    {
        TestDb t;
        Website w;
        w.Webid = 77;
        w.Webname = " 优化 ";
        w.Weburl = " http://a.cn ";
        w.Webtime = QDate(2012, 2, 29);
        w.Webmemos = " 无 ";
        const QString date = DateText::toText(w.Webtime);
        w.Insert();
        QCOMPARE(SqlStr, "INSERT INTO Website ([webName], [Weburl], [Webtime], [WebMemos]) VALUES('优化','http://a.cn',#"
                             + date + "#,'无')");
        QCOMPARE(w.Webid, 77); // the new id is not read back
        QCOMPARE(t.scalar("SELECT Webname||'|'||Weburl||'|'||Webtime||'|'||Webmemos FROM Website").toString(),
                 QString("优化|http://a.cn|2012-02-29|无"));
        w.Update(1);
        QCOMPARE(SqlStr, "UPDATE Website SET [webName]='优化', [Weburl]='http://a.cn', [Webtime]=#" + date
                             + "#,[WebMemos]='无' WHERE Webid=1");
        w.In_DB(" 优化 ");
        QCOMPARE(SqlStr, QString("SELECT Webid FROM Website WHERE webName='优化'"));
        w.Delete(1);
        QCOMPARE(SqlStr, QString("DELETE FROM Website WHERE Webid=1"));
    }

    void getInfo_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("fields");
        QTest::newRow("trims name and memo, not the address") << 3 << "3|name|  http://a  |2011-10-25|memo";
        QTest::newRow("zero gives the reset record") << 0 << "0|||2011-10-25|";
        QTest::newRow("vanished id gives the reset record") << 5 << "0|||2011-10-25|";
        QTest::newRow("id beyond 16 bits") << 40000 << "40000|big|http://x|2011-10-25|m";
    }
    void getInfo()
    {
        QFETCH(int, id);
        TestDb t;
        add(t, 3, "  name  ", "  http://a  ", "  memo  ");
        add(t, 40000 - 65536, "wrapped"); // the row a 16-bit id would reach
        add(t, 40000, "big");
        Website w;
        w.Webname = "stale";
        w.GetInfo(id);
        QTEST(fields(w), "fields");
    }

    void inDb_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("found");
        QTest::newRow("same") << "abc" << true;
        QTest::newRow("other letter case, spaces") << "  ABC " << true;
        QTest::newRow("longer") << "abcd" << false;
        QTest::newRow("empty") << "" << false;
    }
    void inDb()
    {
        QFETCH(QString, name);
        TestDb t;
        add(t, 1, "abc");
        Website w;
        w.Webname = "keep";
        QTEST(w.In_DB(name), "found");
        QCOMPARE(w.Webname, QString("keep"));
    }

    void updateAndDeleteTouchOnlyTheirId()
    {
        TestDb t;
        add(t, 1, "one");
        add(t, 40000 - 65536, "wrapped");
        add(t, 40000, "big");
        Website w;
        w.GetInfo(1);
        w.Webname = "changed";
        w.Update(40000);
        w.Update(99); // an id that no longer exists changes nothing
        w.Delete(99);
        QCOMPARE(t.scalar("SELECT group_concat(Webname, ',') FROM (SELECT Webname FROM Website ORDER BY Webid)").toString(),
                 QString("wrapped,one,changed"));
        w.Delete(40000);
        QCOMPARE(t.scalar("SELECT group_concat(Webid) FROM Website").toString(), QString("-25536,1"));
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
        Website back;
        back.GetInfo(t.scalar("SELECT Webid FROM Website").toInt());
        QCOMPARE(fields(back), QString("1|O'Reilly|http://it's.example|2011-01-01|it's"));
    }

    void invalidDateIsRefusedBeforeWriting()
    {
        TestDb t;
        Website w;
        w.Webname = "a";
        QVERIFY_THROWS_EXCEPTION(db::DbError, w.Insert());
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 0);
    }
};

QTEST_GUILESS_MAIN(TestWebsite)
#include "tst_website.moc"
