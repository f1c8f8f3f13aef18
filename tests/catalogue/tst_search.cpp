// The main window's search frame: which websites a search lists, in which
// order, and what the window offers afterwards.

#include "MainWindowFixture.h"

#include <QComboBox>

class TstSearch : public QObject, private MainWindowFixture {
    Q_OBJECT

private:
    // Ids 1..6; dates run against the ids so that the list order (newest
    // first) and the search order (by id) differ.
    static QList<SiteSeed> catalogue()
    {
        return {{QStringLiteral("百度优化"), QStringLiteral("http://www.a.cn"), QStringLiteral("2011-06-01"), {}},
                {QStringLiteral("O'Reilly"), QStringLiteral("http://oreilly.com"), QStringLiteral("2011-05-01"), {}},
                {QStringLiteral("Abc Shop"), QStringLiteral("http://shop.abc.cn"), QStringLiteral("2011-04-01"), {}},
                {QStringLiteral("谷歌优化站"), QStringLiteral("http://b.cn/x y"), QStringLiteral("2011-03-01"), {}},
                {QStringLiteral("50%折扣"), QStringLiteral("http://c.cn"), QStringLiteral("2011-02-01"), {}},
                {QStringLiteral("abcdef"), QStringLiteral("http://abc.cn"), QStringLiteral("2011-01-01"), {}}};
    }

    static void search(const QString &field, const QString &text)
    {
        w()->lstFields->setCurrentIndex(w()->lstFields->findText(field));
        w()->txtExpression->clear();
        if (!text.isEmpty())
            type(w()->txtExpression, text);
        click(QStringLiteral("cmdsou"));
    }

private slots:
    void cleanup() { reset(); }

    void matches_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ids"); // in the order listed

        QTest::newRow("name contains 优化, lowest id first") << "网站名称" << "优化" << QStringList{"1", "4"};
        QTest::newRow("letter case ignored") << "网站名称" << "ABC" << QStringList{"3", "6"};
        QTest::newRow("address") << "网址" << "abc" << QStringList{"3", "6"};
        QTest::newRow("no field chosen searches the name") << "" << "shop" << QStringList{"3"};
        QTest::newRow("empty text lists all by id") << "网站名称" << "" << QStringList{"1", "2", "3", "4", "5", "6"};
        QTest::newRow("leading space takes part") << "网站名称" << " Shop" << QStringList{"3"};
        QTest::newRow("trailing space takes part") << "网站名称" << "def " << QStringList{};
        QTest::newRow("trailing space inside a name") << "网站名称" << "abc " << QStringList{"3"};
        QTest::newRow("space inside an address") << "网址" << "x y" << QStringList{"4"};
        QTest::newRow("quote in the text") << "网站名称" << "O'Re" << QStringList{"2"};
        QTest::newRow("lone quote") << "网站名称" << "'" << QStringList{"2"};
        QTest::newRow("nothing matches") << "网址" << "nowhere" << QStringList{};
    }

    void matches()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QStringList, ids);

        makeDb(catalogue());
        openWindow();
        search(field, text);

        QCOMPARE(gridColumn(0), ids);
        QCOMPARE(status(), QStringLiteral("搜索"));
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().join(QLatin1Char('|'))));
        const bool any = !ids.isEmpty();
        for (const char *name : {"Fii1", "Fii2", "Fii3", "Fii4", "cmdlast", "cmdnext", "Cmd_XG", "Cmd_goto"})
            QCOMPARE(child(QLatin1String(name))->isEnabled(), any);
        for (const char *key : {"Looksite", "Modify", "Delete"})
            QCOMPARE(action(QLatin1String(key))->isEnabled(), any);
        if (any) {
            QCOMPARE(gridRow(), 0);
            QCOMPARE(w()->Cmdbianhao->text(), ids.first());
            QCOMPARE(w()->Frame2->title(), QStringLiteral("编号：") + ids.first());
            QCOMPARE(w()->Webname->text(), catalogue()[ids.first().toInt() - 1].name);
        } else {
            QCOMPARE(gridRow(), -1);
            QCOMPARE(w()->Webname->text(), QString());
            QCOMPARE(w()->WebOriId->text(), QString());
        }
        // The search text and field stay for the next search.
        QCOMPARE(w()->txtExpression->text(), text);
    }

    void navigationStaysWithinTheResult()
    {
        makeDb(catalogue());
        openWindow();
        search(QStringLiteral("网站名称"), QStringLiteral("优化"));
        click(QStringLiteral("Fii4"));
        QCOMPARE(w()->Cmdbianhao->text(), QStringLiteral("4"));
        QCOMPARE(w()->Webname->text(), QStringLiteral("谷歌优化站"));
        click(QStringLiteral("Fii2"));
        QCOMPARE(w()->Cmdbianhao->text(), QStringLiteral("1"));
    }

    void refreshBringsBackTheFullList()
    {
        makeDb(catalogue());
        openWindow();
        search(QStringLiteral("网址"), QStringLiteral("abc"));
        QCOMPARE(gridColumn(0).size(), 2);
        trigger(QStringLiteral("NRefresh"));
        QCOMPARE(gridColumn(0), QStringList({"1", "2", "3", "4", "5", "6"})); // newest date first
        QCOMPARE(status(), QStringLiteral("刷新显示"));
        QCOMPARE(gridRow(), 0);
    }

    void deleteAfterSearchReloadsTheFullList()
    {
        makeDb(catalogue());
        openWindow();
        search(QStringLiteral("网站名称"), QStringLiteral("优化"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger(QStringLiteral("Delete"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM Website WHERE Webid=1")).toInt(), 0);
        QCOMPARE(gridColumn(0), QStringList({"2", "3", "4", "5", "6"}));
    }

    void failedQueryIsReportedAndLeavesNothingOpen()
    {
        makeDb(catalogue());
        openWindow();
        search(QStringLiteral("网站名称"), QStringLiteral("优化"));
        db->exec(QStringLiteral("ALTER TABLE Website RENAME TO WebsiteGone"));
        MessageBox::clearShown();
        search(QStringLiteral("网站名称"), QStringLiteral("abc"));

        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("没有符合条件的记录！"));
        QCOMPARE(shown[0].title, QStringLiteral("确认"));
        QCOMPARE(shown[0].icon, MessageBox::Exclamation);
        QCOMPARE(shown[0].buttons, MessageBox::OkOnly);
        // The previous result cannot be read again either: the window shows
        // an empty list and offers nothing that needs a current website.
        QCOMPARE(w()->DataGrid1->model()->rowCount(), 0);
        QVERIFY(!child(QStringLiteral("Fii1"))->isEnabled());
        QVERIFY(!action(QStringLiteral("Delete"))->isEnabled());
        QCOMPARE(w()->Webname->text(), QString());

        db->exec(QStringLiteral("ALTER TABLE WebsiteGone RENAME TO Website"));
        trigger(QStringLiteral("NRefresh"));
        QCOMPARE(gridColumn(0).size(), 6);
        QVERIFY(child(QStringLiteral("Fii1"))->isEnabled());
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstSearch)
#include "tst_search.moc"
