// The trend chart window over a notes table: the lines drawn from the cells,
// gaps, the rank axis and its remembered choice, hover texts, following the
// table as rows and items change, and the saved picture.
#include "tests/exchange/ExchangeFixture.h"

#include "charts/ChartWindow.h"
#include "charts/TrendChart.h"
#include "core/MessageBox.h"

#include <QImageReader>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QtWidgets>
#include <QtCharts>

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
        delete m_window;
        m_window = new ChartWindow;
        m_window->showTable("biji1", "优化网");
        return m_window;
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
    void cleanup()
    {
        delete m_window;
        m_window = nullptr;
        stop();
    }

    void lines_data()
    {
        QTest::addColumn<QStringList>("checked");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<int>>("segments");
        // The first observed item is drawn when the window opens.
        QTest::newRow("default") << QStringList() << QStringList{"百度收入量·收入", "百度收入量·反向"} << QList<int>{2, 2};
        QTest::newRow("keyword ranks") << QStringList{"◆关键词1"} << QStringList{"◆关键词1·百度", "◆关键词1·谷歌"}
                                       << QList<int>{2, 2};
        QTest::newRow("bare numbers") << QStringList{"PR"} << QStringList{"PR"} << QList<int>{1};
        QTest::newRow("templates only give nothing") << QStringList{"谷歌收入量"} << QStringList() << QList<int>();
    }

    void lines()
    {
        QFETCH(QStringList, checked);
        QFETCH(QStringList, names);
        QFETCH(QList<int>, segments);
        ChartWindow *w = open();
        QCOMPARE(w->checkedColumns(), QStringList{"百度收入量"});
        if (!checked.isEmpty()) {
            w->setColumnChecked("百度收入量", false);
            for (const QString &c : checked)
                w->setColumnChecked(c, true);
        }
        QCOMPARE(w->chart()->lineNames(), names);
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(w->chart()->segmentCount(names[i]), segments[i]);
        // The two days with a memo carry a marker.
        QCOMPARE(w->chart()->memoMarkerCount(), 2);
        QCOMPARE(w->chart()->memoToolTip(3), QStringLiteral("2011/10/22\n改标题"));
        QCOMPARE(w->chart()->memoToolTip(1), QString());
        if (checked.isEmpty()) { // hover texts; an empty cell is a gap, not a zero
            QCOMPARE(w->chart()->pointToolTip("百度收入量·反向", 0), QStringLiteral("2011/10/1\n百度收入量·反向：31"));
            QCOMPARE(w->chart()->pointToolTip("百度收入量·反向", 1), QString());
        }
    }

    void timeAxisTicks_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("days") << QDate(2026, 11, 2) << QDate(2026, 11, 5)
                              << QStringList{"2026/11/2", "2026/11/3", "2026/11/4", "2026/11/5"};
        QTest::newRow("Mondays") << QDate(2026, 11, 4) << QDate(2026, 12, 20)
                                 << QStringList{"2026/11/9", "2026/11/16", "2026/11/23", "2026/11/30", "2026/12/7", "2026/12/14"};
        QTest::newRow("months") << QDate(2026, 1, 15) << QDate(2026, 7, 20)
                                << QStringList{"2026年2月", "2026年3月", "2026年4月", "2026年5月", "2026年6月", "2026年7月"};
        QTest::newRow("years") << QDate(2018, 3, 1) << QDate(2026, 2, 1)
                               << QStringList{"2019年", "2020年", "2021年", "2022年", "2023年", "2024年", "2025年", "2026年"};
    }
    void timeAxisTicks()
    {
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        QStringList labels;
        for (const TrendChart::Tick &tick : TrendChart::ticks(first, last))
            labels << tick.label;
        QTEST(labels, "labels");
    }

    // At the window's size the legend names every line whole, the time axis
    // marks the chart's own days, and the memo markers of the first and last
    // days stand inside the plot.
    void readableAtTheDefaultSize()
    {
        ChartWindow *w = open();
        w->setColumnChecked("◆关键词1", true);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QChart *chart = w->chart()->findChild<QChartView *>("chartView")->chart();
        const QRectF legend = chart->legend()->geometry();
        QVERIFY(chart->geometry().contains(legend));
        for (QLegendMarker *m : chart->legend()->markers())
            QVERIFY2(QFontMetrics(m->font()).horizontalAdvance(m->label()) + 20 <= legend.width(), qPrintable(m->label()));
        auto *axis = qobject_cast<QCategoryAxis *>(chart->axes(Qt::Horizontal).value(0));
        QVERIFY(axis);
        QCOMPARE(axis->categoriesLabels(), QStringList({"2011/10/3", "2011/10/10", "2011/10/17"}));
        QAbstractSeries *memos = chart->series().last();
        for (const QDate &day : {QDate(2011, 10, 1), QDate(2011, 10, 22)}) {
            const QPointF at = chart->mapToPosition(QPointF(day.startOfDay().toMSecsSinceEpoch(), 1), memos);
            QVERIFY(chart->plotArea().adjusted(6, 0, -6, 0).contains(QPointF(at.x(), chart->plotArea().center().y())));
        }
    }

    void rankAxis()
    {
        ChartWindow *w = open();
        QVERIFY(w->chart()->hasNormalAxis());
        QVERIFY(!w->chart()->hasReversedAxis());
        w->setColumnChecked("◆关键词1", true);
        w->setRank("◆关键词1", true);
        // Counts against the normal axis, ranks against the reversed one.
        QVERIFY(w->chart()->hasNormalAxis());
        QVERIFY(w->chart()->hasReversedAxis());
        w->setColumnChecked("百度收入量", false);
        QVERIFY(!w->chart()->hasNormalAxis());

        // Remembered for this table and item only.
        open();
        QVERIFY(m_window->isRank("◆关键词1"));
        QVERIFY(!m_window->isRank("百度收入量"));
        QVERIFY(ChartWindow::rankSetting("biji1", "◆关键词1"));
        QVERIFY(!ChartWindow::rankSetting("biji2", "◆关键词1"));
        m_window->setRank("◆关键词1", false);
        QVERIFY(!ChartWindow::rankSetting("biji1", "◆关键词1"));
    }

    void followsTheTable_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<int>("segments"); // of the first name
        const QStringList both{"百度收入量·收入", "百度收入量·反向", "◆关键词1·百度", "◆关键词1·谷歌"};
        QTest::newRow("row added") << "add" << both << 2;
        QTest::newRow("row changed fills the gap") << "change" << both << 1;
        QTest::newRow("row deleted") << "delete" << both << 1;
        QTest::newRow("item renamed") << "rename" << QStringList{"百度收录·收入", "百度收录·反向", "◆关键词1·百度", "◆关键词1·谷歌"}
                                      << 2;
        QTest::newRow("item dropped") << "drop" << QStringList{"◆关键词1·百度", "◆关键词1·谷歌"} << 2;
    }

    void followsTheTable()
    {
        QFETCH(QString, change);
        QFETCH(QStringList, names);
        QFETCH(int, segments);
        ChartWindow *w = open();
        w->setColumnChecked("◆关键词1", true);
        w->setRank("百度收入量", true);
        db::Catalog catalog(Database::notebook);
        if (change == "add")
            addRow("2011-10-29", "", "收入190/反向41", "");
        else if (change == "change")
            m_db->exec("UPDATE biji1 SET [百度收入量]='收入160/反向32' WHERE [时间]='2011-10-08'");
        else if (change == "delete")
            m_db->exec("DELETE FROM biji1 WHERE [时间]='2011-10-08'");
        else if (change == "rename")
            catalog.renameColumn("biji1", "百度收入量", "百度收录");
        else
            catalog.dropColumn("biji1", "百度收入量");
        w->refresh();
        QCOMPARE(w->chart()->lineNames(), names);
        QCOMPARE(w->chart()->segmentCount(names.first()), segments);
        if (change == "add")
            QCOMPARE(w->chart()->pointToolTip("百度收入量·收入", 4), QStringLiteral("2011/10/29\n百度收入量·收入：190"));
        if (change == "rename") {
            // The renamed item keeps its 名次 and its place in the list.
            QVERIFY(w->isRank("百度收录"));
            QVERIFY(ChartWindow::rankSetting("biji1", "百度收录"));
            QVERIFY(!ChartWindow::rankSetting("biji1", "百度收入量"));
        }
        if (change == "drop")
            QVERIFY(!w->checkedColumns().contains("百度收入量"));
    }

    void savedPicture_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("folder"); // under the test's folder; one that is not there fails
        QTest::newRow("default size") << ChartWindow::defaultImageSize() << "";
        QTest::newRow("chosen size") << QSize(640, 480) << "";
        QTest::newRow("no such folder") << QSize(300, 200) << "/no/such/folder";
    }

    void savedPicture()
    {
        QFETCH(QSize, size);
        QFETCH(QString, folder);
        const QString path = m_db->dir() + folder + "/chart.png";
        QCOMPARE(open()->exportImage(path, size), folder.isEmpty());
        QCOMPARE(MessageBox::shown().size(), folder.isEmpty() ? 0 : 1);
        if (!folder.isEmpty()) {
            QVERIFY(MessageBox::shown().first().startsWith("无法保存图片"));
            return;
        }
        QImageReader reader(path);
        QCOMPARE(QString::fromLatin1(reader.format()), QStringLiteral("png"));
        const QImage picture = reader.read();
        QCOMPARE(picture.size(), size);
        // Something is drawn: the picture is not one colour.
        QSet<QRgb> colours;
        for (int y = 0; y < picture.height(); y += 7)
            for (int x = 0; x < picture.width(); x += 7)
                colours.insert(picture.pixel(x, y));
        QVERIFY(colours.size() > 5);
    }
};

QTEST_MAIN(TestChartWindow)
#include "tst_chartwindow.moc"
