// tavorin-db run as a process: each command's effect on real files, its
// messages naming the file and the reason, and its exit status
// (0 success, 1 failed check or operation, 2 bad usage); what export
// writes and import reads, and what they refuse.
#include "core/Backups.h"
#include "core/DatabaseLocation.h"
#include "core/SingleInstance.h"
#include "core/Password.h"
#include "core/Schema.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "tests/exchange/ExchangeFixture.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

class TestTavorinDb : public QObject, private ExchangeFixture {
    Q_OBJECT
private slots:
    void cleanup() { stop(); }

    void commands_data()
    {
        // In args, DB stands for the test's database, COPY for a backup of it
        // made before the run, NEW for a path where nothing exists yet.
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says"); // a piece of the output (stdout, then stderr)
        QTest::addColumn<QString>("after");

        QTest::newRow("no command") << "" << QStringList{} << QByteArray() << 2 << "tavorin opens when started here: /" << "";
        QTest::newRow("unknown command") << "" << QStringList{"copy", "DB"} << QByteArray() << 2 << "unknown command \"copy\"" << "";
        QTest::newRow("help") << "" << QStringList{"help"} << QByteArray() << 0 << "[--format csv|xlsx] OUT" << "";
        QTest::newRow("new") << "" << QStringList{"new", "NEW"} << QByteArray() << 0 << "First login: user admin" << "new database";
        QTest::newRow("new over an existing file") << "" << QStringList{"new", "DB"} << QByteArray() << 1 << "DB already exists" << "unchanged";
        QTest::newRow("new without a path") << "" << QStringList{"new"} << QByteArray() << 2 << "usage: tavorin-db new PATH" << "";
        QTest::newRow("migrate without a target") << "" << QStringList{"migrate", "DB"} << QByteArray() << 2 << "usage: tavorin-db migrate" << "unchanged";
        QTest::newRow("migrate to a file") << "" << QStringList{"migrate", "DB", "NEW"} << QByteArray() << 2 << "must be a PostgreSQL connection string" << "unchanged";
        QTest::newRow("migrate a missing file") << "" << QStringList{"migrate", "NEW", "postgresql://127.0.0.1:1/x"} << QByteArray() << 1 << "NEW is not a notebook file" << "";
        QTest::newRow("migrate to no server") << "" << QStringList{"migrate", "DB", "pgsql://u:pw@h/db"} << QByteArray() << 2 << "(postgresql://...), not pgsql://h/db" << "";
        QTest::newRow("check") << "" << QStringList{"check", "DB"} << QByteArray() << 0 << "schema version: 2" << "unchanged";
        QTest::newRow("check counts") << "websites" << QStringList{"check", "DB"} << QByteArray() << 0 << "websites: 1" << "unchanged";
        QTest::newRow("check damaged") << "damaged" << QStringList{"check", "DB"} << QByteArray() << 1 << "DB: integrity check failed" << "unchanged";
        QTest::newRow("check missing file") << "" << QStringList{"check", "NEW"} << QByteArray() << 1 << "NEW: no such file" << "";
        QTest::newRow("check version 0") << "version 0" << QStringList{"check", "DB"} << QByteArray() << 0 << "1 with a clear-text password" << "unchanged";
        QTest::newRow("backup") << "" << QStringList{"backup", "DB"} << QByteArray() << 0 << "(checked)" << "one backup";
        QTest::newRow("two backups at once") << "twice" << QStringList{"backup", "DB"} << QByteArray() << 0 << "(checked)" << "two backups";
        QTest::newRow("backup into a folder") << "" << QStringList{"backup", "DB", "NEW"} << QByteArray() << 0 << "NEW/mybook-" << "one backup in NEW";
        QTest::newRow("backup, too many arguments") << "" << QStringList{"backup", "DB", "a", "b"} << QByteArray() << 2 << "usage: tavorin-db backup" << "";
        QTest::newRow("backup of a damaged file") << "damaged" << QStringList{"backup", "DB"} << QByteArray() << 1 << "未通过检查" << "no backup";
        QTest::newRow("upgrade version 0") << "version 0" << QStringList{"upgrade", "DB"} << QByteArray() << 0 << "Upgraded DB to version 2" << "upgraded";
        QTest::newRow("upgrade current") << "" << QStringList{"upgrade", "DB"} << QByteArray() << 0 << "already at version 2" << "unchanged";
        QTest::newRow("upgrade newer") << "newer" << QStringList{"upgrade", "DB"} << QByteArray() << 1 << "版本是 9" << "unchanged";
        QTest::newRow("restore") << "websites" << QStringList{"restore", "COPY", "DB"} << QByteArray() << 0 << "Restored DB from COPY" << "restored";
        QTest::newRow("restore while the program has it") << "websites, open" << QStringList{"restore", "COPY", "DB"} << QByteArray() << 1 << "正在使用" << "unchanged";
        QTest::newRow("restore a damaged copy") << "damaged copy" << QStringList{"restore", "COPY", "DB"} << QByteArray() << 1 << "保持原样" << "unchanged";
        QTest::newRow("restore, one argument") << "" << QStringList{"restore", "DB"} << QByteArray() << 2 << "usage: tavorin-db restore BACKUP PATH" << "";
        QTest::newRow("reset password") << "" << QStringList{"reset-password", "DB", " ADMIN "} << QByteArray("  newpass1 \n") << 0 << "was changed" << "password newpass1";
        QTest::newRow("reset password too short") << "" << QStringList{"reset-password", "DB", "admin"} << QByteArray(" 12345 \n") << 1 << "6 to 20 characters" << "unchanged";
        QTest::newRow("reset password, no such user") << "" << QStringList{"reset-password", "DB", "bob"} << QByteArray("newpass1\n") << 1 << "no account named \"bob\"" << "unchanged";
        QTest::newRow("reset password, no user") << "" << QStringList{"reset-password", "DB"} << QByteArray() << 2 << "usage: tavorin-db reset-password" << "";
        // The same commands on a server notebook (setup "server": DB is the
        // test's, EMPTY a database without one, DUMP a file for pg_dump).
        // Backup and restore print the server tool's commands, run as printed.
        QTest::newRow("server: check") << "server" << QStringList{"check", "DB"} << QByteArray() << 0 << "website ids and user names unique" << "";
        QTest::newRow("server: upgrade a notebook from before unique names") << "server, old" << QStringList{"upgrade", "DB"} << QByteArray() << 0 << "user names are kept unique" << "";
        QTest::newRow("server: upgrade refused, two names alike") << "server, old, clash" << QStringList{"upgrade", "DB"} << QByteArray() << 1 << "admin、ADMIN" << "";
        QTest::newRow("server: check, no notebook") << "server" << QStringList{"check", "EMPTY"} << QByteArray() << 1 << "not a Tavorin database" << "";
        QTest::newRow("server: check, no server") << "server" << QStringList{"check", "postgresql://127.0.0.1:1/team"} << QByteArray() << 1 << "无法连接数据库服务器 127.0.0.1:1" << "";
        QTest::newRow("server: reset password") << "server" << QStringList{"reset-password", "DB", " ADMIN "} << QByteArray("newpass1\n") << 0 << "was changed" << "password newpass1";
        QTest::newRow("server: reset password, no such user") << "server" << QStringList{"reset-password", "DB", "bob"} << QByteArray("newpass1\n") << 1 << "no account named \"bob\"" << "";
        QTest::newRow("server: export") << "server" << QStringList{"export", "DB", "--catalogue", "out.csv"} << QByteArray() << 0 << "Exported 2 rows to out.csv" << "";
        QTest::newRow("server: export, no notes table") << "server" << QStringList{"export", "DB", "--website", "9", "out.csv"} << QByteArray() << 1 << "website 9 has no notes table" << "";
        QTest::newRow("server: import, no notes table") << "server" << QStringList{"import", "DB", "--website", "9", "in.csv"} << QByteArray() << 1 << "website 9 has no notes table" << "";
        QTest::newRow("server: backup") << "server" << QStringList{"backup", "DB", "DUMP"} << QByteArray() << 1 << "pg_dump --format=custom --file='DUMP' --dbname='dbname=DBNAME'" << "dump restored";
        QTest::newRow("server: restore") << "server" << QStringList{"restore", "DUMP", "EMPTY"} << QByteArray() << 1 << "pg_restore --clean --if-exists --no-owner --single-transaction --dbname=" << "";
    }

    void commands()
    {
        QFETCH(QString, setup);
        QFETCH(QStringList, args);
        if (setup.startsWith("server") != TestDb::onServer())
            QSKIP("the other engine's rows run in the other variant of this test");
        TestDb t;
        const QString newPath = QDir(t.dir()).filePath("fresh/other.mdb");
        QString copy, empty;
        const QString dump = QDir(t.dir()).filePath("team.dump");
        if (setup.startsWith("server, old")) { // made before the server kept names unique
            db::Connection c;
            c.open(t.location());
            c.execute("ALTER TABLE \"Users\" DROP CONSTRAINT \"Users_UserName_unique\"", db::Connection::Dialect::Native);
            if (setup.endsWith("clash"))
                c.execute("INSERT INTO \"Users\" VALUES ('ADMIN', 'x')", db::Connection::Dialect::Native);
        }
        if (setup.startsWith("server")) {
            t.exec("INSERT INTO Website (Webid, Webname) VALUES (1, 'w1')");
            t.exec("INSERT INTO Website (Webid, Webname) VALUES (7, 'w7')");
            empty = t.extraServerDatabase().serverString();
        }
        if (setup.startsWith("websites") || setup == "damaged") {
            for (int i = 0; i < (setup == "damaged" ? 30 : 2); ++i)
                t.exec(QStringLiteral("INSERT INTO Website (Webname, Webmemos) VALUES ('w%1', '%2')").arg(i).arg(QString(500, 'm')));
        }
        if (setup.startsWith("websites") || setup == "damaged copy") {
            QString error;
            copy = Backups::make(t.dbPath(), Backups::ByHand, &error);
            QVERIFY2(!copy.isEmpty(), qPrintable(error));
            t.exec("DELETE FROM Website");
            t.exec("INSERT INTO Website (Webname) VALUES ('after the copy')");
        }
        if (setup == "damaged copy" || setup == "damaged") { // one page overwritten
            QFile f(setup == "damaged" ? t.dbPath() : copy);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(setup == "damaged" ? 3 * 4096 : 4096));
            f.write(QByteArray(4096, '\x33'));
        }
        if (setup == "newer")
            t.exec("PRAGMA user_version = 9");
        if (setup == "version 0") {
            t.exec("PRAGMA user_version = 0");
            t.exec("UPDATE Users SET UserPwd = '123456'");
        }
        SingleInstance program(DatabaseLocation::find({t.dbPath(), {}, t.dir(), {}}));
        if (setup.endsWith("open"))
            QCOMPARE(program.claim(), SingleInstance::First);
        const QByteArray before = fileBytes(t.dbPath());
        const int backupsBefore = Backups::list(t.dbPath()).size();

        const QHash<QString, QString> stand{{"DB", TestDb::onServer() ? t.location().serverString() : t.dbPath()}, {"COPY", copy},
                                            {"NEW", newPath}, {"EMPTY", empty}, {"DUMP", dump}};
        for (QString &arg : args)
            arg = stand.value(arg, arg);
        QProcess tool, other;
        if (setup == "twice") // the same second: both copies are made
            other.start(QStringLiteral(TAVORIN_DB_TOOL), args);
        tool.start(QStringLiteral(TAVORIN_DB_TOOL), args);
        QVERIFY(tool.waitForStarted());
        QFETCH(QByteArray, input);
        tool.write(input);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(60000));
        QVERIFY(setup != "twice" || (other.waitForFinished(60000) && other.exitCode() == 0));
        const QString output = QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
        QFETCH(int, status);
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QVERIFY2(tool.exitCode() == status, qPrintable(output));
        QFETCH(QString, says);
        // One pass: a temporary folder's random name may itself hold "DB" or "NEW".
        const QHash<QString, QString> inText{{"DBNAME", t.location().serverString().section('=', 1)}, {"DUMP", dump},
                                             {"DB", t.dbPath()}, {"COPY", copy}, {"NEW", newPath}};
        static const QRegularExpression placeholder("DBNAME|DUMP|DB|COPY|NEW");
        for (auto m = placeholder.match(says); m.hasMatch(); m = placeholder.match(says, m.capturedStart() + inText[m.captured()].size()))
            says.replace(m.capturedStart(), m.capturedLength(), inText[m.captured()]);
        QVERIFY2(output.contains(says), qPrintable(output));
        // Nothing the tool prints shows a password or a hash.
        QVERIFY2(!output.contains("$argon2") && !output.contains("newpass1") && !output.contains("Sekr3tPw") && !output.contains(":pw@"),
                 qPrintable(output));

        QFETCH(QString, after);
        if (after == "unchanged") {
            QCOMPARE(fileBytes(t.dbPath()), before);
        } else if (after == "new database") {
            QCOMPARE(Schema::version(newPath), Schema::CurrentVersion);
            QVERIFY(!fileBytes(newPath).contains("123456"));
        } else if (after.endsWith("backup") || after == "two backups") {
            QCOMPARE(Backups::list(t.dbPath()).size(), backupsBefore + (after == "one backup") + 2 * (after == "two backups"));
        } else if (after == "one backup in NEW") {
            QCOMPARE(Backups::list(t.dbPath(), newPath).size(), 1);
        } else if (after == "upgraded") {
            QCOMPARE(t.scalar("PRAGMA user_version").toInt(), Schema::CurrentVersion);
            QCOMPARE(t.accounts({"123456"}), QString("admin:123456"));
            QVERIFY(!fileBytes(t.dbPath()).contains("123456"));
        } else if (after == "restored") {
            QCOMPARE(t.scalar("SELECT group_concat(Webname) FROM Website").toString(), QString("w0,w1"));
            QCOMPARE(Backups::list(t.dbPath()).size(), backupsBefore + 1);
        } else if (after == "password newpass1") {
            QCOMPARE(t.accounts({"123456", "newpass1"}), QString("admin:newpass1"));
        } else if (after == "dump restored") {
            // The printed commands do what they say: the copy restored into an
            // empty database holds the notebook, new ids follow the old ones,
            // and names stay unique.
            QCOMPARE(QProcess::execute("sh", {"-c", output.section('\n', 0, 0)}), 0);
            tool.start(QStringLiteral(TAVORIN_DB_TOOL), {"restore", dump, empty});
            QVERIFY(tool.waitForFinished(60000));
            QCOMPARE(QProcess::execute("sh", {"-c", QString::fromUtf8(tool.readAllStandardOutput()).trimmed()}), 0);
            db::Connection copy;
            copy.open(db::Location::server(empty));
            copy.execute("INSERT INTO Website (Webname) VALUES ('new')");
            db::Recordset rs;
            rs.open("SELECT Webid FROM Website WHERE Webname = 'NEW'", copy);
            QCOMPARE(rs.value(0).toInt(), 8);
            QVERIFY_THROWS_EXCEPTION(db::DbError, copy.execute("INSERT INTO Website (Webname) VALUES ('W1')"));
        }
    }

    // The manual page describes every command the tool has, as its help lists them.
    void everyCommandInTheManual()
    {
        QProcess tool;
        tool.start(QStringLiteral(TAVORIN_DB_TOOL), {"help"});
        QVERIFY(tool.waitForFinished(30000));
        const QString help = QString::fromUtf8(tool.readAllStandardOutput());
        const QString manual = QString::fromUtf8(fileBytes(QStringLiteral(TAVORIN_DB_MANUAL)));
        QStringList commands;
        for (const QString &line : help.section("commands:\n", 1).section("\n\n", 0, 0).split('\n'))
            commands << line.simplified().section(' ', 0, 0);
        QVERIFY(commands.size() >= 8);
        for (const QString &command : std::as_const(commands))
            QVERIFY2(manual.contains(QRegularExpression("\n\\.B " + QRegularExpression::escape(command) + "\\b")),
                     qPrintable(command + " is missing from " TAVORIN_DB_MANUAL));
    }

    // What export writes (the start of the file; none when refused) and
    // import reads (the rows of biji1 afterwards, a backup first). DB, OUT
    // and IN stand for the notebook, the file written and the file read.
    void exportAndImport_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("file"); // IN
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<int>("rows");
        const QByteArray none, good("时间,备注,新项目\n2011-10-5,x,y\n2011-10-6,,z\n");
        const QStringList exportNotes{"export", "DB", "--website", "1"}, importNotes{"import", "DB", "--website", "1", "IN"};
        QTest::newRow("notes as csv") << exportNotes + QStringList{"--format", "csv", "OUT.csv"} << none << 0 << "Exported 1 row"
                                      << QByteArray("\xEF\xBB\xBF时间,备注,百度收入量") << 1;
        // SEMI: a copy of the notebook under a folder named "a;b=c;".
        QTest::newRow("';' and '=' in the folder's name") << QStringList{"export", "SEMI", "--website", "1", "OUT.csv"} << none << 0
                                                          << "Exported 1 row" << QByteArray("\xEF\xBB\xBF时间") << 1;
        QTest::newRow("catalogue as xlsx") << QStringList{"export", "DB", "--catalogue", "--format", "xlsx", "OUT.xlsx"} << none << 0
                                           << "Exported 1 row" << QByteArray("PK\x03\x04") << 1;
        QTest::newRow("format from the suffix") << QStringList{"export", "DB", "--catalogue", "OUT.csv"} << none << 0 << "Exported 1 row"
                                                << QByteArray("\xEF\xBB\xBF编号,网站名称") << 1;
        QTest::newRow("export, no notes table") << QStringList{"export", "DB", "--website", "2", "OUT.csv"} << none << 1
                                                << "no notes table (biji2)" << none << 1;
        QTest::newRow("missing database") << QStringList{"export", "nowhere.mdb", "--catalogue", "OUT.csv"} << none << 1 << "nowhere.mdb"
                                          << none << 1;
        QTest::newRow("both sources") << exportNotes + QStringList{"--catalogue", "OUT.csv"} << none << 2 << "usage" << none << 1;
        QTest::newRow("no source") << QStringList{"export", "DB", "OUT.csv"} << none << 2 << "usage" << none << 1;
        QTest::newRow("bad id") << QStringList{"export", "DB", "--website", "x", "OUT.csv"} << none << 2 << "not a website id" << none << 1;
        QTest::newRow("unknown format") << QStringList{"export", "DB", "--catalogue", "--format", "ods", "OUT.csv"} << none << 2
                                        << "csv or xlsx" << none << 1;
        QTest::newRow("no format, no suffix") << QStringList{"export", "DB", "--catalogue", "OUT"} << none << 2 << "csv or xlsx" << none << 1;
        QTest::newRow("imported") << importNotes << good << 0 << "Imported 2 rows (UTF-8) into biji1" << none << 3;
        QTest::newRow("GB18030 found") << importNotes << QByteArray("\xCA\xB1\xBC\xE4\n2011-1-1\n") << 0 << "Imported 1 row (GB18030)"
                                       << none << 2;
        QTest::newRow("bad date") << importNotes << QByteArray("时间\n2011-1-1\n2011-1-41\n") << 1
                                  << "导入失败：第 3 行“时间”列：无法识别的日期“2011-1-41”" << none << 1;
        QTest::newRow("neither encoding") << importNotes << QByteArray("a\n\xFF\n") << 1
                                          << "无法导入：in.csv：第 2 行有既不是 UTF-8 也不是 GB18030" << none << 1;
        QTest::newRow("import, no notes table") << QStringList{"import", "DB", "--website", "2", "IN"} << good << 1
                                                << "no notes table (biji2)" << none << 1;
        QTest::newRow("no website") << QStringList{"import", "DB", "IN"} << good << 2 << "usage: tavorin-db import" << none << 1;
        QTest::newRow("unknown encoding") << QStringList{"import", "DB", "--website", "1", "--encoding", "big5", "IN"} << good << 2
                                          << "usage: tavorin-db import" << none << 1;
    }

    void exportAndImport()
    {
        if (TestDb::onServer())
            QSKIP("a notebook file's export and import; the server's are rows of commands");
        start();
        m_db->exec("INSERT INTO Website(Webid,Webname,Weburl,Webtime,Webmemos) VALUES(1,'优化网','http://a.example','2011-10-01','')");
        m_db->exec("INSERT INTO biji1([时间],[备注],[PR]) VALUES('2011-10-02','首页,改版','3')");
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(QString, said);
        QFETCH(QByteArray, start);
        const QString in = writeFile(m_db->dir() + "/in.csv", file);
        args.replaceInStrings(QRegularExpression("^DB$"), m_db->dbPath());
        if (args.contains("SEMI")) {
            QVERIFY(QDir(m_db->dir()).mkdir("a;b=c;") && QFile::copy(m_db->dbPath(), m_db->dir() + "/a;b=c;/nb.mdb"));
            args.replaceInStrings(QRegularExpression("^SEMI$"), m_db->dir() + "/a;b=c;/nb.mdb");
        }
        args.replaceInStrings(QRegularExpression("^OUT"), m_db->dir() + "/out");
        args.replaceInStrings(QRegularExpression("^IN$"), in);
        QProcess tool;
        tool.start(QStringLiteral(TAVORIN_DB_TOOL), args);
        QVERIFY(tool.waitForFinished(60000));
        const QString out = QString::fromUtf8(tool.readAllStandardOutput()), err = QString::fromUtf8(tool.readAllStandardError());
        const bool exporting = args[0] == "export";
        QCOMPARE(tool.exitCode(), code);
        QVERIFY2((exporting ? (code ? err : out) : out + err).contains(said), qPrintable(out + err));
        QTEST(m_db->scalar("SELECT count(*) FROM biji1").toInt(), "rows");
        if (exporting)
            QVERIFY(start.isEmpty() ? !QFile::exists(m_db->dir() + "/out.csv") : fileBytes(args.last()).startsWith(start));
        if (exporting && code == 0 && args.contains("1"))
            QVERIFY(fileBytes(args.last()).contains("2011-10-2,\"首页,改版\""));
        // A copy of the notebook as it was, made before the rows went in.
        if (!exporting)
            QCOMPARE(QDir(m_db->dir() + "/data/backups").entryList(QDir::Files).size() > 0, code == 0 || said.contains("第 3 行"));
    }
};

QTEST_GUILESS_MAIN(TestTavorinDb)
#include "tst_tavorindb.moc"
