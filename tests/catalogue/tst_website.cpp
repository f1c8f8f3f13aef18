// The website store: what it stores, the reset record, trimming and letter case,
// quotes, ids beyond 16 bits and a missing date.
#include "catalogue/Website.h"
#include "core/db/DbError.h"
#include "tests/support/TestDb.h"

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
    void storesQuotesAsTypedAndNamesComposed()
    {
        TestDb t;
        QVERIFY_THROWS_EXCEPTION(db::DbError, Website().insert()); // no date: refused before writing
        Website w;
        w.Webname = QStringLiteral(" O'优化 Sen\u0303or ");
        w.Weburl = " http://a'.cn ";
        w.Webtime = QDate(2012, 2, 29);
        w.Webmemos = " it's ";
        w.insert();
        QCOMPARE(t.joined("SELECT Webname || '|' || Weburl || '|' || Webmemos FROM Website"),
                 QStringLiteral("O'优化 Señor|http://a'.cn|it's"));
        w.load(1);
        QCOMPARE(fields(w), QStringLiteral("1|O'优化 Señor|http://a'.cn|2012-02-29|it's"));
        QVERIFY(w.exists(QStringLiteral(" o'优化 Sen\u0303or ")));
        QCOMPARE(w.update(1), 1);
        w.remove(1);
        QCOMPARE(w.update(1), 0);
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 0);
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
        w.load(id);
        QTEST(fields(w), "fields");
    }

    void findUpdateAndDeleteByTrimmedNameAndExactId()
    {
        TestDb t;
        add(t, 1, "abc");
        add(t, 40000 - 65536, "wrapped"); // the row a 16-bit id would reach
        add(t, 40000, "big");
        Website w;
        QVERIFY(w.exists("  ABC "));
        QVERIFY(!w.exists(""));
        QVERIFY(!w.exists("abcd"));
        w.load(1);
        w.Webname = "changed";
        w.update(40000);
        w.remove(1);
        QCOMPARE(t.joined("SELECT Webname FROM Website ORDER BY Webid"),
                 QString("wrapped,changed"));
    }
};

QTEST_GUILESS_MAIN(TestWebsite)
#include "tst_website.moc"
