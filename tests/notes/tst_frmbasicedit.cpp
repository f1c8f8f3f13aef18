// The field manager: the observed items of a notes table, and adding,
// renaming and deleting them.
#include "NotesFixture.h"

#include "core/Twips.h"

#include <QRegularExpression>

class TestFrmBasicEdit : public QObject, private NotesFixture {
    Q_OBJECT

    const QStringList m_defaultNames{"AutoId", "时间", "备注", "百度收入量", "谷歌收入量", "雅虎收入量", "PR", "◆关键词1"};
    const QString m_refused = QStringLiteral("使用了不规范的字符或和其它字段名称重复。");

    static FrmBasicEdit *openFields()
    {
        button(openNotes(), "Basecset")->click();
        return Forms::loaded<FrmBasicEdit>();
    }
    static void typeNewItem(FrmBasicEdit *f, const QString &name, const QString &defaultText, const QString &size)
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
        m_db->exec(QStringLiteral("INSERT INTO biji1([时间], PR, [雅虎收入量]) VALUES('2011-10-01', '3', '雅虎1')"));
    }
    void cleanup() { stop(); }

    void addingAnItemRebuildsTheListAndTheEditors()
    {
        FrmBasicEdit *f = openFields();
        QCOMPARE(f->Webziduanm, QStringLiteral("百度收入量,谷歌收入量,雅虎收入量,PR,◆关键词1"));
        QVERIFY(!edit(f, "Webworld_2"));
        const int height = f->height();
        typeNewItem(f, QStringLiteral("◆关键词2"), QStringLiteral("百度*/谷歌*"), QStringLiteral("50"));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功！")});
        const auto col = db::Catalog(DbFunc::ConnString).column(QStringLiteral("biji1"), 8);
        QCOMPARE(col.name + col.defaultText.value_or(QString()), QStringLiteral("◆关键词2百度*/谷歌*"));
        QCOMPARE(col.size, 50);
        // The sixth item opens a second row and the window grows; the name box is emptied.
        flushDeletes();
        QCOMPARE(f->findChildren<QLineEdit *>(QRegularExpression(QStringLiteral("^Webworld_\\d+$"))).size(), 6);
        QCOMPARE(edit(f, "Webworld_8")->text(), QStringLiteral("◆关键词2"));
        QCOMPARE(edit(f, "Webworld_8")->pos(), QPoint(Twips::toPixels(200), Twips::toPixels(1300)));
        QCOMPARE(f->height(), height + Twips::toPixels(900));
        QCOMPARE(edit(f, "Ziduanz1")->text(), QString());
        // The notes grid and a freshly loaded record editor follow the new column,
        // also for a row written before the column existed.
        FrmDetailed *notes = Forms::loaded<FrmDetailed>();
        QCOMPARE(notes->grid()->model()->columnCount(), 9);
        QCOMPARE(notes->grid()->model()->index(0, 8).data().toString(), QString());
        button(notes, "Cmd_Modi")->click();
        QCOMPARE(Forms::loaded<FrmChargeItemEdit>()->n, 9);
        QCOMPARE(Forms::loaded<FrmChargeItemEdit>()->inputText(8), QStringLiteral("百度*/谷歌*"));
    }

    void newItem_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("defaultText");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("message"); // empty: the refusal of bad names
        QTest::newRow("quotes kept as typed") << "It's" << "'a' \"b\"" << "20" << "添加成功！";
        QTest::newRow("empty name") << "" << "x" << "50" << "";
        QTest::newRow("blank name") << " " << "x" << "50" << "";
        QTest::newRow("another item, other case") << "pr" << "x" << "50" << "";
        QTest::newRow("fixed column") << "时间" << "x" << "50" << "";
        QTest::newRow("row key, other case") << "autoid" << "x" << "50" << "";
        for (const char *bad : {"a[b", "a]b", "关键词,2", "a.b", "a!b", "a`b", " 关键词2", "关键词2 "})
            QTest::newRow(bad) << QString::fromUtf8(bad) << "x" << "50" << "";
        for (const char *size : {"0", "256", "-5", "五十", "12.5", ""})
            QTest::newRow(qPrintable(QStringLiteral("size '%1'").arg(QString::fromUtf8(size)))) << "关键词2" << "" << size << "";
        QTest::newRow("default longer than size") << "短" << "123456" << "5"
                                                  << "默认值比字段长度（5）还长，请缩短默认值或加大字段长度。";
    }

    void newItem()
    {
        QFETCH(QString, name);
        QFETCH(QString, defaultText);
        QFETCH(QString, message);
        FrmBasicEdit *f = openFields();
        QFETCH(QString, size);
        typeNewItem(f, name, defaultText, size);
        QCOMPARE(MessageBox::shown(), QStringList{message.isEmpty() ? m_refused : message});
        const bool added = message == QStringLiteral("添加成功！");
        QCOMPARE(columnNames(), added ? m_defaultNames + QStringList{name} : m_defaultNames);
        if (added)
            QCOMPARE(db::Catalog(DbFunc::ConnString).column(QStringLiteral("biji1"), 8).defaultText.value_or(QString()), defaultText);
        else
            QCOMPARE(edit(f, "Ziduanz1")->text(), name); // kept for correcting
    }

    void rename_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("new name keeps the data") << "PR值" << true;
        QTest::newRow("own name in other case") << "pr" << true;
        QTest::newRow("another item") << "百度收入量" << false;
        QTest::newRow("fixed column") << "备注" << false;
        QTest::newRow("bracket") << "P]R" << false;
        QTest::newRow("empty") << "" << false;
    }

    void rename()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        FrmBasicEdit *f = openFields();
        edit(f, "Webworld_6")->setText(name);
        button(f, "Webworldmod_6")->click();
        QCOMPARE(MessageBox::shown(), QStringList{accepted ? QStringLiteral("修改成功！") : m_refused});
        QStringList expected = m_defaultNames;
        if (accepted)
            expected[6] = name;
        QCOMPARE(columnNames(), expected);
        QCOMPARE(text(QStringLiteral("SELECT [%1] FROM biji1").arg(expected[6])), QStringLiteral("3"));
        flushDeletes();
        QCOMPARE(f->Webziduanm, expected.mid(3).join(QLatin1Char(',')));
        QCOMPARE(f->isModal(), accepted); // modal from the first change on
    }

    void deletingAsksFirst_data()
    {
        QTest::addColumn<int>("answer"); // 0: not answered, the default button
        QTest::newRow("no") << int(MessageBox::No);
        QTest::newRow("default") << 0;
        QTest::newRow("yes") << int(MessageBox::Yes);
    }

    void deletingAsksFirst()
    {
        QFETCH(int, answer);
        FrmBasicEdit *f = openFields();
        if (answer)
            MessageBox::setNextAnswer(MessageBox::Button(answer));
        button(f, "Webworlddel_5")->click();
        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.value(0).text + QString::number(shown.value(0).buttons),
                 QStringLiteral("是否删除该项目？该项目的所有记录将一并删除。%1").arg(MessageBox::YesNo));
        QStringList expected = m_defaultNames;
        if (answer == MessageBox::Yes)
            expected.removeAt(5); // exactly 雅虎收入量, nothing else
        QCOMPARE(shown.size(), answer == MessageBox::Yes ? 2 : 1);
        QCOMPARE(shown.last().text, answer == MessageBox::Yes ? QStringLiteral("删除成功！") : shown[0].text);
        QCOMPARE(columnNames(), expected);
        QCOMPARE(text("SELECT PR FROM biji1"), QStringLiteral("3"));
        flushDeletes();
        QCOMPARE(Forms::loaded<FrmDetailed>()->grid()->model()->columnCount(), expected.size());
    }

    void deletingEveryItemLeavesOnlyAdding()
    {
        FrmBasicEdit *f = openFields();
        for (int k = 0; k < 5; ++k) {
            MessageBox::setNextAnswer(MessageBox::Yes);
            QPushButton *del = button(f, "Webworlddel_3");
            QVERIFY(del);
            del->click();
            flushDeletes();
        }
        QCOMPARE(columnNames(), m_defaultNames.mid(0, 3));
        QCOMPARE(f->Webziduanm, QString());
        QVERIFY(!edit(f, "Webworld_3"));
        typeNewItem(f, QStringLiteral("新项目"), QStringLiteral("空"), QStringLiteral("10"));
        // The existing row stays empty in the new column; the default is the column's.
        QCOMPARE(text("SELECT count(*) FROM biji1 WHERE [新项目] IS NULL"), QStringLiteral("1"));
        QCOMPARE(db::Catalog(DbFunc::ConnString).column(QStringLiteral("biji1"), 3).defaultText, std::optional<QString>(QStringLiteral("空")));
    }
};

QTEST_MAIN(TestFrmBasicEdit)
#include "tst_frmbasicedit.moc"
