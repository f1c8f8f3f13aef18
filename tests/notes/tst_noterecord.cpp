// The notes row store: what it stores, under any column name.
#include "NotesFixture.h"

#include "core/db/Quote.h"
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

    // Names arrive with files and from other workers: none may change the
    // statement, and values are stored exactly as given.
    void writesUnderAnyColumnName_data()
    {
        QTest::addColumn<QString>("column");
        QTest::newRow("plain") << QStringLiteral("PR");
        QTest::newRow("bracket") << QStringLiteral("备注]) VALUES('2024-01-01','x'); DELETE FROM Users; --");
        QTest::newRow("double quote") << QStringLiteral("x\"); DROP TABLE \"Users\"; --");
        QTest::newRow("semicolon and dashes") << QStringLiteral("a;b--c");
    }
    void writesUnderAnyColumnName()
    {
        QFETCH(QString, column);
        if (column != QLatin1String("PR"))
            m_db->exec("ALTER TABLE biji1 ADD COLUMN " + db::quoteIdentifier(column) + " varchar(200)");
        const QString value = QStringLiteral("x'); DROP TABLE biji1; --");
        currentRecord().insertRecord("biji1", {"时间", "备注", column}, {QDate(2011, 10, 27), value, "3"});
        QCOMPARE(currentRecord().updateRecord(1, "biji1", {column, "备注"}, {"5", QVariant()}), 1);
        QCOMPARE(currentRecord().updateRecord(99, "biji1", {column}, {"7"}), 0);
        const QString q = db::quoteIdentifier(column);
        QCOMPARE(m_db->joined("SELECT AutoId || ':' || " + q + " || ':' || coalesce([备注], 'NULL') FROM biji1 "
                              "WHERE AutoId IN (1, 6) ORDER BY AutoId", "|"),
                 "1:5:NULL|6:3:" + value);
        QCOMPARE(text("SELECT [时间] FROM biji1 WHERE AutoId = 6"), QStringLiteral("2011-10-27"));
        currentRecord().remove(5, "biji1");
        QVERIFY(!currentRecord().exists(5, "biji1") && currentRecord().exists(4, "biji1"));
        QCOMPARE(count("SELECT count(*) FROM biji1"), 5);
        QCOMPARE(count("SELECT count(*) FROM Users"), 1);
    }

    void rejectedStatementThrowsAndWritesNothing()
    {
        // PR holds at most 10 characters.
        QVERIFY_THROWS_EXCEPTION(db::DbError, currentRecord().updateRecord(1, "biji1", {"PR"}, {"12345678901"}));
        QCOMPARE(m_db->joined("SELECT [PR] FROM biji1 ORDER BY AutoId"), QStringLiteral("0,0,0,0,0"));
    }
};

QTEST_MAIN(TestNoteRecord)
#include "tst_noterecord.moc"
