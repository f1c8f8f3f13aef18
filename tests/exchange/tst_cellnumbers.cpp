// Numbers read from observation cells, as the trend chart plots them, and
// which cells a spreadsheet receives as numbers.
#include "exchange/CellNumbers.h"

#include <QTest>

class TestCellNumbers : public QObject {
    Q_OBJECT

private slots:
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

QTEST_APPLESS_MAIN(TestCellNumbers)
#include "tst_cellnumbers.moc"
