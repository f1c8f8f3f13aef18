// The engine layer, on SQLite and (TAVORIN_TEST_ENGINE=postgresql) on a
// PostgreSQL server: opening, Access-style SQL, the recordset cursor, the
// table list and the catalog.
#include "core/NewDatabase.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DataControl.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "core/db/SqlTranslate.h"
#include "core/db/TableList.h"
#include "tests/support/TestDb.h"

#include <QTest>

using namespace db;


class TestEngine : public QObject {
    Q_OBJECT
private slots:

    void translatesDateLiteralsOutsideTextAndRefusesNonDates_data()
    {
        QTest::addColumn<QString>("access");
        QTest::addColumn<QString>("sqlite");
        QTest::newRow("plain") << "x=#2011-10-25#" << "x='2011-10-25'";
        QTest::newRow("blanks inside") << "VALUES(# 2011-9-5 #,'a')" << "VALUES('2011-09-05','a')";
        QTest::newRow("short form") << "x=#2011/10/25#" << "x='2011-10-25'";
        QTest::newRow("hash in text kept") << "SET [备注]='#1 of #2' WHERE a=#2011-1-2#"
                                           << "SET [备注]='#1 of #2' WHERE a='2011-01-02'";
        QTest::newRow("doubled quote in text") << "VALUES('it''s #3#',#2012-2-29#)" << "VALUES('it''s #3#','2012-02-29')";
        QTest::newRow("hash in bracketed name") << "SELECT [a#b] FROM t" << "SELECT [a#b] FROM t";
        // Literals that are no date are refused.
        QTest::newRow("empty") << "x=##" << "";
        QTest::newRow("impossible day") << "x=#2011-2-30#" << "";
        QTest::newRow("unclosed") << "x=#2011-10-25" << "";
    }
    void translatesDateLiteralsOutsideTextAndRefusesNonDates()
    {
        QFETCH(QString, access);
        QFETCH(QString, sqlite);
        if (sqlite.isEmpty())
            QVERIFY_THROWS_EXCEPTION(DbError, translateSql(access));
        else
            QCOMPARE(translateSql(access), sqlite);
    }

    // What the server is sent for the stores' SQL; no server needed.
    void translatesForTheServer_data()
    {
        QTest::addColumn<QString>("access");
        QTest::addColumn<QString>("server");
        QTest::newRow("own names in any letters") << "UPDATE Website SET [webName]='a', [WebMemos]='b' WHERE webid=1"
                                                  << "UPDATE \"Website\" SET \"Webname\"='a', \"Webmemos\"='b' WHERE \"Webid\"=1";
        QTest::newRow("user's names keep their letters") << "SELECT AutoId, [PR], [◆关键词1] FROM biji12 ORDER BY [时间] Desc"
                                                         << "SELECT \"AutoId\", \"PR\", \"◆关键词1\" FROM biji12 ORDER BY \"时间\" Desc";
        QTest::newRow("quote in a name") << "SELECT [a\"b] FROM t" << "SELECT \"a\"\"b\" FROM t";
        QTest::newRow("date") << "VALUES(# 2011-9-5 #,'a')" << "VALUES('2011-09-05','a')";
        QTest::newRow("like") << "SELECT Webid As 编号 FROM Website  where Webname Like '%o''x%' order by webid"
                              << "SELECT \"Webid\" As 编号 FROM \"Website\"  where \"Webname\" ILIKE '%o''x%' ESCAPE '' order by \"Webid\"";
        QTest::newRow("like with its own escape") << "Weburl Like '%5\\%%' ESCAPE '\\' AND 1=1"
                                                  << "\"Weburl\" ILIKE '%5\\%%' ESCAPE '\\' AND 1=1";
        QTest::newRow("text untouched") << "VALUES('Website Like #1# [x] \\')" << "VALUES('Website Like #1# [x] \\')";
        QTest::newRow("longer words untouched") << "SELECT Weburls, Liked FROM Websites" << "SELECT Weburls, Liked FROM Websites";
        QTest::newRow("NUL refused") << QString("VALUES('a") + QChar(0) + "b')" << "";
        QTest::newRow("unclosed bracket") << "SELECT [PR FROM t" << "";
    }
    void translatesForTheServer()
    {
        QFETCH(QString, access);
        QFETCH(QString, server);
        if (server.isEmpty())
            QVERIFY_THROWS_EXCEPTION(DbError, translateServerSql(access));
        else
            QCOMPARE(translateServerSql(access), server);
    }

    // The literal's spellings are the translation's business (above).
    void datesAreStoredAsIsoAndReadBackAsDates()
    {
        TestDb t;
        Connection c;
        c.open(t.connectionString());
        c.execute("INSERT INTO Website (Webname, Weburl, Webtime, Webmemos) VALUES('a', NULL, # 2011-10-25 #, '007')");
        if (!TestDb::onServer()) // the file keeps ISO text; the server a date
            QCOMPARE(t.scalar("SELECT typeof(Webtime) || ':' || Webtime FROM Website").toString(), QString("text:2011-10-25"));
        Recordset rs;
        rs.open("SELECT Webtime As 接单日期, Weburl, Webmemos, Webid FROM Website", c);
        QCOMPARE(rs.fieldName(0), QString("接单日期"));
        QCOMPARE(rs.value(0).typeId(), int(QMetaType::QDate));
        QCOMPARE(rs.value(0).toDate(), QDate(2011, 10, 25));
        // Nulls stay null, a memo of digits stays the text typed, ids are integers.
        QVERIFY(rs.value(1).isNull());
        QCOMPARE(rs.value(2).toString(), QString("007"));
        QCOMPARE(rs.value(3).typeId(), int(QMetaType::LongLong));
    }

    void failedStatementThrowsAndLeavesNothing()
    {
        TestDb t;
        Connection c;
        c.open(t.connectionString());
        QVERIFY_THROWS_EXCEPTION(DbError, c.execute("INSERT INTO Website (Webname, Nosuch) VALUES('a','b')"));
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 0);
        // Statements run together stand or fall together, and the
        // connection is usable afterwards.
        c.execute("INSERT INTO Website (Webname) VALUES('kept')");
        c.execute("CREATE TABLE biji1 (x INTEGER)");
        QVERIFY_THROWS_EXCEPTION(DbError, c.executeTogether({"DELETE FROM Website", "drop table biji1", "drop table biji2"}));
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 1);
        QVERIFY(t.hasTable("biji1"));
        c.executeTogether({"DELETE FROM Website", "drop table biji1"});
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 0);
        QVERIFY(!t.hasTable("biji1"));
    }

    void cursorMovesAndBounds()
    {
        TestDb t;
        Connection c;
        c.open(t.connectionString());
        for (int i = 1; i <= 3; ++i)
            c.execute(QString("INSERT INTO Website (Webname, Webtime) VALUES('w%1', #2011-1-%1#)").arg(i));
        Recordset rs;
        rs.open("SELECT Webname FROM Website ORDER BY Webtime Desc", c);
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(rs.value(0).toString(), QString("w3"));
        rs.movePrevious();
        QVERIFY(rs.bof() && rs.absolutePosition() == 0);
        QVERIFY_THROWS_EXCEPTION(DbError, rs.value(0));
        rs.moveLast();
        QCOMPARE(rs.value(0).toString(), QString("w1"));
        rs.moveNext();
        QVERIFY(rs.eof() && !rs.bof());
        rs.moveFirst();
        rs.move(2);
        QCOMPARE(rs.absolutePosition(), 3);
        c.execute("DELETE FROM Website WHERE Webname='w3'");
        rs.requery();
        QCOMPARE(rs.recordCount(), 2);
        QCOMPARE(rs.value(QStringLiteral("WEBNAME")).toString(), QString("w2"));
        rs.close();
        QVERIFY_THROWS_EXCEPTION(DbError, rs.moveFirst());

        Recordset empty;
        empty.open("SELECT * FROM Website WHERE Webid = -1", c);
        QVERIFY(empty.bof() && empty.eof());
        empty.moveNext();
        QVERIFY(empty.bof() && empty.eof());
        QCOMPARE(empty.fieldName(4), QString("Webmemos"));
    }

    void tableListFindsWholeNamesOnly()
    {
        TestDb t;
        Connection c;
        c.open(t.connectionString());
        c.execute("CREATE TABLE biji70 (a INTEGER)");
        TableList list(c);
        QVERIFY(!list.find("TABLE_NAME= 'biji7'"));
        TableList again(c);
        QVERIFY(again.find("TABLE_NAME= 'biji70'"));
        QCOMPARE(again.currentName(), QString("biji70"));
        QVERIFY_THROWS_EXCEPTION(DbError, TableList(c).find("name is biji70"));
    }

    void catalogCreatesAndChangesColumns()
    {
        TestDb t;
        Catalog cat(t.connectionString());
        const QVector<ColumnDef> defs{
            {"AutoId", ColumnType::LongInteger, 0, false, true, std::nullopt},
            {"时间", ColumnType::DateTime, 0, false, false, QString("2011-9-5")},
            {"备注", ColumnType::Memo, 0, true, false, std::nullopt},
            {"百度收入量", ColumnType::Text, 50, false, false, QString("收入*/反向*")},
            {"PR", ColumnType::Text, 10, false, false, QString("0")},
        };
        cat.createTable("biji1", defs);
        QVERIFY(cat.tables().contains("biji1"));
        const auto key = [](const ColumnDef &c) { return std::tuple(c.name, c.type, c.size, c.nullable, c.autoIncrement, c.defaultText); };
        const auto cols = cat.columns("biji1");
        QCOMPARE(cols.size(), defs.size());
        for (int i = 0; i < defs.size(); ++i)
            QVERIFY2(key(cols[i]) == key(defs[i]), qPrintable(defs[i].name));

        // The database applies the defaults and numbers the rows itself.
        t.exec("INSERT INTO biji1 ([备注]) VALUES('x')");
        t.exec("INSERT INTO biji1 ([备注]) VALUES(NULL)");
        QCOMPARE(t.scalar("SELECT max(AutoId) FROM biji1").toInt(), 2);
        QCOMPARE(t.scalar("SELECT [百度收入量] FROM biji1").toString(), QString("收入*/反向*"));
        QVERIFY_THROWS_EXCEPTION(DbError, t.exec("INSERT INTO biji1 ([PR]) VALUES(NULL)"));
        // The declared size holds.
        QVERIFY_THROWS_EXCEPTION(DbError, t.exec("INSERT INTO biji1 ([PR]) VALUES('12345678901')"));

        const QString odd = QStringLiteral("◆关键词*/2");
        cat.appendColumn("biji1", {odd, ColumnType::Text, 50, false, false, QString("百度*/谷歌*")});
        QCOMPARE(cat.column("biji1", 5).name, odd);
        QCOMPARE(cat.column("biji1", odd)->defaultText, std::optional<QString>("百度*/谷歌*"));
        // Rows from before the column hold nothing there; new rows take the default.
        QVERIFY(t.scalar("SELECT [" + odd + "] FROM biji1 WHERE AutoId = 1").isNull());
        t.exec("INSERT INTO biji1 ([备注]) VALUES('y')");
        QCOMPARE(t.scalar("SELECT [" + odd + "] FROM biji1 WHERE [备注] = 'y'").toString(), QString("百度*/谷歌*"));

        cat.renameColumn("biji1", odd, "◆关键词2");
        QVERIFY(!cat.column("biji1", odd));
        QCOMPARE(cat.column("biji1", 5).name, QString("◆关键词2"));
        QCOMPARE(cat.column("biji1", 5).size, 50);
        // A rename onto another column's name fails and changes nothing.
        QVERIFY_THROWS_EXCEPTION(DbError, cat.renameColumn("biji1", "◆关键词2", "pr"));
        QCOMPARE(cat.columns("biji1").size(), 6);

        cat.dropColumn("biji1", "百度收入量");
        QStringList names;
        for (const auto &col : cat.columns("biji1"))
            names << col.name;
        QCOMPARE(names, (QStringList{"AutoId", "时间", "备注", "PR", "◆关键词2"}));
        QCOMPARE(t.scalar("SELECT count(*) FROM biji1").toInt(), 3);

        QVERIFY_THROWS_EXCEPTION(DbError, cat.appendColumn("biji1", {"big", ColumnType::Text, 256, false, false, QString()}));
        cat.dropTable("biji1");
        QVERIFY(!cat.hasTable("biji1"));
    }

    // A grid's data control keeps its connection open; what another
    // connection does to the table's columns meanwhile shows at the next
    // refresh, with rows or without.
    void dataControlSeesColumnsChangedElsewhere_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("names");
        const QStringList base{"AutoId", "时间", "PR"};
        for (int rows : {0, 2}) {
            const QString n = QStringLiteral(" (%1 rows)").arg(rows);
            QTest::newRow(qPrintable("append" + n)) << "append" << rows << (base + QStringList{"◆关键词1"});
            QTest::newRow(qPrintable("rename" + n)) << "rename" << rows << QStringList{"AutoId", "时间", "PR值"};
            QTest::newRow(qPrintable("drop" + n)) << "drop" << rows << QStringList{"AutoId", "时间"};
        }
    }
    void dataControlSeesColumnsChangedElsewhere()
    {
        QFETCH(QString, change);
        QFETCH(int, rows);
        QFETCH(QStringList, names);
        TestDb t;
        Catalog cat(t.connectionString());
        cat.createTable("biji3", {{"AutoId", ColumnType::LongInteger, 0, false, true, std::nullopt},
                                  {"时间", ColumnType::DateTime, 0, false, false, QString("2011-9-5")},
                                  {"PR", ColumnType::Text, 10, false, false, QString("0")}});
        for (int i = 0; i < rows; ++i)
            t.exec("INSERT INTO biji3 ([PR]) VALUES('3')");

        DataControl grid;
        grid.setConnectionString(t.connectionString());
        grid.setRecordSource("SELECT * FROM biji3 ORDER BY [时间] Desc");
        grid.refresh();
        QCOMPARE(grid.recordset().fieldCount(), 3);

        Catalog other(t.connectionString());
        if (change == "append")
            other.appendColumn("biji3", {"◆关键词1", ColumnType::Text, 50, false, false, QString("百度*/谷歌*")});
        else if (change == "rename")
            other.renameColumn("biji3", "PR", "PR值");
        else
            other.dropColumn("biji3", "PR");

        grid.refresh();
        const Recordset &rs = grid.recordset();
        QStringList seen;
        for (int i = 0; i < rs.fieldCount(); ++i)
            seen << rs.fieldName(i);
        QCOMPARE(seen, names);
        QCOMPARE(rs.recordCount(), rows);
        if (rows > 0) {
            // Every value sits under its own name.
            QCOMPARE(rs.value(1).toDate(), QDate(2011, 9, 5));
            if (change == "append")
                QVERIFY(rs.value(3).isNull()); // rows from before the column hold nothing there
            if (change == "rename")
                QCOMPARE(rs.value("PR值").toString(), QString("3"));
        }
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
