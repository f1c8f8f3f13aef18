// The client report read back with poppler's tools, as a client's reader
// would: every text exactly as written (fonts embedded), the period's memos
// and none from outside it, the summary's changes judged by direction, page
// breaks with the table header repeated, the logo's pixels where it stands,
// and tavorin-db report on a file or a server notebook (TestDb).
#include "tests/exchange/ExchangeFixture.h"

#include "charts/TrendData.h"
#include "report/ClientReport.h"

#include <QBuffer>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

class TestClientReport : public QObject, private ExchangeFixture {
    Q_OBJECT

    QTemporaryDir m_settings;

    QString tool(const QString &program, const QStringList &args, int *code = nullptr)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", m_settings.path()); // tavorin-db reads the test's settings
        p.setProcessEnvironment(env);
        if (code)
            p.setProcessChannelMode(QProcess::MergedChannels); // what tavorin-db says, for the failure message
        p.start(program, args);
        if (!p.waitForFinished(120000))
            qFatal("%s did not finish", qPrintable(program));
        if (code)
            *code = p.exitCode();
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    void addRow(const QString &day, const QString &memo, const QString &baidu, const QString &google, const QString &rank)
    {
        m_db->exec(QStringLiteral("INSERT INTO biji1([时间],[备注],[百度收入量],[谷歌收入量],[◆关键词1]) VALUES('%1','%2','%3','%4','%5')")
                       .arg(day, QString(memo).replace("'", "''"), baidu, google, rank));
    }
    QString write(const QDate &from, const QDate &to)
    {
        const QString path = m_db->dir() + "/report.pdf";
        QString error;
        const bool written = report::writePdf(report::readContent({1, "优化网首页", "http://www.example.cn"}, from, to), path, &error);
        return written ? path : error;
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }

    void init()
    {
        start();
        QSettings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin")).clear();
        report::setStudio({"星河优化工作室", "电话 010-1234 5678", {}});
        TrendData::setRankSetting("biji1", "◆关键词1", true);
        m_db->exec("INSERT INTO Website(Webid,Webname,Weburl,Webtime,Webmemos) VALUES(1,'优化网首页','http://www.example.cn','2011-09-01','')");
        addRow("2011-09-20", "期外之前", "收入100/反向20", "收入60/反向5", "百度20/谷歌10");
        addRow("2011-10-01", "提交外链", "收入155/反向31", "收入50/反向5", "百度9/谷歌6");
        addRow("2011-10-08", "", "收入*/反向*", "", "百度7/谷歌");
        addRow("2011-10-22", "改标题，首页进入第一页", "收入181/反向40", "收入40/反向5", "百度3/谷歌4");
        addRow("2011-11-02", "期外之后", "收入190/反向41", "收入70/反向5", "百度2/谷歌3");
    }
    void cleanup() { stop(); }

    void contents_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QDate>("from");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::addColumn<int>("pages"); // 0: more than four, the table's header on every page of it
        const QDate october(2011, 10, 1);
        QTest::newRow("month") << "" << october << QStringList{"星河优化工作室", "电话 010-1234 5678", "优化网首页", "http://www.example.cn",
                                              "2011/10/1 至 2011/10/31", "百度收入量·收入", "155", "181", "上升 26",
                                              "百度收入量·反向", "上升 9", "谷歌收入量·收入", "下降 10", "持平",
                                              "◆关键词1·百度（名次）", "上升 6", "◆关键词1·谷歌（名次）", "上升 2", "本期工作",
                                              "提交外链", "改标题，首页进入第一页", "收入155/反向31", "百度7/谷歌"}
                               << QStringList{"期外之前", "期外之后", "收入100", "没有观察记录"} << 2;
        QTest::newRow("hostile text literal") << "hostile" << october
                                              << QStringList{"<b>粗</b> &amp; %1 100%", "%1 & <i>工作室</i>"} << QStringList{}
                                              << 2;
        QTest::newRow("empty period") << "" << QDate(2012, 1, 1) << QStringList{"本期（2012/1/1 至 2012/1/31）没有观察记录。", "优化网首页"}
                                      << QStringList{"本期工作", "观察项目摘要"} << 1;
        QTest::newRow("no number items") << "no items" << october << QStringList{"本期工作", "观察记录", "提交外链"}
                                         << QStringList{"观察项目摘要", "走势图"} << 1;
        QTest::newRow("long table") << "long" << october << QStringList{"收入499/反向2"} << QStringList{} << 0;
    }

    void contents()
    {
        QFETCH(QString, change);
        QFETCH(QDate, from);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        QFETCH(int, pages);
        const QString longMemo = QString("外链建设第一步到第九步，").repeated(30) + "结束。";
        if (change == "hostile") {
            addRow("2011-10-03", "<b>粗</b> &amp; %1 100%", "", "", "");
            report::setStudio({"%1 & <i>工作室</i>", "", {}});
        } else if (change == "no items") {
            report::setChosenItems("biji1", {});
        } else if (change == "long") {
            for (int i = 0; i < 300; ++i)
                addRow(QDate(2011, 10, 2 + i % 20).toString(Qt::ISODate), i == 150 ? longMemo : QString(),
                       QString("收入%1/反向2").arg(200 + i), "", "");
        }
        const QString pdf = write(from, from.addMonths(1).addDays(-1));
        QVERIFY2(QFile::exists(pdf), qPrintable(pdf));
        const QString text = tool("pdftotext", {"-raw", pdf, "-"});
        for (const QString &p : present)
            QVERIFY2(text.contains(p), qPrintable(p));
        for (const QString &a : absent)
            QVERIFY2(!text.contains(a), qPrintable(a));
        const int count = QRegularExpression("Pages:\\s+(\\d+)").match(tool("pdfinfo", {pdf})).captured(1).toInt();
        QVERIFY(pages ? count == pages : count > 4);
        const QStringList pageTexts = text.split('\f', Qt::SkipEmptyParts);
        QCOMPARE(pageTexts.size(), count);
        bool inTable = false;
        for (int p = 0; p < count; ++p) {
            QVERIFY(pageTexts[p].contains(QString("第 %1 页 / 共 %2 页").arg(p + 1).arg(count)));
            QVERIFY(change == "hostile" || pageTexts[p].contains("星河优化工作室"));
            inTable = inTable || pageTexts[p].contains(QRegularExpression("^观察记录$", QRegularExpression::MultilineOption));
            QVERIFY(!inTable || pageTexts[p].contains("雅虎收入量")); // an item only the header names
        }
        // A long memo is wrapped, never cut: all of it is there, in order.
        QVERIFY(QString(text).remove(QRegularExpression("\\s")).contains(longMemo) == (change == "long"));
        // Every font embedded; the chart is drawn as vectors, not as a picture.
        const QStringList fonts = tool("pdffonts", {pdf}).split('\n', Qt::SkipEmptyParts).mid(2);
        QVERIFY(!fonts.isEmpty());
        for (const QString &f : fonts)
            QCOMPARE(f.split(' ', Qt::SkipEmptyParts).value(f.split(' ', Qt::SkipEmptyParts).size() - 5), QString("yes"));
        QCOMPARE(tool("pdfimages", {"-list", pdf}).split('\n', Qt::SkipEmptyParts).size(), 2);
    }

    void logo_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QRgb>("colour"); // at the logo's centre
        QImage red(300, 100, QImage::Format_RGB32);
        red.fill(QColor(220, 20, 30));
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        red.save(&png, "PNG");
        QTest::newRow("a png") << png.data() << qRgb(220, 20, 30);
        QTest::newRow("not a png: no logo, the report all the same") << QByteArray("GIF89a") << qRgb(255, 255, 255);
    }

    void logo()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QRgb, colour);
        report::setStudio({"星河优化工作室", "", bytes});
        const QString pdf = write(QDate(2011, 10, 1), QDate(2011, 10, 31));
        tool("pdftoppm", {"-r", "72", "-png", "-f", "1", "-l", "1", "-singlefile", pdf, m_db->dir() + "/page"});
        const QImage page(m_db->dir() + "/page.png");
        QVERIFY(!page.isNull());
        const QRectF box = report::logoBox(QSize(300, 100));
        const auto pixel = [&](qreal x, qreal y) { return page.pixelColor(int(x * 72 / 25.4), int(y * 72 / 25.4)); };
        const QColor centre = pixel(box.center().x(), box.center().y());
        QVERIFY2(std::abs(centre.red() - qRed(colour)) + std::abs(centre.green() - qGreen(colour)) + std::abs(centre.blue() - qBlue(colour)) < 24,
                 qPrintable(centre.name()));
        QCOMPARE(pixel(box.left() - 3, box.center().y()), QColor(Qt::white));
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QStringList>("files");
        const QStringList october{"--from", "2011-10-01", "--to", "2011-10-31"};
        QTest::newRow("one website") << QStringList{"--website", "1"} + october + QStringList{"OUT/r.pdf"} << 0 << QStringList{"r.pdf"};
        QTest::newRow("every website, one without notes") << QStringList{"--all"} + october + QStringList{"OUT"} << 0
            << QStringList{"优化网首页 2011-10-01 至 2011-10-31.pdf", "第_二网 2011-10-01 至 2011-10-31.pdf"};
        QTest::newRow("no such website") << QStringList{"--website", "9"} + october + QStringList{"OUT/r.pdf"} << 1 << QStringList{};
        QTest::newRow("period backwards") << QStringList{"--all", "--from", "2011-10-31", "--to", "2011-10-01", "OUT"} << 2
                                          << QStringList{};
        QTest::newRow("not a date") << QStringList{"--all", "--from", "十月", "--to", "2011-10-01", "OUT"} << 2 << QStringList{};
        QTest::newRow("both sources") << QStringList{"--all", "--website", "1", "OUT"} << 2 << QStringList{};
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QStringList, files);
        m_db->exec("INSERT INTO Website(Webid,Webname,Weburl,Webtime,Webmemos) VALUES(2,'第/二网','http://b.example','2011-09-01','')");
        const QString out = m_db->dir() + "/out";
        QDir().mkpath(out);
        args.replaceInStrings(QRegularExpression("^OUT"), out);
        int exit = -1;
        const QString said = tool(TAVORIN_DB_BIN, QStringList{"report", TestDb::onServer() ? m_db->location().serverString() : m_db->dbPath()} + args, &exit);
        QVERIFY2(exit == code, qPrintable(said));
        QCOMPARE(QDir(out).entryList(QDir::Files), files);
        for (const QString &f : files)
            QVERIFY(tool("pdftotext", {out + "/" + f, "-"}).contains(f.startsWith("第") ? "没有观察记录" : "上升 26"));
    }
};

QTEST_MAIN(TestClientReport)
#include "tst_clientreport.moc"
