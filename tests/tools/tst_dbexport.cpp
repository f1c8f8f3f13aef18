// tavorin-db export and import, run as a process: what they write, and what
// they refuse.
#include "tests/exchange/ExchangeFixture.h"

#include <QProcess>
#include <QTest>

class TestDbExport : public QObject, private ExchangeFixture {
    Q_OBJECT

    struct Run {
        int code;
        QString out;
        QString err;
    };

    Run run(const QStringList &args)
    {
        QProcess p;
        p.start(QStringLiteral(TAVORIN_DB_BIN), args);
        if (!p.waitForFinished(60000))
            qFatal("tavorin-db did not finish");
        return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()), QString::fromUtf8(p.readAllStandardError())};
    }

private slots:
    void init()
    {
        start();
        m_db->exec("INSERT INTO Website(Webid,Webname,Weburl,Webtime,Webmemos) VALUES(1,'优化网','http://a.example','2011-10-01','')");
        m_db->exec("INSERT INTO biji1([时间],[备注],[PR]) VALUES('2011-10-02','首页,改版','3')");
    }
    void cleanup() { stop(); }

    // What export writes (the start of the file; none when refused) and
    // import reads (the rows of biji1 afterwards, a backup first). DB, OUT
    // and IN stand for the notebook, the file written and the file read.
    void commands_data()
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

    void commands()
    {
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
        const Run r = run(args);
        const bool exporting = args[0] == "export";
        QCOMPARE(r.code, code);
        QVERIFY2((exporting ? (code ? r.err : r.out) : r.out + r.err).contains(said), qPrintable(r.out + r.err));
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

QTEST_MAIN(TestDbExport)
#include "tst_dbexport.moc"
