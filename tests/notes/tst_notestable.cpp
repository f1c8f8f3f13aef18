#include "core/DateText.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/db/Catalog.h"
#include "core/db/DbError.h"
#include "notes/FrmDetailed.h"
#include "notes/NotesTable.h"
#include "tests/support/TestDb.h"

#include <QLabel>
#include <QLocale>
#include <QTableView>
#include <QTest>
#include <memory>

Q_DECLARE_METATYPE(db::ColumnType)

class TestNotesTable : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TestDb> m_db;

    WebsiteRow addWebsite(const QString &name, const QString &url, const QDate &taken)
    {
        m_db->exec(QStringLiteral("INSERT INTO Website(Webname, Weburl, Webtime, Webmemos) VALUES('%1', '%2', '%3', '')")
                       .arg(name, url, taken.toString(Qt::ISODate)));
        WebsiteRow row;
        row.Webid = m_db->scalar(QStringLiteral("SELECT max(Webid) FROM Website")).toInt();
        row.Webname = name;
        row.Weburl = url;
        row.Webtime = taken;
        return row;
    }

    bool tableExists(const QString &name) const
    {
        return m_db->scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'")
                                .arg(name))
                   .toInt()
               == 1;
    }

    // Opens the notes of a website whose table is missing, answering the question.
    void openAnswering(QString name, const WebsiteRow &row, MessageBox::Button answer)
    {
        MessageBox::setNextAnswer(answer);
        OpenWebsiteNotes(name, row);
    }

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China)); }

    void init() { m_db = std::make_unique<TestDb>(); }

    void cleanup()
    {
        delete Forms::loaded<FrmDetailed>();
        m_db.reset();
    }

    void missingTableIsOfferedOnceAndCreated()
    {
        const WebsiteRow site = addWebsite(QStringLiteral("  例子网 "), QStringLiteral("www.example.com"), QDate(2011, 10, 1));
        const QString name = QStringLiteral("biji%1").arg(site.Webid);
        openAnswering(name, site, MessageBox::Ok);

        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("表名不存在，是否要创建？"));
        QCOMPARE(shown[0].title, QStringLiteral("提示"));
        QCOMPARE(shown[0].buttons, MessageBox::OkCancel);
        QCOMPARE(shown[0].icon, MessageBox::Question);
        QCOMPARE(shown[1].text, QStringLiteral("创建完毕!"));
        QCOMPARE(shown[1].title, QStringLiteral("Tavorin"));
        QCOMPARE(shown[1].buttons, MessageBox::OkOnly);
        QCOMPARE(shown[1].icon, MessageBox::NoIcon);
        QVERIFY(tableExists(name));
        // The user opens the notes again to see the new table.
        QVERIFY(!Forms::loaded<FrmDetailed>());

        MessageBox::clearShown();
        QString again = name;
        OpenWebsiteNotes(again, site);
        QVERIFY(MessageBox::shown().isEmpty());
        FrmDetailed *notes = Forms::loaded<FrmDetailed>();
        QVERIFY(notes);
        QVERIFY(notes->isVisible());
        QCOMPARE(notes->Bijiname, name);
        QCOMPARE(notes->OriId, site.Webid);
        QCOMPARE(notes->grid()->model()->rowCount(), 0);
        QCOMPARE(notes->findChild<QLabel *>(QStringLiteral("Webname"))->text(), QStringLiteral("例子网"));
        QCOMPARE(notes->findChild<QLabel *>(QStringLiteral("Weburl"))->text(), QStringLiteral("  www.example.com "));
        QCOMPARE(notes->findChild<QLabel *>(QStringLiteral("Webtime"))->text(),
                 QStringLiteral("「") + DateText::toText(QDate(2011, 10, 1)) + QStringLiteral(" 动手」"));
    }

    void defaultColumns_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name");
        QTest::addColumn<db::ColumnType>("type");
        QTest::addColumn<int>("size");
        QTest::addColumn<bool>("nullable");
        QTest::addColumn<bool>("autoIncrement");
        QTest::addColumn<QString>("defaultText"); // null: no default

        const QString today = DateText::toPlainText(QDate::currentDate());
        QTest::newRow("AutoId") << 0 << "AutoId" << db::ColumnType::LongInteger << 0 << false << true << QString();
        QTest::newRow("时间") << 1 << "时间" << db::ColumnType::DateTime << 0 << false << false << today;
        QTest::newRow("备注") << 2 << "备注" << db::ColumnType::Memo << 0 << true << false << QString();
        QTest::newRow("百度收入量") << 3 << "百度收入量" << db::ColumnType::Text << 50 << false << false << "收入*/反向*";
        QTest::newRow("谷歌收入量") << 4 << "谷歌收入量" << db::ColumnType::Text << 50 << false << false << "收入*/反向*";
        QTest::newRow("雅虎收入量") << 5 << "雅虎收入量" << db::ColumnType::Text << 50 << false << false << "收入*/反向*";
        QTest::newRow("PR") << 6 << "PR" << db::ColumnType::Text << 10 << false << false << "0";
        QTest::newRow("◆关键词1") << 7 << "◆关键词1" << db::ColumnType::Text << 50 << false << false << "百度*/谷歌*";
    }

    void defaultColumns()
    {
        QFETCH(int, position);
        QFETCH(QString, name);
        QFETCH(db::ColumnType, type);
        QFETCH(int, size);
        QFETCH(bool, nullable);
        QFETCH(bool, autoIncrement);
        QFETCH(QString, defaultText);

        QString table = QStringLiteral("biji12");
        CreateNotesTable(table);
        db::Catalog catalog(DbFunc::ConnString);
        const auto columns = catalog.columns(table);
        QCOMPARE(columns.size(), 8);
        const db::ColumnDef &col = columns[position];
        QCOMPARE(col.name, name);
        QCOMPARE(col.type, type);
        if (type == db::ColumnType::Text)
            QCOMPARE(col.size, size);
        QCOMPARE(col.nullable, nullable);
        QCOMPARE(col.autoIncrement, autoIncrement);
        QCOMPARE(col.defaultText.has_value(), !defaultText.isNull());
        if (col.defaultText)
            QCOMPARE(*col.defaultText, defaultText);
    }

    void createdTableTakesRowsWithDefaults()
    {
        QString table = QStringLiteral("biji3");
        CreateNotesTable(table);
        m_db->exec(QStringLiteral("INSERT INTO biji3([备注]) VALUES('x')"));
        m_db->exec(QStringLiteral("INSERT INTO biji3([备注]) VALUES('y')"));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT max(AutoId) FROM biji3")).toInt(), 2);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [时间] FROM biji3 WHERE AutoId = 1")).toDate(), QDate::currentDate());
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT PR FROM biji3 WHERE AutoId = 2")).toString(), QStringLiteral("0"));
    }

    void cancelLeavesNoTable()
    {
        const WebsiteRow site = addWebsite(QStringLiteral("a"), QStringLiteral("b"), QDate(2011, 10, 1));
        const QString name = QStringLiteral("biji%1").arg(site.Webid);
        openAnswering(name, site, MessageBox::Cancel);
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("表名不存在，是否要创建？")});
        QVERIFY(!tableExists(name));
        QVERIFY(!Forms::loaded<FrmDetailed>());
    }

    void existenceIsAnExactNameMatch_data()
    {
        QTest::addColumn<QString>("existing");
        QTest::addColumn<QString>("opened");
        QTest::newRow("biji70 exists, biji7 opened") << "biji70" << "biji7";
        QTest::newRow("biji7 exists, biji70 opened") << "biji7" << "biji70";
    }

    void existenceIsAnExactNameMatch()
    {
        QFETCH(QString, existing);
        QFETCH(QString, opened);
        CreateNotesTable(existing);
        MessageBox::clearShown();
        WebsiteRow row;
        row.Webid = opened.mid(4).toInt();
        openAnswering(opened, row, MessageBox::Cancel);
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("表名不存在，是否要创建？")});
        QVERIFY(!tableExists(opened));
    }

    void creatingAnExistingTableFailsWithoutSuccessMessage()
    {
        QString table = QStringLiteral("biji5");
        CreateNotesTable(table);
        m_db->exec(QStringLiteral("INSERT INTO biji5([备注]) VALUES('kept')"));
        MessageBox::clearShown();
        QVERIFY_THROWS_EXCEPTION(db::DbError, CreateNotesTable(table));
        QVERIFY(!MessageBox::shown().contains(QStringLiteral("创建完毕!")));
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [备注] FROM biji5")).toString(), QStringLiteral("kept"));
    }

    void openWindowSwitchesToAnotherWebsite()
    {
        const WebsiteRow first = addWebsite(QStringLiteral("甲"), QStringLiteral("a.cn"), QDate(2011, 10, 1));
        const WebsiteRow second = addWebsite(QStringLiteral("乙"), QStringLiteral("b.cn"), QDate(2011, 10, 2));
        QString a = QStringLiteral("biji%1").arg(first.Webid);
        QString b = QStringLiteral("biji%1").arg(second.Webid);
        CreateNotesTable(a);
        CreateNotesTable(b);
        m_db->exec(QStringLiteral("INSERT INTO %1([时间]) VALUES('2011-10-01')").arg(a));
        m_db->exec(QStringLiteral("INSERT INTO %1([时间]) VALUES('2011-10-02')").arg(b));
        m_db->exec(QStringLiteral("INSERT INTO %1([时间]) VALUES('2011-10-03')").arg(b));

        OpenWebsiteNotes(a, first);
        FrmDetailed *notes = Forms::loaded<FrmDetailed>();
        QVERIFY(notes);
        QCOMPARE(notes->grid()->model()->rowCount(), 1);

        OpenWebsiteNotes(b, second);
        QCOMPARE(Forms::loaded<FrmDetailed>(), notes);
        QCOMPARE(notes->Bijiname, b);
        QCOMPARE(notes->OriId, second.Webid);
        QCOMPARE(notes->findChild<QLabel *>(QStringLiteral("Webname"))->text(), QStringLiteral("乙"));
        QCOMPARE(notes->grid()->model()->rowCount(), 2);
    }
};

QTEST_MAIN(TestNotesTable)
#include "tst_notestable.moc"
