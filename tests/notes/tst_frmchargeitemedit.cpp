#include "core/DateText.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/Variable.h"
#include "core/db/Catalog.h"
#include "core/db/Recordset.h"
#include "notes/FrmChargeItemEdit.h"
#include "notes/FrmDetailed.h"
#include "notes/NotesTable.h"
#include "tests/support/TestDb.h"

#include <QCalendarWidget>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <memory>

class TestFrmChargeItemEdit : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDb> m_db;

    FrmDetailed *openNotes()
    {
        FrmDetailed *w = Forms::get<FrmDetailed>();
        w->Bijiname = QStringLiteral("biji1");
        w->OriId = 1;
        w->openNotes();
        return w;
    }

    void addItem(const QString &name, const QString &defaultText = QStringLiteral("x"))
    {
        db::ColumnDef col;
        col.name = name;
        col.size = 50;
        col.defaultText = defaultText;
        db::Catalog(DbFunc::ConnString).appendColumn(QStringLiteral("biji1"), col);
    }

    int rows() const { return m_db->scalar(QStringLiteral("SELECT count(*) FROM biji1")).toInt(); }

    static QPushButton *button(QWidget *w, const char *name) { return w->findChild<QPushButton *>(QLatin1String(name)); }
    static QLineEdit *box(QWidget *w, int i) { return w->findChild<QLineEdit *>(QStringLiteral("Webworld_%1").arg(i)); }
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    FrmChargeItemEdit *startAdd(FrmDetailed *w)
    {
        button(w, "Cmd_Add")->click();
        return Forms::loaded<FrmChargeItemEdit>();
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void init()
    {
        m_db = std::make_unique<TestDb>();
        QString table = QStringLiteral("biji1");
        CreateNotesTable(table);
        MessageBox::clearShown();
    }

    void cleanup()
    {
        delete Forms::loaded<FrmChargeItemEdit>();
        delete Forms::loaded<FrmDetailed>();
        flushDeletes();
        m_db.reset();
    }

    void itemsFormRowsOfFive_data()
    {
        QTest::addColumn<int>("extraItems");
        QTest::addColumn<int>("growth"); // twips
        QTest::newRow("default table") << 0 << 0;
        QTest::newRow("sixth item") << 1 << 900;
        QTest::newRow("ten items") << 5 << 900;
        QTest::newRow("eleventh item") << 6 << 1800;
    }

    void itemsFormRowsOfFive()
    {
        QFETCH(int, extraItems);
        QFETCH(int, growth);
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *plain = startAdd(w);
        const int baseHeight = plain->height();
        const QPoint baseOk = button(plain, "Cmd_OK")->pos();
        const int baseFrame3 = plain->findChild<QGroupBox *>(QStringLiteral("Frame3"))->y();
        plain->close();
        flushDeletes();

        for (int k = 1; k <= extraItems; ++k)
            addItem(QStringLiteral("◆关键词%1").arg(k + 1));
        FrmChargeItemEdit *editor = startAdd(w);
        QCOMPARE(editor->n, 8 + extraItems);
        const int lefts[] = {200, 2000, 3800, 5600, 7400};
        for (int i = 3; i < editor->n; ++i) {
            const int k = i - 3;
            QLineEdit *input = box(editor, i);
            QVERIFY(input);
            QCOMPARE(input->x(), Twips::toPixels(lefts[k % 5]));
            QCOMPARE(input->y(), Twips::toPixels((k / 5) * 900 + 730));
            auto *label = editor->findChild<QLabel *>(QStringLiteral("Webworldname_%1").arg(i));
            QCOMPARE(label->text(), editor->columnName(i));
            QCOMPARE(label->y(), Twips::toPixels((k / 5) * 900 + 400));
        }
        QCOMPARE(editor->height(), baseHeight + Twips::toPixels(growth));
        QCOMPARE(button(editor, "Cmd_OK")->pos(), baseOk + QPoint(0, Twips::toPixels(growth)));
        QCOMPARE(editor->findChild<QGroupBox *>(QStringLiteral("Frame3"))->y(), baseFrame3 + Twips::toPixels(growth));
    }

    void addWithUntouchedInputsStoresDefaults()
    {
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *editor = startAdd(w);
        QVERIFY(editor->isVisible());
        QVERIFY(!editor->Modify);
        QCOMPARE(editor->windowTitle(), QStringLiteral("添加优化记录"));
        const QString today = DateText::toPlainText(QDate::currentDate());
        QCOMPARE(editor->inputText(1), today);
        QCOMPARE(editor->inputText(2), QStringLiteral("无"));
        QCOMPARE(editor->Webziduanm, QStringLiteral("[时间],[备注],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1]"));

        button(editor, "Cmd_OK")->click();
        QCOMPARE(SqlStr, QStringLiteral("INSERT INTO biji1([时间],[备注],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1])"
                                        " VALUES(# %1 #,'无','收入*/反向*','收入*/反向*','收入*/反向*','0','百度*/谷歌*')")
                             .arg(today));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功")});
        flushDeletes();
        QVERIFY(!Forms::loaded<FrmChargeItemEdit>());
        QCOMPARE(rows(), 1);
        QCOMPARE(w->grid()->model()->rowCount(), 1);
        QCOMPARE(w->recordset().absolutePosition(), 1);
        QCOMPARE(w->recordset().value(1).toDate(), QDate::currentDate());
    }

    void modifyKeepsAutoIdAndNamesEveryColumn()
    {
        for (const char *d : {"2011-10-01", "2011-10-02", "2011-10-03"})
            m_db->exec(QStringLiteral("INSERT INTO biji1([时间],[备注]) VALUES('%1','m')").arg(QLatin1String(d)));
        const int id = m_db->scalar(QStringLiteral("SELECT AutoId FROM biji1 WHERE [时间] = '2011-10-02'")).toInt();
        FrmDetailed *w = openNotes();
        w->grid()->selectRow(1);
        button(w, "Cmd_Modi")->click();
        FrmChargeItemEdit *editor = Forms::loaded<FrmChargeItemEdit>();
        box(editor, 6)->setText(QStringLiteral("5"));
        button(editor, "Cmd_OK")->click();

        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("修改成功")});
        QCOMPARE(SqlStr, QStringLiteral("UPDATE biji1 SET [时间]= # 2011-10-2 #,[备注]='m',[百度收入量]='收入*/反向*',"
                                        "[谷歌收入量]='收入*/反向*',[雅虎收入量]='收入*/反向*',[PR]='5',"
                                        "[◆关键词1]='百度*/谷歌*' WHERE AutoId =%1")
                             .arg(id));
        QCOMPARE(rows(), 3);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT PR FROM biji1 WHERE AutoId = %1").arg(id)).toString(),
                 QStringLiteral("5"));
        QCOMPARE(w->recordset().absolutePosition(), 2);
        QCOMPARE(w->recordset().value(0).toInt(), id);
    }

    void tableWithoutItemsInsertsDateAndMemo()
    {
        db::Catalog catalog(DbFunc::ConnString);
        for (const char *name : {"百度收入量", "谷歌收入量", "雅虎收入量", "PR", "◆关键词1"})
            catalog.dropColumn(QStringLiteral("biji1"), QString::fromUtf8(name));
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *editor = startAdd(w);
        QCOMPARE(editor->n, 3);
        editor->setInputText(1, QStringLiteral("2011-10-27"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(SqlStr, QStringLiteral("INSERT INTO biji1([时间],[备注]) VALUES(# 2011-10-27 #,'无')"));
        QCOMPARE(rows(), 1);
    }

    void quotesAreStoredAsTyped_data()
    {
        QTest::addColumn<int>("input");
        QTest::addColumn<QString>("text");
        QTest::newRow("memo") << 2 << "O'Reilly 说 '好'";
        QTest::newRow("observed item") << 7 << "百度'3'";
        QTest::newRow("doubled") << 3 << "''";
    }

    void quotesAreStoredAsTyped()
    {
        QFETCH(int, input);
        QFETCH(QString, text);
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *editor = startAdd(w);
        editor->setInputText(input, text);
        const QString column = editor->columnName(input);
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功")});
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [%1] FROM biji1").arg(column)).toString(), text);

        // And again through a change of the same row.
        button(w, "Cmd_Modi")->click();
        editor = Forms::loaded<FrmChargeItemEdit>();
        QCOMPARE(editor->inputText(input), text);
        editor->setInputText(input, text + QStringLiteral("'"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [%1] FROM biji1").arg(column)).toString(), text + QStringLiteral("'"));
    }

    void badInputKeepsDialogOpen_data()
    {
        QTest::addColumn<int>("input");
        QTest::addColumn<QString>("text");
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
        QFETCH(QString, text);
        QFETCH(QString, messagePart);
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *editor = startAdd(w);
        editor->setInputText(input, text);
        editor->setInputText(2, QStringLiteral("我的备注"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown().first().contains(messagePart), qPrintable(MessageBox::shown().first()));
        flushDeletes();
        QCOMPARE(Forms::loaded<FrmChargeItemEdit>(), editor);
        QVERIFY(editor->isVisible());
        QCOMPARE(editor->inputText(input), text);
        QCOMPARE(editor->inputText(2), QStringLiteral("我的备注"));
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
        m_db->exec(QStringLiteral("INSERT INTO biji1([时间]) VALUES('2011-10-01')"));
        FrmDetailed *w = openNotes();
        button(w, "Cmd_Modi")->click();
        FrmChargeItemEdit *editor = Forms::loaded<FrmChargeItemEdit>();
        m_db->exec(QStringLiteral("DELETE FROM biji1"));
        button(editor, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().first().contains(QStringLiteral("不存在")));
        QVERIFY(editor->isVisible());
        QCOMPARE(rows(), 0);
    }

    void calendarOpensOnTheBoxDate()
    {
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *editor = startAdd(w);
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
        FrmDetailed *w = openNotes();
        FrmChargeItemEdit *editor = startAdd(w);
        button(editor, "Cmd_Cancel")->click();
        flushDeletes();
        QVERIFY(!Forms::loaded<FrmChargeItemEdit>());
        QCOMPARE(rows(), 0);
        QVERIFY(MessageBox::shown().isEmpty());
    }
};

QTEST_MAIN(TestFrmChargeItemEdit)
#include "tst_frmchargeitemedit.moc"
