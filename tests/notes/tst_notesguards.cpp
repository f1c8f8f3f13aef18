// The notes window and its dialogs as a keyboard or screen-reader user
// meets them: the record editor's calendar and tab order, memos that begin
// or end with a line break, header labels read aloud, cancel writing
// nothing, and the notes of a second website.
#include "NotesFixture.h"

#include <QAccessible>

using namespace Qt::StringLiterals;

class TestNotesGuards : public QObject, private NotesFixture {
    Q_OBJECT

    static RecordEditor *editorFor(NotesWindow *w, const char *command)
    {
        button(w, command)->click();
        RecordEditor *editor = Forms::loaded<RecordEditor>();
        editor->activateWindow();
        return QTest::qWaitForWindowActive(editor) ? editor : nullptr;
    }
    static QWidget *calendar(QWidget *editor) { return editor->findChild<QWidget *>(u"MonthView1"_s); }
    QString stored(const QString &column) const { return text(u"SELECT [%1] FROM biji1"_s.arg(column)); }

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

    // The calendar follows the website dialog's rule, and a click that opens
    // it never changes the date the box holds.
    void calendarFoldsAwayAndKeepsTheDate_data()
    {
        QTest::addColumn<QString>("then");
        QTest::addColumn<bool>("shown");
        QTest::newRow("focus moves to an item") << "item" << false;
        QTest::newRow("Esc") << "esc" << false;
        QTest::newRow("stays while the user reads it") << "" << true;
    }
    void calendarFoldsAwayAndKeepsTheDate()
    {
        QFETCH(QString, then);
        QFETCH(bool, shown);
        addRows({"2011-10-02"});
        RecordEditor *editor = editorFor(openNotes(), "Cmd_Modi");
        QVERIFY(editor);
        QLineEdit *date = edit(editor, u"Webworld_1"_s);
        QTest::mouseClick(date, Qt::LeftButton);
        QVERIFY(calendar(editor)->isVisible());
        if (then == u"item"_s)
            edit(editor, u"Webworld_3"_s)->setFocus();
        else if (then == u"esc"_s)
            QTest::keyClick(date, Qt::Key_Escape);
        QCOMPARE(calendar(editor)->isVisible(), shown);
        QVERIFY(editor->isVisible());
        button(editor, "Cmd_OK")->click();
        QCOMPARE(stored(u"时间"_s), u"2011-10-02"_s);
    }

    void tabFollowsTheItemIndex()
    {
        RecordEditor *editor = editorFor(openNotes(), "Cmd_Add");
        QVERIFY(editor);
        edit(editor, u"Webworld_1"_s)->setFocus();
        QStringList order{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 8; ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            order << QApplication::focusWidget()->objectName();
        }
        QCOMPARE(order, QStringList({"Webworld_1", "Webworld_2", "Webworld_3", "Webworld_4", "Webworld_5", "Webworld_6",
                                     "Webworld_7", "Cmd_OK", "Cmd_Cancel"}));
    }

    // Only blanks are trimmed: a memo that begins or ends with a line break
    // keeps it through either editor.
    void memoKeepsItsLineBreaks_data()
    {
        QTest::addColumn<QString>("through");
        QTest::newRow("record editor") << "Cmd_Modi";
        QTest::newRow("memo editor") << "Cmd_memos";
    }
    void memoKeepsItsLineBreaks()
    {
        QFETCH(QString, through);
        addRows({"2011-10-02"});
        const QString memo = u"\n\t第一行\n第二行\n"_s;
        m_db->exec(u"UPDATE biji1 SET [备注] = '  %1 '"_s.arg(memo));
        NotesWindow *w = openNotes();
        button(w, through)->click();
        QDialog *dialog = through == u"Cmd_Modi"_s ? static_cast<QDialog *>(Forms::loaded<RecordEditor>())
                                                  : static_cast<QDialog *>(Forms::loaded<MemoEditor>());
        QCOMPARE(dialog->findChild<QPlainTextEdit *>(u"Webworld_2"_s)->toPlainText(), memo);
        button(dialog, "Cmd_OK")->click();
        QCOMPARE(stored(u"备注"_s), memo);
    }

    // Cancel in every notes dialog leaves the table as it was.
    void cancelWritesNothing_data()
    {
        QTest::addColumn<QString>("command");
        QTest::newRow("record editor, add") << "Cmd_Add";
        QTest::newRow("record editor, modify") << "Cmd_Modi";
        QTest::newRow("memo editor") << "Cmd_memos";
        QTest::newRow("field manager") << "Basecset";
    }
    void cancelWritesNothing()
    {
        QFETCH(QString, command);
        if (TestDb::onServer())
            QSKIP("the before-and-after picture reads SQLite's own schema text");
        addRows({"2011-10-02"});
        const QString before = text(u"SELECT group_concat(sql) FROM sqlite_master"_s) + text(u"SELECT quote([时间]) || quote([备注]) || PR FROM biji1"_s);
        NotesWindow *w = openNotes();
        button(w, command)->click();
        QWidget *dialog = QApplication::activeModalWidget();
        for (QWidget *top : QApplication::topLevelWidgets())
            if (top != w && top->isVisible() && qobject_cast<QDialog *>(top))
                dialog = top;
        QVERIFY(dialog);
        for (QLineEdit *box : dialog->findChildren<QLineEdit *>())
            if (!box->isReadOnly())
                box->setText(u"9"_s);
        if (auto *memo = dialog->findChild<QPlainTextEdit *>())
            memo->setPlainText(u"changed"_s);
        button(dialog, "Cmd_Cancel")->click();
        QVERIFY(!dialog->isVisible());
        QCOMPARE(text(u"SELECT group_concat(sql) FROM sqlite_master"_s) + text(u"SELECT quote([时间]) || quote([备注]) || PR FROM biji1"_s), before);
        QCOMPARE(count("SELECT count(*) FROM biji1"), 1);
    }

    // The header is read aloud as it shows, and a second website's notes
    // replace the first one's in the same window.
    void secondWebsiteShowsItsOwnHeaderAndRows()
    {
        addRows({"2011-10-02"});
        QString second = u"biji2"_s;
        createNotesTable(second);
        m_db->exec(u"INSERT INTO biji2([时间],[备注]) VALUES('2012-05-06','b'), ('2012-05-07','c')"_s);
        MessageBox::clearShown();
        QString first = u"biji1"_s;
        openWebsiteNotes(first, WebsiteRow{1, u"百度优化"_s, u"http://a.cn"_s, QDate(2011, 10, 1)});
        NotesWindow *w = Forms::loaded<NotesWindow>();
        openWebsiteNotes(second, WebsiteRow{2, u"谷歌优化"_s, u"http://b.cn"_s, QDate(2012, 5, 1)});
        QCOMPARE(Forms::loaded<NotesWindow>(), w);
        QCOMPARE(w->notesTable, second);
        QCOMPARE(w->grid()->model()->rowCount(), 2);
        QCOMPARE(w->recordset().value(1).toDate(), QDate(2012, 5, 7));
        for (const char *name : {"Webname", "Weburl", "Webtime"}) {
            auto *label = w->findChild<QLabel *>(QLatin1String(name));
            QAccessibleInterface *read = QAccessible::queryAccessibleInterface(label);
            QCOMPARE(read->text(QAccessible::Name).trimmed(), label->text().trimmed());
        }
        QCOMPARE(w->findChild<QLabel *>(u"Webname"_s)->text(), u"谷歌优化"_s);
        QVERIFY(w->findChild<QLabel *>(u"Webtime"_s)->text().contains(u"2012/5/1"_s));
    }
};

QTEST_MAIN(TestNotesGuards)
#include "tst_notesguards.moc"
