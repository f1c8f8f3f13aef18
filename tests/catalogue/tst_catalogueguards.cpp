// The main window when the catalogue changes behind it or holds awkward
// names: a website deleted elsewhere, a change that moves the website in the
// list, a delete that must take the notes with it or nothing, a damaged file.

#include "MainWindowFixture.h"

#include "catalogue/SearchPanel.h"
#include "catalogue/WebsiteBrowser.h"
#include "catalogue/WebsiteDetails.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "notes/NotesTable.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

class TstCatalogueGuards : public QObject, private MainWindowFixture {
    Q_OBJECT

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
        QFETCH(int, row);
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
        QCOMPARE(gridRow(), row);
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
};

TAVORIN_WINDOW_TEST_MAIN(TstCatalogueGuards)
#include "tst_catalogueguards.moc"
