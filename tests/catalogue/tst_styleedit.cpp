// The website edit dialog, opened from the main window's toolbar to add or
// change a website.

#include "MainWindowFixture.h"

#include "core/DateText.h"

#include <QCalendarWidget>

namespace {

struct DialogSeen {
    bool opened = false;
    QString caption;
    QStringList boxes; // name, url, date, memo as the dialog opened
    QStringList messages;
    QString focus;
    bool calendarShown = false;
    QString dateAfterRefusal;
    bool stillOpen = false;
};

// In a typed row: leave the box as the dialog filled it.
const QString Keep = QStringLiteral("<keep>");

QString focusName()
{
    QWidget *f = QApplication::focusWidget();
    return f ? f->objectName() : QString();
}

} // namespace

class TstStyleEdit : public QObject, private MainWindowFixture {
    Q_OBJECT

private:
    // Opens the dialog with the toolbar key, types the four boxes (null:
    // leave as filled), presses OK and records what the user saw.
    static DialogSeen runDialog(const QString &key, const QStringList &typed, bool ok = true)
    {
        DialogSeen seen;
        whenEditDialogOpens([&seen, typed, ok](FrmStyleEdit *d) {
            seen.opened = true;
            seen.caption = d->windowTitle();
            seen.boxes = {d->Webname->text(), d->Weburl->text(), d->Webtime->text(), d->Webmemos->toPlainText()};
            QLineEdit *lines[] = {d->Webname, d->Weburl, d->Webtime};
            for (int i = 0; i < 3; ++i) {
                if (i >= typed.size() || typed[i] == Keep)
                    continue;
                lines[i]->clear();
                type(lines[i], typed[i]);
            }
            if (typed.size() > 3 && typed[3] != Keep)
                d->Webmemos->setPlainText(typed[3]);
            d->MonthView1->hide();
            MessageBox::clearShown();
            QTest::mouseClick(ok ? d->Cmd_OK : d->Cmd_Cancel, Qt::LeftButton);
            seen.messages = MessageBox::shown();
            seen.stillOpen = d->isVisible();
            if (seen.stillOpen) {
                seen.focus = focusName();
                seen.calendarShown = d->MonthView1->isVisible();
                seen.dateAfterRefusal = d->Webtime->text();
            }
        });
        trigger(key);
        return seen;
    }

    static QStringList storedRow(const TestDb &db, int id)
    {
        return db.scalar(QStringLiteral("SELECT Webname || '|' || Weburl || '|' || Webtime || '|' || Webmemos "
                                        "FROM Website WHERE Webid=%1")
                             .arg(id))
            .toString()
            .split(QLatin1Char('|'));
    }

private slots:
    void cleanup() { reset(); }

    void add_data()
    {
        QTest::addColumn<QStringList>("typed"); // name, url, date, memo
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<QStringList>("stored"); // the new row, empty when refused

        QTest::newRow("only name and date") << QStringList{"新站", "", "2012/3/4", ""} << "添加成功" << ""
                                            << QStringList{"新站", "http://", "2012-03-04", "无"};
        QTest::newRow("surrounding spaces trimmed") << QStringList{"  spaced  ", " http://s.cn ", " 2012-3-4 ", " m "}
                                                    << "添加成功" << ""
                                                    << QStringList{"spaced", "http://s.cn", "2012-03-04", "m"};
        QTest::newRow("quotes everywhere") << QStringList{"O'Reilly", "http://o.cn/'", "2012/3/4", "it's"} << "添加成功"
                                           << "" << QStringList{"O'Reilly", "http://o.cn/'", "2012-03-04", "it's"};
        QTest::newRow("name in another letter case") << QStringList{"ABC", "", "2012/3/4", ""}
                                                     << "网站名称已经存在，请重新输入" << "Webname" << QStringList{};
        QTest::newRow("existing name with spaces") << QStringList{"  abc ", "", "2012/3/4", ""}
                                                   << "网站名称已经存在，请重新输入" << "Webname" << QStringList{};
        QTest::newRow("blank name before blank date") << QStringList{"   ", "", "", ""} << "请输入网站名称" << "Webname"
                                                      << QStringList{};
        QTest::newRow("blank date") << QStringList{"x", "", "  ", ""} << "请输入日期" << "Webtime" << QStringList{};
        QTest::newRow("month 13") << QStringList{"x", "", "2011-13-45", ""} << "日期格式不正确，请重新输入" << "Webtime"
                                  << QStringList{};
        QTest::newRow("letters") << QStringList{"x", "", "abc", ""} << "日期格式不正确，请重新输入" << "Webtime"
                                 << QStringList{};
    }

    void add()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QStringList, stored);

        makeDb({{QStringLiteral("abc"), QStringLiteral("http://abc.cn"), QStringLiteral("2011-01-01"), {}}});
        openWindow();
        const DialogSeen seen = runDialog(QStringLiteral("Add"), typed);

        QVERIFY(seen.opened);
        QCOMPARE(seen.caption, QStringLiteral("添加网站信息"));
        QCOMPARE(seen.boxes, QStringList({"", "", "", ""}));
        QCOMPARE(seen.messages, QStringList{message});
        QCOMPARE(seen.stillOpen, !focus.isEmpty());
        QCOMPARE(seen.focus, focus);
        QCOMPARE(status(), QStringLiteral("填加记录"));
        const int count = db->scalar(QStringLiteral("SELECT count(*) FROM Website")).toInt();
        if (stored.isEmpty()) {
            QCOMPARE(count, 1);
            if (focus == QLatin1String("Webtime")) {
                // The calendar drops in; the box keeps what was typed.
                QVERIFY(seen.calendarShown);
                QCOMPARE(seen.dateAfterRefusal, typed[2]);
            }
        } else {
            QCOMPARE(count, 2);
            QCOMPARE(storedRow(*db, 2), stored);
            // The list was reloaded: the new website is the newest.
            QCOMPARE(gridCell(0, 1), stored[0]);
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
        trigger(QStringLiteral("Add"));
        QVERIFY(refused);
        QCOMPARE(storedRow(*db, 1), QStringList({"picked", "http://", "2010-02-03", "无"}));
    }

    void modify_data()
    {
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("stored"); // site2 afterwards

        const QStringList unchanged{"site2", "http://s2.cn", "2011-01-03", "memo2"};
        QTest::newRow("rename") << QStringList{"renamed", Keep, Keep, Keep} << "修改成功"
                                << QStringList{"renamed", "http://s2.cn", "2011-01-03", "memo2"};
        QTest::newRow("unchanged name skips the duplicate test") << QStringList{Keep, "http://new.cn", Keep, ""}
                                                                 << "修改成功"
                                                                 << QStringList{"site2", "http://new.cn", "2011-01-03", "无"};
        QTest::newRow("only letter case changed") << QStringList{"SITE2", Keep, Keep, Keep}
                                                  << "网站名称已经存在，请重新输入" << unchanged;
        QTest::newRow("name of another website") << QStringList{"Site3", Keep, Keep, Keep}
                                                 << "网站名称已经存在，请重新输入" << unchanged;
        QTest::newRow("new date") << QStringList{Keep, Keep, "2009/12/31", Keep} << "修改成功"
                                  << QStringList{"site2", "http://s2.cn", "2009-12-31", "memo2"};
    }

    void modify()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QStringList, stored);

        makeDb(sitesByAge(3));
        openWindow();
        click(QStringLiteral("cmdnext")); // site2, second row
        const DialogSeen seen = runDialog(QStringLiteral("Modify"), typed);

        QCOMPARE(seen.caption, QStringLiteral("修改网站信息"));
        QCOMPARE(seen.boxes,
                 QStringList({"site2", "http://s2.cn", DateText::toText(QDate(2011, 1, 3)), "memo2"}));
        QCOMPARE(seen.messages, QStringList{message});
        QCOMPARE(storedRow(*db, 2), stored);
        QCOMPARE(status(), QStringLiteral("修改记录"));
        if (!seen.stillOpen) {
            // Back on the row it started from (a new date may move the website).
            QCOMPARE(gridRow(), 1);
            QCOMPARE(w()->Webname->text(), gridCell(1, 1));
        }
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
        // Written behind the window's back: only a reload shows it.
        insert({QStringLiteral("later"), QStringLiteral("http://l.cn"), QStringLiteral("2015-01-01"), {}});
        const DialogSeen seen = runDialog(key, {"typed", "http://t.cn", "2012/1/1", "m"}, false);
        QVERIFY(seen.opened);
        QVERIFY(seen.messages.isEmpty());
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM Website")).toInt(), 3);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM Website WHERE Webname='typed'")).toInt(), 0);
        QCOMPARE(gridColumn(1), QStringList({"later", "site2", "site1"}));
    }

    void boxesStartEmptyEachTime()
    {
        makeDb(sitesByAge(1));
        openWindow();
        runDialog(QStringLiteral("Modify"), {}, false);
        const DialogSeen seen = runDialog(QStringLiteral("Add"), {}, false);
        QCOMPARE(seen.boxes, QStringList({"", "", "", ""}));
        QCOMPARE(seen.caption, QStringLiteral("添加网站信息"));
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
        trigger(QStringLiteral("Modify"));
        QVERIFY(calendarShowedOwnDate);
        QCOMPARE(MessageBox::shown().last(), QStringLiteral("修改成功"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT Webtime FROM Website WHERE Webid=1")).toString(),
                 QStringLiteral("2011-01-02"));
    }

    void modifyWithoutCurrentRow()
    {
        makeDb(sitesByAge(2));
        openWindow();
        click(QStringLiteral("cmdnext"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger(QStringLiteral("Delete")); // the last row: the list is left after its end
        MessageBox::clearShown();
        bool opened = false;
        whenEditDialogOpens([&opened](FrmStyleEdit *) { opened = true; });
        trigger(QStringLiteral("Modify"));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("请选择记录")});
        QCoreApplication::processEvents();
        QVERIFY(!opened);
    }

    void lengthLimits()
    {
        FrmStyleEdit dialog;
        QCOMPARE(dialog.Webname->maxLength(), 100);
        QCOMPARE(dialog.Weburl->maxLength(), 200);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("网站信息编辑"));
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstStyleEdit)
#include "tst_styleedit.moc"
