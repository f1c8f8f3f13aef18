// The main window: list, details, record navigation, delete, open notes,
// in-place modify, the account and date boxes, size and the close question.

#include "MainWindowFixture.h"

#include "accounts/FrmUserEdit.h"
#include "accounts/Users.h"
#include "core/DateText.h"
#include "core/Twips.h"

#include <QCalendarWidget>
#include <QScreen>
#include <QWheelEvent>

class TstFrmMain : public QObject, private MainWindowFixture {
    Q_OBJECT

private:
    // Enabled states of Fii1 Fii2 cmdlast Fii3 Fii4 cmdnext, as "1" and "0".
    static QString browseStates()
    {
        QString s;
        for (const char *name : {"Fii1", "Fii2", "cmdlast", "Fii3", "Fii4", "cmdnext"})
            s += enabled(QLatin1String(name)) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    static QString nameOf(int site) { return QStringLiteral("site%1").arg(site); }
    bool tableExists(const QString &name) const
    {
        return count(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE name='%1'").arg(name)) == 1;
    }
    QStringList storedSite(int id) const
    {
        return text(QStringLiteral("SELECT Webname||'|'||Weburl||'|'||Webtime||'|'||Webmemos FROM Website WHERE Webid=%1").arg(id))
            .split(QLatin1Char('|'));
    }

private slots:
    void cleanup() { reset(); }

    void emptyCatalogueDisablesWhatNeedsAWebsite()
    {
        makeDb();
        openWindow();
        QCOMPARE(browseStates(), QStringLiteral("000000"));
        QVERIFY(!enabled("Cmd_XG") && !enabled("Cmd_goto"));
        for (const char *key : {"Looksite", "Modify", "Delete"})
            QVERIFY2(!action(QLatin1String(key))->isEnabled(), key);
        QVERIFY(action("Add")->isEnabled() && action("NRefresh")->isEnabled());
        trigger("NRefresh");
        QCOMPARE(status(), QStringLiteral("刷新显示"));
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void listShowsNewestFirstWithFirstRowInDetails()
    {
        makeDb({{"  old  ", " http://old.cn ", "2010-05-06", " m1 "}, {"new", "http://new.cn", "2012-01-02", ""}});
        openWindow();
        QCOMPARE(gridColumn(1), QStringList({"new", "  old  "}));
        QCOMPARE(gridRow(), 0);
        QCOMPARE(w()->Webtime->text(), DateText::toText(QDate(2012, 1, 2)));
        QCOMPARE(w()->Frame2->title(), QStringLiteral("编号：2"));
        QCOMPARE(browseStates(), QStringLiteral("111111"));
        // Name and memo come back trimmed, the address as stored.
        click("Fii3");
        QCOMPARE(w()->Webname->text() + w()->WebOriName->text(), QStringLiteral("oldold"));
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
        QTest::newRow("first bounces") << 3 << QStringList{"Fii1"} << 0 << "000111" << "首条记录";
        QTest::newRow("last bounces") << 3 << QStringList{"Fii4"} << 2 << "111000" << "最一条记录";
        QTest::newRow("next past the end") << 3 << QStringList{"Fii3", "Fii3", "Fii3"} << 2 << "111000" << "下一条记录";
        QTest::newRow("previous at the start") << 3 << QStringList{"Fii2"} << 0 << "000111" << "上一条记录";
        QTest::newRow("previous from last") << 3 << QStringList{"Fii4", "Fii2"} << 1 << "111111" << "上一条记录";
        QTest::newRow("small next past the end") << 3 << QStringList{"cmdnext", "cmdnext", "cmdnext"} << 2 << "111000" << "准备就绪...";
        QTest::newRow("clicked row") << 3 << QStringList{"@1"} << 1 << "111111" << "待命状态...";
        QTest::newRow("next from a clicked row") << 3 << QStringList{"@1", "Fii3"} << 2 << "111111" << "下一条记录";
        QTest::newRow("one website: last, previous") << 1 << QStringList{"Fii4", "Fii2"} << 0 << "000111" << "上一条记录";
    }

    void navigation()
    {
        QFETCH(int, sites);
        QFETCH(QStringList, clicks);
        QFETCH(int, row);
        makeDb(sitesByAge(sites));
        openWindow();
        for (const QString &name : clicks) {
            if (name.startsWith(QLatin1Char('@'))) { // a click on that row of the list
                QTableView *grid = w()->DataGrid1;
                const QRect cell = grid->visualRect(grid->model()->index(name.mid(1).toInt(), 1));
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
            } else {
                click(name);
            }
        }
        QTEST(browseStates(), "states");
        QCOMPARE(gridRow(), row);
        QVERIFY(w()->DataGrid1->selectionModel()->isRowSelected(row, {}));
        QCOMPARE(w()->Webname->text(), nameOf(sites - row)); // newest first
        QCOMPARE(w()->Frame2->title(), QStringLiteral("编号：%1").arg(sites - row));
        QTEST(status(), "statusText");
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void wheelMovesOneRowPerNotch()
    {
        makeDb(sitesByAge(4));
        openWindow();
        QWidget *viewport = w()->DataGrid1->viewport();
        const QPointF at(viewport->width() / 2.0, 10);
        // angle, modifiers, row after: steps that are not one plain notch move nothing.
        const QList<QList<int>> steps{{120, 0, 0},  {-120, 0, 1}, {-60, 0, 1},  {-240, 0, 1}, {-120, Qt::ControlModifier, 1},
                                      {-120, 0, 2}, {-120, 0, 3}, {-120, 0, 3}, {120, 0, 2}};
        for (const QList<int> &step : steps) {
            QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, step[0]), Qt::NoButton,
                              Qt::KeyboardModifiers(step[1]), Qt::NoScrollPhase, false);
            QApplication::sendEvent(viewport, &event);
            QCOMPARE(gridRow(), step[2]);
            QCOMPARE(w()->Webname->text(), nameOf(4 - step[2]));
            QCOMPARE(w()->Adodc1.recordset().absolutePosition(), step[2] + 1);
        }
    }

    void deleteWebsite_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("row");           // -1: after the last row
        QTest::addColumn<QString>("shownName"); // what the details frame shows then
        // Five websites, newest first: row r holds site (5 - r).
        QTest::newRow("first") << 1 << int(MessageBox::Yes) << 0 << nameOf(4);
        QTest::newRow("second selects the former third") << 2 << int(MessageBox::Yes) << 1 << nameOf(3);
        QTest::newRow("last leaves none selected") << 5 << int(MessageBox::Yes) << -1 << nameOf(5);
        QTest::newRow("answered No") << 2 << int(MessageBox::No) << 1 << nameOf(4);
    }

    void deleteWebsite()
    {
        QFETCH(int, position);
        QFETCH(int, answer);
        QFETCH(int, row);
        makeDb(sitesByAge(5));
        const int id = 6 - position;
        db->exec(QStringLiteral("CREATE TABLE biji%1 (AutoId INTEGER PRIMARY KEY)").arg(id));
        db->exec(QStringLiteral("CREATE TABLE biji%1 (AutoId INTEGER PRIMARY KEY)").arg(id == 1 ? 2 : 1));
        openWindow();
        click("cmdnext", position - 1);
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        trigger("Delete");

        const bool yes = answer == MessageBox::Yes;
        const auto shown = MessageBox::shownDetails();
        QCOMPARE(shown.size(), yes ? 2 : 1);
        QCOMPARE(QStringLiteral("%1|%2|%3").arg(shown[0].text, shown[0].title).arg(shown[0].buttons),
                 QStringLiteral("是否删除当前行?|确认|%1").arg(MessageBox::YesNo));
        QCOMPARE(count("SELECT count(*) FROM Website"), yes ? 4 : 5);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Website WHERE Webid=%1").arg(id)), yes ? 0 : 1);
        QCOMPARE(tableExists(QStringLiteral("biji%1").arg(id)), !yes); // its notes go with it
        QVERIFY(tableExists(QStringLiteral("biji%1").arg(id == 1 ? 2 : 1)));
        QCOMPARE(gridRow(), row);
        QTEST(w()->Webname->text(), "shownName");
        if (!yes)
            return;
        QCOMPARE(shown[1].text, QStringLiteral("删除成功"));
        QCOMPARE(status(), QStringLiteral("删除关于该站点的笔记"));
        if (row < 0) {
            // After the last row every navigation button says so and stays put.
            MessageBox::clearShown();
            click("Fii1");
            QCOMPARE(MessageBox::shown(), QStringList{QStringLiteral("没有记录了")});
            QCOMPARE(gridRow(), -1);
        }
    }

    void idsBeyondSixteenBits()
    {
        makeDb();
        insert({"big", "http://big.cn", "2012-01-01", ""}, 40000);
        insert({"small", "http://small.cn", "2011-01-01", ""}, 7232); // what a 16-bit id would hit
        db->exec(QStringLiteral("CREATE TABLE biji40000 (AutoId INTEGER PRIMARY KEY)"));
        openWindow();
        QCOMPARE(w()->Frame2->title(), QStringLiteral("编号：40000"));
        w()->Webname->setText(QStringLiteral("bigger"));
        click("Cmd_XG");
        QCOMPARE(text("SELECT group_concat(Webname) FROM Website ORDER BY Webid"), QStringLiteral("small,bigger"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger("Delete");
        QCOMPARE(text("SELECT group_concat(Webid) FROM Website"), QStringLiteral("7232"));
        QVERIFY(!tableExists("biji40000"));
    }

    void openNotesKeepsTheRow_data()
    {
        QTest::addColumn<bool>("viaToolbar");
        QTest::addColumn<int>("answer");
        QTest::newRow("Goto, creation declined") << false << int(MessageBox::Cancel);
        QTest::newRow("toolbar, table created") << true << int(MessageBox::Ok);
    }

    void openNotesKeepsTheRow()
    {
        QFETCH(bool, viaToolbar);
        QFETCH(int, answer);
        makeDb(sitesByAge(5));
        openWindow();
        click("cmdnext", 3);
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        viaToolbar ? trigger("Looksite") : click("Cmd_goto");
        QVERIFY(!MessageBox::shown().isEmpty()); // the notes module's creation question first
        QCOMPARE(tableExists("biji2"), answer == MessageBox::Ok);
        QCOMPARE(gridRow(), 3);
        QCOMPARE(w()->Webname->text(), nameOf(2));
    }

    void modifyInPlace_data()
    {
        QTest::addColumn<QStringList>("typed"); // name, url, date, memo
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");      // box with the focus after a refusal
        QTest::addColumn<QStringList>("stored"); // site 2 afterwards
        const QStringList unchanged{"site2", "http://s2.cn", "2011-01-03", "memo2"};
        QTest::newRow("rename") << QStringList{" Renamed ", "http://r.cn", "2012/3/4", "note"} << "修改成功" << ""
                                << QStringList{"Renamed", "http://r.cn", "2012-03-04", "note"};
        QTest::newRow("unchanged name saves") << QStringList{"site2", "http://s2.cn", "2011/1/3", "memo2"} << "修改成功"
                                              << "" << unchanged;
        QTest::newRow("another website's name") << QStringList{"SITE3", "x", "2011/1/3", ""}
                                                << "网站名称已经存在，请重新输入" << "Webname" << unchanged;
        QTest::newRow("own name in other case") << QStringList{"SITE2", "x", "2011/1/3", ""}
                                                << "网站名称已经存在，请重新输入" << "Webname" << unchanged;
        QTest::newRow("blank name before bad date") << QStringList{"   ", "x", "abc", ""} << "请输入网站名称"
                                                    << "Webname" << unchanged;
        QTest::newRow("no such date") << QStringList{"new", "x", "2011-13-45", ""} << "日期格式不正确，请重新输入"
                                      << "Webtime" << unchanged;
    }

    void modifyInPlace()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        makeDb(sitesByAge(3));
        openWindow();
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        click("cmdnext"); // site2, second row
        w()->Webname->setText(typed[0]);
        w()->Weburl->setText(typed[1]);
        w()->Webtime->setText(typed[2]);
        w()->Webmemos->setPlainText(typed[3]);
        MessageBox::clearShown();
        click("Cmd_XG");

        QCOMPARE(MessageBox::shown(), QStringList{message});
        QTEST(storedSite(2), "stored");
        QCOMPARE(count("SELECT count(*) FROM Website"), 3);
        if (focus.isEmpty()) {
            // Back on the changed website's position, showing what was stored.
            QCOMPARE(gridRow(), 1);
            QCOMPARE(w()->Webname->text(), gridCell(1, 1));
            QCOMPARE(status(), QStringLiteral("修改记录"));
        } else {
            QCOMPARE(QApplication::focusWidget(), child<QWidget>(focus));
            QCOMPARE(w()->Webname->text(), typed[0]); // the typed texts stay for correcting
        }
    }

    void detailsDatePicker()
    {
        makeDb(sitesByAge(2));
        openWindow();
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        // Entering the box shows the website's own date and replaces nothing.
        w()->Webtime->setFocus();
        QTRY_VERIFY(w()->MonthView1->isVisible());
        QCOMPARE(w()->MonthView1->selectedDate(), QDate(2011, 1, 3));
        QCOMPARE(w()->Webtime->text(), DateText::toText(QDate(2011, 1, 3)));
        QTest::keyClick(w()->Webtime, Qt::Key_Tab);
        QTRY_VERIFY(!w()->MonthView1->isVisible());
        click("Cmd_XG");
        QCOMPARE(text("SELECT Webtime FROM Website WHERE Webid=2"), QStringLiteral("2011-01-03"));
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
            if (FrmUserEdit *d = Forms::loaded<FrmUserEdit>()) {
                seen << d->OriUser << d->txtUserName->text() << d->txtPass->text() << d->txtPass2->text()
                     << (d->isModal() ? "modal" : "modeless");
                d->reject();
            }
        });
        w()->zhanghao->trigger();
        QCOMPARE(seen, QStringList({"admin", "admin", "123456", "123456", "modal"}));
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
        click("cmdnext");
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        viaMenu ? w()->tuichu->trigger() : void(w()->close());
        QCOMPARE(onlyShown(), QStringLiteral("真的退出该系统吗(Y/N)？    |请确认...|%1|%2")
                                  .arg(MessageBox::YesNo).arg(MessageBox::Question));
        if (answer == MessageBox::Yes) {
            QTRY_VERIFY(!Forms::loaded<FrmMain>());
            return;
        }
        QVERIFY(w()->isVisible());
        QCOMPARE(gridRow(), 1);
    }

    void windowSizeFromSettings_data()
    {
        QTest::addColumn<QVariant>("height");
        QTest::addColumn<QVariant>("width");
        QTest::addColumn<QSize>("pixels");
        QTest::newRow("nothing stored") << QVariant() << QVariant() << QSize(867, 687);
        QTest::newRow("stored size in twips") << QVariant("9000") << QVariant("13500") << QSize(900, 600);
        QTest::newRow("not numbers") << QVariant("tall") << QVariant("") << QSize(867, 687);
    }

    void windowSizeFromSettings()
    {
        QFETCH(QVariant, height);
        QFETCH(QVariant, width);
        QSettings settings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
        settings.remove(QStringLiteral("Settings"));
        if (height.isValid()) {
            settings.setValue(QStringLiteral("Settings/MainHeight"), height);
            settings.setValue(QStringLiteral("Settings/MainWidth"), width);
        }
        settings.sync();
        makeDb();
        FrmMain *window = Forms::get<FrmMain>(); // the size is set when the window loads
        QTEST(window->size(), "pixels");
        const QPoint offCentre = window->geometry().center() - QGuiApplication::primaryScreen()->geometry().center();
        QVERIFY(qAbs(offCentre.x()) <= 1 && qAbs(offCentre.y()) <= 1);
    }

    void containerFollowsWindowHeightButNeverBelowZero()
    {
        makeDb();
        openWindow();
        w()->resize(900, 600);
        QTRY_COMPARE(w()->Picture1->height(), Twips::toPixels(Twips::fromPixels(w()->frameGeometry().height()) - 2000));
        const int last = w()->Picture1->height();
        w()->resize(867, 120);
        QTest::qWait(10);
        QVERIFY(Twips::fromPixels(w()->frameGeometry().height()) < 2000);
        QCOMPARE(w()->Picture1->height(), last); // too small: stays as it was
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstFrmMain)
#include "tst_frmmain.moc"
