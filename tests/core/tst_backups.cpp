// Backups and restore: checked copies named by time, a locked or unwritable
// target reported with nothing left behind, the retention rule, and restore
// that either puts the whole copy in place or changes nothing.
#include "core/Backups.h"
#include "core/Schema.h"
#include "core/db/Backup.h"
#include "tests/support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <sqlite3.h>

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// Websites with long memos, so that the file has many pages.
void addWebsites(const TestDb &t, const QString &prefix, int count)
{
    for (int i = 0; i < count; ++i)
        t.exec(QStringLiteral("INSERT INTO Website (Webname, Weburl, Webtime, Webmemos) VALUES ('%1%2', 'u', "
                              "'2024-01-01', '%3')")
                   .arg(prefix)
                   .arg(i)
                   .arg(QString(600, QLatin1Char('m'))));
}

QStringList fileNames(const QString &dir) { return QDir(dir).entryList(QDir::Files, QDir::Name); }

} // namespace

class TestBackups : public QObject {
    Q_OBJECT
private slots:
    void copiesAreCheckedAndNamedByTime()
    {
        TestDb t;
        addWebsites(t, "a", 3);
        QString error;
        const QString first = Backups::make(t.dbPath(), &error);
        const QString second = Backups::make(t.dbPath(), &error);
        QVERIFY2(!first.isEmpty() && !second.isEmpty(), qPrintable(error));
        QCOMPARE(QFileInfo(first).absolutePath(), QDir(t.dir()).filePath("data/backups"));
        QVERIFY(QFileInfo(first).fileName().contains(QRegularExpression("^mybook-\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-\\d\\d(-\\d+)?\\.mdb$")));
        QVERIFY(first != second);
        const auto listed = Backups::list(t.dbPath());
        QCOMPARE(listed.size(), 2);
        QCOMPARE(listed.first().path, second); // newest first
        for (const QString &copy : {first, second}) {
            QCOMPARE(db::checkDatabase(copy, true), QString());
            QCOMPARE(Backups::websiteCount(copy), 3);
        }
    }

    void failedBackupLeavesNothing_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("named"); // a file the message names, relative to data/
        QTest::newRow("another program holds a write lock") << "locked" << "mybook.mdb";
        QTest::newRow("backups folder cannot be made") << "folder is a file" << "backups";
        QTest::newRow("database missing") << "missing" << "mybook.mdb";
        QTest::newRow("not a database") << "text" << "mybook.mdb";
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
            writeBytes(data + "/backups", "not a folder");
        } else if (situation == "missing") {
            QFile::remove(t.dbPath());
        } else {
            writeBytes(t.dbPath(), QByteArray(8192, 'x'));
        }
        QString error;
        QElapsedTimer timer;
        timer.start();
        QVERIFY(Backups::make(t.dbPath(), &error, {}, 600).isEmpty());
        if (other) {
            QVERIFY(timer.elapsed() >= 500); // waited for the lock first
            sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close(other);
        }
        QFETCH(QString, named);
        QVERIFY2(error.contains(QDir(data).filePath(named)) || error.contains("data/" + named), qPrintable(error));
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
        const QString copy = Backups::make(t.dbPath(), &error, {}, 600);
        sqlite3_exec(writer, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_close(writer);
        QVERIFY2(!copy.isEmpty(), qPrintable(error));
        sqlite3 *c = nullptr;
        sqlite3_open(copy.toUtf8().constData(), &c);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(c, "SELECT count(*) FROM Users", -1, &stmt, nullptr);
        QCOMPARE(sqlite3_step(stmt), SQLITE_ROW);
        QCOMPARE(sqlite3_column_int(stmt, 0), 1);
        sqlite3_finalize(stmt);
        sqlite3_close(c);
    }

    void prune_data()
    {
        // Backups as minutes before now (12:00 on 6 December); the expected
        // survivors by their index in that list.
        QTest::addColumn<QList<int>>("minutesAgo");
        QTest::addColumn<QList<int>>("kept");
        QList<int> today, daily, both, keptDaily, keptBoth;
        for (int i = 0; i < 25; ++i)
            today << i;
        for (int d = 0; d < 40; ++d)
            daily << d * 24 * 60;
        for (int d = 0; d < 30; ++d)
            keptDaily << d;
        both = today;
        keptBoth = QList<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19};
        for (int d = 1; d < 40; ++d) {
            both << d * 24 * 60 + 5 << d * 24 * 60; // two a day: the later one stays
            if (d < 30)
                keptBoth << int(both.size()) - 1;
        }
        QList<int> first20;
        for (int i = 0; i < 20; ++i)
            first20 << i;
        QTest::newRow("25 today: the newest 20") << today << first20;
        QTest::newRow("one a day for 40 days: the last 30 days") << daily << keptDaily;
        QTest::newRow("25 today and two a day before") << both << keptBoth;
        QTest::newRow("old ones alone: the newest 20 stay") << QList<int>{60 * 24 * 100, 60 * 24 * 101} << QList<int>{0, 1};
    }
    void prune()
    {
        QFETCH(QList<int>, minutesAgo);
        QFETCH(QList<int>, kept);
        TestDb t;
        const QString dir = Backups::folder(t.dbPath());
        QDir().mkpath(dir);
        const QDateTime now(QDate(2026, 12, 6), QTime(12, 0));
        QStringList names;
        for (int m : minutesAgo) {
            const QString name = "mybook-" + now.addSecs(-60 * m).toString("yyyy-MM-ddTHH-mm-ss") + ".mdb";
            writeBytes(dir + '/' + name, "copy");
            names << name;
        }
        // Files not named like backups of this database are never touched.
        for (const char *other : {"notes.txt", "other-2020-01-01T00-00-00.mdb", "mybook-2020-01-01.mdb"})
            writeBytes(dir + '/' + other, "x");
        Backups::prune(t.dbPath(), now);
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
        for (const char *name : {"mybook-2026-12-06T10-00-00.mdb", "mybook-2026-12-06T10-00-00-2.mdb", "mybook-2026-12-06T10-00-00-10.mdb"})
            writeBytes(dir + '/' + name, "copy");
        const auto entries = Backups::list(t.dbPath());
        QCOMPARE(entries.size(), 3);
        QCOMPARE(QFileInfo(entries[0].path).fileName(), QString("mybook-2026-12-06T10-00-00-10.mdb"));
        QCOMPARE(QFileInfo(entries[2].path).fileName(), QString("mybook-2026-12-06T10-00-00.mdb"));
    }

    void restoreRoundTrip()
    {
        TestDb t;
        addWebsites(t, "old", 2);
        QString error;
        const QString copy = Backups::make(t.dbPath(), &error);
        QVERIFY2(!copy.isEmpty(), qPrintable(error));
        t.exec("DELETE FROM Website WHERE Webname = 'old0'");
        addWebsites(t, "new", 1);
        QString saved;
        QVERIFY2(Backups::restore(copy, t.dbPath(), &saved, &error), qPrintable(error));
        QCOMPARE(t.scalar("SELECT group_concat(Webname) FROM Website ORDER BY Webid").toString(), QString("old0,old1"));
        // What was there before the restore is kept as a backup of its own.
        QVERIFY(!saved.isEmpty() && saved != copy);
        QCOMPARE(Backups::websiteCount(saved), 2);
        sqlite3 *s = nullptr;
        sqlite3_open(saved.toUtf8().constData(), &s);
        sqlite3_stmt *stmt = nullptr;
        sqlite3_prepare_v2(s, "SELECT group_concat(Webname) FROM Website", -1, &stmt, nullptr);
        sqlite3_step(stmt);
        QCOMPARE(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0))), QString("old1,new0"));
        sqlite3_finalize(stmt);
        sqlite3_close(s);
        QVERIFY(!QFileInfo::exists(t.dbPath() + ".restoring"));
    }

    void restoreRefusedChangesNothing_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("damaged pages") << "damaged" << "已损坏";
        QTest::newRow("not a database") << "text" << "已损坏";
        QTest::newRow("no Website table") << "no website" << "没有表 Website";
        QTest::newRow("Users without the password column") << "no password" << "没有列 UserPwd";
        QTest::newRow("newer version") << "newer" << "版本是 9";
        QTest::newRow("missing") << "missing" << "不存在";
    }
    void restoreRefusedChangesNothing()
    {
        QFETCH(QString, kind);
        TestDb t;
        addWebsites(t, "w", 20);
        QString error;
        const QString copy = Backups::make(t.dbPath(), &error);
        QVERIFY2(!copy.isEmpty(), qPrintable(error));
        sqlite3 *c = nullptr;
        if (kind == "damaged") {
            QByteArray bytes = fileBytes(copy);
            QVERIFY(bytes.size() > 5 * 4096);
            bytes.replace(2 * 4096, 4096, QByteArray(4096, '\x5a'));
            writeBytes(copy, bytes);
        } else if (kind == "text") {
            writeBytes(copy, "UserName,UserPwd\nadmin,123456\n");
        } else if (kind == "missing") {
            QFile::remove(copy);
        } else {
            sqlite3_open(copy.toUtf8().constData(), &c);
            const char *sql = kind == "no website" ? "DROP TABLE Website"
                              : kind == "newer"    ? "PRAGMA user_version = 9"
                                                   : "ALTER TABLE Users RENAME COLUMN UserPwd TO Pwd";
            QCOMPARE(sqlite3_exec(c, sql, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(c);
        }
        const QByteArray before = fileBytes(t.dbPath());
        const int backupsBefore = Backups::list(t.dbPath()).size();
        QString saved;
        QVERIFY(!Backups::restore(copy, t.dbPath(), &saved, &error));
        QFETCH(QString, reason);
        QVERIFY2(error.contains(reason) && error.contains(copy) && error.contains(t.dbPath()), qPrintable(error));
        QCOMPARE(fileBytes(t.dbPath()), before);
        QCOMPARE(Backups::list(t.dbPath()).size(), backupsBefore);
        QVERIFY(saved.isEmpty());
    }

    void writtenSinceMarkFollowsCommits()
    {
        TestDb t;
        Backups::markClean(t.dbPath());
        QVERIFY(!Backups::writtenSinceMark(t.dbPath()));
        t.scalar("SELECT count(*) FROM Website"); // reading is no write
        QVERIFY(!Backups::writtenSinceMark(t.dbPath()));
        addWebsites(t, "x", 1);
        QVERIFY(Backups::writtenSinceMark(t.dbPath()));
        QString error;
        QVERIFY(!Backups::make(t.dbPath(), &error).isEmpty());
        QVERIFY(!Backups::writtenSinceMark(t.dbPath()));
    }
};

QTEST_GUILESS_MAIN(TestBackups)
#include "tst_backups.moc"
