// CSV as the program writes and reads it: the writer against the reader,
// hand-made files as Excel and editors make them, and files refused.
#include "exchange/Csv.h"
#include "exchange/ExchangeError.h"

#include <QBuffer>
#include <QTest>

using namespace exchange;

namespace {

QByteArray written(const QList<QStringList> &rows)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvWriter csv(&buffer);
    for (const QStringList &r : rows)
        csv.writeRow(r);
    csv.flush();
    return buffer.data();
}

} // namespace

class TestCsv : public QObject {
    Q_OBJECT

private slots:
    void writer_data()
    {
        QTest::addColumn<QStringList>("fields");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("plain") << QStringList{"时间", "PR"} << QByteArray("时间,PR\r\n");
        QTest::newRow("comma") << QStringList{"a,b", "c"} << QByteArray("\"a,b\",c\r\n");
        QTest::newRow("quote") << QStringList{"说\"好\""} << QByteArray("\"说\"\"好\"\"\"\r\n");
        QTest::newRow("line breaks") << QStringList{"一\r\n二", "三\n"} << QByteArray("\"一\r\n二\",\"三\n\"\r\n");
        QTest::newRow("empty fields") << QStringList{"", "", ""} << QByteArray(",,\r\n");
        QTest::newRow("blanks kept bare") << QStringList{" x "} << QByteArray(" x \r\n");
    }

    void writer()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, line);
        QCOMPARE(written({fields}), QByteArray("\xEF\xBB\xBF") + line);
    }

    void roundTrip()
    {
        const QList<QStringList> rows{
            {"时间", "备注", "百度收入量", "◆关键词1"},
            {"2011-10-1", "第一行\r\n第二行, 有\"引号\"", "收入155/反向31", ""},
            {"2011-10-2", "\"", ",", "百度9/谷歌6"},
            {"2011-10-3", "\n", "\r", " 前后空格 "},
        };
        const CsvTable table = Csv::parse(written(rows));
        QCOMPARE(table.header, rows[0]);
        QCOMPARE(table.records.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(table.records[i].fields, rows[i + 1]);
        // Lines of the file where each record starts: the first holds a line break.
        QCOMPARE(table.records[0].line, 2);
        QCOMPARE(table.records[1].line, 4);
        QCOMPARE(table.records[2].line, 5);
    }

    void handMade_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("records"); // fields joined by |, records by ;
        QTest::newRow("no BOM, LF") << QByteArray("a,b\n1,2\n") << "1|2";
        QTest::newRow("BOM, CRLF, no final line end") << QByteArray("\xEF\xBB\xBF" "a,b\r\n1,2") << "1|2";
        QTest::newRow("CR only") << QByteArray("a,b\r1,2\r3,4\r") << "1|2;3|4";
        QTest::newRow("quoted comma and quote") << QByteArray("a,b\n\"x,\"\"y\"\"\",z\n") << "x,\"y\"|z";
        QTest::newRow("CRLF inside quotes") << QByteArray("a,b\r\n\"1\r\n2\",3\r\n") << "1\r\n2|3";
        QTest::newRow("blank lines skipped") << QByteArray("a,b\n\n1,2\n\n") << "1|2";
        QTest::newRow("empty last field") << QByteArray("a,b\n1,\n") << "1|";
        QTest::newRow("quote inside a bare field kept") << QByteArray("a,b\n5\"6,x\n") << "5\"6|x";
        QTest::newRow("chinese") << QByteArray("时间,备注\n2011-9-5,优化首页\n") << "2011-9-5|优化首页";
    }

    void handMade()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, records);
        const CsvTable table = Csv::parse(bytes);
        QStringList got;
        for (const CsvRecord &r : table.records)
            got << r.fields.join(QLatin1Char('|'));
        QCOMPARE(got.join(QLatin1Char(';')), records);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("message"); // a part of the message
        // 百度 in GBK on the second line.
        QTest::newRow("GBK") << QByteArray("a,b\n\xB0\xD9\xB6\xC8,1\n") << "第 2 行有不是 UTF-8 的字节";
        QTest::newRow("GBK header") << QByteArray("\xCA\xB1\xBC\xE4,b\n1,2\n") << "第 1 行有不是 UTF-8 的字节";
        QTest::newRow("overlong UTF-8") << QByteArray("a\n\xC0\xAF\n") << "UTF-8";
        QTest::newRow("truncated sequence") << QByteArray("a\n\xE4\xBC") << "第 2 行";
        QTest::newRow("surrogate") << QByteArray("a\n\xED\xA0\x80\n") << "UTF-8";
        QTest::newRow("unfinished quote") << QByteArray("a,b\n1,2\n\"3,4\n") << "第 3 行：引号开始的字段";
        QTest::newRow("text after quote") << QByteArray("a,b\n\"1\"x,2\n") << "第 2 行：引号结束后还有文字";
        QTest::newRow("too many fields") << QByteArray("a,b\n1,2\n1,2,3\n") << "第 3 行有 3 个字段，标题行有 2 个";
        QTest::newRow("too few fields") << QByteArray("a,b\n1\n") << "第 2 行有 1 个字段";
        QTest::newRow("empty") << QByteArray("\xEF\xBB\xBF") << "没有标题行";
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, message);
        try {
            Csv::parse(bytes);
            QFAIL("the file was read");
        } catch (const ExchangeError &e) {
            QVERIFY2(e.message().contains(message), qPrintable(e.message()));
        }
    }
};

QTEST_APPLESS_MAIN(TestCsv)
#include "tst_csv.moc"
