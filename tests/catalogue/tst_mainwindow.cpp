// The main window: list, details, record navigation, delete, open notes,
// in-place modify, search, the 数据 menu (export, import, client reports),
// the account and date boxes, size and the close question; the window when
// the catalogue changes behind it or holds awkward names (a website deleted
// elsewhere, a change that moves the website in the list, a delete that must
// take the notes with it or nothing, a damaged file); the website edit
// dialog; and the website store (what it stores, the reset record, trimming
// and letter case, quotes, ids beyond 16 bits, a missing date); and from
// launch to the main window and back out: the login window alone at start,
// the hand-over after a login, the program ending with its last window.
// (The installed program waiting at its login window without a notebook in
// its folder is the package test's.)

#include "MainWindowFixture.h"

#include "accounts/AccountDialog.h"
#include "accounts/Account.h"
#include "accounts/LoginWindow.h"
#include "catalogue/Website.h"
#include "core/DateText.h"
#include "core/FileDialog.h"
#include "core/db/DbError.h"
#include "notes/ImportDialog.h"
#include "notes/NotesWindow.h"
#include "notes/NotesTable.h"
#include "notes/RecordEditor.h"
#include "notes/ReportDialog.h"

#include <sqlite3.h>

using namespace Qt::StringLiterals;

class TstMainWindow : public QObject, private MainWindowFixture {
    Q_OBJECT

private:
    // Enabled states of first, previous, step up, next, last, step down, as "1" and "0".
    static QString browseStates()
    {
        QString s;
        for (const char *name : {"Fii1", "Fii2", "cmdlast", "Fii3", "Fii4", "cmdnext"})
            s += enabled(QLatin1String(name)) ? QLatin1Char('1') : QLatin1Char('0');
        return s;
    }
    static QString nameOf(int site) { return QStringLiteral("site%1").arg(site); }
    static QStringList visibleWindows()
    {
        QStringList names;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->isVisible())
                names << w->objectName();
        return names;
    }
    static void add(const TestDb &t, int id, const QString &name, const QString &url = "http://x", const QString &memo = "m")
    {
        t.exec(QString("INSERT INTO Website VALUES(%1,'%2','%3','2011-10-25','%4')").arg(id).arg(name, url, memo));
    }
    static QString fields(const Website &w)
    {
        return QStringLiteral("%1|%2|%3|%4|%5").arg(w.Webid).arg(w.Webname, w.Weburl, w.Webtime.toString(Qt::ISODate), w.Webmemos);
    }

    // Ids 1..7; dates run against the ids so that the list order (newest
    // first) and the search order (by id) differ.
    void openSearchCatalogue()
    {
        makeDb({{"百度优化", "http://www.a.cn", "2011-06-01", ""}, {"O'Reilly", "http://oreilly.com", "2011-05-01", ""},
                {"Abc Shop", "http://shop.abc.cn", "2011-04-01", ""}, {"谷歌优化站", "http://b.cn/x y", "2011-03-01", ""},
                {"50%折扣", "http://c.cn", "2011-02-01", ""}, {"abcdef", "http://abc.cn", "2011-01-01", ""},
                {"打折_网", "http://d.cn", "2010-12-01", ""}});
        openWindow();
    }
    // Three websites, the newest (Abc Shop, id 2) current; searched by name unless `text` is empty.
    void openDataMenuCatalogue(const QString &text)
    {
        makeDb({{"优化网", "http://a.cn", "2011-03-01", ""}, {"Abc Shop", "http://shop.abc.cn", "2011-04-01", ""},
                {"谷歌站", "http://b.com", "2011-02-01", ""}});
        openWindow();
        if (!text.isEmpty())
            search("网站名称", text);
    }
    static void search(const QString &field, const QString &text)
    {
        w()->search->fieldList->setCurrentIndex(w()->search->fieldList->findText(field));
        w()->search->textBox->clear();
        type(w()->search->textBox, text);
        click("cmdsou");
    }

private slots:
    void cleanup()
    {
        delete Forms::loaded<LoginWindow>();
        delete Forms::loaded<RecordEditor>();
        delete Forms::loaded<NotesWindow>();
        reset();
        QLocale::setDefault(QLocale::system());
    }

    // The interface is Chinese, so is every date it shows, whatever the
    // locale; Qt's own words (message-box buttons, file dialogs) too.
    void chineseWhateverTheLocale_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char *name : {"C", "en_US", "zh_CN"})
            QTest::newRow(name) << name;
    }
    void chineseWhateverTheLocale()
    {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        makeDb({{"茶语", "http://a.cn", "2026-11-02", ""}});
        QString table = QStringLiteral("biji1");
        createNotesTable(table);
        db->exec(QStringLiteral("INSERT INTO biji1([时间],[备注]) VALUES('2026-10-15','m')"));
        openWindow();
        QCOMPARE(gridColumn(3), QStringList{"2026/11/2"});
        QCOMPARE(w()->details->dateBox->text(), QStringLiteral("2026/11/2"));
        QLabel *today = w()->statusPanels[2];
        QCOMPARE(today->text(), "今天是：" + DateText::toLongText(QDate::currentDate()));
        QVERIFY(today->contentsRect().width() >= today->fontMetrics().horizontalAdvance(today->text()));
        QCOMPARE(runDialog("Modify", {}, false).boxes.value(3), QStringLiteral("2026/11/2"));

        trigger("Looksite");
        NotesWindow *notes = Forms::loaded<NotesWindow>();
        QVERIFY(notes);
        QCOMPARE(notes->grid()->model()->index(0, 1).data().toString(), QStringLiteral("2026/10/15"));
        QCOMPARE(notes->findChild<QLabel *>("Webtime")->text(), QStringLiteral("「2026/11/2 动手」"));
        notes->findChild<QPushButton *>("Cmd_Modi")->click();
        RecordEditor *editor = Forms::loaded<RecordEditor>();
        QCOMPARE(editor->inputText(1), QStringLiteral("2026/10/15"));
        editor->setInputText(1, QStringLiteral("15 Oct 2026"));
        MessageBox::clearShown();
        editor->findChild<QPushButton *>("Cmd_OK")->click();
        QCOMPARE(MessageBox::shown(), QStringList{"日期“15 Oct 2026”无法识别，请输入有效的日期，例如 "
                                                  + DateText::toText(QDate::currentDate()) + "。"});
        QCOMPARE(MessageBox::shownDetails()[0].captions, QStringList{"确定"});

        QFileDialog files(w());
        files.setOption(QFileDialog::DontUseNativeDialog);
        QCOMPARE(files.findChild<QLabel *>("fileNameLabel")->text(), QStringLiteral("文件名称(&N)："));
        QCOMPARE(files.findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    }

    void emptyCatalogueDisablesWhatNeedsAWebsite()
    {
        makeDb();
        openWindow();
        QCOMPARE(browseStates(), QStringLiteral("000000"));
        QVERIFY(!enabled("Cmd_XG") && !enabled("Cmd_goto"));
        QVERIFY(!action("Looksite")->isEnabled() && !action("Modify")->isEnabled() && !action("Delete")->isEnabled());
        QVERIFY(action("Add")->isEnabled() && action("NRefresh")->isEnabled());
        QStringList titles;
        for (QAction *a : w()->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"系统管理(&S)", "数据(&D)", "帮助中心(&H)"}));
        QCOMPARE(action("exportWebsites")->text(), QStringLiteral("导出网站列表…"));
        QCOMPARE(action("importNotes")->text(), QStringLiteral("导入优化记录…"));
        QCOMPARE(action("clientReport")->text(), QStringLiteral("生成客户报告…"));
    }

    void listShowsNewestFirstWithFirstRowInDetails()
    {
        makeDb({{"  old  ", " http://old.cn ", "2010-05-06", " m1 "}, {"new", "http://new.cn", "2012-01-02", ""}});
        openWindow();
        QCOMPARE(gridColumn(1), QStringList({"new", "  old  "}));
        QCOMPARE(w()->details->dateBox->text(), QStringLiteral("2012/1/2"));
        QCOMPARE(w()->details->title(), QStringLiteral("编号：2"));
        // Name and memo come back trimmed, the address as stored.
        click("Fii3");
        QCOMPARE(w()->details->nameBox->text() + w()->details->storedNameBox->text(), QStringLiteral("oldold"));
        QCOMPARE(w()->details->addressBox->text(), QStringLiteral(" http://old.cn "));
        QCOMPARE(w()->details->memoBox->toPlainText(), QStringLiteral("m1"));
    }

    void navigation_data()
    {
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("states"); // in the order of browseStates(); empty: not checked
        QTest::addColumn<QString>("statusText");
        QTest::newRow("first bounces") << QStringList{"Fii1"} << 0 << "000111" << "首条记录";
        QTest::newRow("last bounces") << QStringList{"Fii4"} << 2 << "111000" << "最一条记录";
        QTest::newRow("next past the end") << QStringList{"Fii3", "Fii3", "Fii3"} << 2 << "111000" << "下一条记录";
        QTest::newRow("previous from last") << QStringList{"Fii4", "Fii2"} << 1 << "111111" << "上一条记录";
        // One wheel notch moves one row.
        QTest::newRow("wheel") << QStringList{"-120", "-120", "120"} << 1 << "111111" << "准备就绪...";
        QTest::newRow("refresh") << QStringList{"NRefresh"} << 0 << "" << "刷新显示";
    }

    void navigation()
    {
        QFETCH(QStringList, clicks);
        QFETCH(int, row);
        makeDb(sitesByAge(3));
        openWindow();
        QWidget *viewport = w()->browser->grid->viewport();
        for (const QString &name : clicks) {
            if (const int angle = name.toInt()) {
                QWheelEvent event(QPointF(10, 10), viewport->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, angle),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(viewport, &event);
            } else if (action(name)) {
                trigger(name);
            } else {
                click(name);
            }
        }
        QFETCH(QString, states);
        if (!states.isEmpty())
            QCOMPARE(browseStates(), states);
        QCOMPARE(gridRow(), row);
        QCOMPARE(w()->details->nameBox->text(), nameOf(3 - row)); // newest first
        QCOMPARE(w()->details->title(), QStringLiteral("编号：%1").arg(3 - row));
        QTEST(status(), "statusText");
        // What the status panel says reaches assistive technology too.
        QAccessibleInterface *panel = QAccessible::queryAccessibleInterface(w()->statusPanels[1]);
        QCOMPARE(panel->text(QAccessible::Name), QStringLiteral("状态"));
        QTEST(panel->text(QAccessible::Description), "statusText");
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
        QPlainTextEdit *memo = w()->details->memoBox;
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

    void deleteWebsite_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("row");           // -1: after the last row
        QTest::addColumn<QString>("shownName"); // what the details frame shows then
        QTest::addColumn<int>("notesOf");       // the website whose notes are open, 0 for none
        // Five websites, newest first: row r holds site (5 - r).
        QTest::newRow("second selects the former third") << 2 << int(MessageBox::Yes) << 1 << nameOf(3) << 0;
        QTest::newRow("last leaves none selected") << 5 << int(MessageBox::Yes) << -1 << nameOf(5) << 0;
        QTest::newRow("answered No") << 2 << int(MessageBox::No) << 1 << nameOf(4) << 0;
        // Its own open notes window closes first; another website's stays open.
        QTest::newRow("its open notes close") << 1 << int(MessageBox::Yes) << 0 << nameOf(4) << 5;
        QTest::newRow("other notes stay open") << 1 << int(MessageBox::Yes) << 0 << nameOf(4) << 3;
    }

    void deleteWebsite()
    {
        QFETCH(int, position);
        QFETCH(int, answer);
        QFETCH(int, notesOf);
        makeDb(sitesByAge(5));
        const int id = 6 - position;
        for (QString table : {QStringLiteral("biji%1").arg(id), QStringLiteral("biji3")})
            createNotesTable(table);
        if (notesOf) {
            QString table = QStringLiteral("biji%1").arg(notesOf);
            openWebsiteNotes(table, WebsiteRow{notesOf, nameOf(notesOf), QString(), QDate(2011, 1, 1)});
            QVERIFY(Forms::loaded<NotesWindow>());
        }
        openWindow();
        click("cmdnext", position - 1);
        MessageBox::setNextAnswer(MessageBox::Button(answer));
        trigger("Delete");

        const bool yes = answer == MessageBox::Yes;
        QCOMPARE(MessageBox::shown(), yes ? QStringList({"是否删除当前行?", "删除成功"}) : QStringList{"是否删除当前行?"});
        QCOMPARE(MessageBox::shownDetails()[0].buttons, int(MessageBox::YesNo));
        QCOMPARE(count("SELECT count(*) FROM Website"), yes ? 4 : 5);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM Website WHERE Webid=%1").arg(id)), yes ? 0 : 1);
        QCOMPARE(db->hasTable(QStringLiteral("biji%1").arg(id)), !yes); // its notes go with it
        QVERIFY(db->hasTable("biji3"));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(Forms::loaded<NotesWindow>() == nullptr, !notesOf || (yes && notesOf == id));
        QTEST(gridRow(), "row");
        QTEST(w()->details->nameBox->text(), "shownName");
    }

    void idsBeyondSixteenBits()
    {
        makeDb();
        insert({"big", "http://big.cn", "2012-01-01", ""}, 40000);
        insert({"small", "http://small.cn", "2011-01-01", ""}, 7232); // what a 16-bit id would hit
        db->exec(QStringLiteral("CREATE TABLE biji40000 (AutoId INTEGER PRIMARY KEY)"));
        openWindow();
        QCOMPARE(w()->details->title(), QStringLiteral("编号：40000"));
        w()->details->nameBox->setText(QStringLiteral("bigger"));
        click("Cmd_XG");
        QCOMPARE(db->joined("SELECT Webname FROM Website ORDER BY Webid"), QStringLiteral("small,bigger"));
        MessageBox::setNextAnswer(MessageBox::Yes);
        trigger("Delete");
        QCOMPARE(db->joined("SELECT Webid FROM Website ORDER BY Webid"), QStringLiteral("7232"));
        QVERIFY(!db->hasTable("biji40000"));
    }

    void openNotesKeepsTheRow()
    {
        makeDb(sitesByAge(5));
        openWindow();
        click("cmdnext", 3);
        MessageBox::setNextAnswer(MessageBox::Ok); // the notes module's creation question
        trigger("Looksite");
        QVERIFY(db->hasTable("biji2"));
        QCOMPARE(gridRow(), 3);
        QCOMPARE(w()->details->nameBox->text(), nameOf(2));
    }

    void modifyInPlace_data()
    {
        QTest::addColumn<QStringList>("typed"); // name, url, date, memo
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");      // box with the focus after a refusal
        QTest::addColumn<QStringList>("stored"); // site 2 afterwards
        QTest::addColumn<QString>("site3");       // the other website's name
        const QStringList unchanged{"site2", "http://s2.cn", "2011-01-03", "memo2"};
        const QString taken = QStringLiteral("网站名称已经存在，请重新输入");
        QTest::newRow("rename") << QStringList{" Renamed ", "http://r.cn", "2012/3/4", "note"} << "修改成功" << ""
                                << QStringList{"Renamed", "http://r.cn", "2012-03-04", "note"} << "site3";
        QTest::newRow("another website's name") << QStringList{"SITE3", "x", "2011/1/3", ""} << taken << "Webname" << unchanged << "site3";
        QTest::newRow("own name in other case") << QStringList{"SITE2", "x", "2011/1/3", ""} << taken << "Webname" << unchanged << "site3";
        QTest::newRow("no such date") << QStringList{"new", "x", "2011-13-45", ""} << "日期格式不正确，请重新输入"
                                      << "Webtime" << unchanged << "site3";
        QTest::newRow("a slip after the date") << QStringList{"new", "x", "2011/10/2 5", ""} << "日期格式不正确，请重新输入"
                                               << "Webtime" << unchanged << "site3";
        QTest::newRow("a time of day after the date") << QStringList{"site2", "http://s2.cn", "2012/3/4 10:30", "memo2"}
                                                      << "修改成功" << ""
                                                      << QStringList{"site2", "http://s2.cn", "2012-03-04", "memo2"} << "site3";
        // Names that differ only in case, in any script, are one name; width is not case.
        QTest::newRow("full-width letters") << QStringList{"ａｂｃ优化", "x", "2011/1/3", ""} << taken << "Webname" << unchanged
                                            << "ＡＢＣ优化";
        QTest::newRow("accented letters") << QStringList{"CAFÉ", "x", "2011/1/3", ""} << taken << "Webname" << unchanged << "Café";
        QTest::newRow("width is not case") << QStringList{"ABC优化", "x", "2011/1/3", ""} << "修改成功" << ""
                                           << QStringList{"ABC优化", "x", "2011-01-03", "无"} << "ＡＢＣ优化";
    }

    void modifyInPlace()
    {
        QFETCH(QStringList, typed);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        QFETCH(QString, site3);
        makeDb(sitesByAge(3));
        db->exec(QStringLiteral("UPDATE Website SET Webname = '%1' WHERE Webid = 3").arg(site3));
        openWindow();
        w()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w()));
        click("cmdnext"); // site2, second row
        w()->details->nameBox->setText(typed[0]);
        w()->details->addressBox->setText(typed[1]);
        w()->details->dateBox->setText(typed[2]);
        w()->details->memoBox->setPlainText(typed[3]);
        MessageBox::clearShown();
        click("Cmd_XG");

        QCOMPARE(MessageBox::shown(), QStringList{message});
        QTEST(storedSite(2), "stored");
        // Back on the changed website wherever its new date put it, showing
        // what was stored; after a refusal nothing moved.
        QCOMPARE(gridRow(), focus.isEmpty() ? gridColumn(0).indexOf("2") : 1);
        if (focus.isEmpty())
            QCOMPARE(w()->details->nameBox->text(), storedSite(2)[0]);
        else
            QCOMPARE(QApplication::focusWidget()->objectName(), focus);
    }

    void searchMatches_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("ids"); // in the order listed
        QTest::newRow("name contains, lowest id first") << "网站名称" << "优化" << QStringList{"1", "4"};
        QTest::newRow("address") << "网址" << "abc" << QStringList{"3", "6"};
        QTest::newRow("empty text lists all by id") << "网站名称" << "" << QStringList{"1", "2", "3", "4", "5", "6", "7"};
        QTest::newRow("spaces take part") << "网站名称" << "def " << QStringList{};
        // As wildcards, "%折" and "折_" would each match both 5 and 7.
        QTest::newRow("percent is no wildcard") << "网站名称" << "%折" << QStringList{"5"};
        QTest::newRow("underscore is no wildcard") << "网站名称" << "折_" << QStringList{"7"};
        QTest::newRow("lone quote") << "网站名称" << "'" << QStringList{"2"};
    }
    void searchMatches()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QStringList, ids);
        openSearchCatalogue();
        search(field, text);
        QCOMPARE(gridColumn(0), ids);
        QVERIFY2(MessageBox::shown().isEmpty(), qPrintable(MessageBox::shown().join(QLatin1Char('|'))));
        QCOMPARE(enabled("Cmd_XG"), !ids.isEmpty());
        QCOMPARE(w()->browser->idBox->text(), ids.value(0));
    }

    void failedSearchIsReportedAndLeavesNothingOpen()
    {
        openSearchCatalogue();
        db->exec(QStringLiteral("ALTER TABLE Website RENAME TO WebsiteGone"));
        MessageBox::clearShown();
        search("网站名称", "abc");
        QCOMPARE(onlyShown(), QStringLiteral("没有符合条件的记录！|确认|%1|%2").arg(MessageBox::OkOnly).arg(MessageBox::Exclamation));
        QCOMPARE(w()->browser->grid->model()->rowCount(), 0);
        QVERIFY(!enabled("Fii1") && !action("Delete")->isEnabled());
        db->exec(QStringLiteral("ALTER TABLE WebsiteGone RENAME TO Website"));
        trigger("NRefresh");
        QCOMPARE(gridColumn(0).size(), 7);
    }

    // The website list exported whole or as searched.
    void exportWebsites_data()
    {
        QTest::addColumn<QString>("search");  // typed into the name search, empty: none
        QTest::addColumn<int>("answer");      // to "only the search result?", 0: not asked
        QTest::addColumn<int>("rows");
        QTest::newRow("whole list") << "" << 0 << 3;
        QTest::newRow("search result") << "站" << int(MessageBox::Yes) << 1;
        QTest::newRow("all despite a search") << "站" << int(MessageBox::No) << 3;
    }
    void exportWebsites()
    {
        QFETCH(QString, search);
        QFETCH(int, answer);
        QFETCH(int, rows);
        openDataMenuCatalogue(search);
        MessageBox::clearShown();
        if (answer)
            MessageBox::setNextAnswer(MessageBox::Button(answer));
        const QString out = db->dir() + "/sites.csv";
        FileDialog::setNextPath(out);
        trigger("exportWebsites");
        QStringList expected;
        if (answer)
            expected << "列表中是搜索到的 1 个网站。是否只导出这些网站？（选“否”导出全部网站）";
        expected << QStringLiteral("导出成功：%1 条记录已写入 sites.csv").arg(rows);
        QCOMPARE(MessageBox::shown(), expected);
        QCOMPARE(fileBytes(out).count("\r\n"), rows + 1);
    }

    // Client reports of the current website, or of the list into a folder.
    void clientReports_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("listed"); // every website listed, or the current one
        QTest::addColumn<QStringList>("sites");
        QTest::newRow("every website") << "" << true << QStringList{"Abc Shop", "优化网", "谷歌站"};
        QTest::newRow("the search result") << "站" << true << QStringList{"谷歌站"};
        QTest::newRow("the current website") << "" << false << QStringList{"Abc Shop"};
    }
    void clientReports()
    {
        QFETCH(QString, search);
        QFETCH(bool, listed);
        QFETCH(QStringList, sites);
        openDataMenuCatalogue(search);
        QStringList files;
        for (const QString &site : sites)
            files << site + " 2011-03-01 至 2011-03-31.pdf";
        const QString out = db->dir() + "/reports";
        QDir().mkpath(out);
        FileDialog::setNextPath(listed ? out : out + "/" + files.first());
        MessageBox::clearShown();
        QTimer::singleShot(0, this, [listed] {
            auto *dialog = qobject_cast<ReportDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->fromEdit->setDate(QDate(2011, 3, 1));
            dialog->toEdit->setDate(QDate(2011, 3, 31));
            (listed ? dialog->everyListed : dialog->currentOnly)->setChecked(true);
            dialog->accept();
        });
        trigger("clientReport");
        QCOMPARE(QDir(out).entryList(QDir::Files), files);
        QVERIFY2(MessageBox::shown().value(0).startsWith(listed ? QString("已生成 %1 份报告").arg(sites.size()) : "报告已保存"),
                 qPrintable(MessageBox::shown().join('|')));
    }

    void importReachesTheCurrentWebsite()
    {
        openDataMenuCatalogue(QString()); // its notes table is made on request
        MessageBox::setNextAnswer(MessageBox::Ok);
        FileDialog::setNextPath(writeFile(db->dir() + "/in.csv", "时间,PR\r\n2011-5-1,3\r\n"));
        trigger("importNotes");
        auto *dialog = QApplication::activeModalWidget() ? qobject_cast<ImportDialog *>(QApplication::activeModalWidget())
                                                         : w()->findChild<ImportDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->notesTable, QStringLiteral("biji2"));
        QTest::mouseClick(dialog->findChild<QPushButton *>("importRows"), Qt::LeftButton);
        QVERIFY2(count("SELECT count(*) FROM biji2 WHERE [PR]='3'") == 1, qPrintable(MessageBox::shown().join('|')));
    }

    void titleAndStatusBarNameTheNotebook()
    {
        makeDb(sitesByAge(1));
        openWindow();
        // One panel names the notebook: its file, or its database and server;
        // the title, always in sight, too.
        const auto *panel = w()->findChild<QLabel *>("NotebookFile");
        QCOMPARE(w()->findChildren<QLabel *>("StatusBar1_6").size(), 0);
        QVERIFY(panel);
        if (!TestDb::onServer()) {
            QVERIFY(!panel->text().contains("服务器"));
            QCOMPARE(w()->windowTitle(), "Tavorin - " + QDir::toNativeSeparators(QFileInfo(db->dbPath()).absoluteFilePath()));
            return;
        }
        QVERIFY2(panel->text().startsWith("数据库 tavorin_test_") && panel->text().contains("服务器 "), qPrintable(panel->text()));
        QCOMPARE(w()->windowTitle(), "Tavorin - " + panel->text());
    }

    void accountMenuFillsTheDialogFromTheLoggedInUser()
    {
        makeDb();
        openWindow();
        currentUser().load(QStringLiteral("admin"));
        QStringList seen;
        // The password boxes start empty even after a cancelled try: the
        // stored password (a hash) is never shown.
        for (const QString &left : {QStringLiteral("typed"), QString()}) {
            QTimer::singleShot(0, [&seen, left] {
                if (AccountDialog *d = Forms::loaded<AccountDialog>()) {
                    seen << d->originalUserName << d->userNameBox->text() << d->currentPasswordBox->text() << d->passwordBox->text()
                         << d->confirmBox->text();
                    for (QLineEdit *box : {d->currentPasswordBox, d->passwordBox, d->confirmBox})
                        box->setText(left);
                    d->reject();
                }
            });
            w()->accountAction->trigger();
        }
        QCOMPARE(seen, QStringList({"admin", "admin", "", "", "", "admin", "admin", "", "", ""}));
    }

    void closeQuestionAnsweredNoKeepsTheWindow()
    {
        makeDb(sitesByAge(3));
        openWindow();
        click("cmdnext");
        MessageBox::setNextAnswer(MessageBox::No);
        w()->close();
        QCOMPARE(onlyShown(), QStringLiteral("真的退出该系统吗(Y/N)？    |请确认...|%1|%2")
                                  .arg(MessageBox::YesNo).arg(MessageBox::Question));
        QVERIFY(w()->isVisible());
        QCOMPARE(gridRow(), 1);
    }

    void windowSizeFromSettingsInTwips()
    {
        QSettings settings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
        settings.setValue(QStringLiteral("Settings/MainHeight"), "9000");
        settings.setValue(QStringLiteral("Settings/MainWidth"), "13500");
        settings.sync();
        makeDb();
        QCOMPARE(Forms::get<MainWindow>()->size(), QSize(900, 600)); // the size is set when the window loads
    }

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
        // (Moved by a change in place: modifyInPlace's rename.)
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
            runDialog(u"Modify"_s, {Keep, Keep, u"2012-01-01"_s, Keep});
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

    // Run the way the program runs, inside the application's event loop,
    // where the last window closing ends it.
    void loginHandsOverToTheMainWindowAndClosingItEnds()
    {
        TestDb t;
        // Wired as main.cpp wires it: a good login opens the main window.
        LoginWindow *login = Forms::get<LoginWindow>();
        QObject::connect(login, &LoginWindow::loggedIn, [] { Forms::get<MainWindow>()->show(); });
        login->show();
        QCOMPARE(visibleWindows(), QStringList{"FrmLogin"});
        QStringList afterLogin;
        QTimer::singleShot(0, [&] {
            QTest::keyClicks(login->userBox, "Admin");
            QTest::keyClicks(login->passwordBox, "123456");
            QTest::keyClick(login->passwordBox, Qt::Key_Return);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            afterLogin = visibleWindows();
        });
        QTimer::singleShot(500, [] { QCoreApplication::exit(7); }); // 7: still running
        // The hand-over must not pass through a moment with no window left.
        QCOMPARE(QCoreApplication::exec(), 7);
        QCOMPARE(afterLogin, QStringList{"FrmMain"});

        // Closing the main window (answering Yes) leaves no window: the end.
        MessageBox::setNextAnswer(MessageBox::Yes);
        QTimer::singleShot(0, Forms::loaded<MainWindow>(), &QWidget::close);
        QTimer::singleShot(5000, [] { QCoreApplication::exit(7); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QCOMPARE(visibleWindows(), QStringList());
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
