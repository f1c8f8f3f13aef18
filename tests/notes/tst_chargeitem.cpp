// The notes row store: the statements it runs, what they change, quotes.
#include "NotesFixture.h"

#include "core/SqlText.h"
#include "core/db/DbError.h"
#include "notes/ChargeItem.h"

class TestChargeItem : public QObject, private NotesFixture {
    Q_OBJECT

    QString ids() const { return text(QStringLiteral("SELECT group_concat(AutoId) FROM biji1")); }

private slots:
    void init()
    {
        start();
        addRows({"2011-10-01", "2011-10-02", "2011-10-03", "2011-10-04", "2011-10-05"});
    }
    void cleanup() { stop(); }

    void statements_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("ids");  // rows afterwards
        QTest::addColumn<QString>("memo"); // memo of row 5, or of the new row 6
        QTest::newRow("delete") << "delete" << "DELETE FROM  biji12 WHERE AutoId =5" << "1,2,3,4" << "";
        QTest::newRow("delete a missing row") << "delete 99" << "DELETE FROM  biji12 WHERE AutoId =99" << "1,2,3,4,5"
                                              << "memo 2011-10-05";
        QTest::newRow("insert") << "insert" << "INSERT INTO biji12([时间],[备注],[PR]) VALUES(# 2011-10-27 #,'无','3')"
                                << "1,2,3,4,5,6" << "无";
        QTest::newRow("update") << "update" << "UPDATE biji12 SET [备注]='无' WHERE AutoId =5" << "1,2,3,4,5" << "无";
    }

    void statements()
    {
        QFETCH(QString, operation);
        m_db->exec(QStringLiteral("ALTER TABLE biji1 RENAME TO biji12"));
        if (operation.startsWith(QLatin1String("delete")))
            CurItem().Delete(operation == QLatin1String("delete") ? 5 : 99, QStringLiteral("biji12"));
        else if (operation == QLatin1String("insert"))
            CurItem().gaojiInsert("biji12", "[时间],[备注],[PR]", "# 2011-10-27 #,'无','3'");
        else
            CurItem().gaojiUpdate(5, "biji12", "[备注]='无'");
        QTEST(SqlStr, "sql");
        QTEST(text("SELECT group_concat(AutoId) FROM biji12"), "ids");
        QTEST(text("SELECT [备注] FROM biji12 WHERE AutoId = (SELECT max(AutoId) FROM biji12) AND AutoId >= 5"), "memo");
        if (operation == QLatin1String("insert"))
            QCOMPARE(text("SELECT [时间]||PR FROM biji12 WHERE AutoId = 6"), QStringLiteral("2011-10-273"));
        QCOMPARE(CurItem().In_DB(5, "biji12"), operation != QLatin1String("delete"));
    }

    void quotedValuesAreStoredAsTyped_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::newRow("apostrophe") << "O'Reilly's site";
        QTest::newRow("only quotes") << "''";
        QTest::newRow("sql-like") << "x'); DROP TABLE biji1; --";
        QTest::newRow("hash signs") << "# 2011-1-1 #";
    }

    void quotedValuesAreStoredAsTyped()
    {
        QFETCH(QString, memo);
        const QString literal = QLatin1Char('\'') + sqlText(memo) + QLatin1Char('\'');
        CurItem().gaojiUpdate(1, "biji1", "[备注]=" + literal);
        CurItem().gaojiInsert("biji1", "[时间],[备注]", "# 2011-10-27 #," + literal);
        QCOMPARE(text("SELECT group_concat([备注], '|') FROM biji1 WHERE AutoId IN (1, 6)"), memo + '|' + memo);
        QCOMPARE(ids(), QStringLiteral("1,2,3,4,5,6"));
    }

    void rejectedStatementThrowsAndWritesNothing()
    {
        QVERIFY_THROWS_EXCEPTION(db::DbError, CurItem().gaojiInsert("biji1", "[无此列]", "'x'"));
        // PR holds at most 10 characters.
        QVERIFY_THROWS_EXCEPTION(db::DbError, CurItem().gaojiUpdate(1, "biji1", "[PR]='12345678901'"));
        QCOMPARE(ids(), QStringLiteral("1,2,3,4,5"));
        QCOMPARE(text("SELECT PR FROM biji1 WHERE AutoId = 1"), QStringLiteral("0"));
    }
};

QTEST_MAIN(TestChargeItem)
#include "tst_chargeitem.moc"
