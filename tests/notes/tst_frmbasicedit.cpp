#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/db/Catalog.h"
#include "notes/FrmBasicEdit.h"
#include "notes/FrmChargeItemEdit.h"
#include "notes/FrmDetailed.h"
#include "notes/NotesTable.h"
#include "tests/support/TestDb.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <memory>

class TestFrmBasicEdit : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDb> m_db;
    const QStringList m_defaultNames{QStringLiteral("AutoId"),     QStringLiteral("时间"),       QStringLiteral("备注"),
                                     QStringLiteral("百度收入量"), QStringLiteral("谷歌收入量"), QStringLiteral("雅虎收入量"),
                                     QStringLiteral("PR"),         QStringLiteral("◆关键词1")};

    QStringList columnNames() const
    {
        QStringList names;
        for (const db::ColumnDef &col : db::Catalog(DbFunc::ConnString).columns(QStringLiteral("biji1")))
            names << col.name;
        return names;
    }

    FrmBasicEdit *openFields()
    {
        FrmDetailed *w = Forms::get<FrmDetailed>();
        w->Bijiname = QStringLiteral("biji1");
        w->openNotes();
        w->findChild<QPushButton *>(QStringLiteral("Basecset"))->click();
        return Forms::loaded<FrmBasicEdit>();
    }

    static QPushButton *button(QWidget *w, const QString &name) { return w->findChild<QPushButton *>(name); }
    static QLineEdit *edit(QWidget *w, const QString &name) { return w->findChild<QLineEdit *>(name); }
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    void typeNewItem(FrmBasicEdit *f, const QString &name, const QString &defaultText, const QString &size)
    {
        edit(f, QStringLiteral("Ziduanz1"))->setText(name);
        edit(f, QStringLiteral("Ziduanz2"))->setText(defaultText);
        edit(f, QStringLiteral("Ziduanz3"))->setText(size);
    }

private slots:
    void init()
    {
        m_db = std::make_unique<TestDb>();
        QString table = QStringLiteral("biji1");
        CreateNotesTable(table);
        m_db->exec(QStringLiteral("INSERT INTO biji1([时间], PR, [雅虎收入量]) VALUES('2011-10-01', '3', '雅虎1')"));
        MessageBox::clearShown();
    }

    void cleanup()
    {
        delete Forms::loaded<FrmChargeItemEdit>();
        delete Forms::loaded<FrmBasicEdit>();
        delete Forms::loaded<FrmDetailed>();
        flushDeletes();
        m_db.reset();
    }

    void listsTheObservedItems()
    {
        FrmBasicEdit *f = openFields();
        QCOMPARE(f->windowTitle(), QStringLiteral("基本设置"));
        QCOMPARE(f->Webziduanm, QStringLiteral("百度收入量,谷歌收入量,雅虎收入量,PR,◆关键词1"));
        QCOMPARE(f->n, 8);
        const int lefts[] = {200, 2000, 3800, 5600, 7400};
        for (int i = 3; i < 8; ++i) {
            QLineEdit *name = edit(f, QStringLiteral("Webworld_%1").arg(i));
            QCOMPARE(name->text(), m_defaultNames[i]);
            QCOMPARE(name->pos(), QPoint(Twips::toPixels(lefts[i - 3]), Twips::toPixels(400)));
            QCOMPARE(button(f, QStringLiteral("Webworlddel_%1").arg(i))->x(), Twips::toPixels(lefts[i - 3]));
            QCOMPARE(button(f, QStringLiteral("Webworldmod_%1").arg(i))->x(), Twips::toPixels(lefts[i - 3] + 700));
        }
        QVERIFY(!edit(f, QStringLiteral("Webworld_2")));
        QCOMPARE(f->height(), Twips::toPixels(5370));
    }

    void addingAnItem()
    {
        FrmBasicEdit *f = openFields();
        const int height = f->height();
        typeNewItem(f, QStringLiteral("◆关键词2"), QStringLiteral("百度*/谷歌*"), QStringLiteral("50"));
        button(f, QStringLiteral("Cmd_OK"))->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功！")});

        const auto col = db::Catalog(DbFunc::ConnString).column(QStringLiteral("biji1"), 8);
        QCOMPARE(col.name, QStringLiteral("◆关键词2"));
        QCOMPARE(col.size, 50);
        QCOMPARE(col.defaultText.value_or(QString()), QStringLiteral("百度*/谷歌*"));
        QCOMPARE(col.nullable, false);

        // The list is rebuilt: the sixth item opens a second row and the window grows.
        flushDeletes();
        QLineEdit *sixth = edit(f, QStringLiteral("Webworld_8"));
        QVERIFY(sixth);
        QCOMPARE(sixth->pos(), QPoint(Twips::toPixels(200), Twips::toPixels(1300)));
        QCOMPARE(f->height(), height + Twips::toPixels(900));
        QCOMPARE(f->findChildren<QLineEdit *>(QRegularExpression(QStringLiteral("^Webworld_\\d+$"))).size(), 6);
        QCOMPARE(edit(f, QStringLiteral("Ziduanz1"))->text(), QString());
        QCOMPARE(edit(f, QStringLiteral("Ziduanz3"))->text(), QStringLiteral("50"));
        QVERIFY(f->isModal());

        // The notes grid and a freshly loaded record editor follow the new column.
        FrmDetailed *notes = Forms::loaded<FrmDetailed>();
        QCOMPARE(notes->grid()->model()->columnCount(), 9);
        notes->findChild<QPushButton *>(QStringLiteral("Cmd_Add"))->click();
        FrmChargeItemEdit *editor = Forms::loaded<FrmChargeItemEdit>();
        QCOMPARE(editor->n, 9);
        QCOMPARE(editor->inputText(8), QStringLiteral("百度*/谷歌*"));
        // A row written before the column existed shows its default in the editor.
        editor->close();
        notes->findChild<QPushButton *>(QStringLiteral("Cmd_Modi"))->click();
        QCOMPARE(Forms::loaded<FrmChargeItemEdit>()->inputText(8), QStringLiteral("百度*/谷歌*"));
    }

    void defaultWithQuotesIsKeptAsTyped()
    {
        FrmBasicEdit *f = openFields();
        typeNewItem(f, QStringLiteral("It's"), QStringLiteral("'a' \"b\""), QStringLiteral("20"));
        button(f, QStringLiteral("Cmd_OK"))->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("添加成功！")});
        const auto col = db::Catalog(DbFunc::ConnString).column(QStringLiteral("biji1"), 8);
        QCOMPARE(col.name, QStringLiteral("It's"));
        QCOMPARE(col.defaultText.value_or(QString()), QStringLiteral("'a' \"b\""));
    }

    void refusedNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("blank") << " ";
        QTest::newRow("another item") << "PR";
        QTest::newRow("another item, other case") << "pr";
        QTest::newRow("fixed column") << "时间";
        QTest::newRow("row key, other case") << "autoid";
        QTest::newRow("opening bracket") << "a[b";
        QTest::newRow("closing bracket") << "a]b";
        QTest::newRow("comma") << "关键词,2";
        QTest::newRow("full stop") << "a.b";
        QTest::newRow("exclamation") << "a!b";
        QTest::newRow("backquote") << "a`b";
        QTest::newRow("leading blank") << " 关键词2";
        QTest::newRow("trailing blank") << "关键词2 ";
    }

    void refusedNames()
    {
        QFETCH(QString, name);
        const QString refused = QStringLiteral("使用了不规范的字符或和其它字段名称重复。");
        FrmBasicEdit *f = openFields();

        typeNewItem(f, name, QStringLiteral("x"), QStringLiteral("50"));
        button(f, QStringLiteral("Cmd_OK"))->click();
        QCOMPARE(MessageBox::shown(), QStringList{refused});
        QCOMPARE(edit(f, QStringLiteral("Ziduanz1"))->text(), name);

        MessageBox::clearShown();
        edit(f, QStringLiteral("Webworld_3"))->setText(name);
        button(f, QStringLiteral("Webworldmod_3"))->click();
        QCOMPARE(MessageBox::shown(), QStringList{refused});

        QCOMPARE(columnNames(), m_defaultNames);
        QVERIFY(!f->isModal());
    }

    void refusedSizes_data()
    {
        QTest::addColumn<QString>("size");
        QTest::newRow("zero") << "0";
        QTest::newRow("too big") << "256";
        QTest::newRow("negative") << "-5";
        QTest::newRow("words") << "五十";
        QTest::newRow("fraction") << "12.5";
        QTest::newRow("empty") << "";
    }

    void refusedSizes()
    {
        QFETCH(QString, size);
        FrmBasicEdit *f = openFields();
        typeNewItem(f, QStringLiteral("关键词2"), QString(), size);
        button(f, QStringLiteral("Cmd_OK"))->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("使用了不规范的字符或和其它字段名称重复。")});
        QCOMPARE(columnNames(), m_defaultNames);
    }

    void renamingKeepsTheData()
    {
        FrmBasicEdit *f = openFields();
        edit(f, QStringLiteral("Webworld_6"))->setText(QStringLiteral("PR值"));
        button(f, QStringLiteral("Webworldmod_6"))->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("修改成功！")});
        QStringList expected = m_defaultNames;
        expected[6] = QStringLiteral("PR值");
        QCOMPARE(columnNames(), expected);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [PR值] FROM biji1")).toString(), QStringLiteral("3"));
        flushDeletes();
        QCOMPARE(f->Webziduanm, QStringLiteral("百度收入量,谷歌收入量,雅虎收入量,PR值,◆关键词1"));
    }

    void renamingToOtherLetterCaseOfItself()
    {
        FrmBasicEdit *f = openFields();
        edit(f, QStringLiteral("Webworld_6"))->setText(QStringLiteral("pr"));
        button(f, QStringLiteral("Webworldmod_6"))->click();
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("修改成功！")});
        QCOMPARE(columnNames().at(6), QStringLiteral("pr"));
    }

    void deletingAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("no") << int(MessageBox::No);
        QTest::newRow("yes") << int(MessageBox::Yes);
    }

    void deletingAsksFirst()
    {
        QFETCH(int, answer);
        FrmBasicEdit *f = openFields();
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        button(f, QStringLiteral("Webworlddel_5"))->click();
        const auto shown = MessageBox::shownDetails();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown[0].text, QStringLiteral("是否删除该项目？该项目的所有记录将一并删除。"));
        QCOMPARE(shown[0].buttons, MessageBox::YesNo);
        QStringList expected = m_defaultNames;
        if (answer == MessageBox::Yes) {
            QCOMPARE(shown.size(), 2);
            QCOMPARE(shown[1].text, QStringLiteral("删除成功！"));
            expected.removeAt(5); // exactly 雅虎收入量, nothing else
        } else {
            QCOMPARE(shown.size(), 1);
        }
        QCOMPARE(columnNames(), expected);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT PR FROM biji1")).toString(), QStringLiteral("3"));
        flushDeletes();
        QCOMPARE(Forms::loaded<FrmDetailed>()->grid()->model()->columnCount(), expected.size());
    }

    void deletingUnansweredKeepsTheColumn()
    {
        // Test mode answers with the default button, which must be No.
        FrmBasicEdit *f = openFields();
        button(f, QStringLiteral("Webworlddel_3"))->click();
        QCOMPARE(columnNames(), m_defaultNames);
    }

    void deletingEveryItemLeavesOnlyAdding()
    {
        FrmBasicEdit *f = openFields();
        for (int k = 0; k < 5; ++k) {
            MessageBox::setNextAnswer(MessageBox::Yes);
            QPushButton *del = button(f, QStringLiteral("Webworlddel_3"));
            QVERIFY(del);
            del->click();
            flushDeletes();
        }
        QCOMPARE(columnNames(), m_defaultNames.mid(0, 3));
        QCOMPARE(f->Webziduanm, QString());
        QVERIFY(!edit(f, QStringLiteral("Webworld_3")));

        typeNewItem(f, QStringLiteral("新项目"), QStringLiteral("空"), QStringLiteral("10"));
        button(f, QStringLiteral("Cmd_OK"))->click();
        QCOMPARE(columnNames().size(), 4);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [新项目] FROM biji1")).toString(), QStringLiteral("空"));
    }

    void defaultLongerThanSizeIsRefused()
    {
        FrmBasicEdit *f = openFields();
        typeNewItem(f, QStringLiteral("短"), QStringLiteral("123456"), QStringLiteral("5"));
        button(f, QStringLiteral("Cmd_OK"))->click();
        QCOMPARE(MessageBox::shown().size(), 1);
        QCOMPARE(columnNames(), m_defaultNames);
    }
};

QTEST_MAIN(TestFrmBasicEdit)
#include "tst_frmbasicedit.moc"
