// The program's backups in use: one before each step that destroys data (and
// no step when it fails), one at the end after writes, and restore from the
// menu, which closes everything over the file and returns to the login window.
#include "accounts/LoginWindow.h"
#include "accounts/Account.h"
#include "catalogue/MainWindow.h"
#include "catalogue/RestoreDialog.h"
#include "core/Application.h"
#include "core/BackupGuard.h"
#include "core/Backups.h"
#include "core/db/Backup.h"
#include "tests/notes/NotesFixture.h"

#include <QSignalSpy>

namespace {

// A count read from a backup copy.
int countIn(const QString &file, const QString &sql) { return int(db::ReadOnlyFile(file).number(sql)); }

} // namespace

class TestSafety : public QObject, private NotesFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(Application::loadQtTranslations()); }
    void cleanup()
    {
        delete Forms::loaded<MainWindow>();
        delete Forms::loaded<LoginWindow>();
        stop();
    }

    void destructiveStepsBackUpFirst_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("backupWorks");
        QTest::addColumn<QString>("gone"); // a count that the step brings from 1 to 0
        QTest::addColumn<QString>("detail"); // under the question: what goes, and the backup
        for (bool works : {true, false}) {
            const char *suffix = works ? "" : ", backup fails";
            QTest::addRow("delete website%s", suffix) << "删除网站" << works << "SELECT count(*) FROM Website"
                                                      << "网站：site\n一并删除的优化记录：1 条\n删除前会自动备份。";
            QTest::addRow("delete notes row%s", suffix) << "删除记录" << works << "SELECT count(*) FROM biji1"
                                                        << "日期：2024/2/1\n删除前会自动备份。";
            QTest::addRow("delete notes column%s", suffix)
                << "删除项目" << works << "SELECT count(*) FROM pragma_table_info('biji1') WHERE name = '百度收入量'"
                << "项目：百度收入量\n删除前会自动备份。";
        }
    }
    void destructiveStepsBackUpFirst()
    {
        QFETCH(QString, step);
        QFETCH(bool, backupWorks);
        QFETCH(QString, gone);
        TestDb t;
        t.exec("INSERT INTO Website (Webid, Webname, Weburl, Webtime, Webmemos) VALUES (1, 'site', 'u', '2024-01-01', 'm')");
        QString table = QStringLiteral("biji1");
        createNotesTable(table);
        t.exec("INSERT INTO biji1 ([时间], [备注]) VALUES ('2024-02-01', 'row')");
        if (!backupWorks) {
            QFile blocker(QDir(t.dir()).filePath("data/backups"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        MessageBox::clearShown();
        MessageBox::setNextAnswer(MessageBox::Yes);
        if (step == "删除网站") {
            Forms::get<MainWindow>()->show();
            Forms::loaded<MainWindow>()->findChild<QAction *>("Delete")->trigger();
        } else if (step == "删除记录") {
            openNotes()->findChild<QPushButton *>("Cmd_Del")->click();
        } else {
            openNotes()->findChild<QPushButton *>("Basecset")->click();
            Forms::loaded<FieldManager>()->findChild<QPushButton *>("Webworlddel_3")->click();
        }
        flushDeletes();
        QTEST(MessageBox::shownDetails().value(0).informative, "detail");
        QCOMPARE(MessageBox::shownDetails().value(0).captions, QStringList({"是(&Y)", "否(&N)"}));
        QCOMPARE(t.scalar(gone).toInt(), backupWorks ? 0 : 1);
        const auto backups = Backups::list(t.dbPath());
        QCOMPARE(backups.size(), backupWorks ? 1 : 0);
        if (backupWorks) {
            QCOMPARE(countIn(backups[0].path, gone), 1); // the copy holds what was deleted
            QCOMPARE(backups[0].reason, step == "删除网站" ? QString("删除网站“site”之前") : step + "之前");
        } else {
            QCOMPARE(MessageBox::shown().size(), 2); // the question, then why nothing happened
            QVERIFY2(MessageBox::shown()[1].startsWith("备份数据库失败，" + step + "未执行"), qPrintable(MessageBox::shown()[1]));
            QVERIFY(MessageBox::shown()[1].contains("backups"));
        }
    }

    void backupAtTheEndOnlyAfterWrites()
    {
        TestDb t;
        BackupGuard::atExit(); // never opened: nothing to keep
        Database::query("SELECT * FROM Website");
        BackupGuard::atExit();
        QCOMPARE(Backups::list(t.dbPath()).size(), 0);
        Database::execute("INSERT INTO Website (Webname) VALUES ('new')");
        BackupGuard::atExit();
        const auto backups = Backups::list(t.dbPath());
        QCOMPARE(backups.size(), 1);
        QCOMPARE(countIn(backups[0].path, "SELECT count(*) FROM Website"), 1);
        QCOMPARE(backups[0].reason, QString("退出时"));
        BackupGuard::atExit();
        QCOMPARE(Backups::list(t.dbPath()).size(), 1);
        QVERIFY(MessageBox::shown().isEmpty());
    }

    void backupFromTheMenu()
    {
        TestDb t;
        Forms::get<MainWindow>()->show();
        Forms::loaded<MainWindow>()->backupAction->trigger();
        const auto backups = Backups::list(t.dbPath());
        QCOMPARE(backups.size(), 1);
        QCOMPARE(MessageBox::shown(), QStringList{"备份成功：" + QDir::toNativeSeparators(backups[0].path)});
        QCOMPARE(backups[0].reason, QString("手动备份"));
    }

    void restoreFromTheMenu_data()
    {
        QTest::addColumn<bool>("damaged");
        QTest::newRow("sound copy") << false;
        QTest::newRow("damaged copy") << true;
    }
    void restoreFromTheMenu()
    {
        QFETCH(bool, damaged);
        TestDb t;
        for (int i = 0; i < 40; ++i)
            t.exec(QStringLiteral("INSERT INTO Website (Webname, Webmemos) VALUES ('w%1', '%2')").arg(i).arg(QString(300, 'm')));
        QString table = QStringLiteral("biji1");
        createNotesTable(table);
        QString error;
        const QString copy = Backups::make(t.dbPath(), Backups::beforeStep("导入"), &error);
        QVERIFY2(!copy.isEmpty(), qPrintable(error));
        if (damaged) {
            QFile f(copy);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(2 * 4096));
            f.write(QByteArray(4096, '\x44'));
        }
        t.exec("DELETE FROM Website WHERE Webid > 1");
        currentUser().load("admin");
        MainWindow *main = Forms::get<MainWindow>();
        main->show();
        openNotes(); // a window of its own over the file, closed by the restore
        MessageBox::clearShown();

        QStringList listed;
        QTimer::singleShot(0, [&listed] {
            auto *dialog = qobject_cast<RestoreDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            for (int c = 0; c < 4; ++c)
                listed << dialog->backupList->item(0, c)->text();
            dialog->Cmd_OK->click();
        });
        MessageBox::setNextAnswer(MessageBox::Yes);
        QSignalSpy loginAgain(main, &MainWindow::loginAgain);
        main->restoreAction->trigger();
        flushDeletes();

        // When (local time) and why the copy was made, and what it holds.
        QCOMPARE(listed.size(), 4);
        QCOMPARE(listed[1], QString("导入之前"));
        QCOMPARE(listed[3], QString("40")); // read from the copy's table
        QVERIFY2(listed[0].startsWith(DateText::toText(QDate::currentDate()) + " "), qPrintable(listed[0]));
        QCOMPARE(MessageBox::shown().size(), 2);
        if (damaged) {
            QVERIFY2(MessageBox::shown()[1].contains("保持原样") && MessageBox::shown()[1].contains(copy), qPrintable(MessageBox::shown()[1]));
            QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 1);
            QVERIFY(Forms::loaded<MainWindow>() && Forms::loaded<MainWindow>()->isVisible() && loginAgain.isEmpty());
            QCOMPARE(Backups::list(t.dbPath()).size(), 1);
        } else {
            QCOMPARE(t.scalar("SELECT count(*) FROM Website").toInt(), 40);
            const auto backups = Backups::list(t.dbPath());
            QCOMPARE(backups.size(), 2); // the chosen copy and the state before the restore
            QCOMPARE(countIn(backups[0].path, "SELECT count(*) FROM Website"), 1);
            QVERIFY(MessageBox::shown()[1].contains(QDir::toNativeSeparators(backups[0].path)));
            QVERIFY(!Forms::loaded<MainWindow>() && !Forms::loaded<NotesWindow>());
            QCOMPARE(loginAgain.size(), 1); // main.cpp shows the login window
            QCOMPARE(currentUser().userName(), QString());
        }
    }
};

QTEST_MAIN(TestSafety)
#include "tst_safety.moc"
