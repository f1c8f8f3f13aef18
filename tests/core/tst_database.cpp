// The shared connection: opened on first use, recycled after the statement
// that finds 1000 counted uses, and the program's ending when it cannot open.
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "tests/support/TestDb.h"

#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

class TestDatabase : public QObject {
    Q_OBJECT
private slots:
    void firstUseOpensAndTheStatementReachingThousandUsesClosesIt()
    {
        TestDb t;
        QVERIFY(!Database::connOpen());
        Database::query("SELECT * FROM Users");
        QVERIFY(Database::connOpen());
        for (int i = 1; i < 998; ++i)
            Database::query("SELECT 1 FROM Users");
        // A statement below 1000 uses leaves it open; the one reaching 1000 closes it.
        Database::execute("UPDATE Users SET UserPwd = UserPwd");
        QVERIFY(Database::connOpen());
        QCOMPARE(Database::connUses(), 999);
        Database::execute("UPDATE Users SET UserPwd = UserPwd");
        QVERIFY(!Database::connOpen());
        QCOMPARE(Database::connUses(), 0);
        // Queries alone never close it, and the count does not overflow.
        for (int i = 0; i < 33000; ++i)
            Database::query("SELECT 1");
        QVERIFY(Database::connOpen());
        QCOMPARE(Database::connUses(), 32767);
        Database::execute("UPDATE Users SET UserPwd = UserPwd");
        QVERIFY(!Database::connOpen());
        QCOMPARE(Database::connUses(), 0);
    }

    void closeKeepsTheCountResetClearsIt()
    {
        TestDb t;
        Database::closeConnection(); // harmless when closed
        Database::query("SELECT 1");
        Database::closeConnection();
        QCOMPARE(Database::connUses(), 1);
        Database::resetConnection();
        QCOMPARE(Database::connUses(), 0);
    }

    static QByteArray foreignSqliteFile(const char *schema = "CREATE TABLE notes(x)")
    {
        QTemporaryDir dir;
        const QByteArray path = dir.filePath("other.db").toUtf8();
        sqlite3 *handle = nullptr;
        sqlite3_open(path.constData(), &handle);
        sqlite3_exec(handle, schema, nullptr, nullptr, nullptr);
        sqlite3_close(handle);
        QFile f(QString::fromUtf8(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void unusableDatabaseEndsTheProgram_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QString>("reason");
        QTest::newRow("missing") << QByteArray() << false << "不存在";
        QTest::newRow("text file") << QByteArray("UserName,UserPwd\nadmin,123456\n") << true << "不是本程序的笔记本";
        QTest::newRow("another program's SQLite file") << foreignSqliteFile() << true << "不是本程序的笔记本";
        QTest::newRow("lower-case tables of other columns")
            << foreignSqliteFile("CREATE TABLE users(name, pass); CREATE TABLE website(id, url)") << true << "不是本程序的笔记本";
    }
    void unusableDatabaseEndsTheProgram()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, exists);
        TestDb t(false);
        if (QFile f("data/mybook.mdb"); exists && QDir().mkpath("data") && f.open(QIODevice::WriteOnly))
            f.write(content);
        try {
            Database::execute("UPDATE Users SET UserPwd = UserPwd");
            QFAIL("the program should have ended");
        } catch (const Program::Ended &ended) {
            QCOMPARE(ended.exitCode, 1);
        }
        // The title line as ever, then the file and what the user can do about it.
        QCOMPARE(MessageBox::shown().size(), 1);
        const QString shown = MessageBox::shown().constFirst();
        QCOMPARE(shown.section('\n', 0, 0), QString("数据库连接失败"));
        QVERIFY2(shown.contains(QFileInfo("data/mybook.mdb").absoluteFilePath()), qPrintable(shown));
        QFETCH(QString, reason);
        QVERIFY2(shown.contains(reason), qPrintable(shown));
        QVERIFY(!Database::connOpen());
        QCOMPARE(QFile::exists("data/mybook.mdb"), exists);
    }

    void statusGoesToTheRegisteredPanel()
    {
        Database::showStatus("nowhere to go");
        QCOMPARE(Database::statusText(), QString());
        {
            QLabel panel;
            Database::registerStatusPanel(&panel);
            Database::showStatus("首条记录");
            QCOMPARE(panel.text(), QString("首条记录"));
            QCOMPARE(panel.accessibleDescription(), QString("首条记录"));
        }
        Database::showStatus("after the panel went away");
        QCOMPARE(Database::statusText(), QString());
    }
};

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
