// The notes window: rows newest first, navigation, delete keeping the
// position and the memo editor.
#include "NotesFixture.h"

class TestNotesWindow : public QObject, private NotesFixture {
    Q_OBJECT

    // The grid's current row counted from 1, 0 for none; the recordset must agree.
    static int current(NotesWindow *w)
    {
        const QModelIndex current = w->grid()->selectionModel()->currentIndex();
        const int row = current.isValid() ? current.row() + 1 : 0;
        return row == w->recordset().absolutePosition() ? row : -1;
    }

    // The days of the month of dates given as yyyy-mm-dd, joined by "-".
    static QString days(const QString &dates)
    {
        QStringList d;
        for (const QString &date : dates.split(QLatin1Char(','), Qt::SkipEmptyParts))
            d << date.mid(8, 2);
        return d.join(QLatin1Char('-'));
    }

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

    void rowsComeNewestFirst()
    {
        addRows({"2011-10-01", "2011-10-03", "2011-10-02"});
        NotesWindow *w = openNotes();
        QStringList dates;
        for (int r = 0; r < w->grid()->model()->rowCount(); ++r)
            dates << w->grid()->model()->index(r, 1).data().toString();
        QCOMPARE(dates, QStringList({"2011/10/3", "2011/10/2", "2011/10/1"}));
    }

    void emptyTableRefusesCommands()
    {
        NotesWindow *w = openNotes();
        button(w, "Cmd_Modi")->click();
        button(w, "Cmd_memos")->click();
        button(w, "Fii3")->click();
        QCOMPARE(MessageBox::shown(), QStringList({"请选择记录", "请选择记录", "没有记录了"}));
        QVERIFY(!Forms::loaded<RecordEditor>() && !Forms::loaded<MemoEditor>());
    }

    void navigation_data()
    {
        QTest::addColumn<QString>("presses"); // digits: navigationButtons buttons in order
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("enabled"); // the four record buttons, first to last
        QTest::addColumn<int>("rows");
        QTest::newRow("previous on first row") << "2" << 1 << "0011" << 3;
        QTest::newRow("next past last row") << "333" << 3 << "1100" << 3;
        QTest::newRow("last on a one-row table") << "4" << 1 << "1100" << 1;
        QTest::newRow("then first on a one-row table") << "41" << 1 << "0011" << 1;
    }

    void navigation()
    {
        QFETCH(QString, presses);
        QFETCH(int, rows);
        addRows(QStringList({"2011-10-01", "2011-10-02", "2011-10-03"}).mid(0, rows));
        NotesWindow *w = openNotes();
        for (const QChar c : presses)
            button(w, QStringLiteral("Fii") + c)->click();
        QTEST(current(w), "position");
        QString enabled;
        for (const QChar c : QStringLiteral("1234"))
            enabled += button(w, QStringLiteral("Fii") + c)->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        QTEST(enabled, "enabled");
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void deleteKeepsPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("left"); // dates left, newest first
        QTest::addColumn<int>("after");    // 0: none current
        QTest::newRow("second of three") << 2 << "03-01" << 2;
        QTest::newRow("last of three") << 3 << "03-02" << 0;
    }

    void deleteKeepsPosition()
    {
        QFETCH(int, position);
        addRows({"2011-10-01", "2011-10-03", "2011-10-02"});
        NotesWindow *w = openNotes();
        w->grid()->selectRow(position - 1);
        MessageBox::setNextAnswer(MessageBox::Yes);
        button(w, "Cmd_Del")->click();
        QCOMPARE(MessageBox::shown(), QStringList({"是否删除当前行?", "删除成功"}));
        QCOMPARE(MessageBox::shownDetails()[0].buttons, int(MessageBox::YesNo));
        QTEST(days(m_db->joined("SELECT [时间] FROM biji1 ORDER BY [时间] DESC")), "left");
        QTEST(current(w), "after");
    }

    // A second "添 加" while the record editor is open asks before it throws
    // away what was typed there.
    void reopeningTheEditorAsksFirst()
    {
        addRows({"2011-10-01"});
        NotesWindow *w = openNotes();
        button(w, "Cmd_Add")->click();
        RecordEditor *editor = Forms::loaded<RecordEditor>();
        editor->setInputText(2, QStringLiteral("typed"));
        MessageBox::clearShown();
        button(w, "Cmd_Modi")->click(); // answered with the default, No
        QCOMPARE(MessageBox::shownDetails().size(), 1);
        QCOMPARE(MessageBox::shownDetails()[0].buttons, int(MessageBox::YesNo));
        QCOMPARE(editor->inputText(2), QStringLiteral("typed"));
        QVERIFY(!editor->modifying);
        MessageBox::setNextAnswer(MessageBox::Yes);
        button(w, "Cmd_Modi")->click();
        QVERIFY(editor->modifying);
        QCOMPARE(editor->inputText(2), QStringLiteral("memo 2011-10-01"));
    }

    void memoEditorChangesOnlyTheMemo()
    {
        const QString memo = QStringLiteral("it's \"fine\" ''");
        addRows({"2011-10-01", "2011-10-02", "2011-10-03"});
        NotesWindow *w = openNotes();
        w->grid()->selectRow(1);
        button(w, "Cmd_memos")->click();
        MemoEditor *memos = Forms::loaded<MemoEditor>();
        QVERIFY(memos && memos->isModal());
        auto *memoBox = memos->findChild<QPlainTextEdit *>(QStringLiteral("Webworld_2"));
        QCOMPARE(memoBox->toPlainText(), QStringLiteral("memo 2011-10-02"));
        memoBox->setPlainText(memo);
        edit(memos, "Webworld_1")->setText(QStringLiteral("2000-1-1")); // the date is not the memo editor's
        button(memos, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("更新成功")});
        flushDeletes();
        QCOMPARE(m_db->joined("SELECT [时间] || ' ' || [备注] FROM biji1 ORDER BY AutoId", "|"),
                 "2011-10-01 memo 2011-10-01|2011-10-02 " + memo + "|2011-10-03 memo 2011-10-03");
        // The grid is queried anew and the same row is current again.
        QCOMPARE(current(w), 2);
        QCOMPARE(w->recordset().value(2).toString(), memo);
    }

    void memoOfADeletedRowIsNotReportedAsSaved()
    {
        addRows({"2011-10-01"});
        button(openNotes(), "Cmd_memos")->click();
        MemoEditor *memos = Forms::loaded<MemoEditor>();
        m_db->exec(QStringLiteral("DELETE FROM biji1"));
        button(memos, "Cmd_OK")->click();
        QVERIFY(MessageBox::shown().size() == 1 && MessageBox::shown()[0].contains(QStringLiteral("不存在")));
        QVERIFY(memos->isVisible());
    }
};

QTEST_MAIN(TestNotesWindow)
#include "tst_noteswindow.moc"
