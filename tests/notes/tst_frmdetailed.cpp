// The notes window: rows newest first, navigation, delete keeping the
// position, the record and memo editors, and the field manager.
#include "NotesFixture.h"

class TestFrmDetailed : public QObject, private NotesFixture {
    Q_OBJECT

    QLabel *m_status = nullptr;

    static QString enabledFii(FrmDetailed *w)
    {
        QString s;
        for (int i = 1; i <= 4; ++i)
            s += button(w, QStringLiteral("Fii%1").arg(i))->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    // The grid's current row counted from 1, 0 for none; the recordset must agree.
    static int current(FrmDetailed *w)
    {
        const QModelIndex current = w->grid()->selectionModel()->currentIndex();
        const int row = current.isValid() ? current.row() + 1 : 0;
        return row == w->recordset().absolutePosition() ? row : -1;
    }

private slots:
    void init()
    {
        start();
        m_status = new QLabel;
        DbFunc::registerStatusPanel(m_status);
    }
    void cleanup()
    {
        stop();
        delete m_status;
    }

    void rowsComeNewestFirst()
    {
        addRows({"2011-10-01", "2011-10-03", "2011-10-02"});
        FrmDetailed *w = openNotes();
        QStringList dates;
        for (int r = 0; r < w->grid()->model()->rowCount(); ++r)
            dates << w->grid()->model()->index(r, 1).data().toString();
        QCOMPARE(dates, QStringList({DateText::toText(QDate(2011, 10, 3)), DateText::toText(QDate(2011, 10, 2)),
                                     DateText::toText(QDate(2011, 10, 1))}));
        QVERIFY(w->grid()->isColumnHidden(0) && w->grid()->isColumnHidden(2)); // row key and memo
        QCOMPARE(current(w), 1);
    }

    void emptyTableRefusesCommands_data()
    {
        QTest::addColumn<QString>("buttonName");
        QTest::addColumn<QString>("message");
        for (const char *name : {"Cmd_Modi", "Cmd_Del", "Cmd_memos"})
            QTest::newRow(name) << name << "请选择记录";
        for (const char *name : {"Fii1", "Fii2", "Fii3", "Fii4"})
            QTest::newRow(name) << name << "没有记录了";
    }

    void emptyTableRefusesCommands()
    {
        QFETCH(QString, buttonName);
        QFETCH(QString, message);
        FrmDetailed *w = openNotes();
        QVERIFY(button(w, buttonName)->isEnabled());
        button(w, buttonName)->click();
        QCOMPARE(MessageBox::shown(), QStringList{message});
        QVERIFY(!Forms::loaded<FrmChargeItemEdit>() && !Forms::loaded<FrmWebmemos>());
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
        QTest::newRow("next past last row") << 3 << "333" << 3 << "1100" << "下一条记录";
        QTest::newRow("one row: last then first") << 1 << "41" << 1 << "0011" << "首条记录";
    }

    void navigation()
    {
        QFETCH(int, rows);
        QFETCH(QString, presses);
        addRows(QStringList({"2011-10-01", "2011-10-02", "2011-10-03"}).mid(0, rows));
        FrmDetailed *w = openNotes();
        QCOMPARE(enabledFii(w), QStringLiteral("1111"));
        for (const QChar c : presses)
            button(w, QStringLiteral("Fii") + c)->click();
        QTEST(current(w), "position");
        QTEST(enabledFii(w), "enabled");
        QTEST(DbFunc::statusText(), "status");
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void deleteKeepsPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("left"); // dates left, newest first
        QTest::addColumn<int>("after");    // 0: none current
        QTest::newRow("first of three") << 1 << int(MessageBox::Yes) << "02-01" << 1;
        QTest::newRow("second of three") << 2 << int(MessageBox::Yes) << "03-01" << 2;
        QTest::newRow("last of three") << 3 << int(MessageBox::Yes) << "03-02" << 0;
        QTest::newRow("answered No") << 2 << int(MessageBox::No) << "03-02-01" << 2;
    }

    void deleteKeepsPosition()
    {
        QFETCH(int, position);
        QFETCH(int, answer);
        QFETCH(int, after);
        addRows({"2011-10-01", "2011-10-03", "2011-10-02"});
        FrmDetailed *w = openNotes();
        w->grid()->selectRow(position - 1);
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        button(w, "Cmd_Del")->click();
        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.value(0).text + shown.value(0).title + QString::number(shown.value(0).buttons),
                 QStringLiteral("是否删除当前行?确认%1").arg(MessageBox::YesNo));
        QCOMPARE(shown.size() == 2 && shown[1].text == QStringLiteral("删除成功"), answer == MessageBox::Yes);
        QTEST(text("SELECT group_concat(substr([时间], 9, 2), '-') FROM (SELECT [时间] FROM biji1 ORDER BY [时间] DESC)"), "left");
        QTEST(current(w), "after");
        if (after == 0) {
            MessageBox::clearShown();
            button(w, "Cmd_Modi")->click();
            QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("请选择记录")});
        }
    }

    void memoEditorChangesOnlyTheMemo_data()
    {
        QTest::addColumn<QString>("memo"); // null: left as shown
        QTest::addColumn<bool>("ok");
        QTest::newRow("unchanged") << QString() << true;
        QTest::newRow("new text") << "今天提交了外链" << true;
        QTest::newRow("quotes") << "it's \"fine\" ''" << true;
        QTest::newRow("cancelled") << "丢弃" << false;
    }

    void memoEditorChangesOnlyTheMemo()
    {
        QFETCH(QString, memo);
        QFETCH(bool, ok);
        addRows({"2011-10-01", "2011-10-02", "2011-10-03"});
        FrmDetailed *w = openNotes();
        w->grid()->selectRow(1);
        button(w, "Cmd_memos")->click();
        FrmWebmemos *memos = Forms::loaded<FrmWebmemos>();
        QVERIFY(memos && memos->isVisible() && memos->isModal());
        auto *memoBox = memos->findChild<QPlainTextEdit *>(QStringLiteral("Webworld_2"));
        QCOMPARE(edit(memos, "Webworld_1")->text(), DateText::toText(QDate(2011, 10, 2)));
        QCOMPARE(memoBox->toPlainText(), QStringLiteral("memo 2011-10-02"));
        const QString expected = memo.isNull() || !ok ? memoBox->toPlainText() : memo;
        if (!memo.isNull())
            memoBox->setPlainText(memo);
        edit(memos, "Webworld_1")->setText(QStringLiteral("2000-1-1")); // the date is not the memo editor's
        button(memos, ok ? "Cmd_OK" : "Cmd_Cancel")->click();
        QCOMPARE(MessageBox::shown(), ok ? QStringList{QStringLiteral("更新成功")} : QStringList());
        flushDeletes();
        QVERIFY(!Forms::loaded<FrmWebmemos>());
        QCOMPARE(text("SELECT group_concat([时间] || ' ' || [备注], '|') FROM biji1"),
                 "2011-10-01 memo 2011-10-01|2011-10-02 " + expected + "|2011-10-03 memo 2011-10-03");
        // The grid is queried anew and the same row is current again.
        QCOMPARE(current(w), 2);
        QCOMPARE(w->recordset().value(2).toString(), expected);
    }

    void memoOfADeletedRowIsNotReportedAsSaved()
    {
        addRows({"2011-10-01"});
        button(openNotes(), "Cmd_memos")->click();
        FrmWebmemos *memos = Forms::loaded<FrmWebmemos>();
        m_db->exec(QStringLiteral("DELETE FROM biji1"));
        button(memos, "Cmd_OK")->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().first().contains(QStringLiteral("不存在")));
        QVERIFY(memos->isVisible());
    }

    void fieldManagerOpensForThisTable()
    {
        button(openNotes(), "Basecset")->click();
        FrmBasicEdit *fields = Forms::loaded<FrmBasicEdit>();
        QVERIFY(fields && fields->isVisible());
        QCOMPARE(fields->Bijiname, QStringLiteral("biji1"));
    }
};

QTEST_MAIN(TestFrmDetailed)
#include "tst_frmdetailed.moc"
