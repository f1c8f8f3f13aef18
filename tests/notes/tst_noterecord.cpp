// The notes row store: the statements it runs, what they change, quotes.
#include "NotesFixture.h"

#include "core/SqlText.h"
#include "core/db/DbError.h"
#include "notes/NoteRecord.h"

class TestNoteRecord : public QObject, private NotesFixture {
    Q_OBJECT

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
        QTest::addColumn<QString>("rows"); // id:memo from row 4 on, afterwards
        QTest::newRow("delete") << "delete" << "DELETE FROM  biji12 WHERE AutoId =5" << "4:memo 2011-10-04";
        QTest::newRow("insert") << "insert" << "INSERT INTO biji12([时间],[备注],[PR]) VALUES(# 2011-10-27 #,'无','3')"
                                << "4:memo 2011-10-04,5:memo 2011-10-05,6:无";
        QTest::newRow("update") << "update" << "UPDATE biji12 SET [备注]='无' WHERE AutoId =5" << "4:memo 2011-10-04,5:无";
    }

    void statements()
    {
        QFETCH(QString, operation);
        m_db->exec(QStringLiteral("ALTER TABLE biji1 RENAME TO biji12"));
        if (operation == QLatin1String("delete"))
            CurRecord().remove(5, QStringLiteral("biji12"));
        else if (operation == QLatin1String("insert"))
            CurRecord().insertRecord("biji12", "[时间],[备注],[PR]", "# 2011-10-27 #,'无','3'");
        else
            CurRecord().updateRecord(5, "biji12", "[备注]='无'");
        QTEST(lastStatement, "sql");
        QTEST(m_db->joined("SELECT AutoId || ':' || [备注] FROM biji12 WHERE AutoId >= 4 ORDER BY AutoId"), "rows");
        if (operation == QLatin1String("insert"))
            QCOMPARE(text("SELECT [时间]||[PR] FROM biji12 WHERE AutoId = 6"), QStringLiteral("2011-10-273"));
        QCOMPARE(CurRecord().exists(5, "biji12"), operation != QLatin1String("delete"));
    }

    void quotedValueIsStoredAsTyped()
    {
        const QString memo = QStringLiteral("x'); DROP TABLE biji1; --");
        const QString literal = QLatin1Char('\'') + sqlText(memo) + QLatin1Char('\'');
        CurRecord().updateRecord(1, "biji1", "[备注]=" + literal);
        CurRecord().insertRecord("biji1", "[时间],[备注]", "# 2011-10-27 #," + literal);
        QCOMPARE(m_db->joined("SELECT [备注] FROM biji1 WHERE AutoId IN (1, 6) ORDER BY AutoId", "|"), memo + '|' + memo);
        QCOMPARE(count("SELECT count(*) FROM biji1"), 6);
    }

    void rejectedStatementThrowsAndWritesNothing()
    {
        // PR holds at most 10 characters.
        QVERIFY_THROWS_EXCEPTION(db::DbError, CurRecord().updateRecord(1, "biji1", "[PR]='12345678901'"));
        QCOMPARE(m_db->joined("SELECT [PR] FROM biji1 ORDER BY AutoId"), QStringLiteral("0,0,0,0,0"));
    }
};

QTEST_MAIN(TestNoteRecord)
#include "tst_noterecord.moc"
