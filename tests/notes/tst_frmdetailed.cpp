#include "core/DateText.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/db/Recordset.h"
#include "notes/FrmBasicEdit.h"
#include "notes/FrmChargeItemEdit.h"
#include "notes/FrmDetailed.h"
#include "notes/FrmWebmemos.h"
#include "notes/NotesTable.h"
#include "tests/support/TestDb.h"

#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <memory>

class TestFrmDetailed : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDb> m_db;
    QLabel *m_status = nullptr;

    FrmDetailed *openNotes()
    {
        FrmDetailed *w = Forms::get<FrmDetailed>();
        w->Bijiname = QStringLiteral("biji1");
        w->OriId = 1;
        w->openNotes();
        return w;
    }

    void addRows(const QStringList &dates)
    {
        for (const QString &d : dates)
            m_db->exec(QStringLiteral("INSERT INTO biji1([时间],[备注]) VALUES('%1','memo %1')").arg(d));
    }

    static QPushButton *button(QWidget *w, const char *name) { return w->findChild<QPushButton *>(QLatin1String(name)); }

    static QString enabledFii(FrmDetailed *w)
    {
        QString s;
        for (int i = 1; i <= 4; ++i)
            s += button(w, QStringLiteral("Fii%1").arg(i).toLatin1().constData())->isEnabled() ? QLatin1Char('1')
                                                                                                  : QLatin1Char('0');
        return s;
    }

    static int gridRow(FrmDetailed *w)
    {
        const QModelIndex current = w->grid()->selectionModel()->currentIndex();
        return current.isValid() ? current.row() + 1 : 0;
    }

    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void init()
    {
        m_db = std::make_unique<TestDb>();
        QString table = QStringLiteral("biji1");
        CreateNotesTable(table);
        MessageBox::clearShown();
        m_status = new QLabel;
        DbFunc::registerStatusPanel(m_status);
    }

    void cleanup()
    {
        delete Forms::loaded<FrmWebmemos>();
        delete Forms::loaded<FrmChargeItemEdit>();
        delete Forms::loaded<FrmBasicEdit>();
        delete Forms::loaded<FrmDetailed>();
        flushDeletes();
        delete m_status;
        m_db.reset();
    }

    void rowsComeNewestFirst()
    {
        addRows({QStringLiteral("2011-10-01"), QStringLiteral("2011-10-03"), QStringLiteral("2011-10-02")});
        FrmDetailed *w = openNotes();
        QAbstractItemModel *model = w->grid()->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(0, 1).data().toString(), DateText::toText(QDate(2011, 10, 3)));
        QCOMPARE(model->index(1, 1).data().toString(), DateText::toText(QDate(2011, 10, 2)));
        QCOMPARE(model->index(2, 1).data().toString(), DateText::toText(QDate(2011, 10, 1)));
        QVERIFY(w->grid()->isColumnHidden(0));
        QVERIFY(w->grid()->isColumnHidden(2));
        QVERIFY(!w->grid()->isColumnHidden(3));
        QCOMPARE(gridRow(w), 1);
        QCOMPARE(w->windowTitle(), QStringLiteral("网站详情"));
    }

    void emptyTableRefusesCommands_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QString>("message");
        QTest::newRow("修 改") << "Cmd_Modi" << "请选择记录";
        QTest::newRow("删 除") << "Cmd_Del" << "请选择记录";
        QTest::newRow("↓查看备注") << "Cmd_memos" << "请选择记录";
        QTest::newRow("首条记录") << "Fii1" << "没有记录了";
        QTest::newRow("<上一条") << "Fii2" << "没有记录了";
        QTest::newRow("下一条>") << "Fii3" << "没有记录了";
        QTest::newRow("末条记录") << "Fii4" << "没有记录了";
    }

    void emptyTableRefusesCommands()
    {
        QFETCH(QString, buttonName);
        QFETCH(QString, message);
        FrmDetailed *w = openNotes();
        QCOMPARE(w->grid()->model()->rowCount(), 0);
        QPushButton *b = button(w, buttonName.toLatin1().constData());
        QVERIFY(b->isEnabled());
        b->click();
        QCOMPARE(MessageBox::shown(), QStringList{message});
        QVERIFY(!Forms::loaded<FrmChargeItemEdit>());
        QVERIFY(!Forms::loaded<FrmWebmemos>());
    }

    void deleteKeepsPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("deletedDate");
        QTest::addColumn<int>("expectedPosition");
        QTest::newRow("first of three") << 1 << "2011-10-03" << 1;
        QTest::newRow("second of three") << 2 << "2011-10-02" << 2;
        QTest::newRow("last of three") << 3 << "2011-10-01" << 0;
    }

    void deleteKeepsPosition()
    {
        QFETCH(int, position);
        QFETCH(QString, deletedDate);
        QFETCH(int, expectedPosition);
        addRows({QStringLiteral("2011-10-01"), QStringLiteral("2011-10-03"), QStringLiteral("2011-10-02")});
        FrmDetailed *w = openNotes();
        w->grid()->selectRow(position - 1);
        QCOMPARE(w->recordset().absolutePosition(), position);

        MessageBox::setNextAnswer(MessageBox::Yes);
        button(w, "Cmd_Del")->click();
        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("是否删除当前行?"));
        QCOMPARE(shown[0].title, QStringLiteral("确认"));
        QCOMPARE(shown[0].buttons, MessageBox::YesNo);
        QCOMPARE(shown[1].text, QStringLiteral("删除成功"));

        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM biji1")).toInt(), 2);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM biji1 WHERE [时间] = '%1'").arg(deletedDate)).toInt(), 0);
        QCOMPARE(w->recordset().absolutePosition(), expectedPosition);
        QCOMPARE(gridRow(w), expectedPosition);
        if (expectedPosition == 0) {
            MessageBox::clearShown();
            button(w, "Cmd_Modi")->click();
            QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("请选择记录")});
        }
    }

    void deleteAnsweredNoKeepsRow()
    {
        addRows({QStringLiteral("2011-10-01")});
        FrmDetailed *w = openNotes();
        MessageBox::setNextAnswer(MessageBox::No);
        button(w, "Cmd_Del")->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("是否删除当前行?")});
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM biji1")).toInt(), 1);
    }

    void navigation_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("presses"); // digits: Fii buttons in order
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("enabled"); // Fii1..Fii4
        QTest::addColumn<QString>("status");
        QTest::newRow("first") << 3 << "1" << 1 << "0011" << "首条记录";
        QTest::newRow("first then next") << 3 << "13" << 2 << "1111" << "下一条记录";
        QTest::newRow("previous on first row") << 3 << "2" << 1 << "0011" << "上一条记录";
        QTest::newRow("last") << 3 << "4" << 3 << "1100" << "最一条记录";
        QTest::newRow("next onto last row") << 3 << "33" << 3 << "1111" << "下一条记录";
        QTest::newRow("next past last row") << 3 << "333" << 3 << "1100" << "下一条记录";
        QTest::newRow("one row: last") << 1 << "4" << 1 << "1100" << "最一条记录";
        QTest::newRow("one row: last then first") << 1 << "41" << 1 << "0011" << "首条记录";
    }

    void navigation()
    {
        QFETCH(int, rows);
        QFETCH(QString, presses);
        QFETCH(int, position);
        QFETCH(QString, enabled);
        QFETCH(QString, status);
        QStringList dates;
        for (int i = 1; i <= rows; ++i)
            dates << QStringLiteral("2011-10-0%1").arg(i);
        addRows(dates);
        FrmDetailed *w = openNotes();
        QCOMPARE(enabledFii(w), QStringLiteral("1111"));
        for (const QChar c : presses)
            button(w, QStringLiteral("Fii%1").arg(c).toLatin1().constData())->click();
        QCOMPARE(w->recordset().absolutePosition(), position);
        QCOMPARE(gridRow(w), position);
        QCOMPARE(enabledFii(w), enabled);
        QCOMPARE(DbFunc::statusText(), status);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void gridClickMovesCurrentRow()
    {
        addRows({QStringLiteral("2011-10-01"), QStringLiteral("2011-10-02"), QStringLiteral("2011-10-03")});
        FrmDetailed *w = openNotes();
        w->grid()->selectRow(2);
        QCOMPARE(w->recordset().absolutePosition(), 3);
        QCOMPARE(w->recordset().value(1).toDate(), QDate(2011, 10, 1));
    }

    void modifyFillsEditorFromRow()
    {
        addRows({QStringLiteral("2011-10-01"), QStringLiteral("2011-10-02")});
        m_db->exec(QStringLiteral("UPDATE biji1 SET PR = '7', [百度收入量] = '  收入5/反向2 ', [备注] = NULL "
                                  "WHERE [时间] = '2011-10-01'"));
        const int id = m_db->scalar(QStringLiteral("SELECT AutoId FROM biji1 WHERE [时间] = '2011-10-01'")).toInt();
        FrmDetailed *w = openNotes();
        w->grid()->selectRow(1);
        button(w, "Cmd_Modi")->click();

        FrmChargeItemEdit *editor = Forms::loaded<FrmChargeItemEdit>();
        QVERIFY(editor);
        QVERIFY(editor->isVisible());
        QVERIFY(editor->Modify);
        QCOMPARE(editor->OriId, id);
        QCOMPARE(editor->windowTitle(), QStringLiteral("修改优化记录"));
        QCOMPARE(w->p, 2);
        QCOMPARE(editor->inputText(1), DateText::toText(QDate(2011, 10, 1)));
        QCOMPARE(editor->inputText(2), QStringLiteral("无")); // null memo keeps the default
        QCOMPARE(editor->inputText(3), QStringLiteral("收入5/反向2"));
        QCOMPARE(editor->inputText(6), QStringLiteral("7"));
        QCOMPARE(editor->inputText(7), QStringLiteral("百度*/谷歌*"));
    }

    void memoEditorChangesOnlyTheMemo_data()
    {
        QTest::addColumn<QString>("memo");
        QTest::newRow("unchanged") << QString();
        QTest::newRow("new text") << "今天提交了外链";
        QTest::newRow("quotes") << "it's \"fine\" ''";
    }

    void memoEditorChangesOnlyTheMemo()
    {
        QFETCH(QString, memo);
        addRows({QStringLiteral("2011-10-01"), QStringLiteral("2011-10-02"), QStringLiteral("2011-10-03")});
        FrmDetailed *w = openNotes();
        w->grid()->selectRow(1);
        button(w, "Cmd_memos")->click();
        FrmWebmemos *memos = Forms::loaded<FrmWebmemos>();
        QVERIFY(memos);
        QVERIFY(memos->isVisible());
        QVERIFY(memos->isModal());
        auto *dateBox = memos->findChild<QLineEdit *>(QStringLiteral("Webworld_1"));
        auto *memoBox = memos->findChild<QPlainTextEdit *>(QStringLiteral("Webworld_2"));
        QCOMPARE(dateBox->text(), DateText::toText(QDate(2011, 10, 2)));
        QCOMPARE(memoBox->toPlainText(), QStringLiteral("memo 2011-10-02"));

        const QString expected = memo.isNull() ? memoBox->toPlainText() : memo;
        if (!memo.isNull())
            memoBox->setPlainText(memo);
        dateBox->setText(QStringLiteral("2000-1-1"));
        button(memos, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("更新成功")});
        flushDeletes();
        QVERIFY(!Forms::loaded<FrmWebmemos>());

        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [备注] FROM biji1 WHERE [时间] = '2011-10-02'")).toString(), expected);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM biji1 WHERE [时间] = '2000-01-01'")).toInt(), 0);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT count(*) FROM biji1 WHERE [备注] LIKE 'memo%'")).toInt(),
                 memo.isNull() ? 3 : 2);
        // The grid is queried anew and the same row is current again.
        QCOMPARE(w->recordset().absolutePosition(), 2);
        QCOMPARE(w->recordset().value(2).toString(), expected);
    }

    void memoEditorCancelWritesNothing()
    {
        addRows({QStringLiteral("2011-10-01")});
        FrmDetailed *w = openNotes();
        button(w, "Cmd_memos")->click();
        FrmWebmemos *memos = Forms::loaded<FrmWebmemos>();
        memos->findChild<QPlainTextEdit *>(QStringLiteral("Webworld_2"))->setPlainText(QStringLiteral("丢弃"));
        button(memos, "Cmd_Cancel")->click();
        flushDeletes();
        QVERIFY(!Forms::loaded<FrmWebmemos>());
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [备注] FROM biji1")).toString(), QStringLiteral("memo 2011-10-01"));
    }

    void memoOfADeletedRowIsNotReportedAsSaved()
    {
        addRows({QStringLiteral("2011-10-01")});
        FrmDetailed *w = openNotes();
        button(w, "Cmd_memos")->click();
        FrmWebmemos *memos = Forms::loaded<FrmWebmemos>();
        m_db->exec(QStringLiteral("DELETE FROM biji1"));
        button(memos, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().first().contains(QStringLiteral("不存在")));
        QVERIFY(memos->isVisible());
    }

    void fieldManagerOpensForThisTable()
    {
        FrmDetailed *w = openNotes();
        button(w, "Basecset")->click();
        FrmBasicEdit *fields = Forms::loaded<FrmBasicEdit>();
        QVERIFY(fields);
        QVERIFY(fields->isVisible());
        QCOMPARE(fields->Bijiname, QStringLiteral("biji1"));
        QVERIFY(!fields->isModal());
    }

    void backClosesTheWindow()
    {
        FrmDetailed *w = openNotes();
        button(w, "Cmd_Back")->click();
        flushDeletes();
        QVERIFY(!Forms::loaded<FrmDetailed>());
    }
};

QTEST_MAIN(TestFrmDetailed)
#include "tst_frmdetailed.moc"
