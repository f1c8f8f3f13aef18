// The field manager: the observed items of a notes table, and adding,
// renaming and deleting them.
#include "NotesFixture.h"

class TestFieldManager : public QObject, private NotesFixture {
    Q_OBJECT

    const QStringList m_defaultNames{"AutoId", "时间", "备注", "百度收入量", "谷歌收入量", "雅虎收入量", "PR", "◆关键词1"};
    const QString m_refused = QStringLiteral("使用了不规范的字符或和其它字段名称重复。");

    static FieldManager *openFields()
    {
        button(openNotes(), "Basecset")->click();
        return Forms::loaded<FieldManager>();
    }
    static void typeNewItem(FieldManager *f, const QString &name, const QString &defaultText, const QString &size)
    {
        edit(f, "Ziduanz1")->setText(name);
        edit(f, "Ziduanz2")->setText(defaultText);
        edit(f, "Ziduanz3")->setText(size);
        button(f, "Cmd_OK")->click();
    }

private slots:
    void init()
    {
        start();
        m_db->exec(QStringLiteral("INSERT INTO biji1([时间], [PR], [雅虎收入量]) VALUES('2011-10-01', '3', '雅虎1')"));
    }
    void cleanup() { stop(); }

    void addedItemReachesTheListTheGridAndTheRecordEditor()
    {
        FieldManager *f = openFields();
        f->move(f->pos() + QPoint(37, 23)); // where the user put it: an addition leaves it there
        const QPoint placed = f->pos();
        typeNewItem(f, QStringLiteral("◆关键词2"), QStringLiteral("百度*/谷歌*"), QStringLiteral("50"));
        QCOMPARE(f->pos(), placed);
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功！")});
        const auto col = db::Catalog(Database::connectionString).column(QStringLiteral("biji1"), 8);
        QCOMPARE(col.name + col.defaultText.value_or(QString()) + QString::number(col.size), QStringLiteral("◆关键词2百度*/谷歌*50"));
        flushDeletes();
        QCOMPARE(edit(f, "Webworld_8")->text(), QStringLiteral("◆关键词2"));
        // The row written before the column existed stays empty in it.
        NotesWindow *notes = Forms::loaded<NotesWindow>();
        QCOMPARE(notes->grid()->model()->columnCount(), 9);
        QCOMPARE(notes->grid()->model()->index(0, 8).data().toString(), QString());
        button(notes, "Cmd_Modi")->click();
        QCOMPARE(Forms::loaded<RecordEditor>()->inputText(8), QStringLiteral("百度*/谷歌*"));
    }

    void newItem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("defaultText");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("message"); // empty: the refusal of bad names
        QTest::newRow("quotes kept as typed") << "It's" << "'a' \"b\"" << "20" << "添加成功！";
        QTest::newRow("another item, other case") << "pr" << "x" << "50" << "";
        QTest::newRow("fixed column") << "时间" << "x" << "50" << "";
        for (const char *bad : {"a[b", "a]b", "关键词,2", "a.b", "a!b", "a`b", " 关键词2"})
            QTest::newRow(bad) << QString::fromUtf8(bad) << "x" << "50" << "";
        for (const char *size : {"0", "256", "五十", ""})
            QTest::newRow(qPrintable(QStringLiteral("size '%1'").arg(QString::fromUtf8(size)))) << "关键词2" << "" << size << "";
        QTest::newRow("default longer than size") << "短" << "123456" << "5"
                                                  << "默认值比字段长度（5）还长，请缩短默认值或加大字段长度。";
        QTest::newRow("pasted NUL in the default") << "关键词2" << QStringLiteral("a") + QChar(0) << "50"
            << "“默认值”中含有空字符（U+0000），这个字符通常是粘贴时带进来的，不能保存，也不能用来查找。请删去这个字符后再试。";
    }

    void newItem()
    {
        QFETCH(QString, name);
        QFETCH(QString, defaultText);
        QFETCH(QString, size);
        QFETCH(QString, message);
        typeNewItem(openFields(), name, defaultText, size);
        QCOMPARE(MessageBox::shown(), QStringList{message.isEmpty() ? m_refused : message});
        const bool added = message == QStringLiteral("添加成功！");
        QCOMPARE(columnNames(), added ? m_defaultNames + QStringList{name} : m_defaultNames);
        if (added)
            QCOMPARE(db::Catalog(Database::connectionString).column(QStringLiteral("biji1"), 8).defaultText.value_or(QString()), defaultText);
    }

    void rename_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("new name keeps the data") << "PR值" << "修改成功！";
        QTest::newRow("own name in other case") << "pr" << "修改成功！";
        QTest::newRow("another item") << "百度收入量" << m_refused;
        QTest::newRow("nothing changed") << "PR" << "项目名称没有改变，无需修改。";
    }

    void rename()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        FieldManager *f = openFields();
        edit(f, "Webworld_6")->setText(name);
        button(f, "Webworldmod_6")->click();
        QCOMPARE(MessageBox::shown(), QStringList{message});
        QStringList expected = m_defaultNames;
        if (message == "修改成功！")
            expected[6] = name;
        QCOMPARE(columnNames(), expected);
        QCOMPARE(text(QStringLiteral("SELECT [%1] FROM biji1").arg(expected[6])), QStringLiteral("3"));
    }

    void deletingAsksFirstAndDropsExactlyThatItem()
    {
        MessageBox::setNextAnswer(MessageBox::Yes);
        button(openFields(), "Webworlddel_5")->click();
        QCOMPARE(MessageBox::shown(), QStringList({"是否删除该项目？该项目的所有记录将一并删除。", "删除成功！"}));
        QCOMPARE(MessageBox::shownDetails()[0].buttons, int(MessageBox::YesNo));
        QStringList expected = m_defaultNames;
        expected.removeAt(5); // exactly 雅虎收入量, nothing else
        QCOMPARE(columnNames(), expected);
        QCOMPARE(text("SELECT [PR] FROM biji1"), QStringLiteral("3"));
        flushDeletes();
        QCOMPARE(Forms::loaded<NotesWindow>()->grid()->model()->columnCount(), expected.size());
    }

    // An open record editor follows renames and deletes at once and keeps what
    // was typed; Enter in an item's box renames it instead of adding a column.
    void openRecordEditorFollowsTheColumns()
    {
        FieldManager *f = openFields();
        button(Forms::loaded<NotesWindow>(), "Cmd_Add")->click();
        RecordEditor *editor = Forms::loaded<RecordEditor>();
        QVERIFY(editor);
        editor->setInputText(2, QStringLiteral("今天的备注"));
        editor->setInputText(6, QStringLiteral("5"));               // PR
        editor->setInputText(7, QStringLiteral("百度3/谷歌4"));     // ◆关键词1

        edit(f, "Webworld_7")->setText(QStringLiteral("◆关键词A"));
        QTest::keyClick(edit(f, "Webworld_7"), Qt::Key_Return);
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("修改成功！")});
        QCOMPARE(columnNames(), m_defaultNames.mid(0, 7) + QStringList{"◆关键词A"});
        MessageBox::setNextAnswer(MessageBox::Yes);
        button(f, "Webworlddel_3")->click();
        flushDeletes();

        QCOMPARE(editor->columnCount, 7);
        QCOMPARE(editor->columnName(6), QStringLiteral("◆关键词A"));
        QCOMPARE(editor->inputText(6), QStringLiteral("百度3/谷歌4"));
        QCOMPARE(editor->inputText(5), QStringLiteral("5"));
        QCOMPARE(editor->inputText(2), QStringLiteral("今天的备注"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(text("SELECT [◆关键词A] || '|' || [PR] || '|' || [备注] FROM biji1 WHERE AutoId = 2"),
                 QStringLiteral("百度3/谷歌4|5|今天的备注"));
    }
};

QTEST_MAIN(TestFieldManager)
#include "tst_fieldmanager.moc"
