// The record editor: inputs built from the table's current columns, the
// statements it writes, quotes and refusals.
#include "NotesFixture.h"

class TestRecordEditor : public QObject, private NotesFixture {
    Q_OBJECT

    static QLineEdit *box(QWidget *w, int i) { return edit(w, QStringLiteral("Webworld_%1").arg(i)); }
    static RecordEditor *start(NotesWindow *w, const char *command = "Cmd_Add")
    {
        button(w, command)->click();
        return Forms::loaded<RecordEditor>();
    }
    int rows() const { return count(QStringLiteral("SELECT count(*) FROM biji1")); }

private slots:
    void init() { NotesFixture::start(); }
    void cleanup() { stop(); }

    void sixthItemStartsASecondRowAndTheWindowGrows()
    {
        NotesWindow *w = openNotes();
        const int fiveItemsHeight = start(w)->height();
        delete Forms::loaded<RecordEditor>();
        db::Catalog(Database::notebook).appendColumn(QStringLiteral("biji1"), {.name = QStringLiteral("◆关键词2"), .size = 50, .defaultText = {}});
        RecordEditor *editor = start(w);
        QCOMPARE(editor->columnCount, 9);
        QCOMPARE(editor->findChild<QLabel *>(QStringLiteral("Webworldname_8"))->text(), QStringLiteral("◆关键词2"));
        QCOMPARE(box(editor, 8)->x(), box(editor, 3)->x());
        QVERIFY(box(editor, 8)->y() > box(editor, 7)->y());
        QVERIFY(editor->height() > fiveItemsHeight);
    }

    void addWithUntouchedInputsStoresDefaults()
    {
        NotesWindow *w = openNotes();
        RecordEditor *editor = start(w);
        QCOMPARE(editor->windowTitle(), QStringLiteral("添加优化记录"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(m_db->joined("SELECT [时间] || [备注] || [百度收入量] || [谷歌收入量] || [雅虎收入量] || [PR] || [◆关键词1] FROM biji1"),
                 QDate::currentDate().toString(Qt::ISODate) + QStringLiteral("无收入*/反向*收入*/反向*收入*/反向*0百度*/谷歌*"));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功")});
        QCOMPARE(w->grid()->model()->rowCount(), 1); // the notes are shown anew
        QCOMPARE(w->recordset().value(1).toDate(), QDate::currentDate());
    }

    void modifyFillsTheSelectedRowAndWritesEveryColumnByAutoId()
    {
        addRows({"2011-10-01", "2011-10-02", "2011-10-03"});
        m_db->exec(QStringLiteral("UPDATE biji1 SET [百度收入量] = '  收入5/反向2 ', [备注] = NULL WHERE [时间] = '2011-10-02'"));
        const int id = count("SELECT AutoId FROM biji1 WHERE [时间] = '2011-10-02'");
        NotesWindow *w = openNotes();
        w->grid()->selectRow(1);
        RecordEditor *editor = start(w, "Cmd_Modi");
        QCOMPARE(editor->inputText(2), QStringLiteral("无")); // a null memo keeps the default
        box(editor, 6)->setText(QStringLiteral("5"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("修改成功")});
        QCOMPARE(m_db->joined("SELECT [时间] || [备注] || [百度收入量] || [PR] FROM biji1 ORDER BY AutoId"),
                 QStringLiteral("2011-10-01memo 2011-10-01收入*/反向*0,2011-10-02无收入5/反向25,2011-10-03memo 2011-10-03收入*/反向*0"));
        QCOMPARE(w->recordset().value(0).toInt(), id); // still on the changed row
    }

    void tableWithoutItemsInsertsDateAndMemo()
    {
        for (const char *name : {"百度收入量", "谷歌收入量", "雅虎收入量", "PR", "◆关键词1"})
            db::Catalog(Database::notebook).dropColumn(QStringLiteral("biji1"), QString::fromUtf8(name));
        RecordEditor *editor = start(openNotes());
        editor->setInputText(1, QStringLiteral("2011-10-27"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(m_db->joined("SELECT [时间] || [备注] FROM biji1"), QStringLiteral("2011-10-27无"));
    }

    void quotesAreStoredAsTyped()
    {
        NotesWindow *w = openNotes();
        RecordEditor *editor = start(w);
        editor->setInputText(2, QStringLiteral("O'Reilly 说 '好'"));
        editor->setInputText(7, QStringLiteral("''"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(text("SELECT [备注] || '|' || [◆关键词1] FROM biji1"), QStringLiteral("O'Reilly 说 '好'|''"));
    }

    void badInputKeepsDialogOpen_data()
    {
        QTest::addColumn<int>("input");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("messagePart");
        QTest::newRow("empty date") << 1 << "" << "日期";
        QTest::newRow("PR too long") << 6 << "12345678901" << "PR";
    }

    void badInputKeepsDialogOpen()
    {
        QFETCH(int, input);
        QFETCH(QString, typed);
        QFETCH(QString, messagePart);
        RecordEditor *editor = start(openNotes());
        editor->setInputText(input, typed);
        button(editor, "Cmd_OK")->click();
        QVERIFY2(MessageBox::shown().size() == 1 && MessageBox::shown()[0].contains(messagePart), qPrintable(MessageBox::shown().join('|')));
        flushDeletes();
        QVERIFY(Forms::loaded<RecordEditor>() == editor && editor->isVisible());
        QCOMPARE(rows(), 0);
    }

    void changeOfADeletedRowSaysSo()
    {
        addRows({"2011-10-01"});
        RecordEditor *editor = start(openNotes(), "Cmd_Modi");
        m_db->exec(QStringLiteral("DELETE FROM biji1"));
        button(editor, "Cmd_OK")->click();
        QVERIFY(MessageBox::shown().size() == 1 && MessageBox::shown()[0].contains(QStringLiteral("不存在")));
        QVERIFY(editor->isVisible());
        QCOMPARE(rows(), 0);
    }
};

QTEST_MAIN(TestRecordEditor)
#include "tst_recordeditor.moc"
