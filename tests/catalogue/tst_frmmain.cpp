// The main window: list, details, record navigation, delete, open notes,
// in-place modify, toolbar, status bar, size and the close question.

#include "MainWindowFixture.h"

#include "accounts/FrmUserEdit.h"
#include "accounts/Users.h"
#include "core/DateText.h"
#include "help/frmAbout.h"
#include "core/Twips.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QWheelEvent>

class TstFrmMain : public QObject, private MainWindowFixture {
    Q_OBJECT

private:
    // Enabled states of Fii1 Fii2 cmdlast Fii3 Fii4 cmdnext, as "1" and "0".
    static QString browseStates()
    {
        QString s;
        for (const char *name : {"Fii1", "Fii2", "cmdlast", "Fii3", "Fii4", "cmdnext"})
            s += child(QLatin1String(name))->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }

    static QString nameOf(int siteNumber) { return QStringLiteral("site%1").arg(siteNumber); }

    static void wheel(QPoint angle, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *viewport = w()->DataGrid1->viewport();
        const QPointF at(viewport->width() / 2.0, 10);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), angle, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
    }

    static bool tableExists(const TestDb &db, const QString &name)
    {
        return db.scalar(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type='table' AND name='%1'").arg(name))
                   .toInt()
            == 1;
    }

private slots:
    void cleanup() { reset(); }

    void emptyCatalogueDisablesWhatNeedsAWebsite()
    {
        makeDb();
        openWindow();
        QCOMPARE(browseStates(), QStringLiteral("000000"));
        for (const char *name : {"Cmd_XG", "Cmd_goto"})
            QVERIFY2(!child(QLatin1String(name))->isEnabled(), name);
        for (const char *key : {"Looksite", "Modify", "Delete"})
            QVERIFY2(!action(QLatin1String(key))->isEnabled(), key);
        QVERIFY(action(QStringLiteral("Add"))->isEnabled());
        QVERIFY(action(QStringLiteral("NRefresh"))->isEnabled());
        QCOMPARE(w()->Webname->text(), QString());
        QCOMPARE(w()->Cmdbianhao->text(), QString());
        QCOMPARE(status(), QStringLiteral("准备就绪..."));

        trigger(QStringLiteral("NRefresh"));
        QCOMPARE(status(), QStringLiteral("刷新显示"));
        QCOMPARE(w()->DataGrid1->model()->rowCount(), 0);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void listShowsNewestFirstWithFirstRowInDetails()
    {
        makeDb({{QStringLiteral("  old  "), QStringLiteral(" http://old.cn "), QStringLiteral("2010-05-06"),
                 QStringLiteral(" m1 ")},
                {QStringLiteral("new"), QStringLiteral("http://new.cn"), QStringLiteral("2012-01-02"), QString()}});
        openWindow();
        const auto *model = w()->DataGrid1->model();
        QCOMPARE(model->rowCount(), 2);
        const QStringList captions{QStringLiteral("编号"), QStringLiteral("网站名称"), QStringLiteral("网址"),
                                   QStringLiteral("接单日期"), QStringLiteral("备注信息")};
        for (int c = 0; c < captions.size(); ++c)
            QCOMPARE(model->headerData(c, Qt::Horizontal).toString(), captions[c]);
        QVERIFY(w()->DataGrid1->isColumnHidden(4));
        QCOMPARE(gridColumn(1), QStringList({QStringLiteral("new"), QStringLiteral("  old  ")}));
        QCOMPARE(gridRow(), 0);
        QCOMPARE(w()->Webname->text(), QStringLiteral("new"));
        QCOMPARE(w()->Webtime->text(), DateText::toText(QDate(2012, 1, 2)));
        QCOMPARE(w()->Webmemos->toPlainText(), QString());
        QCOMPARE(w()->Frame2->title(), QStringLiteral("编号：2"));
        QCOMPARE(w()->Cmdbianhao->text(), QStringLiteral("2"));
        QCOMPARE(w()->WebOriId->text(), QStringLiteral("2"));
        QCOMPARE(browseStates(), QStringLiteral("111111"));

        // The second row: name and memo come back trimmed, the address as stored.
        click(QStringLiteral("Fii3"));
        QCOMPARE(w()->Webname->text(), QStringLiteral("old"));
        QCOMPARE(w()->WebOriName->text(), QStringLiteral("old"));
        QCOMPARE(w()->Weburl->text(), QStringLiteral(" http://old.cn "));
        QCOMPARE(w()->Webmemos->toPlainText(), QStringLiteral("m1"));
    }

    void navigation_data()
    {
        QTest::addColumn<int>("sites");
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("states"); // Fii1 Fii2 cmdlast Fii3 Fii4 cmdnext
        QTest::addColumn<QString>("statusText");

        QTest::newRow("first bounces onto the newest") << 3 << QStringList{"Fii1"} << 0 << "000111" << "首条记录";
        QTest::newRow("next after first enables back") << 3 << QStringList{"Fii1", "Fii3"} << 1 << "111111"
                                                       << "下一条记录";
        QTest::newRow("last bounces onto the oldest") << 3 << QStringList{"Fii4"} << 2 << "111000" << "最一条记录";
        QTest::newRow("next onto the last row") << 3 << QStringList{"Fii3", "Fii3"} << 2 << "111111" << "下一条记录";
        QTest::newRow("next on the last row bounces") << 3 << QStringList{"Fii3", "Fii3", "Fii3"} << 2 << "111000"
                                                      << "下一条记录";
        QTest::newRow("previous on the first row bounces") << 3 << QStringList{"Fii2"} << 0 << "000111"
                                                           << "上一条记录";
        QTest::newRow("previous from the last") << 3 << QStringList{"Fii4", "Fii2"} << 1 << "111111" << "上一条记录";
        QTest::newRow("small buttons set no status") << 3 << QStringList{"cmdnext", "cmdnext", "cmdlast"} << 1
                                                     << "111111" << "准备就绪...";
        QTest::newRow("small next past the end") << 3 << QStringList{"cmdnext", "cmdnext", "cmdnext"} << 2 << "111000"
                                                 << "准备就绪...";
        QTest::newRow("small previous before the start") << 3 << QStringList{"cmdlast"} << 0 << "000111"
                                                         << "准备就绪...";
        QTest::newRow("single website: last") << 1 << QStringList{"Fii4"} << 0 << "111000" << "最一条记录";
        QTest::newRow("single website: last then previous") << 1 << QStringList{"Fii4", "Fii2"} << 0 << "000111"
                                                            << "上一条记录";
    }

    void navigation()
    {
        QFETCH(int, sites);
        QFETCH(QStringList, clicks);
        QFETCH(int, row);
        QFETCH(QString, states);
        QFETCH(QString, statusText);

        makeDb(sitesByAge(sites));
        openWindow();
        for (const QString &name : clicks)
            click(name);

        QCOMPARE(browseStates(), states);
        QCOMPARE(gridRow(), row);
        QVERIFY(w()->DataGrid1->selectionModel()->isRowSelected(row, {}));
        // Newest first: row r holds site (sites - r).
        const int site = sites - row;
        QCOMPARE(w()->Webname->text(), nameOf(site));
        QCOMPARE(w()->Cmdbianhao->text(), QString::number(site));
        QCOMPARE(w()->Frame2->title(), QStringLiteral("编号：%1").arg(site));
        QCOMPARE(status(), statusText);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    // The memo of every website the user steps to is shown from its top,
    // whatever the user did in the box for the one before.
    void memoShownFromItsTopOnEveryStep()
    {
        QList<SiteSeed> sites = sitesByAge(3);
        QStringList lines;
        for (int i = 1; i <= 60; ++i)
            lines << QStringLiteral("第%1行 关键词排名").arg(i);
        for (SiteSeed &s : sites)
            s.memo = s.name + QLatin1Char('\n') + lines.join(QLatin1Char('\n'));
        makeDb(sites);
        openWindow();
        QPlainTextEdit *memo = w()->Webmemos;
        for (const int site : {2, 1}) {
            memo->moveCursor(QTextCursor::End);
            QTest::keyClicks(memo, QStringLiteral("x"));
            QVERIFY(memo->verticalScrollBar()->value() > 0);
            click(QStringLiteral("Fii3"));
            QCOMPARE(memo->toPlainText(), nameOf(site) + QLatin1Char('\n') + lines.join(QLatin1Char('\n')));
            QCOMPARE(memo->verticalScrollBar()->value(), 0);
            QCOMPARE(memo->textCursor().position(), 0);
            QVERIFY(!memo->document()->isUndoAvailable());
        }
    }

    void clickingARowShowsIt()
    {
        makeDb(sitesByAge(4));
        openWindow();
        QTableView *grid = w()->DataGrid1;
        const QRect cell = grid->visualRect(grid->model()->index(2, 1));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QCOMPARE(gridRow(), 2);
        QCOMPARE(w()->Frame2->title(), QStringLiteral("编号：2"));
        QCOMPARE(w()->Webname->text(), nameOf(2));
        QCOMPARE(status(), QStringLiteral("待命状态..."));

        // The recordset follows the grid: the next step starts from the clicked row.
        click(QStringLiteral("Fii3"));
        QCOMPARE(w()->Webname->text(), nameOf(1));
    }

    void wheel_data()
    {
        QTest::addColumn<int>("startRow");
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("row");

        QTest::newRow("one notch down") << 0 << QPoint(0, -120) << 0 << 1;
        QTest::newRow("one notch up") << 2 << QPoint(0, 120) << 0 << 1;
        QTest::newRow("down on the last row") << 3 << QPoint(0, -120) << 0 << 3;
        QTest::newRow("up on the first row") << 0 << QPoint(0, 120) << 0 << 0;
        QTest::newRow("high-resolution step") << 1 << QPoint(0, -60) << 0 << 1;
        QTest::newRow("two notches at once") << 1 << QPoint(0, -240) << 0 << 1;
        QTest::newRow("with Ctrl held") << 1 << QPoint(0, -120) << int(Qt::ControlModifier) << 1;
        QTest::newRow("with Shift held") << 1 << QPoint(0, 120) << int(Qt::ShiftModifier) << 1;
    }

    void wheel()
    {
        QFETCH(int, startRow);
        QFETCH(QPoint, angle);
        QFETCH(int, modifiers);
        QFETCH(int, row);

        makeDb(sitesByAge(4));
        openWindow();
        for (int i = 0; i < startRow; ++i)
            click(QStringLiteral("cmdnext"));
        QCOMPARE(gridRow(), startRow);
        wheel(angle, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(gridRow(), row);
        QCOMPARE(w()->Webname->text(), nameOf(4 - row));
        QCOMPARE(w()->Adodc1.recordset().absolutePosition(), row + 1);
    }

    void deleteRestoresPosition_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("row");          // -1: after the last row
        QTest::addColumn<QString>("shownName"); // what the details frame shows then

        // Five websites, newest first: row r holds site (5 - r).
        QTest::newRow("first") << 1 << 0 << nameOf(4);
        QTest::newRow("second selects the former third") << 2 << 1 << nameOf(3);
        QTest::newRow("last leaves none selected") << 5 << -1 << nameOf(5);
    }

    void deleteRestoresPosition()
    {
        QFETCH(int, position);
        QFETCH(int, row);
        QFETCH(QString, shownName);

        makeDb(sitesByAge(5));
        openWindow();
        for (int i = 1; i < position; ++i)
            click(QStringLiteral("cmdnext"));
        const int deletedId = 6 - position;

        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger(QStringLiteral("Delete"));

        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown[0].text, QStringLiteral("是否删除当前行?"));
        QCOMPARE(shown[0].title, QStringLiteral("确认"));
        QCOMPARE(shown[0].buttons, MessageBox::YesNo);
        QCOMPARE(shown[0].icon, MessageBox::NoIcon);
        QCOMPARE(shown[1].text, QStringLiteral("删除成功"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM Website")).toInt(), 4);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM Website WHERE Webid=%1").arg(deletedId)).toInt(), 0);
        QCOMPARE(gridRow(), row);
        QCOMPARE(w()->Webname->text(), shownName);
        QCOMPARE(status(), QStringLiteral("删除关于该站点的笔记"));

        if (row < 0) {
            // After the last row every navigation button says so and stays put.
            MessageBox::clearShown();
            click(QStringLiteral("Fii1"));
            QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("没有记录了")});
            QCOMPARE(gridRow(), -1);
        }
    }

    void deleteDropsOnlyItsOwnNotes_data()
    {
        QTest::addColumn<bool>("hasNotes");
        QTest::newRow("with a notes table") << true;
        QTest::newRow("notes never created") << false;
    }

    void deleteDropsOnlyItsOwnNotes()
    {
        QFETCH(bool, hasNotes);
        makeDb(sitesByAge(2));
        if (hasNotes)
            db->exec(QStringLiteral("CREATE TABLE biji2 (AutoId INTEGER PRIMARY KEY, 时间 DATETIME)"));
        db->exec(QStringLiteral("CREATE TABLE biji1 (AutoId INTEGER PRIMARY KEY, 时间 DATETIME)"));
        openWindow();
        QCOMPARE(w()->WebOriId->text(), QStringLiteral("2"));

        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger(QStringLiteral("Delete"));
        QCOMPARE(MessageBox::shown().last(), QStringLiteral("删除成功"));
        QVERIFY(!tableExists(*db, QStringLiteral("biji2")));
        QVERIFY(tableExists(*db, QStringLiteral("biji1")));
        QCOMPARE(db->scalar(QStringLiteral("SELECT group_concat(Webid) FROM Website")).toString(), QStringLiteral("1"));
    }

    void deleteAnsweredNoChangesNothing()
    {
        makeDb(sitesByAge(3));
        db->exec(QStringLiteral("CREATE TABLE biji3 (AutoId INTEGER PRIMARY KEY)"));
        openWindow();
        click(QStringLiteral("cmdnext"));
        MessageBox::setNextAnswer(MessageBox::No);
        trigger(QStringLiteral("Delete"));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("是否删除当前行?")});
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM Website")).toInt(), 3);
        QVERIFY(tableExists(*db, QStringLiteral("biji3")));
        QCOMPARE(gridRow(), 1);
    }

    void idsBeyondSixteenBits()
    {
        makeDb();
        insert({QStringLiteral("big"), QStringLiteral("http://big.cn"), QStringLiteral("2012-01-01"), QString()},
               40000);
        insert({QStringLiteral("small"), QStringLiteral("http://small.cn"), QStringLiteral("2011-01-01"), QString()},
               7232); // 40000 - 32768: what a 16-bit id would have hit
        db->exec(QStringLiteral("CREATE TABLE biji40000 (AutoId INTEGER PRIMARY KEY)"));
        openWindow();
        QCOMPARE(w()->Frame2->title(), QStringLiteral("编号：40000"));
        QCOMPARE(w()->Webname->text(), QStringLiteral("big"));

        w()->Webname->setText(QStringLiteral("bigger"));
        click(QStringLiteral("Cmd_XG"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT Webname FROM Website WHERE Webid=40000")).toString(),
                 QStringLiteral("bigger"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT Webname FROM Website WHERE Webid=7232")).toString(),
                 QStringLiteral("small"));

        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger(QStringLiteral("Delete"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT group_concat(Webid) FROM Website")).toString(),
                 QStringLiteral("7232"));
        QVERIFY(!tableExists(*db, QStringLiteral("biji40000")));
    }

    void openNotesKeepsTheRow_data()
    {
        QTest::addColumn<bool>("viaToolbar");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("created");
        QTest::newRow("Goto, creation declined") << false << int(MessageBox::Cancel) << false;
        QTest::newRow("toolbar, table created") << true << int(MessageBox::Ok) << true;
    }

    void openNotesKeepsTheRow()
    {
        QFETCH(bool, viaToolbar);
        QFETCH(int, answer);
        QFETCH(bool, created);

        makeDb(sitesByAge(5));
        openWindow();
        for (int i = 0; i < 3; ++i)
            click(QStringLiteral("cmdnext"));
        QCOMPARE(w()->Webname->text(), nameOf(2));

        MessageBox::setNextAnswer(MessageBox::Button(answer));
        if (viaToolbar)
            trigger(QStringLiteral("Looksite"));
        else
            click(QStringLiteral("Cmd_goto"));

        QVERIFY(!MessageBox::shown().isEmpty()); // the notes module's creation question first
        QCOMPARE(tableExists(*db, QStringLiteral("biji2")), created);
        QCOMPARE(gridRow(), 3);
        QCOMPARE(w()->Webname->text(), nameOf(2));
        if (viaToolbar)
            QCOMPARE(status(), QStringLiteral("查看/管理该网站详细记录"));
    }

    void modifyInPlace_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("memo");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");    // box with the focus after a refusal
        QTest::addColumn<QStringList>("stored"); // name, url, date, memo of site 2 afterwards

        const QStringList unchanged{QStringLiteral("site2"), QStringLiteral("http://s2.cn"), QStringLiteral("2011-01-03"),
                                    QStringLiteral("memo2")};
        QTest::newRow("rename") << " Renamed " << "http://r.cn" << "2012/3/4" << "note" << "修改成功" << ""
                                << QStringList{"Renamed", "http://r.cn", "2012-03-04", "note"};
        QTest::newRow("unchanged name saves") << "site2" << "http://s2.cn" << "2011/1/3" << "memo2" << "修改成功" << ""
                                              << unchanged;
        QTest::newRow("defaults for empty address and memo") << "site2" << "  " << "2011-1-3" << "" << "修改成功" << ""
                                                              << QStringList{"site2", "http://", "2011-01-03", "无"};
        QTest::newRow("quote in the name") << "O'Reilly" << "http://o.cn" << "2011/1/3" << "it's" << "修改成功" << ""
                                           << QStringList{"O'Reilly", "http://o.cn", "2011-01-03", "it's"};
        QTest::newRow("name of another website, other case") << "SITE3" << "x" << "2011/1/3" << "" << "网站名称已经存在，请重新输入"
                                                             << "Webname" << unchanged;
        QTest::newRow("blank name") << "   " << "x" << "2011/1/3" << "" << "请输入网站名称" << "Webname" << unchanged;
        QTest::newRow("blank date") << "new" << "x" << "  " << "" << "请输入日期" << "Webtime" << unchanged;
        QTest::newRow("date that is no date") << "new" << "x" << "2011-13-45" << "" << "日期格式不正确，请重新输入"
                                              << "Webtime" << unchanged;
        QTest::newRow("letters for a date") << "new" << "x" << "abc" << "" << "日期格式不正确，请重新输入" << "Webtime"
                                            << unchanged;
    }

    void modifyInPlace()
    {
        QFETCH(QString, name);
        QFETCH(QString, url);
        QFETCH(QString, date);
        QFETCH(QString, memo);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QStringList, stored);

        makeDb(sitesByAge(3));
        openWindow();
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        click(QStringLiteral("cmdnext")); // site2, second row
        w()->Webname->setText(name);
        w()->Weburl->setText(url);
        w()->Webtime->setText(date);
        w()->Webmemos->setPlainText(memo);
        MessageBox::clearShown();
        click(QStringLiteral("Cmd_XG"));

        QCOMPARE(MessageBox::shown(), QStringList{message});
        const QVariant row = db->scalar(QStringLiteral(
            "SELECT Webname || '|' || Weburl || '|' || Webtime || '|' || Webmemos FROM Website WHERE Webid=2"));
        QCOMPARE(row.toString().split(QLatin1Char('|')), stored);
        QCOMPARE(db->scalar(QStringLiteral("SELECT count(*) FROM Website")).toInt(), 3);
        if (focus.isEmpty()) {
            // Back on the changed website's position, showing what was stored.
            // A new date may move the website elsewhere in the list.
            QCOMPARE(gridRow(), 1);
            QCOMPARE(w()->Webname->text(), gridCell(1, 1));
            QCOMPARE(status(), QStringLiteral("修改记录"));
        } else {
            QCOMPARE(QApplication::focusWidget(), child<QWidget>(focus));
            QCOMPARE(w()->Webname->text(), name); // the typed texts stay for correcting
        }
    }

    void renameOnlyLetterCaseInPlaceIsRefused()
    {
        makeDb(sitesByAge(2));
        openWindow();
        w()->Webname->setText(QStringLiteral("SITE2"));
        click(QStringLiteral("Cmd_XG"));
        QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("网站名称已经存在，请重新输入")});
        QCOMPARE(db->scalar(QStringLiteral("SELECT Webname FROM Website WHERE Webid=2")).toString(),
                 QStringLiteral("site2"));
    }

    void detailsDatePicker()
    {
        makeDb(sitesByAge(2));
        openWindow();
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        const QString stored = w()->Webtime->text();
        QCOMPARE(stored, DateText::toText(QDate(2011, 1, 3)));

        // Entering the box shows the website's own date and replaces nothing.
        w()->Webtime->setFocus();
        QTRY_VERIFY(w()->MonthView1->isVisible());
        QCOMPARE(w()->MonthView1->selectedDate(), QDate(2011, 1, 3));
        QCOMPARE(w()->Webtime->text(), stored);
        QTest::keyClick(w()->Webtime, Qt::Key_Tab);
        QTRY_VERIFY(!w()->MonthView1->isVisible());
        click(QStringLiteral("Cmd_XG"));
        QCOMPARE(db->scalar(QStringLiteral("SELECT Webtime FROM Website WHERE Webid=2")).toString(),
                 QStringLiteral("2011-01-03"));

        // Clicking a day writes it and folds the calendar away.
        w()->Webtime->setFocus();
        QTRY_VERIFY(w()->MonthView1->isVisible());
        emit w()->MonthView1->clicked(QDate(2013, 7, 8));
        QCOMPARE(w()->Webtime->text(), DateText::toText(QDate(2013, 7, 8)));
        QVERIFY(!w()->MonthView1->isVisible());
    }

    void accountMenuFillsTheDialogFromTheLoggedInUser()
    {
        makeDb();
        openWindow();
        CurUser().setUserName(QStringLiteral("admin"));
        CurUser().setUserPwd(QStringLiteral("123456"));
        QStringList seen;
        QTimer::singleShot(0, [&seen] {
            FrmUserEdit *d = Forms::loaded<FrmUserEdit>();
            if (!d)
                return;
            seen << d->OriUser << d->txtUserName->text() << d->txtPass->text() << d->txtPass2->text()
                 << (d->txtUserName->isEnabled() ? "enabled" : "disabled") << (d->isModal() ? "modal" : "modeless");
            d->reject();
        });
        w()->zhanghao->trigger();
        QCOMPARE(seen, QStringList({"admin", "admin", "123456", "123456", "enabled", "modal"}));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void helpMenuOpensWithoutWaiting()
    {
        makeDb();
        openWindow();
        w()->guanyuwomen->trigger(); // returns at once: the box is not modal
        QVERIFY(Forms::loaded<frmAbout>());
        QVERIFY(Forms::loaded<frmAbout>()->isVisible());
        QVERIFY(!Forms::loaded<frmAbout>()->isModal());
        delete Forms::loaded<frmAbout>();
    }

    void closeQuestion_data()
    {
        QTest::addColumn<bool>("viaMenu");
        QTest::addColumn<int>("answer");
        QTest::newRow("close box, No") << false << int(MessageBox::No);
        QTest::newRow("exit menu, No") << true << int(MessageBox::No);
        QTest::newRow("close box, Yes") << false << int(MessageBox::Yes);
        QTest::newRow("exit menu, Yes") << true << int(MessageBox::Yes);
    }

    void closeQuestion()
    {
        QFETCH(bool, viaMenu);
        QFETCH(int, answer);

        makeDb(sitesByAge(3));
        openWindow();
        click(QStringLiteral("cmdnext"));
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        if (viaMenu)
            w()->tuichu->trigger();
        else
            w()->close();

        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].text, QStringLiteral("真的退出该系统吗(Y/N)？    "));
        QCOMPARE(shown[0].title, QStringLiteral("请确认..."));
        QCOMPARE(shown[0].buttons, MessageBox::YesNo);
        QCOMPARE(shown[0].icon, MessageBox::Question);
        if (answer == MessageBox::Yes) {
            QTRY_VERIFY(!Forms::loaded<FrmMain>());
            return;
        }
        QVERIFY(w()->isVisible());
        QCOMPARE(gridRow(), 1);
        QCOMPARE(w()->Webname->text(), nameOf(2));
        if (viaMenu)
            QCOMPARE(status(), QStringLiteral("关闭系统"));
    }

    void windowSize_data()
    {
        QTest::addColumn<QVariant>("height");
        QTest::addColumn<QVariant>("width");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("nothing stored") << QVariant() << QVariant() << QSize(867, 687);
        QTest::newRow("stored size") << QVariant("9000") << QVariant("13500") << QSize(900, 600);
        QTest::newRow("not numbers") << QVariant("tall") << QVariant("") << QSize(867, 687);
    }

    void windowSize()
    {
        QFETCH(QVariant, height);
        QFETCH(QVariant, width);
        QFETCH(QSize, pixels);
        {
            QSettings settings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
            settings.remove(QStringLiteral("Settings"));
            if (height.isValid())
                settings.setValue(QStringLiteral("Settings/MainHeight"), height);
            if (width.isValid())
                settings.setValue(QStringLiteral("Settings/MainWidth"), width);
        }
        makeDb();
        FrmMain *window = Forms::get<FrmMain>(); // the size is set when the window loads
        QCOMPARE(window->size(), pixels);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(qAbs(window->geometry().center().x() - screen.center().x()) <= 1);
        QVERIFY(qAbs(window->geometry().center().y() - screen.center().y()) <= 1);
        QCOMPARE(window->DataGrid1->height(), 500); // 7500 twips
        QSettings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin")).remove(QStringLiteral("Settings"));
        // Only read: nothing is written back.
        window->show();
        window->resize(900, 700);
        QVERIFY(!QSettings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin")).contains(QStringLiteral("Settings/MainHeight")));
    }

    void container_followsWindowHeight()
    {
        makeDb();
        openWindow();
        auto expected = [] {
            return Twips::toPixels(Twips::fromPixels(w()->frameGeometry().height()) - 2000);
        };
        w()->resize(867, 687);
        QTRY_COMPARE(w()->Picture1->height(), expected());
        w()->resize(900, 600);
        QTRY_COMPARE(w()->Picture1->height(), expected());
        QCOMPARE(w()->Picture1->width(), w()->centralWidget()->width());
        const int last = w()->Picture1->height();
        w()->resize(867, 120);
        QTest::qWait(10);
        QVERIFY(Twips::fromPixels(w()->frameGeometry().height()) < 2000);
        QCOMPARE(w()->Picture1->height(), last); // too small: stays as it was
    }

    void shellLayout()
    {
        makeDb();
        openWindow();
        const QList<QAction *> entries = w()->Toolbar1->actions();
        QStringList keys;
        for (QAction *a : entries)
            keys << a->objectName();
        QCOMPARE(keys.size(), 8);
        const QStringList expected{"Looksite", "Add", "Modify", "Delete", "NRefresh"};
        QCOMPARE(keys.mid(1, 1) + keys.mid(3, 3) + keys.mid(7, 1), expected);
        const QStringList captions{"查看网站", "添加网站", "修改网站", "删除网站", "刷新显示"};
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(action(expected[i])->text(), captions[i]);
        // The three gaps, 360, 300 and 300 twips wide.
        QCOMPARE(w()->Toolbar1->widgetForAction(entries[0])->width(), 24);
        QCOMPARE(w()->Toolbar1->widgetForAction(entries[2])->width(), 20);
        QCOMPARE(w()->Toolbar1->widgetForAction(entries[6])->width(), 20);

        QCOMPARE(w()->system->title(), QStringLiteral("系统管理(&S)"));
        QCOMPARE(w()->help->title(), QStringLiteral("帮助中心(&H)"));
        QCOMPARE(w()->zhanghao->text(), QStringLiteral("帐号/密码(&N)"));
        QCOMPARE(w()->tuichu->text(), QStringLiteral("退出系统(&E)"));
        QCOMPARE(w()->shuoming->text(), QStringLiteral("使用说明(&I)"));
        QCOMPARE(w()->guanyuwomen->text(), QStringLiteral("关于Tavorin(&A)"));

        QCOMPARE(w()->Panels[0]->text(), QStringLiteral("提示："));
        QCOMPARE(w()->Panels[1]->toolTip(), QStringLiteral("工具栏的提示信息"));
        QCOMPARE(w()->Panels[2]->text(), QStringLiteral("今天是：") + DateText::toLongText(QDate::currentDate()));
        QCOMPARE(w()->Panels[4]->text(), QStringLiteral("版本 V1.0"));
        QCOMPARE(w()->Panels[1]->width(), 367); // 5505 twips
        QCOMPARE(w()->lstFields->count(), 2);
        QCOMPARE(w()->windowTitle(), QStringLiteral("Tavorin"));
    }

    void idleRuleOnTheBackground()
    {
        makeDb(sitesByAge(2));
        openWindow();
        w()->resize(867, 687);
        trigger(QStringLiteral("NRefresh"));
        QCOMPARE(status(), QStringLiteral("刷新显示"));
        // Over a control: the command's text stays.
        QTest::mouseMove(child(QStringLiteral("Fii1")));
        QCOMPARE(status(), QStringLiteral("刷新显示"));
        // Over the frame's own background, below the container.
        QWidget *background = w()->centralWidget();
        const QPoint spot(background->width() / 2, background->height() - 5);
        QVERIFY(!background->childAt(spot));
        QMouseEvent move(QEvent::MouseMove, spot, background->mapToGlobal(spot), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(background, &move);
        QCOMPARE(status(), QStringLiteral("待命状态..."));
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstFrmMain)
#include "tst_frmmain.moc"
