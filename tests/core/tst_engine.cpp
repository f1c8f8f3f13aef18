// The engine layer, on SQLite and (TAVORIN_TEST_ENGINE=postgresql) on a
// PostgreSQL server: opening, Access-style SQL, the recordset cursor, the
// table list and the catalog.
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DataControl.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "core/db/SqlTranslate.h"
#include "core/db/TableList.h"
#include "tests/support/TestDb.h"

#include <QMutex>
#include <QTest>
#include <QThread>
#include <memory>

using namespace db;

static const ColumnDef AutoId{"AutoId", ColumnType::LongInteger, 0, false, true, std::nullopt};
static const ColumnDef Time{"时间", ColumnType::DateTime, 0, false, false, QString("2011-9-5")};
static const ColumnDef Pr{"PR", ColumnType::Text, 10, false, false, QString("0")};

class TestEngine : public QObject {
    Q_OBJECT
private slots:

    // The stores' SQL as the file engine and as the server are sent it; no
    // database needed. An empty translation: the text is refused.
    void translatesAccessSql_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("access");
        QTest::addColumn<QString>("expected");
        QTest::newRow("file: plain") << false << "x=#2011-10-25#" << "x='2011-10-25'";
        QTest::newRow("file: blanks inside") << false << "VALUES(# 2011-9-5 #,'a')" << "VALUES('2011-09-05','a')";
        QTest::newRow("file: slashes, time of day") << false << "x=#2011/10/25 13:05#" << "x='2011-10-25'";
        QTest::newRow("file: hash in text kept") << false << "SET [备注]='#1 of #2' WHERE a=#2011-1-2#"
                                           << "SET [备注]='#1 of #2' WHERE a='2011-01-02'";
        QTest::newRow("file: doubled quote in text") << false << "VALUES('it''s #3#',#2012-2-29#)" << "VALUES('it''s #3#','2012-02-29')";
        QTest::newRow("file: hash in bracketed name") << false << "SELECT [a#b] FROM t" << "SELECT [a#b] FROM t";
        // Literals that are no date are refused.
        QTest::newRow("file: empty") << false << "x=##" << "";
        QTest::newRow("file: impossible day") << false << "x=#2011-2-30#" << "";
        QTest::newRow("file: unclosed") << false << "x=#2011-10-25" << "";
        QTest::newRow("server: own names in any letters") << true << "UPDATE Website SET webName=?, WebMemos=? WHERE webid=?"
                                                  << "UPDATE \"Website\" SET \"Webname\"=$1, \"Webmemos\"=$2 WHERE \"Webid\"=$3";
        // A user's column that happens to be spelt like one of ours is the user's.
        QTest::newRow("server: quoted names keep their letters") << true << "SELECT [webname], \"pr\" FROM biji1"
                                                         << "SELECT \"webname\", \"pr\" FROM biji1";
        QTest::newRow("server: quoted name with ] and ;") << true << "INSERT INTO biji1 (\"a]); DROP TABLE \"\"Users\"\"; --\") VALUES (?)"
                                                  << "INSERT INTO biji1 (\"a]); DROP TABLE \"\"Users\"\"; --\") VALUES ($1)";
        QTest::newRow("server: ? in text and names stays") << true << "SELECT \"a?\" FROM t WHERE x='?' AND y=?"
                                                   << "SELECT \"a?\" FROM t WHERE x='?' AND y=$1";
        QTest::newRow("server: user's names keep their letters") << true << "SELECT AutoId, [PR], [◆关键词1] FROM biji12 ORDER BY [时间] Desc"
                                                         << "SELECT \"AutoId\", \"PR\", \"◆关键词1\" FROM biji12 ORDER BY \"时间\" Desc";
        QTest::newRow("server: quote in a name") << true << "SELECT [a\"b] FROM t" << "SELECT \"a\"\"b\" FROM t";
        QTest::newRow("server: date") << true << "VALUES(# 2011-9-5 #,'a')" << "VALUES('2011-09-05','a')";
        QTest::newRow("server: like") << true << "SELECT Webid As 编号 FROM Website  where Webname Like '%o''x%' order by webid"
                              << "SELECT \"Webid\" As 编号 FROM \"Website\"  where \"Webname\" ILIKE '%o''x%' ESCAPE '' order by \"Webid\"";
        QTest::newRow("server: like with its own escape") << true << "Weburl Like '%5\\%%' ESCAPE '\\' AND 1=1"
                                                  << "\"Weburl\" ILIKE '%5\\%%' ESCAPE '\\' AND 1=1";
        QTest::newRow("server: like at the very end") << true << "SELECT 1 FROM t WHERE a Like 'x%'"
                                              << "SELECT 1 FROM t WHERE a ILIKE 'x%' ESCAPE ''";
        QTest::newRow("server: like a parameter at the end") << true << "WHERE a Like ?  " << "WHERE a ILIKE $1 ESCAPE ''  ";
        QTest::newRow("server: like a parameter") << true << "WHERE a Like ? OR b Like ? ESCAPE '!'"
                                          << "WHERE a ILIKE $1 ESCAPE '' OR b ILIKE $2 ESCAPE '!'";
        QTest::newRow("server: text untouched") << true << "VALUES('Website Like #1# [x] \\')" << "VALUES('Website Like #1# [x] \\')";
        QTest::newRow("server: longer words untouched") << true << "SELECT Weburls, Liked FROM Websites" << "SELECT Weburls, Liked FROM Websites";
        QTest::newRow("server: NUL refused") << true << QString("VALUES('a") + QChar(0) + "b')" << "";
        QTest::newRow("server: unclosed bracket") << true << "SELECT [PR FROM t" << "";
    }
    void translatesAccessSql()
    {
        QFETCH(bool, server);
        QFETCH(QString, access);
        QFETCH(QString, expected);
        const auto translate = [&](const QString &sql) { return server ? translateServerSql(sql) : translateSql(sql); };
        if (expected.isEmpty())
            QVERIFY_THROWS_EXCEPTION(DbError, translate(access));
        else
            QCOMPARE(translate(access), expected);
    }

    // Text after the first statement is refused whole, on both engines, and
    // values bound to parameters are stored as given, whatever they hold.
    void runsOneStatementWithBoundValues_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("second statement") << "DELETE FROM Website WHERE Webid = -1; DROP TABLE Users";
        QTest::newRow("query with a tail") << "SELECT Webname FROM Website; DELETE FROM Users";
        QTest::newRow("nothing") << "  ";
        QTest::newRow("too few values") << "SELECT Webname FROM Website WHERE Webid = ?";
    }
    void runsOneStatementWithBoundValues()
    {
        QFETCH(QString, sql);
        TestDb t;
        Connection c;
        c.open(t.location());
        const QString hostile = QStringLiteral("x'); DROP TABLE Users; --");
        QCOMPARE(c.execute("INSERT INTO Website (Webname, Weburl, Webtime, Webmemos) VALUES (?, ?, ?, ?)",
                           {hostile, QVariant(), QDate(2012, 2, 29), 7}),
                 1);
        QVERIFY_THROWS_EXCEPTION(DbError, c.execute(sql));
        Recordset rs;
        QVERIFY_THROWS_EXCEPTION(DbError, rs.open(sql, c));
        QCOMPARE(t.scalar("SELECT count(*) FROM Users").toInt(), 1);
        rs.open("SELECT Webname, Weburl, Webtime, Webmemos FROM Website WHERE Webname = ? AND Webtime = ?", c,
                {hostile, QDate(2012, 2, 29)});
        QCOMPARE(rs.recordCount(), 1);
        QCOMPARE(rs.value(0).toString(), hostile);
        QVERIFY(rs.value(1).isNull());
        QCOMPARE(rs.value(2).toDate(), QDate(2012, 2, 29));
        QCOMPARE(rs.value(3).toString(), QString("7"));
        QCOMPARE(c.execute("UPDATE Website SET Webmemos = ? WHERE Webid = ?", {"m", -1}), 0);
    }

    // A failed statement leaves nothing; dates are read back as dates (their
    // literal's spellings are the translation's business, above); the cursor
    // keeps in bounds; the table list matches whole names.
    void statementsDatesCursorAndTableList()
    {
        TestDb t;
        Connection c;
        c.open(t.location());
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
        c.execute("INSERT INTO Website (Webname, Weburl, Webtime, Webmemos) VALUES('a', NULL, # 2011-10-25 #, '007')");
        if (!TestDb::onServer()) // the file keeps ISO text; the server a date
            QCOMPARE(t.scalar("SELECT typeof(Webtime) || ':' || Webtime FROM Website").toString(), QString("text:2011-10-25"));
        Recordset dated;
        dated.open("SELECT Webtime As 接单日期, Weburl, Webmemos, Webid FROM Website", c);
        QCOMPARE(dated.fieldName(0), QString("接单日期"));
        QCOMPARE(dated.value(0).typeId(), int(QMetaType::QDate));
        QCOMPARE(dated.value(0).toDate(), QDate(2011, 10, 25));
        // Nulls stay null, a memo of digits stays the text typed, ids are integers.
        QVERIFY(dated.value(1).isNull());
        QCOMPARE(dated.value(2).toString(), QString("007"));
        QCOMPARE(dated.value(3).typeId(), int(QMetaType::LongLong));
        c.execute("DELETE FROM Website");
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

        c.execute("CREATE TABLE biji70 (a INTEGER)");
        TableList list(c);
        QVERIFY(!list.contains("biji7") && list.contains("BIJI70"));
    }

    void catalogCreatesAndChangesColumns()
    {
        TestDb t;
        Catalog cat(t.location());
        const QVector<ColumnDef> defs{AutoId, Time, {"备注", ColumnType::Memo, 0, true, false, std::nullopt},
                                      {"百度收入量", ColumnType::Text, 50, false, false, QString("收入*/反向*")}, Pr};
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

        const QString odd = QStringLiteral("◆关键词*/2]\"); DROP TABLE Users; --"); // kept exactly, runs nothing
        cat.appendColumn("biji1", {odd, ColumnType::Text, 50, false, false, QString("百度*/谷歌*")});
        QCOMPARE(cat.column("biji1", 5).name, odd);
        QCOMPARE(cat.column("biji1", odd)->defaultText, std::optional<QString>("百度*/谷歌*"));
        // Rows from before the column hold nothing there; new rows take the default.
        QVERIFY(t.scalar("SELECT " + quoteIdentifier(odd) + " FROM biji1 WHERE AutoId = 1").isNull());
        t.exec("INSERT INTO biji1 ([备注]) VALUES('y')");
        QCOMPARE(t.scalar("SELECT " + quoteIdentifier(odd) + " FROM biji1 WHERE [备注] = 'y'").toString(), QString("百度*/谷歌*"));

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
        // A name longer than a server holds (90 bytes) is refused up front, on either engine; odd
        // names through every door are tst_hostile's.
        const ColumnDef tooLong{QString(30, QChar(0x5b57)), ColumnType::Text, 20, true, false, QString()};
        QVERIFY_THROWS_EXCEPTION(DbError, cat.appendColumn("biji1", tooLong));
        QVERIFY_THROWS_EXCEPTION(DbError, cat.renameColumn("biji1", "PR", tooLong.name));
        QVERIFY_THROWS_EXCEPTION(DbError, cat.createTable("biji3", {tooLong}));
        QCOMPARE(cat.columns("biji1").size(), 5);
        QVERIFY(!cat.hasTable("biji3"));
        cat.renameColumn("biji1", "PR", QString(21, QChar(0x5b57))); // 63 bytes fit
        QCOMPARE(cat.column("biji1", 3).name, QString(21, QChar(0x5b57)));
        QCOMPARE(t.scalar("SELECT count(*) FROM Users").toInt(), 1);
        cat.dropTable("biji1");
        QVERIFY(!cat.hasTable("biji1"));
    }

    // Two workers add (or rename to) one name in two spellings at the same moment: both wait behind a
    // third worker's lock, so both checks come after it; exactly one wins, whole, the other reads why.
    void twoWorkersChangeOneColumnAtOnce_data()
    {
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("add Rank and RANK") << false << "Rank" << "RANK";
        QTest::newRow("rename to Score and SCORE") << true << "Score" << "SCORE";
    }
    void twoWorkersChangeOneColumnAtOnce()
    {
        QFETCH(bool, rename);
        QFETCH(QString, first);
        QFETCH(QString, second);
        if (!TestDb::onServer())
            QSKIP("a file has one writer at a time");
        TestDb t;
        Catalog(t.location()).createTable("biji2", {AutoId, Time, Pr, {"p2", ColumnType::Text, 10, false, false, QString("0")}});
        Connection holder;
        holder.open(t.location());
        holder.execute("BEGIN", Connection::Dialect::Native);
        holder.execute("LOCK TABLE biji2 IN ACCESS EXCLUSIVE MODE", Connection::Dialect::Native);
        QStringList failures;
        QMutex guard;
        auto worker = [&](const QString &name, const QString &from) {
            return QThread::create([&, name, from] {
                try {
                    Catalog c(t.location());
                    if (rename)
                        c.renameColumn("biji2", from, name);
                    else
                        c.appendColumn("biji2", {name, ColumnType::Text, 10, false, false, QString("d")});
                } catch (const DbError &e) {
                    const QMutexLocker lock(&guard);
                    failures << e.message();
                }
            });
        };
        std::unique_ptr<QThread> a(worker(first, "PR")), b(worker(second, "p2"));
        a->start();
        b->start();
        const auto waiting = [&] {
            Recordset rs;
            rs.open("SELECT 1 FROM pg_locks WHERE NOT granted AND relation = 'biji2'::regclass", holder, Connection::Dialect::Native);
            return rs.recordCount();
        };
        while (waiting() < 2)
            QThread::yieldCurrentThread();
        holder.execute("COMMIT", Connection::Dialect::Native);
        QVERIFY(a->wait() && b->wait());
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures[0].startsWith("表 biji2 中已有名为 "), qPrintable(failures[0]));
        QStringList names;
        for (const ColumnDef &c : Catalog(t.location()).columns("biji2"))
            names << c.name;
        const int won = names.indexOf(first) >= 0 ? 0 : 1;
        QVERIFY(names.contains(won ? second : first) && !names.contains(won ? first : second));
        QCOMPARE(names.size(), rename ? 4 : 5);
        if (!rename)
            QCOMPARE(Catalog(t.location()).column("biji2", won ? second : first)->defaultText, std::optional<QString>("d"));
    }

    // A server whose ctype folds ASCII letters only would let Café and CAFÉ
    // be two websites: it is refused when connecting, naming the setting.
    void serverRefusesACtypeThatFoldsAsciiOnly()
    {
        if (!TestDb::onServer())
            QSKIP("a server's setting");
        TestDb t;
        Connection c;
        c.open(t.location());
        const QString name = QStringLiteral("tavorin_ctype_c_%1").arg(QCoreApplication::applicationPid());
        c.execute("CREATE DATABASE " + quoteIdentifier(name) + " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'",
                  Connection::Dialect::Native);
        Connection refused;
        try {
            refused.open(db::Location::server("postgres:dbname=" + name));
            QFAIL("a C ctype was accepted");
        } catch (const DbError &e) {
            QVERIFY2(e.message().contains("LC_CTYPE") && e.message().contains("C.UTF-8"), qPrintable(e.message()));
        }
        c.execute("DROP DATABASE " + quoteIdentifier(name), Connection::Dialect::Native);
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
        Catalog cat(t.location());
        cat.createTable("biji3", {AutoId, Time, Pr});
        for (int i = 0; i < rows; ++i)
            t.exec("INSERT INTO biji3 ([PR]) VALUES('3')");

        DataControl grid;
        grid.setLocation(t.location());
        grid.setRecordSource("SELECT * FROM biji3 ORDER BY [时间] Desc");
        grid.refresh();
        QCOMPARE(grid.recordset().fieldCount(), 3);

        Catalog other(t.location());
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
