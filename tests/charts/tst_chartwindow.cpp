// The trend chart window over a notes table: lines from the cells, gaps, the rank axis and its
// remembered choice, hover texts, following the table as it changes, and the saved picture.
#include "tests/exchange/ExchangeFixture.h"

#include "charts/ChartWindow.h"
#include "charts/TrendChart.h"
#include "core/MessageBox.h"

#include <QTest>
#include <QtWidgets>

class TestChartWindow : public QObject, private ExchangeFixture {
    Q_OBJECT

    QTemporaryDir m_settings;
    ChartWindow *m_window = nullptr;

    void addRow(const QString &date, const QString &memo, const QString &baidu, const QString &keyword)
    {
        m_db->exec(QStringLiteral("INSERT INTO biji1([时间],[备注],[百度收入量],[PR],[◆关键词1]) VALUES('%1',%2,'%3','0','%4')")
                       .arg(date, memo.isNull() ? QStringLiteral("NULL") : "'" + memo + "'", baidu, keyword));
    }

    ChartWindow *open()
    {
        delete std::exchange(m_window, new ChartWindow);
        return m_window->showTable("biji1", "优化网"), m_window;
    }

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }

    void init()
    {
        start();
        QSettings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin")).clear();
        addRow("2011-10-01", "提交外链", "收入155/反向31", "百度9/谷歌6");
        addRow("2011-10-08", "", "收入*/反向*", "百度7/谷歌");
        addRow("2011-10-15", QString(), "收入170/反向33", "无");
        addRow("2011-10-22", "改标题", "收入181/反向40", "百度3/谷歌4");
    }
    void cleanup() { delete std::exchange(m_window, nullptr), stop(); }

    void lines_data()
    {
        QTest::addColumn<QStringList>("checked"); // empty: as opened, the first observed item
        QTest::addColumn<QString>("rank");        // the item ticked as 名次
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("segments"); // of every line
        QTest::addColumn<QString>("axes"); // N normal, R reversed: counts against one, ranks the other
        const QStringList counts{"百度收入量·收入", "百度收入量·反向"}, keyword{"◆关键词1·百度", "◆关键词1·谷歌"};
        QTest::newRow("default") << QStringList() << "" << counts << 2 << "N";
        QTest::newRow("keyword ranks") << QStringList{"◆关键词1"} << "◆关键词1" << keyword << 2 << "R";
        QTest::newRow("counts and ranks") << QStringList{"百度收入量", "◆关键词1"} << "◆关键词1" << counts + keyword << 2 << "NR";
        QTest::newRow("bare numbers") << QStringList{"PR"} << "" << QStringList{"PR"} << 1 << "N";
        QTest::newRow("templates only give nothing") << QStringList{"谷歌收入量"} << "" << QStringList() << 0 << "";
    }

    void lines()
    {
        QFETCH(QStringList, checked);
        QFETCH(QString, rank);
        QFETCH(QStringList, names);
        QFETCH(int, segments);
        QFETCH(QString, axes);
        ChartWindow *w = open();
        QCOMPARE(w->checkedColumns(), QStringList{"百度收入量"});
        if (!checked.isEmpty())
            w->setColumnChecked("百度收入量", false);
        for (const QString &c : checked)
            w->setColumnChecked(c, true);
        if (!rank.isEmpty())
            w->setRank(rank, true);
        QCOMPARE(w->chart()->lineNames(), names);
        for (const QString &name : names)
            QCOMPARE(w->chart()->segmentCount(name), segments);
        QCOMPARE(QString(w->chart()->hasNormalAxis() ? "N" : "") + (w->chart()->hasReversedAxis() ? "R" : ""), axes);
        QCOMPARE(w->chart()->memoMarkerCount(), 2); // the two days with a memo
        if (!rank.isEmpty()) { // remembered for this table and item only
            QVERIFY(open()->isRank(rank) && !m_window->isRank("百度收入量"));
            QVERIFY(ChartWindow::rankSetting("biji1", rank) && !ChartWindow::rankSetting("biji2", rank));
            m_window->setRank(rank, false);
            QVERIFY(!ChartWindow::rankSetting("biji1", rank));
        }
        if (!checked.isEmpty())
            return;
        QCOMPARE(w->chart()->pointToolTip("百度收入量·反向", 0), QStringLiteral("2011-10-1\n百度收入量·反向：31"));
        QCOMPARE(w->chart()->pointToolTip("百度收入量·反向", 1), QString()); // a gap, not a zero
        QCOMPARE(w->chart()->memoToolTip(3), QStringLiteral("2011-10-22\n改标题"));
        QCOMPARE(w->chart()->memoToolTip(1), QString());
    }

    void followsTheTable_data()
    {
        QTest::addColumn<QString>("change"); // a statement, or what the field manager does
        QTest::addColumn<QString>("first");  // the first line then
        QTest::addColumn<int>("segments");   // of it
        QTest::newRow("row added") << "INSERT INTO biji1([时间],[百度收入量]) VALUES('2011-10-29','收入190/反向41')" << "百度收入量·收入" << 2;
        QTest::newRow("gap filled") << "UPDATE biji1 SET [百度收入量]='收入160/反向32' WHERE [时间]='2011-10-08'" << "百度收入量·收入" << 1;
        QTest::newRow("row deleted") << "DELETE FROM biji1 WHERE [时间]='2011-10-08'" << "百度收入量·收入" << 1;
        QTest::newRow("item renamed") << "rename" << "百度收录·收入" << 2;
        QTest::newRow("item dropped") << "drop" << "◆关键词1·百度" << 2;
    }

    void followsTheTable()
    {
        QFETCH(QString, change);
        QFETCH(QString, first);
        QFETCH(int, segments);
        ChartWindow *w = open();
        w->setColumnChecked("◆关键词1", true);
        w->setRank("百度收入量", true);
        if (change == "rename")
            db::Catalog(Database::connectionString).renameColumn("biji1", "百度收入量", "百度收录");
        else if (change == "drop")
            db::Catalog(Database::connectionString).dropColumn("biji1", "百度收入量");
        else
            m_db->exec(change);
        w->refresh();
        const QString counts = first.section("·", 0, 0); // the counts' item, when not dropped
        QCOMPARE(w->chart()->lineNames(), (change == "drop" ? QStringList() : QStringList({counts + "·收入", counts + "·反向"}))
                                              + QStringList({"◆关键词1·百度", "◆关键词1·谷歌"}));
        QCOMPARE(w->chart()->segmentCount(first), segments);
        if (change.startsWith("INSERT"))
            QCOMPARE(w->chart()->pointToolTip("百度收入量·收入", 4), QStringLiteral("2011-10-29\n百度收入量·收入：190"));
        // A renamed item keeps its 名次 and its place in the list; a dropped one is no longer ticked.
        QCOMPARE(w->isRank("百度收录"), change == "rename");
        QVERIFY(change != "rename" || (ChartWindow::rankSetting("biji1", "百度收录") && !ChartWindow::rankSetting("biji1", "百度收入量")));
        QCOMPARE(w->checkedColumns().contains("百度收入量"), change != "drop" && change != "rename");
    }

    void savedPicture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("file"); // in the test's folder
        QTest::newRow("chosen size") << QSize(640, 480) << "chart.png";
        QTest::newRow("unwritable: said so") << QSize(300, 200) << "no/such/folder/chart.png";
    }

    void savedPicture()
    {
        QFETCH(QSize, size);
        QFETCH(QString, file);
        const bool writable = !file.contains('/');
        QCOMPARE(open()->exportImage(m_db->dir() + "/" + file, size), writable);
        QCOMPARE(MessageBox::shown().size(), writable ? 0 : 1);
        QCOMPARE(MessageBox::shown().value(0).startsWith("无法保存图片"), !writable);
        QImageReader reader(m_db->dir() + "/" + file);
        QCOMPARE(QString::fromLatin1(reader.format()), writable ? "png" : "");
        const QImage picture = reader.read();
        QCOMPARE(picture.size(), writable ? size : QSize(0, 0));
        // Something is drawn: the picture is not one colour.
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 7)
            for (int x = 0; x < picture.width(); x += 7)
                colours.insert(picture.pixel(x, y));
        QVERIFY(colours.size() > 5 || !writable);
    }
};

QTEST_MAIN(TestChartWindow)
#include "tst_chartwindow.moc"
