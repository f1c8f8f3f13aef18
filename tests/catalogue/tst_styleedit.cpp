// The website edit dialog, opened from the main window's toolbar to add or
// change a website.

#include "MainWindowFixture.h"

#include "core/DateText.h"

#include <QCalendarWidget>

namespace {

struct DialogSeen {
    bool opened = false, stillOpen = false, calendarShown = false;
    QString caption, focus, dateAfterRefusal;
    QStringList boxes, messages; // boxes: name, url, date, memo as the dialog opened
};

// In a typed row: leave the box as the dialog filled it.
const QString Keep = QStringLiteral("<keep>");

} // namespace

class TstStyleEdit : public QObject, private MainWindowFixture {
    Q_OBJECT

private:
    // Opens the dialog with the toolbar key, types the four boxes, presses OK
    // (or Cancel) and records what the user saw.
    static DialogSeen runDialog(const QString &key, const QStringList &typed, bool ok = true)
    {
        DialogSeen seen;
        whenEditDialogOpens([&seen, typed, ok](FrmStyleEdit *d) {
            seen.opened = true;
            seen.caption = d->windowTitle();
            seen.boxes = {d->Webname->text(), d->Weburl->text(), d->Webtime->text(), d->Webmemos->toPlainText()};
            QLineEdit *lines[] = {d->Webname, d->Weburl, d->Webtime};
            for (int i = 0; i < 3 && i < typed.size(); ++i) {
                if (typed[i] != Keep) {
                    lines[i]->clear();
                    type(lines[i], typed[i]);
                }
            }
            if (typed.size() > 3 && typed[3] != Keep)
                d->Webmemos->setPlainText(typed[3]);
            d->MonthView1->hide();
            MessageBox::clearShown();
            QTest::mouseClick(ok ? d->Cmd_OK : d->Cmd_Cancel, Qt::LeftButton);
            seen.messages = MessageBox::shown();
            seen.stillOpen = d->isVisible();
            seen.focus = QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString();
            seen.calendarShown = d->MonthView1->isVisible();
            seen.dateAfterRefusal = d->Webtime->text();
        });
        trigger(key);
        return seen;
    }

    QStringList storedRow(int id) const
    {
        return text(QStringLiteral("SELECT Webname||'|'||Weburl||'|'||Webtime||'|'||Webmemos FROM Website WHERE Webid=%1").arg(id))
            .split(QLatin1Char('|'));
    }

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
        QTest::newRow("add: spaces trimmed") << "Add" << QStringList{"  spaced  ", " http://s.cn ", " 2012-3-4 ", " m "}
                                             << "添加成功" << "" << QStringList{"spaced", "http://s.cn", "2012-03-04", "m"};
        QTest::newRow("add: quotes as typed") << "Add" << QStringList{"O'Reilly", "http://o.cn/'", "2012/3/4", "it's"}
                                              << "添加成功" << "" << QStringList{"O'Reilly", "http://o.cn/'", "2012-03-04", "it's"};
        QTest::newRow("add: existing name, other case") << "Add" << QStringList{"  SITE1 ", "", "2012/3/4", ""} << taken
                                                        << "Webname" << none;
        QTest::newRow("add: blank name before blank date") << "Add" << QStringList{"   ", "", "", ""} << "请输入网站名称"
                                                           << "Webname" << none;
        QTest::newRow("add: blank date") << "Add" << QStringList{"x", "", "  ", ""} << "请输入日期" << "Webtime" << none;
        QTest::newRow("add: month 13") << "Add" << QStringList{"x", "", "2011-13-45", ""} << "日期格式不正确，请重新输入"
                                       << "Webtime" << none;
        QTest::newRow("modify: rename") << "Modify" << QStringList{"renamed", Keep, Keep, Keep} << "修改成功" << ""
                                        << QStringList{"renamed", "http://s2.cn", "2011-01-03", "memo2"};
        QTest::newRow("modify: unchanged name is no duplicate") << "Modify" << QStringList{Keep, "http://new.cn", Keep, ""}
                                                                << "修改成功" << ""
                                                                << QStringList{"site2", "http://new.cn", "2011-01-03", "无"};
        QTest::newRow("modify: only letter case changed") << "Modify" << QStringList{"SITE2", Keep, Keep, Keep} << taken
                                                          << "Webname" << site2;
        QTest::newRow("modify: name of another website") << "Modify" << QStringList{"Site3", Keep, Keep, Keep} << taken
                                                         << "Webname" << site2;
        QTest::newRow("modify: new date") << "Modify" << QStringList{Keep, Keep, "2009/12/31", Keep} << "修改成功" << ""
                                          << QStringList{"site2", "http://s2.cn", "2009-12-31", "memo2"};
    }

    void save()
    {
        QFETCH(QString, key);
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QStringList, stored);
        const bool add = key == QLatin1String("Add");
        makeDb(sitesByAge(3));
        openWindow();
        if (!add)
            click("cmdnext"); // site2, second row
        const DialogSeen seen = runDialog(key, typed);

        QCOMPARE(seen.caption, add ? QStringLiteral("添加网站信息") : QStringLiteral("修改网站信息"));
        QCOMPARE(seen.boxes, add ? QStringList({"", "", "", ""})
                                 : QStringList({"site2", "http://s2.cn", DateText::toText(QDate(2011, 1, 3)), "memo2"}));
        QCOMPARE(seen.messages, QStringList{message});
        QCOMPARE(seen.stillOpen, !focus.isEmpty());
        QCOMPARE(storedRow(add ? 4 : 2), stored);
        QCOMPARE(status(), add ? QStringLiteral("填加记录") : QStringLiteral("修改记录"));
        if (!focus.isEmpty()) {
            QCOMPARE(seen.focus, focus);
            // On a date refusal the calendar drops in; the box keeps what was typed.
            QCOMPARE(seen.calendarShown, focus == QLatin1String("Webtime"));
            if (seen.calendarShown)
                QCOMPARE(seen.dateAfterRefusal, typed[2]);
        } else if (add) {
            QCOMPARE(gridCell(0, 1), stored[0]); // reloaded: the new website is the newest
        } else {
            QCOMPARE(gridRow(), 1); // back on the row it started from
            QCOMPARE(w()->Webname->text(), gridCell(1, 1));
        }
    }

    void emptyDateCanBePickedAfterRefusal()
    {
        makeDb();
        openWindow();
        bool refused = false;
        whenEditDialogOpens([&refused](FrmStyleEdit *d) {
            type(d->Webname, QStringLiteral("picked"));
            QTest::mouseClick(d->Cmd_OK, Qt::LeftButton);
            refused = MessageBox::shown().contains(QStringLiteral("请输入日期")) && d->MonthView1->isVisible()
                   && d->MonthView1->selectedDate() == QDate::currentDate();
            emit d->MonthView1->clicked(QDate(2010, 2, 3));
            QTest::mouseClick(d->Cmd_OK, Qt::LeftButton);
        });
        trigger("Add");
        QVERIFY(refused);
        QCOMPARE(storedRow(1), QStringList({"picked", "http://", "2010-02-03", "无"}));
    }

    void cancelStoresNothingAndReloads_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("add") << "Add";
        QTest::newRow("modify") << "Modify";
    }

    void cancelStoresNothingAndReloads()
    {
        QFETCH(QString, key);
        makeDb(sitesByAge(2));
        openWindow();
        insert({"later", "http://l.cn", "2015-01-01", ""}); // behind the window's back: only a reload shows it
        const DialogSeen seen = runDialog(key, {"typed", "http://t.cn", "2012/1/1", "m"}, false);
        QVERIFY(seen.opened && seen.messages.isEmpty());
        QCOMPARE(count("SELECT count(*) FROM Website WHERE Webname='typed'"), 0);
        QCOMPARE(gridColumn(1), QStringList({"later", "site2", "site1"}));
        // The next add starts empty, whatever the last dialog showed.
        QCOMPARE(runDialog("Add", {}, false).boxes, QStringList({"", "", "", ""}));
    }

    void tabbingThroughKeepsTheDate()
    {
        makeDb(sitesByAge(1));
        openWindow();
        bool calendarShowedOwnDate = false;
        whenEditDialogOpens([&calendarShowedOwnDate](FrmStyleEdit *d) {
            d->Webname->setFocus();
            QTest::keyClick(d->Webname, Qt::Key_Tab);
            QTest::keyClick(d->Weburl, Qt::Key_Tab);
            calendarShowedOwnDate = QApplication::focusWidget() == d->Webtime && d->MonthView1->isVisible()
                                 && d->MonthView1->selectedDate() == QDate(2011, 1, 2);
            QTest::keyClick(d->Webtime, Qt::Key_Tab);
            QTest::mouseClick(d->Cmd_OK, Qt::LeftButton);
        });
        trigger("Modify");
        QVERIFY(calendarShowedOwnDate);
        QCOMPARE(MessageBox::shown().last(), QStringLiteral("修改成功"));
        QCOMPARE(text("SELECT Webtime FROM Website WHERE Webid=1"), QStringLiteral("2011-01-02"));
    }

    void modifyWithoutCurrentRow()
    {
        makeDb(sitesByAge(2));
        openWindow();
        click("cmdnext");
        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger("Delete"); // the last row: the list is left after its end
        MessageBox::clearShown();
        const DialogSeen seen = runDialog("Modify", {});
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("请选择记录")});
        QVERIFY(!seen.opened);
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstStyleEdit)
#include "tst_styleedit.moc"
