// The shared connection: opened on first use, recycled after the statement
// that finds 1000 counted uses, and the program's ending when it cannot open.
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "tests/support/TestDb.h"

#include <QFile>
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
        for (int i = 1; i < 999; ++i)
            Database::query("SELECT 1 FROM Users");
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

    static QByteArray foreignSqliteFile()
    {
        QTemporaryDir dir;
        const QByteArray path = dir.filePath("other.db").toUtf8();
        sqlite3 *handle = nullptr;
        sqlite3_open(path.constData(), &handle);
        sqlite3_exec(handle, "CREATE TABLE notes(x)", nullptr, nullptr, nullptr);
        sqlite3_close(handle);
        QFile f(QString::fromUtf8(path));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void unusableDatabaseEndsTheProgram_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("exists");
        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("text file") << QByteArray("UserName,UserPwd\nadmin,123456\n") << true;
        QTest::newRow("another program's SQLite file") << foreignSqliteFile() << true;
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
        QCOMPARE(MessageBox::shown(), QStringList{"数据库连接失败"});
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
        }
        Database::showStatus("after the panel went away");
        QCOMPARE(Database::statusText(), QString());
    }
};

QTEST_MAIN(TestDatabase)
#include "tst_database.moc"
