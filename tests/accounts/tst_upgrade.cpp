// Files made before passwords were hashed (version 0) are upgraded at the
// first open: backed up, passwords hashed in one transaction, no clear text
// left anywhere in the file; a newer version is refused untouched.
#include "accounts/Account.h"
#include "core/Backups.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "core/Schema.h"
#include "tests/support/TestDb.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <sqlite3.h>

namespace {

const QList<std::pair<QString, QString>> Accounts{
    {"admin", "123456"}, {"李四", "口令abc789"}, {"o'brien", "qu'ote42"}};


// A database as every earlier version of the program left it: no version,
// passwords in clear text (kept with blanks around one of them, which the
// login always trimmed away).
void makeVersionZero(const QString &path, const QString &usersTable)
{
    QFile::remove(path);
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    QString sql = usersTable
                  + "; CREATE TABLE Website (Webid INTEGER PRIMARY KEY AUTOINCREMENT, Webname TEXT COLLATE NOCASE,"
                    " Weburl TEXT, Webtime DATETIME, Webmemos LONGTEXT);"
                    " INSERT INTO Website (Webname, Weburl, Webtime, Webmemos) VALUES ('site', 'u', '2024-01-01', 'm');";
    for (const auto &[name, password] : Accounts) {
        sql += QStringLiteral(" INSERT INTO Users VALUES ('%1', '%2');")
                   .arg(QString(name).replace("'", "''"), QString(name == "李四" ? " " + password + " " : password).replace("'", "''"));
    }
    char *error = nullptr;
    sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    QVERIFY2(!error, error);
    sqlite3_close(db);
}

int openShared()
{
    try {
        Database::query("SELECT count(*) FROM Users");
    } catch (const Program::Ended &e) {
        return e.exitCode;
    }
    return -1;
}

} // namespace

class TestUpgrade : public QObject {
    Q_OBJECT
private slots:
    void versionZeroUpgradedAtFirstOpen_data()
    {
        QTest::addColumn<QString>("usersTable");
        QTest::newRow("text columns") << "CREATE TABLE Users (UserName TEXT COLLATE NOCASE, UserPwd TEXT)";
        QTest::newRow("20-character columns with a CHECK")
            << "CREATE TABLE Users (UserName NVARCHAR(20) CHECK (length(UserName) <= 20),"
               " UserPwd NVARCHAR(20) CHECK (length(UserPwd) <= 20))";
    }
    void versionZeroUpgradedAtFirstOpen()
    {
        QFETCH(QString, usersTable);
        TestDb t;
        makeVersionZero(t.dbPath(), usersTable);
        QCOMPARE(openShared(), -1);
        QCOMPARE(MessageBox::shown(), QStringList());
        QCOMPARE(t.scalar("PRAGMA user_version").toInt(), Schema::CurrentVersion);
        for (const auto &[name, password] : Accounts) {
            Account u;
            QVERIFY(u.load(name));
            QVERIFY2(u.checkPassword(password), qPrintable(name));
            QVERIFY(!u.checkPassword(password + "x"));
        }
        QCOMPARE(t.scalar("SELECT group_concat(Webname) FROM Website").toString(), QString("site"));
        QCOMPARE(t.scalar("SELECT count(*) FROM sqlite_master WHERE name = 'Users_UserName_unique'").toInt(), 1);
        // No clear text anywhere in the file, free pages included.
        const QByteArray bytes = fileBytes(t.dbPath());
        for (const auto &[name, password] : Accounts)
            QVERIFY2(!bytes.contains(password.toUtf8()), qPrintable(password));
        // The file as it was is kept, once.
        const auto backups = Backups::list(t.dbPath());
        QCOMPARE(backups.size(), 1);
        QCOMPARE(Schema::version(backups[0].path), 0);
        Database::resetConnection();
        QCOMPARE(openShared(), -1);
        QCOMPARE(Backups::list(t.dbPath()).size(), 1);
    }

    void refusedFilesAreLeftUntouched_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("message");
        QTest::newRow("newer version") << "newer" << "版本是 7";
        QTest::newRow("version 0 that cannot be backed up") << "no backup" << "升级前的备份失败";
        QTest::newRow("version 1, a name twice") << "duplicates" << "tom、TOM";
    }
    void refusedFilesAreLeftUntouched()
    {
        QFETCH(QString, situation);
        TestDb t;
        if (situation == "newer") {
            t.exec("PRAGMA user_version = 7");
        } else if (situation == "duplicates") {
            t.exec("DROP INDEX Users_UserName_unique");
            t.exec("INSERT INTO Users VALUES ('tom', 'x')");
            t.exec("INSERT INTO Users VALUES ('TOM', 'y')");
            t.exec("PRAGMA user_version = 1");
        } else {
            makeVersionZero(t.dbPath(), "CREATE TABLE Users (UserName TEXT, UserPwd TEXT)");
            QFile blocker(QDir(t.dir()).filePath("data/backups"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        const QByteArray before = fileBytes(t.dbPath());
        QCOMPARE(openShared(), 1);
        QFETCH(QString, message);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown()[0].contains(message) && MessageBox::shown()[0].contains("mybook.mdb"),
                 qPrintable(MessageBox::shown()[0]));
        QVERIFY(!Database::connOpen());
        QCOMPARE(fileBytes(t.dbPath()), before);
    }
};

QTEST_GUILESS_MAIN(TestUpgrade)
#include "tst_upgrade.moc"
