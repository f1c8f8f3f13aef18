// The main window's search frame: which websites a search lists, in which
// order, and what the window offers afterwards.

#include "MainWindowFixture.h"

class TstSearch : public QObject, private MainWindowFixture {
    Q_OBJECT

private:
    // Ids 1..6; dates run against the ids so that the list order (newest
    // first) and the search order (by id) differ.
    void openCatalogue()
    {
        makeDb({{"百度优化", "http://www.a.cn", "2011-06-01", ""}, {"O'Reilly", "http://oreilly.com", "2011-05-01", ""},
                {"Abc Shop", "http://shop.abc.cn", "2011-04-01", ""}, {"谷歌优化站", "http://b.cn/x y", "2011-03-01", ""},
                {"50%折扣", "http://c.cn", "2011-02-01", ""}, {"abcdef", "http://abc.cn", "2011-01-01", ""}});
        openWindow();
    }

    static void search(const QString &field, const QString &text)
    {
        w()->search->fieldList->setCurrentIndex(w()->search->fieldList->findText(field));
        w()->search->textBox->clear();
        type(w()->search->textBox, text);
        click("cmdsou");
    }

private slots:
    void cleanup() { reset(); }

    void matches_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ids"); // in the order listed
        QTest::newRow("name contains, lowest id first") << "网站名称" << "优化" << QStringList{"1", "4"};
        QTest::newRow("address") << "网址" << "abc" << QStringList{"3", "6"};
        QTest::newRow("empty text lists all by id") << "网站名称" << "" << QStringList{"1", "2", "3", "4", "5", "6"};
        QTest::newRow("spaces take part") << "网站名称" << "def " << QStringList{};
        QTest::newRow("percent is no wildcard") << "网站名称" << "%折" << QStringList{"5"};
        QTest::newRow("lone quote") << "网站名称" << "'" << QStringList{"2"};
    }

    void matches()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QStringList, ids);
        openCatalogue();
        search(field, text);
        QCOMPARE(gridColumn(0), ids);
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().join(QLatin1Char('|'))));
        QCOMPARE(enabled("Cmd_XG"), !ids.isEmpty());
        QCOMPARE(w()->browser->idBox->text(), ids.value(0));
    }

    void failedQueryIsReportedAndLeavesNothingOpen()
    {
        openCatalogue();
        db->exec(QStringLiteral("ALTER TABLE Website RENAME TO WebsiteGone"));
        MessageBox::clearShown();
        search("网站名称", "abc");
        QCOMPARE(onlyShown(), QStringLiteral("没有符合条件的记录！|确认|%1|%2").arg(MessageBox::OkOnly).arg(MessageBox::Exclamation));
        QCOMPARE(w()->browser->grid->model()->rowCount(), 0);
        QVERIFY(!enabled("Fii1") && !action("Delete")->isEnabled());
        db->exec(QStringLiteral("ALTER TABLE WebsiteGone RENAME TO Website"));
        trigger("NRefresh");
        QCOMPARE(gridColumn(0).size(), 6);
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstSearch)
#include "tst_search.moc"
