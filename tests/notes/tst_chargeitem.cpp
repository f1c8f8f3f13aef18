#include "core/SqlText.h"
#include "core/Variable.h"
#include "core/db/DbError.h"
#include "notes/ChargeItem.h"
#include "notes/NotesTable.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <memory>

class TestChargeItem : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDb> m_db;

    int count(const QString &where = QString()) const
    {
        return m_db->scalar(QStringLiteral("SELECT count(*) FROM biji12") + where).toInt();
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDb>();
        QString table = QStringLiteral("biji12");
        CreateNotesTable(table);
        for (int i = 0; i < 5; ++i)
            m_db->exec(QStringLiteral("INSERT INTO biji12([时间],[备注]) VALUES('2011-10-0%1','row %1')").arg(i + 1));
    }

    void cleanup() { m_db.reset(); }

    void statementTexts_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QString>("expected");
        QTest::newRow("delete") << "delete" << "DELETE FROM  biji12 WHERE AutoId =5";
        QTest::newRow("insert") << "insert"
                                << "INSERT INTO biji12([时间],[备注],[PR]) VALUES(# 2011-10-27 #,'无','3')";
        QTest::newRow("update") << "update" << "UPDATE biji12 SET [备注]='无' WHERE AutoId =5";
    }

    void statementTexts()
    {
        QFETCH(QString, operation);
        QFETCH(QString, expected);
        if (operation == QLatin1String("delete"))
            CurItem().Delete(5, QStringLiteral("biji12"));
        else if (operation == QLatin1String("insert"))
            CurItem().gaojiInsert(QStringLiteral("biji12"), QStringLiteral("[时间],[备注],[PR]"),
                                  QStringLiteral("# 2011-10-27 #,'无','3'"));
        else
            CurItem().gaojiUpdate(5, QStringLiteral("biji12"), QStringLiteral("[备注]='无'"));
        QCOMPARE(SqlStr, expected);
    }

    void deleteRemovesOnlyThatRow()
    {
        CurItem().Delete(3, QStringLiteral("biji12"));
        QCOMPARE(count(), 4);
        QCOMPARE(count(QStringLiteral(" WHERE AutoId = 3")), 0);
    }

    void deletingAMissingRowChangesNothing()
    {
        CurItem().Delete(99, QStringLiteral("biji12"));
        QCOMPARE(SqlStr, QStringLiteral("DELETE FROM  biji12 WHERE AutoId =99"));
        QCOMPARE(count(), 5);
    }

    void insertStoresDateAndTexts()
    {
        CurItem().gaojiInsert(QStringLiteral("biji12"), QStringLiteral("[时间],[备注],[PR]"),
                              QStringLiteral("# 2011-10-27 #,'无','3'"));
        QCOMPARE(count(), 6);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [时间] FROM biji12 WHERE AutoId = 6")).toDate(), QDate(2011, 10, 27));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT PR FROM biji12 WHERE AutoId = 6")).toString(), QStringLiteral("3"));
    }

    void updateChangesOnlyThatRow()
    {
        CurItem().gaojiUpdate(2, QStringLiteral("biji12"), QStringLiteral("[备注]='改过'"));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [备注] FROM biji12 WHERE AutoId = 2")).toString(), QStringLiteral("改过"));
        QCOMPARE(count(QStringLiteral(" WHERE [备注] = '改过'")), 1);
    }

    void quotedValuesAreStoredAsTyped_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::newRow("apostrophe") << "O'Reilly's site";
        QTest::newRow("only quotes") << "''";
        QTest::newRow("sql-like") << "x'); DROP TABLE biji12; --";
        QTest::newRow("hash signs") << "# 2011-1-1 #";
    }

    void quotedValuesAreStoredAsTyped()
    {
        QFETCH(QString, memo);
        const QString literal = QLatin1Char('\'') + sqlText(memo) + QLatin1Char('\'');
        CurItem().gaojiUpdate(1, QStringLiteral("biji12"), QStringLiteral("[备注]=") + literal);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [备注] FROM biji12 WHERE AutoId = 1")).toString(), memo);
        CurItem().gaojiInsert(QStringLiteral("biji12"), QStringLiteral("[时间],[备注]"),
                              QStringLiteral("# 2011-10-27 #,") + literal);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [备注] FROM biji12 WHERE AutoId = 6")).toString(), memo);
        QCOMPARE(count(), 6);
    }

    void rejectedStatementThrowsAndWritesNothing()
    {
        QVERIFY_THROWS_EXCEPTION(db::DbError, CurItem().gaojiInsert(QStringLiteral("biji12"), QStringLiteral("[无此列]"),
                                                                    QStringLiteral("'x'")));
        // PR holds at most 10 characters.
        QVERIFY_THROWS_EXCEPTION(db::DbError, CurItem().gaojiUpdate(1, QStringLiteral("biji12"),
                                                                    QStringLiteral("[PR]='12345678901'")));
        QCOMPARE(count(), 5);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT PR FROM biji12 WHERE AutoId = 1")).toString(), QStringLiteral("0"));
    }

    void existenceTest()
    {
        QVERIFY(CurItem().In_DB(4, QStringLiteral("biji12")));
        CurItem().Delete(4, QStringLiteral("biji12"));
        QVERIFY(!CurItem().In_DB(4, QStringLiteral("biji12")));
    }
};

QTEST_MAIN(TestChargeItem)
#include "tst_chargeitem.moc"
