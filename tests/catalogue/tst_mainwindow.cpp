// The main window: list, details, record navigation, delete, open notes,
// in-place modify, search, the 数据 menu (export, import, client reports),
// the account and date boxes, size and the close question.

#include "MainWindowFixture.h"

#include "accounts/AccountDialog.h"
#include "accounts/Account.h"
#include "core/DateText.h"
#include "core/FileDialog.h"
#include "notes/ImportDialog.h"
#include "notes/NotesWindow.h"
#include "notes/NotesTable.h"
#include "notes/RecordEditor.h"
#include "notes/ReportDialog.h"

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
};

TAVORIN_WINDOW_TEST_MAIN(TstMainWindow)
#include "tst_mainwindow.moc"
