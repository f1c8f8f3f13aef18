// A website's notes table: made on request with its default columns, and
// opened in the notes window.
#include "NotesFixture.h"

#include "core/db/DbError.h"

class TestNotesTable : public QObject, private NotesFixture {
    Q_OBJECT

    WebsiteRow addWebsite(const QString &name, const QString &url, const QDate &taken)
    {
        m_db->exec(QStringLiteral("INSERT INTO Website(Webname, Weburl, Webtime, Webmemos) VALUES('%1', '%2', '%3', '')")
                       .arg(name, url, taken.toString(Qt::ISODate)));
        WebsiteRow row;
        row.Webid = count(QStringLiteral("SELECT max(Webid) FROM Website"));
        row.Webname = name;
        row.Weburl = url;
        row.Webtime = taken;
        return row;
    }
    bool tableExists(const QString &name) const
    {
        return count(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = '%1'").arg(name)) == 1;
    }
    static QString label(FrmDetailed *w, const QString &name) { return w->findChild<QLabel *>(name)->text(); }

private slots:
    void init() { start(false); }
    void cleanup() { stop(); }

    void missingTableIsOfferedOnceAndCreated()
    {
        const WebsiteRow site = addWebsite("  例子网 ", "www.example.com", QDate(2011, 10, 1));
        QString name = QStringLiteral("biji%1").arg(site.Webid);
        MessageBox::setNextAnswer(MessageBox::Ok);
        OpenWebsiteNotes(name, site);
        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(QStringLiteral("%1|%2|%3|%4").arg(shown[0].text, shown[0].title).arg(shown[0].buttons).arg(shown[0].icon),
                 QStringLiteral("表名不存在，是否要创建？|提示|%1|%2").arg(MessageBox::OkCancel).arg(MessageBox::Question));
        QCOMPARE(shown[1].text, QStringLiteral("创建完毕!"));
        QVERIFY(tableExists(name));
        QVERIFY(!Forms::loaded<FrmDetailed>()); // the user opens the notes again to see the new table

        MessageBox::clearShown();
        OpenWebsiteNotes(name, site);
        QVERIFY(MessageBox::shown().isEmpty());
        FrmDetailed *notes = Forms::loaded<FrmDetailed>();
        QVERIFY(notes && notes->isVisible());
        QCOMPARE(notes->Bijiname, name);
        QCOMPARE(notes->OriId, site.Webid);
        QCOMPARE(notes->grid()->model()->rowCount(), 0);
        QCOMPARE(label(notes, "Webname"), QStringLiteral("例子网"));
        QCOMPARE(label(notes, "Weburl"), QStringLiteral("  www.example.com "));
        QCOMPARE(label(notes, "Webtime"), "「" + DateText::toText(QDate(2011, 10, 1)) + " 动手」");
    }

    void defaultColumnsAndRows()
    {
        QString table = QStringLiteral("biji3");
        CreateNotesTable(table);
        // name, type, size of text, nullable, auto-increment, default
        QStringList described;
        for (const db::ColumnDef &c : db::Catalog(DbFunc::ConnString).columns(table))
            described << QStringLiteral("%1 %2 %3 %4%5 %6").arg(c.name).arg(int(c.type))
                             .arg(c.type == db::ColumnType::Text ? c.size : 0).arg(c.nullable).arg(c.autoIncrement)
                             .arg(c.defaultText.value_or(QStringLiteral("-")));
        const auto t = [](db::ColumnType type) { return QString::number(int(type)); };
        const QString tx = t(db::ColumnType::Text);
        QCOMPARE(described, QStringList({"AutoId " + t(db::ColumnType::LongInteger) + " 0 01 -",
                                         "时间 " + t(db::ColumnType::DateTime) + " 0 00 " + DateText::toPlainText(QDate::currentDate()),
                                         "备注 " + t(db::ColumnType::Memo) + " 0 10 -", "百度收入量 " + tx + " 50 00 收入*/反向*",
                                         "谷歌收入量 " + tx + " 50 00 收入*/反向*", "雅虎收入量 " + tx + " 50 00 收入*/反向*",
                                         "PR " + tx + " 10 00 0", "◆关键词1 " + tx + " 50 00 百度*/谷歌*"}));
        m_db->exec(QStringLiteral("INSERT INTO biji3([备注]) VALUES('x')"));
        m_db->exec(QStringLiteral("INSERT INTO biji3([备注]) VALUES('y')"));
        QCOMPARE(count("SELECT max(AutoId) FROM biji3"), 2);
        QCOMPARE(m_db->scalar(QStringLiteral("SELECT [时间] FROM biji3 WHERE AutoId = 1")).toDate(), QDate::currentDate());
        QCOMPARE(text("SELECT PR FROM biji3 WHERE AutoId = 2"), QStringLiteral("0"));
    }

    void declinedCreationLeavesNoTable_data()
    {
        QTest::addColumn<QString>("existing"); // names differ only by a digit: existence is an exact match
        QTest::addColumn<QString>("opened");
        QTest::newRow("no table") << "" << "biji1";
        QTest::newRow("biji70 exists, biji7 opened") << "biji70" << "biji7";
        QTest::newRow("biji7 exists, biji70 opened") << "biji7" << "biji70";
    }

    void declinedCreationLeavesNoTable()
    {
        QFETCH(QString, existing);
        QFETCH(QString, opened);
        if (!existing.isEmpty())
            CreateNotesTable(existing);
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Cancel);
        OpenWebsiteNotes(opened, addWebsite("a", "b", QDate(2011, 10, 1)));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("表名不存在，是否要创建？")});
        QVERIFY(!tableExists(opened));
        QVERIFY(!Forms::loaded<FrmDetailed>());
    }

    void creatingAnExistingTableFailsWithoutSuccessMessage()
    {
        QString table = QStringLiteral("biji5");
        CreateNotesTable(table);
        m_db->exec(QStringLiteral("INSERT INTO biji5([备注]) VALUES('kept')"));
        MessageBox::clearShown();
        QVERIFY_THROWS_EXCEPTION(db::DbError, CreateNotesTable(table));
        QVERIFY(MessageBox::shown().isEmpty());
        QCOMPARE(text("SELECT [备注] FROM biji5"), QStringLiteral("kept"));
    }

    void openWindowSwitchesToAnotherWebsite()
    {
        const WebsiteRow first = addWebsite("甲", "a.cn", QDate(2011, 10, 1));
        const WebsiteRow second = addWebsite("乙", "b.cn", QDate(2011, 10, 2));
        QString a = QStringLiteral("biji%1").arg(first.Webid), b = QStringLiteral("biji%1").arg(second.Webid);
        CreateNotesTable(a);
        CreateNotesTable(b);
        m_db->exec(QStringLiteral("INSERT INTO %1([时间]) VALUES('2011-10-01')").arg(a));
        m_db->exec(QStringLiteral("INSERT INTO %1([时间]) VALUES('2011-10-02'), ('2011-10-03')").arg(b));
        OpenWebsiteNotes(a, first);
        FrmDetailed *notes = Forms::loaded<FrmDetailed>();
        QVERIFY(notes);
        QCOMPARE(notes->grid()->model()->rowCount(), 1);
        OpenWebsiteNotes(b, second);
        QCOMPARE(Forms::loaded<FrmDetailed>(), notes);
        QCOMPARE(notes->Bijiname + QString::number(notes->OriId), b + QString::number(second.Webid));
        QCOMPARE(label(notes, "Webname"), QStringLiteral("乙"));
        QCOMPARE(notes->grid()->model()->rowCount(), 2);
    }
};

QTEST_MAIN(TestNotesTable)
#include "tst_notestable.moc"
