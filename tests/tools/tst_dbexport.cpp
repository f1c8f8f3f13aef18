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

    void exports_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("start"); // of the file written
        QTest::addColumn<QString>("said");
        QTest::newRow("notes as csv") << QStringList{"--website", "1", "--format", "csv"}
                                      << QByteArray("\xEF\xBB\xBF时间,备注,百度收入量") << "Exported 1 row";
        QTest::newRow("catalogue as xlsx") << QStringList{"--catalogue", "--format", "xlsx"} << QByteArray("PK\x03\x04")
                                           << "Exported 1 row";
        QTest::newRow("format from the suffix") << QStringList{"--catalogue"} << QByteArray("\xEF\xBB\xBF编号,网站名称")
                                                << "Exported 1 row";
    }

    void exports()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, start);
        QFETCH(QString, said);
        const QString out = m_db->dir() + (args.contains("xlsx") ? "/out.xlsx" : "/out.csv");
        const Run r = run(QStringList{"export", m_db->dbPath()} + args + QStringList{out});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.contains(said), qPrintable(r.out + r.err));
        QVERIFY(fileBytes(out).startsWith(start));
        if (args.contains("1"))
            QVERIFY(fileBytes(out).contains("2011-10-2,\"首页,改版\""));
    }

    // Imports, and what either command refuses: exit status, message, the
    // rows of biji1 afterwards, no file from a refused export, and for an
    // import that began a copy of the notebook as it was.
    void commands_data()
    {
        QTest::addColumn<QStringList>("args"); // DB, IN and OUT stand for the notebook and the files
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("rows");
        const QByteArray good("时间,备注,新项目\n2011-10-5,x,y\n2011-10-6,,z\n");
        const QStringList import{"import", "DB", "--website", "1", "IN"};
        QTest::newRow("imported") << import << good << 0 << "Imported 2 rows (UTF-8) into biji1" << 3;
        QTest::newRow("GB18030 found") << import << QByteArray("\xCA\xB1\xBC\xE4\n2011-1-1\n") << 0 << "Imported 1 row (GB18030)" << 2;
        QTest::newRow("bad date") << import << QByteArray("时间\n2011-1-1\n2011-1-41\n") << 1
                                  << "导入失败：第 3 行“时间”列：无法识别的日期“2011-1-41”" << 1;
        QTest::newRow("neither encoding") << import << QByteArray("a\n\xFF\n") << 1
                                          << "无法导入：in.csv：第 2 行有既不是 UTF-8 也不是 GB18030" << 1;
        QTest::newRow("import: no notes table") << QStringList{"import", "DB", "--website", "2", "IN"} << good << 1
                                                << "no notes table (biji2)" << 1;
        QTest::newRow("import: no website") << QStringList{"import", "DB", "IN"} << good << 2 << "usage: tavorin-db import" << 1;
        QTest::newRow("unknown encoding") << QStringList{"import", "DB", "--website", "1", "--encoding", "big5", "IN"} << good
                                          << 2 << "usage: tavorin-db import" << 1;
        const QByteArray none;
        QTest::newRow("no notes table") << QStringList{"export", "DB", "--website", "2", "OUT.csv"} << none << 1
                                        << "no notes table (biji2)" << 1;
        QTest::newRow("missing database") << QStringList{"export", "nowhere.mdb", "--catalogue", "OUT.csv"} << none << 1
                                          << "nowhere.mdb" << 1;
        QTest::newRow("both sources") << QStringList{"export", "DB", "--website", "1", "--catalogue", "OUT.csv"} << none << 2
                                      << "usage" << 1;
        QTest::newRow("no source") << QStringList{"export", "DB", "OUT.csv"} << none << 2 << "usage" << 1;
        QTest::newRow("bad id") << QStringList{"export", "DB", "--website", "x", "OUT.csv"} << none << 2 << "not a website id" << 1;
        QTest::newRow("unknown format") << QStringList{"export", "DB", "--catalogue", "--format", "ods", "OUT.csv"} << none << 2
                                        << "csv or xlsx" << 1;
        QTest::newRow("no format, no suffix") << QStringList{"export", "DB", "--catalogue", "OUT"} << none << 2 << "csv or xlsx" << 1;
    }

    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, file);
        QFETCH(int, code);
        QFETCH(QString, said);
        QFETCH(int, rows);
        QFile in(m_db->dir() + "/in.csv");
        QVERIFY(in.open(QIODevice::WriteOnly) && in.write(file) == file.size());
        in.close();
        args.replaceInStrings(QRegularExpression("^DB$"), m_db->dbPath());
        args.replaceInStrings(QRegularExpression("^IN$"), in.fileName());
        args.replaceInStrings(QRegularExpression("^OUT"), m_db->dir() + "/out");
        const Run r = run(args);
        QCOMPARE(r.code, code);
        QVERIFY2((r.out + r.err).contains(said), qPrintable(r.out + r.err));
        QCOMPARE(m_db->scalar("SELECT count(*) FROM biji1").toInt(), rows);
        QVERIFY(!QFile::exists(m_db->dir() + "/out.csv"));
        QCOMPARE(QDir(m_db->dir() + "/data/backups").entryList(QDir::Files).size() > 0, code == 0 || said.contains("第 3 行"));
    }
};

QTEST_MAIN(TestDbExport)
#include "tst_dbexport.moc"
