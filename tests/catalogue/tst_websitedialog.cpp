// The website edit dialog, opened from the main window's toolbar to add or
// change a website.

#include "MainWindowFixture.h"

class TstWebsiteDialog : public QObject, private MainWindowFixture {
    Q_OBJECT

private slots:
    void cleanup() { reset(); }

    void save_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("typed"); // name, url, date, memo
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");      // empty: the dialog closed
        QTest::addColumn<QStringList>("stored"); // the new row or site2 afterwards
        const QStringList none{""}, site2{"site2", "http://s2.cn", "2011-01-03", "memo2"};
        const QString taken = QStringLiteral("网站名称已经存在，请重新输入");
        QTest::newRow("add: only name and date") << "Add" << QStringList{"新站", "", "2012/3/4", ""} << "添加成功" << ""
                                                 << QStringList{"新站", "http://", "2012-03-04", "无"};
        QTest::newRow("add: quotes as typed") << "Add" << QStringList{"O'Reilly", "http://o.cn/'", "2012/3/4", "it's"}
                                              << "添加成功" << "" << QStringList{"O'Reilly", "http://o.cn/'", "2012-03-04", "it's"};
        QTest::newRow("add: existing name, other case") << "Add" << QStringList{"  SITE1 ", "", "2012/3/4", ""} << taken
                                                        << "Webname" << none;
        QTest::newRow("add: blank date") << "Add" << QStringList{"x", "", "  ", ""} << "请输入日期" << "Webtime" << none;
        QTest::newRow("modify: rename") << "Modify" << QStringList{"renamed", Keep, Keep, Keep} << "修改成功" << ""
                                        << QStringList{"renamed", "http://s2.cn", "2011-01-03", "memo2"};
        QTest::newRow("modify: only letter case changed") << "Modify" << QStringList{"SITE2", Keep, Keep, Keep} << taken
                                                          << "Webname" << site2;
        QTest::newRow("modify: name of another website") << "Modify" << QStringList{"Site3", Keep, Keep, Keep} << taken
                                                         << "Webname" << site2;
    }

    void save()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, typed);
        QFETCH(QString, focus);
        const bool add = key == QLatin1String("Add");
        makeDb(sitesByAge(3));
        openWindow();
        if (!add)
            click("cmdnext"); // site2, second row
        const DialogSeen seen = runDialog(key, typed);

        QCOMPARE(seen.boxes, add ? QStringList({"添加网站信息", "", "", "", ""})
                                 : QStringList({"修改网站信息", "site2", "http://s2.cn", "2011/1/3", "memo2"}));
        QTEST(seen.messages.join(QLatin1Char('|')), "message");
        QCOMPARE(seen.stillOpen, !focus.isEmpty());
        QTEST(storedSite(add ? 4 : 2), "stored");
        if (!focus.isEmpty())
            QCOMPARE(seen.focus, focus);
        else // reloaded: a new website is the newest, a changed one keeps its row
            QCOMPARE(gridColumn(1)[add ? 0 : 1], add ? typed[0] : w()->details->nameBox->text());
    }

    // A name or address stored longer than the dialog's boxes take (typed in
    // the details frame) survives a change made through the dialog.
    void modifyKeepsLongValues()
    {
        makeDb(sitesByAge(3));
        const QString name = QStringLiteral("名") + QString(120, QLatin1Char('n'));
        const QString url = QStringLiteral("http://s2.cn/?") + QString(240, QLatin1Char('q'));
        db->exec(QStringLiteral("UPDATE Website SET Webname='%1', Weburl='%2' WHERE Webid=2").arg(name, url));
        openWindow();
        click("cmdnext");
        const DialogSeen seen = runDialog("Modify", {Keep, Keep, Keep, "new memo"});
        QCOMPARE(seen.messages, QStringList{QStringLiteral("修改成功")});
        QCOMPARE(storedSite(2), (QStringList{name, url, "2011-01-03", "new memo"}));
    }

    // Another worker deleted the website while the dialog was open: nothing
    // is written and no success is claimed.
    void cancelStoresNothingAndReloads()
    {
        makeDb(sitesByAge(2));
        openWindow();
        insert({"later", "http://l.cn", "2015-01-01", ""}); // behind the window's back: only a reload shows it
        const DialogSeen seen = runDialog("Add", {"typed", "http://t.cn", "2012/1/1", "m"}, false);
        QVERIFY(seen.opened && seen.messages.isEmpty());
        QCOMPARE(count("SELECT count(*) FROM Website WHERE Webname='typed'"), 0);
        QCOMPARE(gridColumn(1), QStringList({"later", "site2", "site1"}));
        // The next add starts empty, whatever the last dialog showed.
        QCOMPARE(runDialog("Add", {}, false).boxes, QStringList({"添加网站信息", "", "", "", ""}));
    }

    void modifyWithoutCurrentRow()
    {
        makeDb(sitesByAge(2));
        openWindow();
        click("cmdnext");
        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger("Delete"); // the last row: the list is left after its end
        MessageBox::clearShown();
        QVERIFY(!runDialog("Modify", {}).opened);
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("请选择记录")});
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstWebsiteDialog)
#include "tst_websitedialog.moc"
