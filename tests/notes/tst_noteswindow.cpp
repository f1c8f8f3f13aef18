// The notes window and its dialogs: rows newest first, navigation, delete
// keeping the position, the memo editor; the record editor's inputs built
// from the table's current columns, the statements it writes, quotes and
// refusals; and as a keyboard or screen-reader user meets them: the
// calendar and tab order, memos that begin or end with a line break, header
// labels read aloud, cancel writing nothing, a second website's notes;
// 走势图 following the grid through row and column changes, and 导出; the
// field manager: the observed items of a notes table, and adding, renaming
// and deleting them.
#include "NotesFixture.h"

#include "charts/ChartWindow.h"
#include "charts/TrendChart.h"
#include "core/FileDialog.h"

#include <QAccessible>
#include <QSettings>
#include <QTemporaryDir>

using namespace Qt::StringLiterals;

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
    static QLineEdit *box(QWidget *w, int i) { return edit(w, QStringLiteral("Webworld_%1").arg(i)); }
    static RecordEditor *editorFor(NotesWindow *w, const char *command = "Cmd_Add")
    {
        button(w, command)->click();
        RecordEditor *editor = Forms::loaded<RecordEditor>();
        editor->activateWindow();
        return QTest::qWaitForWindowActive(editor) ? editor : nullptr;
    }
    static QWidget *calendar(QWidget *editor) { return editor->findChild<QWidget *>(u"MonthView1"_s); }
    QString stored(const QString &column) const { return text(u"SELECT [%1] FROM biji1"_s.arg(column)); }
    int rows() const { return count(QStringLiteral("SELECT count(*) FROM biji1")); }

    const QStringList m_defaultNames{"AutoId", "时间", "备注", "百度收入量", "谷歌收入量", "雅虎收入量", "PR", "◆关键词1"};
    const QString m_refused = QStringLiteral("使用了不规范的字符或和其它字段名称重复。");

    // Over a notes row written before any change to the items.
    FieldManager *openFields()
    {
        m_db->exec(QStringLiteral("INSERT INTO biji1([时间], [PR], [雅虎收入量]) VALUES('2011-10-01', '3', '雅虎1')"));
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
    QTemporaryDir m_settings;

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }
    void init() { start(); }
    void cleanup()
    {
        delete Forms::loaded<ChartWindow>();
        stop();
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

    void sixthItemStartsASecondRowAndTheWindowGrows()
    {
        NotesWindow *w = openNotes();
        const int fiveItemsHeight = editorFor(w)->height();
        delete Forms::loaded<RecordEditor>();
        db::Catalog(Database::notebook).appendColumn(QStringLiteral("biji1"), {.name = QStringLiteral("◆关键词2"), .size = 50, .defaultText = {}});
        RecordEditor *editor = editorFor(w);
        QCOMPARE(editor->columnCount, 9);
        QCOMPARE(editor->findChild<QLabel *>(QStringLiteral("Webworldname_8"))->text(), QStringLiteral("◆关键词2"));
        QCOMPARE(box(editor, 8)->x(), box(editor, 3)->x());
        QVERIFY(box(editor, 8)->y() > box(editor, 7)->y());
        QVERIFY(editor->height() > fiveItemsHeight);
    }

    void addWithUntouchedInputsStoresDefaults()
    {
        NotesWindow *w = openNotes();
        RecordEditor *editor = editorFor(w);
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
        RecordEditor *editor = editorFor(w, "Cmd_Modi");
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
        RecordEditor *editor = editorFor(openNotes());
        editor->setInputText(1, QStringLiteral("2011-10-27"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(m_db->joined("SELECT [时间] || [备注] FROM biji1"), QStringLiteral("2011-10-27无"));
    }

    void quotesAreStoredAsTyped()
    {
        NotesWindow *w = openNotes();
        RecordEditor *editor = editorFor(w);
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
        RecordEditor *editor = editorFor(openNotes());
        editor->setInputText(input, typed);
        button(editor, "Cmd_OK")->click();
        QVERIFY2(MessageBox::shown().size() == 1 && MessageBox::shown()[0].contains(messagePart), qPrintable(MessageBox::shown().join('|')));
        flushDeletes();
        QVERIFY(Forms::loaded<RecordEditor>() == editor && editor->isVisible());
        QCOMPARE(rows(), 0);
    }

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
        QTEST(calendar(editor)->isVisible(), "shown");
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
    // keeps it through either editor; a row deleted meanwhile is not
    // reported as saved.
    void memoThroughEitherEditor_data()
    {
        QTest::addColumn<QString>("through");
        QTest::addColumn<bool>("deleted"); // the row, from elsewhere, before OK
        for (const bool deleted : {false, true}) {
            QTest::addRow("record editor%s", deleted ? ", row deleted" : "") << "Cmd_Modi" << deleted;
            QTest::addRow("memo editor%s", deleted ? ", row deleted" : "") << "Cmd_memos" << deleted;
        }
    }
    void memoThroughEitherEditor()
    {
        QFETCH(QString, through);
        QFETCH(bool, deleted);
        addRows({"2011-10-02"});
        const QString memo = u"\n\t第一行\n第二行\n"_s;
        m_db->exec(u"UPDATE biji1 SET [备注] = '  %1 '"_s.arg(memo));
        NotesWindow *w = openNotes();
        button(w, through)->click();
        QDialog *dialog = through == u"Cmd_Modi"_s ? static_cast<QDialog *>(Forms::loaded<RecordEditor>())
                                                  : static_cast<QDialog *>(Forms::loaded<MemoEditor>());
        QCOMPARE(dialog->findChild<QPlainTextEdit *>(u"Webworld_2"_s)->toPlainText(), memo);
        if (deleted)
            m_db->exec(QStringLiteral("DELETE FROM biji1"));
        button(dialog, "Cmd_OK")->click();
        if (!deleted) {
            QCOMPARE(stored(u"备注"_s), memo);
            return;
        }
        QVERIFY(MessageBox::shown().size() == 1 && MessageBox::shown()[0].contains(QStringLiteral("不存在")));
        QVERIFY(dialog->isVisible());
        QCOMPARE(rows(), 0);
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

    void buttons()
    {
        NotesWindow *w = openNotes();
        QPushButton *fields = button(w, "Basecset");
        QPushButton *previous = fields;
        for (const auto &[name, caption] : {std::pair{"Cmd_Chart", "走势图"}, std::pair{"Cmd_Export", "导 出"}}) {
            QPushButton *b = button(w, name);
            QVERIFY(b);
            QCOMPARE(b->text(), QString::fromUtf8(caption));
            QCOMPARE(b->accessibleName(), QString::fromUtf8(caption));
            // In the command row, to the right of the one before, not overlapping it.
            QCOMPARE(b->y(), fields->y());
            QVERIFY(b->x() > previous->geometry().right());
            previous = b;
        }
    }

    void chartFollowsTheGrid()
    {
        m_db->exec("INSERT INTO biji1([时间],[百度收入量]) VALUES('2011-10-01','收入155/反向31'),('2011-10-08','收入170/反向33')");
        NotesWindow *w = openNotes();
        button(w, "Cmd_Chart")->click();
        ChartWindow *chart = Forms::loaded<ChartWindow>();
        QVERIFY(chart && chart->isVisible());
        QCOMPARE(chart->notesTable, QStringLiteral("biji1"));
        QCOMPARE(chart->chart()->pointToolTip("百度收入量·收入", 1), QStringLiteral("2011/10/8\n百度收入量·收入：170"));

        // A row written and the grid refreshed, as the record editor does.
        m_db->exec("INSERT INTO biji1([时间],[百度收入量]) VALUES('2011-10-15','收入181/反向40')");
        w->requeryGrid();
        QCOMPARE(chart->chart()->pointToolTip("百度收入量·收入", 2), QStringLiteral("2011/10/15\n百度收入量·收入：181"));

        // A row deleted through the window.
        MessageBox::setNextAnswer(MessageBox::Yes);
        button(w, "Cmd_Del")->click();
        QCOMPARE(chart->chart()->pointToolTip("百度收入量·收入", 2), QString());

        // The item renamed in the field manager, then dropped.
        db::Catalog(Database::notebook).renameColumn("biji1", "百度收入量", "百度收录");
        w->requeryGrid();
        QCOMPARE(chart->chart()->lineNames(), (QStringList{"百度收录·收入", "百度收录·反向"}));
        db::Catalog(Database::notebook).dropColumn("biji1", "百度收录");
        w->requeryGrid();
        QCOMPARE(chart->chart()->lineNames(), QStringList());

        // The website's notes table going away closes the chart over it.
        closeWebsiteNotes("biji1");
        flushDeletes();
        QVERIFY(!Forms::loaded<ChartWindow>());
    }

    void exportButton_data()
    {
        QTest::addColumn<QString>("answer"); // the file name given, empty: cancelled
        QTest::addColumn<QString>("written");
        QTest::newRow("csv") << "out.csv" << "out.csv";
        QTest::newRow("xlsx") << "out.xlsx" << "out.xlsx";
        QTest::newRow("no suffix: the chosen type, Excel") << "out" << "out.xlsx";
        QTest::newRow("cancelled") << "" << "";
    }

    void exportButton()
    {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        m_db->exec("INSERT INTO biji1([时间],[百度收入量]) VALUES('2011-10-01','收入155/反向31'),('2011-10-08','收入170/反向33')");
        NotesWindow *w = openNotes();
        FileDialog::setNextPath(answer.isEmpty() ? QString() : m_db->dir() + "/" + answer);
        button(w, "Cmd_Export")->click();
        QVERIFY(FileDialog::lastSuggestion().endsWith("优化记录.xlsx"));
        if (written.isEmpty()) {
            QCOMPARE(MessageBox::shown(), QStringList());
            return;
        }
        QCOMPARE(MessageBox::shown(), QStringList{"导出成功：2 条记录已写入 " + written});
        QFile file(m_db->dir() + "/" + written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray start = file.read(4);
        QCOMPARE(start, written.endsWith(".csv") ? QByteArray("\xEF\xBB\xBF\xE6") : QByteArray("PK\x03\x04"));
    }

    void addedItemReachesTheListTheGridAndTheRecordEditor()
    {
        FieldManager *f = openFields();
        f->move(f->pos() + QPoint(37, 23)); // where the user put it: an addition leaves it there
        const QPoint placed = f->pos();
        typeNewItem(f, QStringLiteral("◆关键词2"), QStringLiteral("百度*/谷歌*"), QStringLiteral("50"));
        QCOMPARE(f->pos(), placed);
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功！")});
        const auto col = db::Catalog(Database::notebook).column(QStringLiteral("biji1"), 8);
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
            QCOMPARE(db::Catalog(Database::notebook).column(QStringLiteral("biji1"), 8).defaultText.value_or(QString()), defaultText);
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

QTEST_MAIN(TestNotesWindow)
#include "tst_noteswindow.moc"
