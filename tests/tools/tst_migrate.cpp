// tavorin-db migrate: a notebook file moved onto a server arrives whole
// (accounts, websites with their ids, notes tables with their columns and
// rows) or not at all.
#include "core/NewDatabase.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "tests/exchange/ExchangeFixture.h"
#include "tools/db/Commands.h"

#include <QTemporaryFile>
#include <QTest>
#include <cstdio>
#include <unistd.h>

using namespace db;

class TestMigrate : public QObject, private ExchangeFixture {
    Q_OBJECT

    // A notebook file with two accounts, three websites (ids with gaps, one
    // beyond 16 bits) and two notes tables, one of them with changed columns.
    static QString makeSource(const QString &dir)
    {
        const QString path = dir + QStringLiteral("/source.mdb");
        NewDatabase::create(Location::file(path));
        Connection c;
        c.open(Location::file(path));
        c.execute("INSERT INTO Users VALUES('O''Neil', 'it''s 秘密')");
        c.execute("INSERT INTO Website VALUES(3, 'Café ''one''', 'http://a.cn', '2011-10-25', '无')");
        c.execute("INSERT INTO Website VALUES(7, '百分之%_[x]', 'http://b.cn', '2012-02-29', '多行\n备注')");
        c.execute("INSERT INTO Website VALUES(40000, 'big', NULL, '2013-01-01', '')");
        Catalog cat(Location::file(path));
        const QVector<ColumnDef> defaults{column("AutoId", ColumnType::LongInteger), column("时间", ColumnType::DateTime, 0, "2011-9-5"),
                                          column("备注", ColumnType::Memo), column("百度收入量", ColumnType::Text, 50, "收入*/反向*"),
                                          column("PR", ColumnType::Text, 10, "0")};
        cat.createTable("biji3", defaults);
        cat.createTable("biji7", defaults);
        c.execute("BEGIN"); // one write to the file, not 1200
        for (int i = 1; i <= 1200; ++i) // more than one batch
            c.execute(QStringLiteral("INSERT INTO biji3 ([时间],[备注],[百度收入量],[PR]) VALUES(#2011-10-%1#,'第%2条 ''x''','收入%2','%3')")
                          .arg(i % 28 + 1).arg(i).arg(i % 10));
        c.execute("COMMIT");
        c.execute("DELETE FROM biji3 WHERE AutoId = 5"); // a gap in the ids
        cat.appendColumn("biji7", column("◆关键词*/2", ColumnType::Text, 50, "百度*/谷歌*"));
        cat.renameColumn("biji7", "PR", "PR值");
        c.execute("INSERT INTO biji7 ([时间],[备注],[百度收入量],[PR值],[◆关键词*/2]) VALUES(#2012-1-2#,NULL,'a','1','k')");
        return path;
    }

    static auto columnKey(const ColumnDef &c) { return std::tuple(c.name, c.type, c.size, c.nullable, c.autoIncrement, c.defaultText); }

private slots:
    void initTestCase()
    {
        if (!TestDb::onServer())
            qFatal("tst_migrate needs a PostgreSQL server: run it with TAVORIN_TEST_ENGINE=postgresql inside pg_virtualenv");
    }

    // Everything arrives; a notebook already on the server is kept unless
    // --replace is given, which then replaces it whole.
    void movesEverythingAndKeepsIds()
    {
        TestDb t(false);
        const QString source = makeSource(t.dir());
        const Location file = Location::file(source);
        // Made by another tool: the names the program addresses in other letters.
        Connection f;
        f.open(file);
        f.execute("CREATE TABLE Biji9 (autoid INTEGER PRIMARY KEY AUTOINCREMENT, [时间] DATETIME, webname TEXT)");
        f.execute("INSERT INTO Biji9 ([时间], webname) VALUES ('2011-01-02', 'x')");
        f.close();
        const Location target = t.extraServerDatabase();
        QCOMPARE(migrateCommand({source, target.serverString()}), 0);
        // As the program addresses them; a user's column keeps its letters.
        QCOMPARE(rows("SELECT AutoId, \"webname\" FROM biji9", target), QString("1|x"));
        {
            Connection c;
            c.open(target);
            c.execute("INSERT INTO Website (webName) VALUES('already there')");
        }
        QCOMPARE(migrateCommand({source, target.serverString()}), 1);
        QVERIFY(rows("SELECT Webname FROM Website", target).contains("already there"));
        QCOMPARE(migrateCommand({source, target.serverString(), "--replace"}), 0);

        for (const QString &query : {QStringLiteral("SELECT * FROM Users ORDER BY UserName"),
                                     QStringLiteral("SELECT * FROM Website ORDER BY Webid"),
                                     QStringLiteral("SELECT * FROM biji3 ORDER BY AutoId"),
                                     QStringLiteral("SELECT * FROM biji7 ORDER BY AutoId")})
            QCOMPARE(rows(query, target), rows(query, file));
        for (const QString &table : {QStringLiteral("biji3"), QStringLiteral("biji7")}) {
            const auto from = Catalog(file).columns(table), to = Catalog(target).columns(table);
            QCOMPARE(to.size(), from.size());
            for (int i = 0; i < from.size(); ++i)
                QVERIFY2(columnKey(to[i]) == columnKey(from[i]), qPrintable(table + ": " + from[i].name));
        }
        // New rows are numbered after the moved ones, and names stay unique.
        Connection c;
        c.open(target);
        c.execute("INSERT INTO Website (webName, Weburl, Webtime, WebMemos) VALUES('new','u',#2014-1-1#,'m')");
        c.execute("INSERT INTO biji3 ([备注]) VALUES('new')");
        QCOMPARE(rows("SELECT Webid FROM Website WHERE Webname='NEW'", target), QString("40001"));
        QCOMPARE(rows("SELECT AutoId FROM biji3 WHERE [备注]='new'", target), QString("1201"));
        try {
            c.execute("INSERT INTO Website (webName) VALUES('CAFÉ ''ONE''')");
            QFAIL("a name taken in other letters must be refused");
        } catch (const DbError &e) {
            QCOMPARE(e.kind(), DbError::Kind::UniqueViolation);
        }
    }

    // A value the server cannot take, or a count that differs after the
    // copy, stops the move: the message names what, nothing is left behind,
    // and no second rollback draws a warning.
    void aFailureLeavesTheTargetAsItWas_data()
    {
        QTest::addColumn<QString>("sourceChange");
        QTest::addColumn<QString>("targetChange");
        QTest::addColumn<QString>("says");
        QTest::newRow("a date that is none") << "UPDATE biji7 SET [时间] = 'not a date'" << ""
                                             << "table biji7, column 时间, row 1 (AutoId 1): 值“not a date”";
        QTest::newRow("a name over 63 bytes") << "ALTER TABLE biji7 ADD COLUMN " + quoteIdentifier(QString(30, QChar(0x5b57))) + " TEXT"
                                              << "" << "biji7." + QString(30, QChar(0x5b57)) + "（90 字节）";
        QTest::newRow("a column name the program would not make")
            << "ALTER TABLE biji7 ADD COLUMN " + quoteIdentifier("x]; DROP TABLE Users; --") + " TEXT" << ""
            << "表 biji7 的列名“x]; DROP TABLE Users; --”含有本程序不会使用的字符";
        QTest::newRow("a row lost between copy and check") << "" << "DELETE FROM biji3 WHERE AutoId = 7"
                                                           << "the counts differ, nothing was kept: biji3: 1199 in the file, 1198 on the server";
    }
    void aFailureLeavesTheTargetAsItWas()
    {
        QFETCH(QString, sourceChange);
        QFETCH(QString, targetChange);
        TestDb t(false);
        const QString source = makeSource(t.dir());
        if (!sourceChange.isEmpty()) {
            Connection c;
            c.open(Location::file(source));
            c.execute(sourceChange);
        }
        migrateBeforeCountCheck = [&](Connection &target) {
            if (!targetChange.isEmpty())
                target.execute(targetChange);
        };
        const Location target = t.extraServerDatabase();
        QTemporaryFile messages;
        QVERIFY(messages.open());
        std::fflush(stderr);
        const int savedStderr = dup(2);
        dup2(messages.handle(), 2);
        const int status = migrateCommand({source, target.serverString()});
        std::fflush(stderr);
        dup2(savedStderr, 2);
        close(savedStderr);
        migrateBeforeCountCheck = nullptr;
        messages.seek(0);
        const QString said = QString::fromUtf8(messages.readAll());
        QCOMPARE(status, 1);
        QFETCH(QString, says);
        QVERIFY2(said.contains(says) && said.endsWith("Nothing was changed on the server.\n") && !said.contains("WARNING"), qPrintable(said));
        QVERIFY(Catalog(target).tables().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMigrate)
#include "tst_migrate.moc"
