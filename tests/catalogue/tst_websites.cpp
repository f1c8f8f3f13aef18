// Websites: the store (what it stores, the reset record, trimming and letter
// case, quotes, ids beyond 16 bits, a missing date); the edit dialog opened
// from the main window's toolbar to add or change one; and the main window
// when the catalogue changes behind it or holds awkward names: a website
// deleted elsewhere, a change that moves the website in the list, a delete
// that must take the notes with it or nothing, a damaged file.

#include "MainWindowFixture.h"

#include "catalogue/Website.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "notes/NotesTable.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

class TstWebsites : public QObject, private MainWindowFixture {
    Q_OBJECT

    static void add(const TestDb &t, int id, const QString &name, const QString &url = "http://x", const QString &memo = "m")
    {
        t.exec(QString("INSERT INTO Website VALUES(%1,'%2','%3','2011-10-25','%4')").arg(id).arg(name, url, memo));
    }
    static QString fields(const Website &w)
    {
        return QStringLiteral("%1|%2|%3|%4|%5").arg(w.Webid).arg(w.Webname, w.Weburl, w.Webtime.toString(Qt::ISODate), w.Webmemos);
    }

private slots:
    void cleanup() { reset(); }

    // A change to a website removed meanwhile is not reported as saved, and
    // what was typed stays for the user to keep elsewhere; Goto says so and
    // makes no notes table without a website behind it.
    void actOnAVanishedWebsite_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QStringList>("said"); // parts of what is shown
        QTest::newRow("change in place") << "in place" << QStringList{"已不存在", "没有保存"};
        QTest::newRow("change through the dialog") << "dialog" << QStringList{"已不存在", "没有保存"};
        QTest::newRow("goto") << "goto" << QStringList{"已被删除"};
    }
    void actOnAVanishedWebsite()
    {
        QFETCH(QString, how);
        QFETCH(QStringList, said);
        makeDb(sitesByAge(2));
        openWindow();
        db->exec(u"DELETE FROM Website WHERE Webid = 2"_s); // the current one, from elsewhere
        QStringList shown;
        bool kept = false;
        if (how == u"in place"_s) {
            w()->details->memoBox->setPlainText(u"typed memo"_s);
            MessageBox::clearShown();
            click(u"Cmd_XG"_s);
            shown = MessageBox::shown();
            kept = w()->details->memoBox->toPlainText() == u"typed memo"_s;
        } else if (how == u"dialog"_s) {
            const DialogSeen seen = runDialog(u"Modify"_s, {Keep, Keep, Keep, u"typed memo"_s});
            shown = seen.messages;
            kept = seen.stillOpen && seen.memoLeft == u"typed memo"_s;
        } else {
            MessageBox::setNextAnswer(MessageBox::Ok); // would create the table if asked
            click(u"Cmd_goto"_s);
            shown = MessageBox::shown();
            kept = shown.size() == 1 && !db->hasTable(u"biji2"_s) && gridColumn(1) == QStringList{u"site1"_s};
        }
        for (const QString &part : said)
            QVERIFY2(shown.join(u'|').contains(part), qPrintable(shown.join(u'|')));
        QVERIFY(kept);
        QCOMPARE(count("SELECT count(*) FROM Website"), 1);
    }

    // After a change the same website stays current, wherever it now stands.
    void changeKeepsTheSameWebsiteCurrent_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("row"); // where site2 stands afterwards
        QTest::newRow("date moved it, in place") << "in place" << 0;
        QTest::newRow("date moved it, dialog") << "dialog" << 0;
        QTest::newRow("changed after a search") << "after search" << 1;
    }
    void changeKeepsTheSameWebsiteCurrent()
    {
        QFETCH(QString, how);
        makeDb(sitesByAge(3)); // listed site3, site2, site1
        openWindow();
        if (how == u"after search"_s) {
            w()->search->textBox->setText(u"site2"_s);
            click(u"cmdsou"_s);
            w()->details->memoBox->setPlainText(u"new memo"_s);
            click(u"Cmd_XG"_s);
        } else {
            click(u"cmdnext"_s); // site2
            if (how == u"in place"_s) {
                w()->details->dateBox->setText(u"2012-01-01"_s);
                click(u"Cmd_XG"_s);
            } else {
                runDialog(u"Modify"_s, {Keep, Keep, u"2012-01-01"_s, Keep});
            }
        }
        QTEST(gridRow(), "row");
        QCOMPARE(w()->browser->idBox->text(), u"2"_s);
        QCOMPARE(w()->details->nameBox->text(), u"site2"_s);
    }

    // The website and its notes table go together or not at all, whether
    // the file numbers websites with AUTOINCREMENT or reuses their ids.
    void deleteTakesTheNotesOrNothing_data()
    {
        QTest::addColumn<bool>("autoincrement");
        QTest::newRow("with AUTOINCREMENT") << true;
        QTest::newRow("without AUTOINCREMENT") << false;
    }
    void deleteTakesTheNotesOrNothing()
    {
        QFETCH(bool, autoincrement);
        if (TestDb::onServer())
            QSKIP("a failure half-way is made with SQLite's own lock; the server's transaction is the same code");
        makeDb();
        if (!autoincrement) {
            db->exec(u"DROP TABLE Website"_s);
            db->exec(u"CREATE TABLE Website (Webid INTEGER PRIMARY KEY, Webname TEXT COLLATE NOCASE,"
                     " Weburl TEXT, Webtime DATETIME, Webmemos LONGTEXT)"_s);
        }
        for (const SiteSeed &s : sitesByAge(2))
            insert(s);
        QString table = u"biji2"_s;
        createNotesTable(table);
        db->exec(u"INSERT INTO biji2 ([备注]) VALUES ('observed')"_s);
        openWindow();
        // A reader part-way through the notes table keeps it from being dropped.
        sqlite3_stmt *reader = nullptr;
        sqlite3_prepare_v2(Database::sharedConnection()->handle(), "SELECT * FROM biji2", -1, &reader, nullptr);
        QCOMPARE(sqlite3_step(reader), SQLITE_ROW);
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Yes);
        try {
            trigger(u"Delete"_s);
        } catch (const db::DbError &) {
        }
        sqlite3_finalize(reader);
        QVERIFY(!MessageBox::shown().contains(u"删除成功"_s));
        QCOMPARE(count("SELECT count(*) FROM Website WHERE Webid = 2"), 1);
        QVERIFY(db->hasTable(table));

        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger(u"Delete"_s);
        QCOMPARE(MessageBox::shown().last(), u"删除成功"_s);
        QCOMPARE(count("SELECT count(*) FROM Website WHERE Webid = 2"), 0);
        QVERIFY(!db->hasTable(table));
    }

    // A damaged Website table is reported when the list loads, not shown as
    // an empty catalogue.
    void damagedListIsReportedWhenItLoads()
    {
        if (TestDb::onServer())
            QSKIP("a damaged file: a question of the file engine alone");
        makeDb();
        db->exec(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300)"
                 " INSERT INTO Website (Webname, Webtime, Webmemos) SELECT 'site' || i, '2011-01-01', hex(zeroblob(200)) FROM n"_s);
        const int root = count("SELECT rootpage FROM sqlite_master WHERE name = 'Website'");
        const int pageSize = count("PRAGMA page_size");
        {
            QFile file(db->dbPath());
            QVERIFY(file.open(QIODevice::ReadWrite));
            file.seek(qint64(root - 1) * pageSize);
            file.write(QByteArray(pageSize, '\x7f'));
        }
        openWindow();
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown()[0].contains(u"损坏"_s), qPrintable(MessageBox::shown()[0]));
    }

    // Passing through the dialog's date box drops the calendar in with the
    // box's own date, and saving then keeps the stored date.
    void dateBoxFocusKeepsTheStoredDate()
    {
        makeDb(sitesByAge(2));
        openWindow();
        bool dropped = false;
        QTimer::singleShot(0, [&dropped] {
            WebsiteDialog *d = Forms::loaded<WebsiteDialog>();
            if (!d)
                return;
            d->activateWindow();
            if (QTest::qWaitForWindowActive(d)) {
                d->dateBox->setFocus();
                dropped = d->calendar->isVisible() && d->calendar->selectedDate() == QDate(2011, 1, 3);
            }
            QTest::mouseClick(d->okButton, Qt::LeftButton);
            if (d->isVisible())
                d->reject();
        });
        trigger(u"Modify"_s);
        QVERIFY(dropped);
        QCOMPARE(storedSite(2).value(2), u"2011-01-03"_s);
        QCOMPARE(MessageBox::shown(), QStringList{u"修改成功"_s});
    }

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

    // Cancel writes nothing; the list is loaded anew.
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

    void storesQuotesAsTypedAndNamesComposed()
    {
        TestDb t;
        QVERIFY_THROWS_EXCEPTION(db::DbError, Website().insert()); // no date: refused before writing
        Website w;
        w.Webname = QStringLiteral(" O'优化 Sen\u0303or ");
        w.Weburl = " http://a'.cn ";
        w.Webtime = QDate(2012, 2, 29);
        w.Webmemos = " it's ";
        w.insert();
        QCOMPARE(t.joined("SELECT Webname || '|' || Weburl || '|' || Webmemos FROM Website"),
                 QStringLiteral("O'优化 Señor|http://a'.cn|it's"));
        w.load(1);
        QCOMPARE(fields(w), QStringLiteral("1|O'优化 Señor|http://a'.cn|2012-02-29|it's"));
        QVERIFY(w.exists(QStringLiteral(" o'优化 Sen\u0303or ")));
        QCOMPARE(w.update(1), 1);
        w.remove(1);
        QCOMPARE(w.update(1), 0);
        QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 0);
    }

    void getInfo_data()
    {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("fields");
        QTest::newRow("trims name and memo, not the address") << 3 << "3|name|  http://a  |2011-10-25|memo";
        QTest::newRow("zero gives the reset record") << 0 << "0|||2011-10-25|";
        QTest::newRow("vanished id gives the reset record") << 5 << "0|||2011-10-25|";
        QTest::newRow("id beyond 16 bits") << 40000 << "40000|big|http://x|2011-10-25|m";
    }
    void getInfo()
    {
        QFETCH(int, id);
        TestDb t;
        add(t, 3, "  name  ", "  http://a  ", "  memo  ");
        add(t, 40000 - 65536, "wrapped"); // the row a 16-bit id would reach
        add(t, 40000, "big");
        Website w;
        w.Webname = "stale";
        w.load(id);
        QTEST(fields(w), "fields");
    }

    void findUpdateAndDeleteByTrimmedNameAndExactId()
    {
        TestDb t;
        add(t, 1, "abc");
        add(t, 40000 - 65536, "wrapped"); // the row a 16-bit id would reach
        add(t, 40000, "big");
        Website w;
        QVERIFY(w.exists("  ABC "));
        QVERIFY(!w.exists(""));
        QVERIFY(!w.exists("abcd"));
        w.load(1);
        w.Webname = "changed";
        w.update(40000);
        w.remove(1);
        QCOMPARE(t.joined("SELECT Webname FROM Website ORDER BY Webid"),
                 QString("wrapped,changed"));
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstWebsites)
#include "tst_websites.moc"
