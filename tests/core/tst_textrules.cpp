// Rules for text on its way into SQL: names compared without regard to case
// in every script, blanks trimmed and nothing else, "%" and "_" searched for
// literally, text the database cannot hold refused with a reason, and dates
// read in every form users type and shown the Chinese way in any locale.
#include "core/Database.h"
#include "core/DateText.h"
#include "core/DatabaseProblems.h"
#include "core/InputText.h"
#include "core/MessageBox.h"
#include "core/NameCompare.h"
#include "core/SqlText.h"
#include "core/db/Quote.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "tests/support/TestDb.h"

#include <QTest>


using namespace Qt::StringLiterals;

static const QString Lone = QString(QChar(0xD800));
static const QString Nul = QString(QChar(0));

class TestTextRules : public QObject {
    Q_OBJECT
private slots:
    // Dates read in every form users type and shown the Chinese way in any
    // locale, names alike without regard to case in every script (either way
    // round), blanks trimmed and nothing else, common engine faults told in
    // Chinese.
    void textRules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("other"); // the date read (empty: refused), the name it is (not) alike to, or what is shown
        QTest::newRow("slashes") << u"date"_s << u"2026/11/2"_s << u"2026-11-02"_s;
        QTest::newRow("dashes, zeros") << u"date"_s << u" 2026-10-05 "_s << u"2026-10-05"_s;
        QTest::newRow("dots") << u"date"_s << u"2026.1.5"_s << u"2026-01-05"_s;
        QTest::newRow("Chinese") << u"date"_s << u"2026年9月1日"_s << u"2026-09-01"_s;
        QTest::newRow("long form") << u"date"_s << u"2026年12月7日 星期一"_s << u"2026-12-07"_s;
        QTest::newRow("time of day") << u"date"_s << u"2026/3/4 10:30:00"_s << u"2026-03-04"_s;
        QTest::newRow("no such day") << u"date"_s << u"2026-2-30"_s << QString();
        QTest::newRow("mixed separators") << u"date"_s << u"2026/11-2"_s << QString();
        QTest::newRow("a slip after the date") << u"date"_s << u"2011/10/2 5"_s << QString();
        QTest::newRow("English") << u"date"_s << u"2 Nov 2026"_s << QString();
        QTest::newRow("empty") << u"date"_s << u""_s << QString();
        QTest::newRow("ascii") << u"same"_s << u"Admin"_s << u"aDMIN"_s;
        QTest::newRow("full-width latin") << u"same"_s << u"ＡＢＣ"_s << u"ａｂｃ"_s;
        QTest::newRow("accented") << u"same"_s << u"Café"_s << u"CAFÉ"_s;
        QTest::newRow("decomposed accent") << u"same"_s << u"Cafe\u0301"_s << u"CAFÉ"_s;
        QTest::newRow("greek") << u"same"_s << u"ΣΟΦΙΑ"_s << u"σοφια"_s;
        QTest::newRow("width is no case") << u"differ"_s << u"ＡＢＣ"_s << u"ABC"_s;
        QTest::newRow("chinese") << u"differ"_s << u"百度优化"_s << u"百度优化站"_s;
        QTest::newRow("blanks") << u"trim"_s << u"  ab c  "_s << u"ab c"_s;
        QTest::newRow("line breaks stay") << u"trim"_s << u"\n第一行\n"_s << u"\n第一行\n"_s;
        QTest::newRow("blanks outside a line break") << u"trim"_s << u"  \nx\t "_s << u"\nx\t"_s;
        QTest::newRow("only blanks") << u"trim"_s << u"   "_s << QString();
        QTest::newRow("locked") << u"fault"_s << QString::number(db::DbError::Locked) << u"数据库文件正被其他程序锁定，这次操作没有完成，请稍后再试。（engine）"_s;
        QTest::newRow("disk full") << u"fault"_s << QString::number(db::DbError::DiskFull) << u"磁盘已满，这次修改没有保存。请腾出空间后再试。（engine）"_s;
        QTest::newRow("other fault stays as it is") << u"fault"_s << QString::number(db::DbError::Other) << u"engine"_s;
    }
    void textRules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, text);
        QFETCH(QString, other);
        if (rule == u"date"_s) {
            for (const char *locale : {"C", "en_US", "zh_CN"}) {
                QLocale::setDefault(QLocale(QString::fromLatin1(locale)));
                QCOMPARE(DateText::fromText(text).value_or(QDate()).toString(Qt::ISODate), other);
                QCOMPARE(DateText::toText(QDate(2026, 11, 2)), u"2026/11/2"_s);
                QCOMPARE(DateText::toLongText(QDate(2026, 12, 13)), u"2026年12月13日 星期日"_s);
            }
        } else if (rule == u"trim"_s) {
            QCOMPARE(InputText::trimBlanks(text), other);
        } else if (rule == u"fault"_s) {
            QCOMPARE(DatabaseProblems::duringWork(db::DbError(u"engine"_s, db::DbError::Kind(text.toInt()))), other);
        } else {
            QCOMPARE(NameCompare::same(text, other), rule == u"same"_s);
            QCOMPARE(NameCompare::same(other, text), rule == u"same"_s);
        }
    }

    // In the database: a contains-search takes "%", "_" and its escape
    // character literally; text the database cannot hold is refused with a
    // reason, in a box and again by the engine layer.
    void textInTheDatabase_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("found"); // a search: the names found
        QTest::addColumn<QString>("named"); // no search: the character refused, if any
        QTest::newRow("search percent") << u"100%"_s << QStringList{u"100%好评"_s} << QString();
        QTest::newRow("search underscore") << u"a_b"_s << QStringList{u"a_b.cn"_s} << QString();
        QTest::newRow("search escape character") << u"!"_s << QStringList{u"Yahoo!"_s} << QString();
        QTest::newRow("search quote") << u"O'R"_s << QStringList{u"O'Reilly"_s} << QString();
        QTest::newRow("search letter case ignored") << u"YAHOO"_s << QStringList{u"Yahoo!"_s} << QString();
        QTest::newRow("nul") << u"a"_s + Nul + u"b"_s << QStringList() << u"U+0000"_s;
        QTest::newRow("lone high surrogate") << u"名"_s + Lone << QStringList() << u"U+D800"_s;
        QTest::newRow("two high surrogates") << Lone + Lone << QStringList() << u"U+D800"_s;
        QTest::newRow("lone low surrogate") << QString(QChar(0xDC01)) + u"x"_s << QStringList() << u"U+DC01"_s;
        QTest::newRow("pair is fine") << u"😀"_s << QStringList() << QString();
        QTest::newRow("plain") << u"百度 O'Reilly"_s << QStringList() << QString();
    }
    void textInTheDatabase()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, found);
        QFETCH(QString, named);
        TestDb t;
        db::Connection conn;
        conn.open(Database::notebook);
        if (!found.isEmpty()) {
            for (const QString &name : {u"100%好评"_s, u"1000 个客户"_s, u"a_b.cn"_s, u"axb.cn"_s, u"Yahoo!"_s, u"O'Reilly"_s})
                t.exec(u"INSERT INTO Website (Webname, Webtime) VALUES (%1, '2011-01-01')"_s.arg(db::quoteText(name)));
            db::Recordset rs;
            rs.open(u"SELECT Webname FROM Website WHERE "_s + sqlContains(u"Webname"_s, text) + u" ORDER BY Webid"_s, conn);
            QStringList names;
            for (; !rs.eof(); rs.moveNext())
                names << rs.value(0).toString();
            QCOMPARE(names, found);
            return;
        }
        MessageBox::clearShown();
        QCOMPARE(InputText::acceptable(text, u"网站名称"_s), named.isEmpty());
        if (!named.isEmpty()) {
            QCOMPARE(MessageBox::shown().size(), 1);
            QVERIFY(MessageBox::shown().constFirst().startsWith(u"“网站名称”中"_s));
            QVERIFY(MessageBox::shown().constFirst().contains(named));
        }
        // Past the boxes, the engine layer refuses it before the engine (file
        // or server) sees it, and nothing is written.
        const QString sql = u"INSERT INTO Users VALUES ("_s + db::quoteText(text) + u", 'x')"_s;
        if (named.isEmpty()) {
            conn.execute(sql);
            QCOMPARE(t.scalar(u"SELECT UserName FROM Users WHERE UserPwd = 'x'"_s).toString(), text);
            return;
        }
        try {
            conn.execute(sql);
            QFAIL("the statement should have been refused");
        } catch (const db::DbError &e) {
            QCOMPARE(e.kind(), db::DbError::BadText);
            QVERIFY(e.message().contains(named));
        }
        QCOMPARE(t.scalar(u"SELECT count(*) FROM Users"_s).toInt(), 1);
    }
};

QTEST_MAIN(TestTextRules)
#include "tst_textrules.moc"
