// The record editor: inputs built from the table's current columns, the
// statements it writes, quotes, refusals and the date box.
#include "NotesFixture.h"

#include "core/Twips.h"

#include <QCalendarWidget>
#include <QGroupBox>

class TestFrmChargeItemEdit : public QObject, private NotesFixture {
    Q_OBJECT

    static QLineEdit *box(QWidget *w, int i) { return edit(w, QStringLiteral("Webworld_%1").arg(i)); }
    static FrmChargeItemEdit *start(FrmDetailed *w, const char *command = "Cmd_Add")
    {
        button(w, command)->click();
        return Forms::loaded<FrmChargeItemEdit>();
    }
    int rows() const { return count(QStringLiteral("SELECT count(*) FROM biji1")); }

private slots:
    void init() { NotesFixture::start(); }
    void cleanup() { stop(); }

    void inputsFollowTheColumnsInRowsOfFive_data()
    {
        QTest::addColumn<int>("extraItems");
        QTest::addColumn<int>("growth"); // twips
        QTest::newRow("default table") << 0 << 0;
        QTest::newRow("ten items") << 5 << 900;
        QTest::newRow("eleventh item") << 6 << 1800;
    }

    void inputsFollowTheColumnsInRowsOfFive()
    {
        QFETCH(int, extraItems);
        QFETCH(int, growth);
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *plain = start(w);
        const int baseHeight = plain->height();
        const int baseOk = button(plain, "Cmd_OK")->y();
        plain->close();
        flushDeletes();
        for (int k = 1; k <= extraItems; ++k) {
            db::ColumnDef col;
            col.name = QStringLiteral("◆关键词%1").arg(k + 1);
            col.size = 50;
            col.defaultText = QStringLiteral("x");
            db::Catalog(DbFunc::ConnString).appendColumn(QStringLiteral("biji1"), col);
        }
        FrmChargeItemEdit *editor = start(w);
        QCOMPARE(editor->n, 8 + extraItems);
        QCOMPARE(editor->columnName(editor->n - 1), columnNames().last());
        for (int i = 3; i < editor->n; ++i) {
            const int k = i - 3;
            QCOMPARE(box(editor, i)->pos(), QPoint(Twips::toPixels(200 + 1800 * (k % 5)), Twips::toPixels((k / 5) * 900 + 730)));
            QCOMPARE(editor->findChild<QLabel *>(QStringLiteral("Webworldname_%1").arg(i))->text(), columnNames()[i]);
        }
        QVERIFY(!box(editor, editor->n));
        QCOMPARE(editor->height(), baseHeight + Twips::toPixels(growth));
        QCOMPARE(button(editor, "Cmd_OK")->y(), baseOk + Twips::toPixels(growth));
    }

    void addWithUntouchedInputsStoresDefaults()
    {
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *editor = start(w);
        QVERIFY(editor->isVisible() && !editor->Modify);
        QCOMPARE(editor->windowTitle(), QStringLiteral("添加优化记录"));
        const QString today = DateText::toPlainText(QDate::currentDate());
        QCOMPARE(editor->inputText(1), today);
        button(editor, "Cmd_OK")->click();
        QCOMPARE(SqlStr, QStringLiteral("INSERT INTO biji1([时间],[备注],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1])"
                                        " VALUES(# %1 #,'无','收入*/反向*','收入*/反向*','收入*/反向*','0','百度*/谷歌*')")
                             .arg(today));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功")});
        flushDeletes();
        QVERIFY(!Forms::loaded<FrmChargeItemEdit>());
        QCOMPARE(rows(), 1);
        QCOMPARE(w->grid()->model()->rowCount(), 1); // the notes are shown anew
        QCOMPARE(w->recordset().value(1).toDate(), QDate::currentDate());
    }

    void modifyFillsTheSelectedRowAndWritesEveryColumnByAutoId()
    {
        addRows({"2011-10-01", "2011-10-02", "2011-10-03"});
        m_db->exec(QStringLiteral("UPDATE biji1 SET [百度收入量] = '  收入5/反向2 ', [备注] = NULL WHERE [时间] = '2011-10-02'"));
        const int id = count("SELECT AutoId FROM biji1 WHERE [时间] = '2011-10-02'");
        FrmDetailed *w = openNotes();
        w->grid()->selectRow(1);
        FrmChargeItemEdit *editor = start(w, "Cmd_Modi");
        QVERIFY(editor->isVisible() && editor->Modify);
        QCOMPARE(editor->OriId, id);
        QCOMPARE(editor->windowTitle(), QStringLiteral("修改优化记录"));
        QCOMPARE(editor->inputText(1), DateText::toText(QDate(2011, 10, 2)));
        QCOMPARE(editor->inputText(2), QStringLiteral("无")); // a null memo keeps the default
        QCOMPARE(editor->inputText(3), QStringLiteral("收入5/反向2"));
        box(editor, 6)->setText(QStringLiteral("5"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("修改成功")});
        QCOMPARE(SqlStr, QStringLiteral("UPDATE biji1 SET [时间]= # 2011-10-2 #,[备注]='无',[百度收入量]='收入5/反向2',"
                                        "[谷歌收入量]='收入*/反向*',[雅虎收入量]='收入*/反向*',[PR]='5',"
                                        "[◆关键词1]='百度*/谷歌*' WHERE AutoId =%1").arg(id));
        QCOMPARE(text("SELECT group_concat(PR) FROM biji1"), QStringLiteral("0,5,0"));
        QCOMPARE(w->recordset().absolutePosition(), 2);
        QCOMPARE(w->recordset().value(0).toInt(), id);
    }

    void tableWithoutItemsInsertsDateAndMemo()
    {
        for (const char *name : {"百度收入量", "谷歌收入量", "雅虎收入量", "PR", "◆关键词1"})
            db::Catalog(DbFunc::ConnString).dropColumn(QStringLiteral("biji1"), QString::fromUtf8(name));
        FrmChargeItemEdit *editor = start(openNotes());
        QCOMPARE(editor->n, 3);
        editor->setInputText(1, QStringLiteral("2011-10-27"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(SqlStr, QStringLiteral("INSERT INTO biji1([时间],[备注]) VALUES(# 2011-10-27 #,'无')"));
        QCOMPARE(rows(), 1);
    }

    void quotesAreStoredAsTyped_data()
    {
        QTest::addColumn<int>("input");
        QTest::addColumn<QString>("typed");
        QTest::newRow("memo") << 2 << "O'Reilly 说 '好'";
        QTest::newRow("observed item") << 7 << "百度'3'";
        QTest::newRow("doubled") << 3 << "''";
    }

    void quotesAreStoredAsTyped()
    {
        QFETCH(int, input);
        QFETCH(QString, typed);
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *editor = start(w);
        editor->setInputText(input, typed);
        const QString column = editor->columnName(input);
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功")});
        QCOMPARE(text(QStringLiteral("SELECT [%1] FROM biji1").arg(column)), typed);
        // And again through a change of the same row.
        editor = start(w, "Cmd_Modi");
        QCOMPARE(editor->inputText(input), typed);
        editor->setInputText(input, typed + "'");
        button(editor, "Cmd_OK")->click();
        QCOMPARE(text(QStringLiteral("SELECT [%1] FROM biji1").arg(column)), typed + "'");
    }

    void badInputKeepsDialogOpen_data()
    {
        QTest::addColumn<int>("input");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("messagePart");
        QTest::newRow("empty date") << 1 << "" << "日期";
        QTest::newRow("words for a date") << 1 << "明天" << "日期";
        QTest::newRow("impossible date") << 1 << "2011-13-45" << "日期";
        QTest::newRow("PR too long") << 6 << "12345678901" << "PR";
        QTest::newRow("item too long") << 3 << QString(51, QLatin1Char('x')) << "百度收入量";
    }

    void badInputKeepsDialogOpen()
    {
        QFETCH(int, input);
        QFETCH(QString, typed);
        QFETCH(QString, messagePart);
        FrmChargeItemEdit *editor = start(openNotes());
        editor->setInputText(input, typed);
        editor->setInputText(2, QStringLiteral("我的备注"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown().first().contains(messagePart), qPrintable(MessageBox::shown().first()));
        flushDeletes();
        QCOMPARE(Forms::loaded<FrmChargeItemEdit>(), editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->inputText(input) + editor->inputText(2), typed + "我的备注");
        QCOMPARE(rows(), 0);
        // Corrected, the same dialog writes the row once.
        editor->setInputText(input, input == 1 ? QStringLiteral("2011-10-27") : QStringLiteral("9"));
        MessageBox::clearShown();
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功")});
        QCOMPARE(rows(), 1);
    }

    void changeOfADeletedRowSaysSo()
    {
        addRows({"2011-10-01"});
        FrmChargeItemEdit *editor = start(openNotes(), "Cmd_Modi");
        m_db->exec(QStringLiteral("DELETE FROM biji1"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().first().contains(QStringLiteral("不存在")));
        QVERIFY(editor->isVisible());
        QCOMPARE(rows(), 0);
    }

    void calendarOpensOnTheBoxDate()
    {
        FrmChargeItemEdit *editor = start(openNotes());
        auto *calendar = editor->findChild<QCalendarWidget *>(QStringLiteral("MonthView1"));
        QVERIFY(!calendar->isVisible());
        editor->setInputText(1, QStringLiteral("2011-10-27"));
        QTest::mouseClick(box(editor, 1), Qt::LeftButton);
        QVERIFY(calendar->isVisible());
        QCOMPARE(calendar->selectedDate(), QDate(2011, 10, 27));
        QCOMPARE(editor->inputText(1), QStringLiteral("2011-10-27"));
        emit calendar->clicked(QDate(2011, 11, 3));
        QVERIFY(!calendar->isVisible());
        QCOMPARE(editor->inputText(1), DateText::toText(QDate(2011, 11, 3)));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [时间] FROM biji1")).toDate(), QDate(2011, 11, 3));
    }

    void cancelWritesNothing()
    {
        FrmChargeItemEdit *editor = start(openNotes());
        editor->setInputText(2, QStringLiteral("丢弃"));
        button(editor, "Cmd_Cancel")->click();
        flushDeletes();
        QVERIFY(!Forms::loaded<FrmChargeItemEdit>());
        QCOMPARE(rows(), 0);
        QVERIFY(MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(TestFrmChargeItemEdit)
#include "tst_frmchargeitemedit.moc"
