// A website's notes table: made on request with its default columns, and
// opened in the notes window; its rows stored under any column name.
#include "NotesFixture.h"

#include "core/db/DbError.h"
#include "core/db/Quote.h"
#include "notes/NoteRecord.h"

class TestNotesTable : public QObject, private NotesFixture {
    Q_OBJECT

    WebsiteRow addWebsite(const QString &name, const QString &url)
    {
        m_db->exec(QStringLiteral("INSERT INTO Website(Webname, Weburl, Webtime, Webmemos) VALUES('%1', '%2', '2011-10-01', '')")
                       .arg(name, url));
        return WebsiteRow{count(QStringLiteral("SELECT max(Webid) FROM Website")), name, url, QDate(2011, 10, 1)};
    }
    bool tableExists(const QString &name) const { return m_db->hasTable(name); }

private slots:
    void init() { start(false); }
    void cleanup() { stop(); }

    void missingTableIsOfferedOnceAndCreated()
    {
        const WebsiteRow site = addWebsite("  例子网 ", "www.example.com");
        QString name = QStringLiteral("biji%1").arg(site.Webid);
        MessageBox::setNextAnswer(MessageBox::Ok);
        openWebsiteNotes(name, site);
        QCOMPARE(MessageBox::shown(), QStringList({"表名不存在，是否要创建？", "创建完毕!"}));
        QCOMPARE(MessageBox::shownDetails()[0].buttons, int(MessageBox::OkCancel));
        QVERIFY(tableExists(name));
        QVERIFY(!Forms::loaded<NotesWindow>()); // the user opens the notes again to see the new table
        MessageBox::clearShown();
        openWebsiteNotes(name, site);
        QVERIFY(MessageBox::shown().isEmpty());
        NotesWindow *notes = Forms::loaded<NotesWindow>();
        QVERIFY(notes && notes->isVisible());
        QCOMPARE(notes->notesTable + QString::number(notes->websiteId), name + QString::number(site.Webid));
        QCOMPARE(notes->findChild<QLabel *>(QStringLiteral("Webname"))->text(), QStringLiteral("例子网"));
    }

    void defaultColumnsAndRows()
    {
        QString table = QStringLiteral("biji3");
        createNotesTable(table);
        // name, type, size of text, nullable, auto-increment, default
        QStringList described;
        for (const db::ColumnDef &c : db::Catalog(Database::notebook).columns(table))
            described << QStringLiteral("%1 %2 %3 %4%5 %6").arg(c.name).arg(int(c.type))
                             .arg(c.type == db::ColumnType::Text ? c.size : 0).arg(c.nullable).arg(c.autoIncrement)
                             .arg(c.defaultText.value_or(QStringLiteral("-")));
        const auto t = [](db::ColumnType type) { return QString::number(int(type)); };
        const QString tx = t(db::ColumnType::Text);
        QCOMPARE(described, QStringList({"AutoId " + t(db::ColumnType::LongInteger) + " 0 01 -",
                                         "时间 " + t(db::ColumnType::DateTime) + " 0 00 " + DateText::toPlainText(QDate::currentDate()),
                                         "备注 " + t(db::ColumnType::Memo) + " 0 10 -", "百度收入量 " + tx + " 50 00 收入*/反向*",
                                         "谷歌收入量 " + tx + " 50 00 收入*/反向*", "雅虎收入量 " + tx + " 50 00 收入*/反向*",
                                         "PR " + tx + " 10 00 0", "◆关键词1 " + tx + " 50 00 百度*/谷歌*"}));
        m_db->exec(QStringLiteral("INSERT INTO biji3([备注]) VALUES('x')"));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [时间] FROM biji3")).toDate(), QDate::currentDate());
        QCOMPARE(text("SELECT AutoId || [PR] FROM biji3"), QStringLiteral("10"));
    }

    void declinedCreationLeavesNoTable()
    {
        QString existing = QStringLiteral("biji70"), opened = QStringLiteral("biji7"); // existence is an exact match
        createNotesTable(existing);
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Cancel);
        openWebsiteNotes(opened, addWebsite("a", "b"));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("表名不存在，是否要创建？")});
        QVERIFY(!tableExists("biji7"));
        QVERIFY(!Forms::loaded<NotesWindow>());
    }

    void creatingAnExistingTableFailsWithoutSuccessMessage()
    {
        QString table = QStringLiteral("biji5");
        createNotesTable(table);
        m_db->exec(QStringLiteral("INSERT INTO biji5([备注]) VALUES('kept')"));
        MessageBox::clearShown();
        QVERIFY_THROWS_EXCEPTION(db::DbError, createNotesTable(table));
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(text("SELECT [备注] FROM biji5"), QStringLiteral("kept"));
    }

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
        QString table = QStringLiteral("biji1");
        createNotesTable(table);
        addRows({"2011-10-01", "2011-10-02", "2011-10-03", "2011-10-04", "2011-10-05"});
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
        // A statement the engine rejects (PR holds at most 10 characters) throws and writes nothing.
        QVERIFY_THROWS_EXCEPTION(db::DbError, currentRecord().updateRecord(1, "biji1", {"PR"}, {"12345678901"}));
        QCOMPARE(m_db->joined("SELECT [PR] FROM biji1 ORDER BY AutoId"), QString(column == "PR" ? "5,0,0,0,3" : "0,0,0,0,0"));
    }
};

QTEST_MAIN(TestNotesTable)
#include "tst_notestable.moc"
