// Backups and restore: checked copies named by time, a locked or unwritable
// target reported with nothing left behind, the retention rule, and restore
// that either puts the whole copy in place or changes nothing.
#include "core/Backups.h"
#include "core/Schema.h"
#include "core/db/Backup.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {


// Websites with long memos, so that the file has many pages.
void addWebsites(const TestDb &t, const QString &prefix, int count)
{
    for (int i = 0; i < count; ++i)
        t.exec(QStringLiteral("INSERT INTO Website (Webname, Weburl, Webtime, Webmemos) VALUES ('%1%2', 'u', '2024-01-01', '%3')")
                   .arg(prefix).arg(i).arg(QString(600, 'm')));
}

// Every file, hidden ones too: a partial copy left behind is seen.
QStringList fileNames(const QString &dir) { return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

// Group and others get nothing, whatever the umask.
bool ownerOnly(const QString &path) { return (QFileInfo(path).permissions() & 0x00ff) == 0; }

int count(const QString &file, const char *sql) { return int(db::ReadOnlyFile(file).number(QString::fromLatin1(sql))); }

} // namespace

class TestBackups : public QObject {
    Q_OBJECT
private slots:
    // Copies are checked, private and named by UTC time and reason; a copy made marks the
    // notebook clean until the next write (reading is none).
    void copiesAreCheckedPrivateAndNamedByUtcTimeAndReason()
    {
        TestDb t;
        Backups::markClean(t.dbPath());
        t.scalar("SELECT count(*) FROM Website");
        QVERIFY(!Backups::writtenSinceMark(t.dbPath()));
        addWebsites(t, "a", 3);
        QVERIFY(Backups::writtenSinceMark(t.dbPath()));
        const QString dir = Backups::folder(t.dbPath());
        QDir().mkpath(dir);
        // What killed programs left: partial copies of a process that is gone
        // (and of an older version) go, one of a running process stays.
        const QString live = QStringLiteral(".mybook.mdb.%1-1.partial").arg(getppid());
        for (const QString &name : {QString(".mybook.mdb.999999999-3.partial"), QString(".mybook.mdb.999999999-3.partial-journal"),
                                    QString("mybook-2026-01-01T00-00-00.mdb.partial"), live})
            writeFile(dir + '/' + name, "partial");
        const mode_t umaskBefore = umask(0);
        QString error;
        const QString first = Backups::make(t.dbPath(), Backups::beforeStep("删除网站", "a/b:1"), &error);
        const QString second = Backups::make(t.dbPath(), Backups::ByHand, &error);
        umask(umaskBefore);
        QVERIFY2(!first.isEmpty() && !second.isEmpty(), qPrintable(error));
        QVERIFY(!Backups::writtenSinceMark(t.dbPath()));
        QCOMPARE(QFileInfo(first).absolutePath(), dir);
        const QString stamp = QDateTime::currentDateTimeUtc().toString("yyyy-MM-ddTHH");
        QVERIFY2(QFileInfo(first).fileName().startsWith("mybook-" + stamp) && first.endsWith("Z 删除网站“a_b_1”之前.mdb"), qPrintable(first));
        QCOMPARE(fileNames(dir), QStringList({live, QFileInfo(first).fileName(), QFileInfo(second).fileName()}));
        QVERIFY(ownerOnly(dir) && ownerOnly(first) && ownerOnly(second));
        const auto listed = Backups::list(t.dbPath());
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed.first().path, second); // newest first
        QCOMPARE(listed.first().reason, Backups::ByHand);
        QCOMPARE(listed.last().reason, QString("删除网站“a_b_1”之前"));
        QVERIFY(qAbs(listed.first().time.secsTo(QDateTime::currentDateTimeUtc())) < 60);
        for (const QString &copy : {first, second}) {
            QCOMPARE(db::checkDatabase(copy, true), QString());
            QCOMPARE(Backups::websiteCount(copy), 3);
        }
    }

    // A program killed in the middle of a write leaves a hot journal: reading
    // rolls it back instead of reporting damage.
    void hotJournalIsRolledBack()
    {
        TestDb t;
        addWebsites(t, "a", 200);
        const QString copy = QDir(t.dir()).filePath("copy.mdb");
        sqlite3 *writer = nullptr;
        sqlite3_open(t.dbPath().toUtf8().constData(), &writer);
        QCOMPARE(sqlite3_exec(writer, "PRAGMA cache_size = 2; BEGIN; UPDATE Website SET Webmemos = 'x'", nullptr, nullptr, nullptr), SQLITE_OK);
        QVERIFY(QFile::copy(t.dbPath(), copy) && QFile::copy(t.dbPath() + "-journal", copy + "-journal"));
        sqlite3_exec(writer, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(writer);
        QCOMPARE(db::checkDatabase(copy, true), QString());
        QCOMPARE(count(copy, "SELECT count(*) FROM Website WHERE Webmemos = 'x'"), 0);
        QVERIFY(!QFileInfo::exists(copy + "-journal"));
    }

    void failedBackupLeavesNothing_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("named"); // a file the message names, relative to data/
        QTest::newRow("another program holds a write lock") << "locked" << "mybook.mdb";
        QTest::newRow("backups folder cannot be made") << "folder is a file" << "backups";
        QTest::newRow("database missing") << "missing" << "mybook.mdb";
        QTest::newRow("not a database") << "text" << "mybook.mdb";
        QTest::newRow("disk full") << "disk full" << "mybook.mdb";
    }
    void failedBackupLeavesNothing()
    {
        QFETCH(QString, situation);
        TestDb t;
        const QString data = QDir(t.dir()).filePath("data");
        sqlite3 *other = nullptr;
        if (situation == "locked") {
            sqlite3_open(t.dbPath().toUtf8().constData(), &other);
            QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; INSERT INTO Users VALUES ('x', 'y');", nullptr, nullptr, nullptr), SQLITE_OK);
        } else if (situation == "folder is a file") {
            writeFile(data + "/backups", "not a folder");
        } else if (situation == "missing") {
            QFile::remove(t.dbPath());
        } else if (situation == "disk full") {
            addWebsites(t, "w", 20);
        } else {
            writeFile(t.dbPath(), QByteArray(8192, 'x'));
        }
        QString error;
        QElapsedTimer timer;
        timer.start();
        {
            const FileSizeLimit limit(situation == "disk full" ? 16384 : 0);
            QVERIFY(Backups::make(t.dbPath(), Backups::ByHand, &error, {}, 600).isEmpty());
        }
        if (other) {
            QVERIFY(timer.elapsed() >= 500); // waited for the lock first
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(other);
        }
        QFETCH(QString, named);
        QVERIFY2(error.contains(QDir(data).filePath(named)) || error.contains("data/" + named), qPrintable(error));
        QVERIFY2(error.contains("磁盘已满") == (situation == "disk full"), qPrintable(error));
        if (QFileInfo(data + "/backups").isDir())
            QCOMPARE(fileNames(data + "/backups"), QStringList());
    }

    void uncommittedWritesStayOutOfTheCopy()
    {
        TestDb t;
        sqlite3 *writer = nullptr;
        sqlite3_open(t.dbPath().toUtf8().constData(), &writer);
        QCOMPARE(sqlite3_exec(writer, "BEGIN IMMEDIATE; INSERT INTO Users VALUES ('pending', 'x');", nullptr, nullptr, nullptr), SQLITE_OK);
        QString error;
        const QString copy = Backups::make(t.dbPath(), Backups::ByHand, &error, {}, 600);
        sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(writer);
        QVERIFY2(!copy.isEmpty(), qPrintable(error));
        QCOMPARE(count(copy, "SELECT count(*) FROM Users"), 1);
    }

    void prune_data()
    {
        // Backups as minutes before now (12:00 on 6 December); the expected
        // survivors by their index in that list.
        QTest::addColumn<QList<int>>("minutesAgo");
        QTest::addColumn<QList<int>>("kept");
        QTest::addColumn<int>("justMade"); // the copy that make() just wrote, or -1
        QList<int> today, daily, keptDaily, first20;
        for (int i = 0; i < 40; ++i) {
            daily << i * 24 * 60;
            if (i < 30)
                keptDaily << i;
            if (i < 25)
                today << i;
            if (i < 20)
                first20 << i;
        }
        QList<int> both = today, keptBoth = first20;
        for (int d = 1; d < 40; ++d) {
            both << d * 24 * 60 + 5 << d * 24 * 60; // two a day: the later one stays
            if (d < 30)
                keptBoth << int(both.size()) - 1;
        }
        QTest::newRow("25 today: the newest 20") << today << first20 << -1;
        QTest::newRow("one a day for 40 days: the last 30 days") << daily << keptDaily << -1;
        QTest::newRow("25 today and two a day before") << both << keptBoth << -1;
        QTest::newRow("old ones alone: the newest 20 stay") << QList<int>{60 * 24 * 100, 60 * 24 * 101} << QList<int>{0, 1} << -1;
        QList<int> ahead; // the clock was set back: 25 copies seem newer than the one just made
        for (int i = 25; i >= 1; --i)
            ahead << -i;
        QTest::newRow("clock set back: the copy just made stays") << (ahead << 0) << (QList<int>(first20) << 25) << 25;
    }
    void prune()
    {
        QFETCH(QList<int>, minutesAgo);
        QFETCH(QList<int>, kept);
        QFETCH(int, justMade);
        TestDb t;
        const QString dir = Backups::folder(t.dbPath());
        QDir().mkpath(dir);
        const QDateTime now(QDate(2026, 12, 6), QTime(12, 0));
        QStringList names;
        for (int m : minutesAgo) {
            const QString name = "mybook-" + now.addSecs(-60 * m).toString("yyyy-MM-ddTHH-mm-ss") + ".mdb";
            writeFile(dir + '/' + name, "copy");
            names << name;
        }
        // Files not named like backups of this database are never touched.
        for (const char *other : {"notes.txt", "other-2020-01-01T00-00-00.mdb", "mybook-2020-01-01.mdb"})
            writeFile(dir + '/' + other, "x");
        Backups::prune(t.dbPath(), now, {}, justMade < 0 ? QString() : dir + '/' + names[justMade]);
        QStringList expected{"notes.txt", "other-2020-01-01T00-00-00.mdb", "mybook-2020-01-01.mdb"};
        for (int i : kept)
            expected << names[i];
        expected.sort();
        QCOMPARE(fileNames(dir), expected);
    }

    void sameSecondCopiesCountNewestLast()
    {
        TestDb t;
        const QString dir = Backups::folder(t.dbPath());
        QDir().mkpath(dir);
        for (const char *name : {"mybook-2026-12-06T10-00-00Z 手动备份.mdb", "mybook-2026-12-06T10-00-00Z-2 退出时.mdb",
                                 "mybook-2026-12-06T10-00-00Z-10.mdb"})
            writeFile(dir + '/' + name, "copy");
        const auto entries = Backups::list(t.dbPath());
        QCOMPARE(entries.size(), 3);
        QCOMPARE(QFileInfo(entries[0].path).fileName(), QString("mybook-2026-12-06T10-00-00Z-10.mdb"));
        QCOMPARE(entries[1].reason, QString("退出时"));
        QCOMPARE(entries[2].time, QDateTime(QDate(2026, 12, 6), QTime(10, 0), Qt::UTC));
    }

    void restoreRoundTrip_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::newRow("plain") << "";
        QTest::newRow("a journal that is not hot beside the file") << "cold journal";
        QTest::newRow("a WAL-mode copy comes back in the notebook's journal mode") << "wal copy";
    }
    void restoreRoundTrip()
    {
        QFETCH(QString, situation);
        TestDb t;
        addWebsites(t, "old", 2);
        QString error;
        const QString copy = Backups::make(t.dbPath(), Backups::ByHand, &error);
        QVERIFY2(!copy.isEmpty(), qPrintable(error));
        t.exec("DELETE FROM Website WHERE Webname = 'old0'");
        addWebsites(t, "new", 1);
        if (situation == "cold journal")
            writeFile(t.dbPath() + "-journal", QByteArray(512, '\0'));
        sqlite3 *c = nullptr;
        if (situation == "wal copy" && sqlite3_open(copy.toUtf8().constData(), &c) == SQLITE_OK)
            QCOMPARE(sqlite3_exec(c, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(c);
        // The restored file is as readable as the one it replaces.
        QVERIFY(QFile::setPermissions(t.dbPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QString saved = Backups::restore(copy, t.dbPath());
        QCOMPARE(t.scalar("SELECT group_concat(Webname) FROM Website ORDER BY Webid").toString(), QString("old0,old1"));
        QCOMPARE(t.scalar("PRAGMA journal_mode").toString(), QString("delete"));
        QCOMPARE(QFileInfo(t.dbPath()).permissions() & 0x0fff, QFile::ReadUser | QFile::WriteUser | QFile::ReadGroup);
        // What was there before the restore is kept as a backup of its own.
        QVERIFY(!saved.isEmpty() && saved != copy);
        QCOMPARE(db::ReadOnlyFile(saved).texts("SELECT Webname FROM Website"), QStringList({"old1", "new0"}));
        QCOMPARE(Backups::list(t.dbPath()).first().reason, Backups::BeforeRestore);
        QCOMPARE(fileNames(QFileInfo(t.dbPath()).absolutePath()), QStringList{"mybook.mdb"});
    }

    void restoreRefusedChangesNothing_data()
    {
        QTest::addColumn<QString>("change"); // SQL run on the copy, or a word for what is done to it
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged pages") << "damaged" << "已损坏";
        QTest::newRow("not a database") << "text" << "已损坏";
        QTest::newRow("missing") << "missing" << "不存在";
        QTest::newRow("one index disagrees with its table")
            << "PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = 'CREATE INDEX Website_Webtime ON Website "
               "(Webtime) WHERE Webid <> 1' WHERE name = 'Website_Webtime'" << "已损坏：wrong # of entries in index Website_Webtime";
        QTest::newRow("no Website table") << "DROP TABLE Website" << "没有表 Website";
        QTest::newRow("Users without the password column") << "ALTER TABLE Users RENAME COLUMN UserPwd TO Pwd" << "没有列 UserPwd";
        QTest::newRow("Website of other types")
            << "DROP TABLE Website; CREATE TABLE Website (Webid TEXT, Webname TEXT, Weburl TEXT, Webtime TEXT, Webmemos TEXT)"
            << "列 Webid 的类型 TEXT 不对";
        QTest::newRow("newer version") << "PRAGMA user_version = 9" << "版本是 9";
        QTest::newRow("negative version") << "PRAGMA user_version = -5" << "版本号 -5";
        QTest::newRow("a trigger that wipes the accounts")
            << "CREATE TRIGGER wipe AFTER INSERT ON Website BEGIN DELETE FROM Users; END" << "触发器 wipe";
        QTest::newRow("a view and a table of another program")
            << "CREATE VIEW v AS SELECT * FROM Users; CREATE TABLE other(x)" << "视图 v、表 other";
        QTest::newRow("a virtual table") << "CREATE VIRTUAL TABLE box USING rtree(id, a, b)" << "虚拟表 box";
        QTest::newRow("a notes column named to take SQL apart")
            << "CREATE TABLE biji5 (AutoId INTEGER PRIMARY KEY, \"备注]) VALUES(1); --\" TEXT)" << "列名“备注]) VALUES(1); --”";
        QTest::newRow("disk full") << "disk full" << "磁盘已满";
    }
    void restoreRefusedChangesNothing()
    {
        QFETCH(QString, change);
        TestDb t;
        addWebsites(t, "w", 20);
        QString error;
        const QString copy = Backups::make(t.dbPath(), Backups::ByHand, &error);
        QVERIFY2(!copy.isEmpty(), qPrintable(error));
        if (change == "damaged") {
            QByteArray bytes = fileBytes(copy);
            QVERIFY(bytes.size() > 5 * 4096);
            bytes.replace(2 * 4096, 4096, QByteArray(4096, '\x5a'));
            writeFile(copy, bytes);
        } else if (change == "text") {
            writeFile(copy, "UserName,UserPwd\nadmin,123456\n");
        } else if (change == "missing") {
            QFile::remove(copy);
        } else if (change == "disk full") {
            // The notebook shrinks after the copy: room for its own backup, not for the copy.
            t.exec("DELETE FROM Website");
            t.exec("VACUUM");
        } else {
            sqlite3 *c = nullptr;
            sqlite3_open(copy.toUtf8().constData(), &c);
            QCOMPARE(sqlite3_exec(c, change.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(c);
        }
        const QByteArray before = fileBytes(t.dbPath());
        const int backupsBefore = Backups::list(t.dbPath()).size();
        try {
            const FileSizeLimit limit(change == "disk full" ? QFileInfo(t.dbPath()).size() + 2048 : 0);
            Backups::restore(copy, t.dbPath());
            QFAIL("restored");
        } catch (const Failure &e) {
            error = e.message();
        }
        QFETCH(QString, reason);
        QVERIFY2(error.contains(reason) && error.contains(copy) && error.contains(t.dbPath()), qPrintable(error));
        QCOMPARE(fileBytes(t.dbPath()), before);
        // Only a full disk comes after the copy of the notebook made before a restore, which stays.
        QCOMPARE(Backups::list(t.dbPath()).size(), backupsBefore + (change == "disk full"));
    }
};

QTEST_GUILESS_MAIN(TestBackups)
#include "tst_backups.moc"
