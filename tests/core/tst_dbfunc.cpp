// The shared connection: opened on first use, recycled after the statement
// that finds 1000 counted uses, and the program's ending when it cannot open.
#include "core/DbFunc.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "tests/support/TestDb.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

class TestDbFunc : public QObject {
    Q_OBJECT
private slots:
    void firstUseOpensAndTheStatementReachingThousandUsesClosesIt()
    {
        TestDb t;
        QVERIFY(!DbFunc::connOpen());
        DbFunc::OpenQuery("SELECT * FROM Users");
        QVERIFY(DbFunc::connOpen());
        for (int i = 1; i < 999; ++i)
            DbFunc::OpenQuery("SELECT 1 FROM Users");
        QCOMPARE(DbFunc::connUses(), 999);
        DbFunc::ExecuteSql("UPDATE Users SET UserPwd = UserPwd");
        QVERIFY(!DbFunc::connOpen());
        QCOMPARE(DbFunc::connUses(), 0);
        // Queries alone never close it, and the count does not overflow.
        for (int i = 0; i < 33000; ++i)
            DbFunc::OpenQuery("SELECT 1");
        QVERIFY(DbFunc::connOpen());
        QCOMPARE(DbFunc::connUses(), 32767);
        DbFunc::ExecuteSql("UPDATE Users SET UserPwd = UserPwd");
        QVERIFY(!DbFunc::connOpen());
        QCOMPARE(DbFunc::connUses(), 0);
    }

    void closeKeepsTheCountResetClearsIt()
    {
        TestDb t;
        DbFunc::CloseConn(); // harmless when closed
        DbFunc::OpenQuery("SELECT 1");
        DbFunc::CloseConn();
        QCOMPARE(DbFunc::connUses(), 1);
        DbFunc::ResetConn();
        QCOMPARE(DbFunc::connUses(), 0);
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
            DbFunc::ExecuteSql("UPDATE Users SET UserPwd = UserPwd");
            QFAIL("the program should have ended");
        } catch (const Program::Ended &ended) {
            QCOMPARE(ended.exitCode, 1);
        }
        QCOMPARE(MessageBox::shown(), QStringList{"数据库连接失败"});
        QVERIFY(!DbFunc::connOpen());
        QCOMPARE(QFile::exists("data/mybook.mdb"), exists);
    }

    void statusGoesToTheRegisteredPanel()
    {
        DbFunc::ShowStatus("nowhere to go");
        QCOMPARE(DbFunc::statusText(), QString());
        {
            QLabel panel;
            DbFunc::registerStatusPanel(&panel);
            DbFunc::ShowStatus("首条记录");
            QCOMPARE(panel.text(), QString("首条记录"));
        }
        DbFunc::ShowStatus("after the panel went away");
        QCOMPARE(DbFunc::statusText(), QString());
    }
};

QTEST_MAIN(TestDbFunc)
#include "tst_dbfunc.moc"
