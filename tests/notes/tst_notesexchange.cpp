// The notes window's 走势图 and 导出: the buttons, the chart following the
// grid through row and column changes, and the export written.
#include "NotesFixture.h"

#include "charts/ChartWindow.h"
#include "charts/TrendChart.h"
#include "core/FileDialog.h"
#include "notes/NoteRecord.h"

#include <QSettings>
#include <QTemporaryDir>

class TestNotesExchange : public QObject, private NotesFixture {
    Q_OBJECT

    QTemporaryDir m_settings;

private slots:
    void initTestCase() { QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path()); }
    void init()
    {
        start();
        m_db->exec("INSERT INTO biji1([时间],[百度收入量]) VALUES('2011-10-01','收入155/反向31'),('2011-10-08','收入170/反向33')");
    }
    void cleanup()
    {
        delete Forms::loaded<ChartWindow>();
        stop();
    }

    void buttons()
    {
        NotesWindow *w = openNotes();
        QPushButton *fields = button(w, "Basecset");
        QPushButton *previous = fields;
        for (const auto &[name, caption] : {std::pair{"Cmd_Chart", "走势图"}, std::pair{"Cmd_Export", "导 出"}}) {
            QPushButton *b = button(w, name);
            QVERIFY(b);
            QCOMPARE(b->text(), QString::fromUtf8(caption));
            QCOMPARE(b->accessibleName(), QString::fromUtf8(caption));
            // In the command row, to the right of the one before, not overlapping it.
            QCOMPARE(b->y(), fields->y());
            QVERIFY(b->x() > previous->geometry().right());
            previous = b;
        }
    }

    void chartFollowsTheGrid()
    {
        NotesWindow *w = openNotes();
        button(w, "Cmd_Chart")->click();
        ChartWindow *chart = Forms::loaded<ChartWindow>();
        QVERIFY(chart && chart->isVisible());
        QCOMPARE(chart->notesTable, QStringLiteral("biji1"));
        QCOMPARE(chart->chart()->pointToolTip("百度收入量·收入", 1), QStringLiteral("2011/10/8\n百度收入量·收入：170"));

        // A row written and the grid refreshed, as the record editor does.
        m_db->exec("INSERT INTO biji1([时间],[百度收入量]) VALUES('2011-10-15','收入181/反向40')");
        w->requeryGrid();
        QCOMPARE(chart->chart()->pointToolTip("百度收入量·收入", 2), QStringLiteral("2011/10/15\n百度收入量·收入：181"));

        // A row deleted through the window.
        MessageBox::setNextAnswer(MessageBox::Yes);
        button(w, "Cmd_Del")->click();
        QCOMPARE(chart->chart()->pointToolTip("百度收入量·收入", 2), QString());

        // The item renamed in the field manager, then dropped.
        db::Catalog(Database::notebook).renameColumn("biji1", "百度收入量", "百度收录");
        w->requeryGrid();
        QCOMPARE(chart->chart()->lineNames(), (QStringList{"百度收录·收入", "百度收录·反向"}));
        db::Catalog(Database::notebook).dropColumn("biji1", "百度收录");
        w->requeryGrid();
        QCOMPARE(chart->chart()->lineNames(), QStringList());

        // The website's notes table going away closes the chart over it.
        closeWebsiteNotes("biji1");
        flushDeletes();
        QVERIFY(!Forms::loaded<ChartWindow>());
    }

    void exportButton_data()
    {
        QTest::addColumn<QString>("answer"); // the file name given, empty: cancelled
        QTest::addColumn<QString>("written");
        QTest::newRow("csv") << "out.csv" << "out.csv";
        QTest::newRow("xlsx") << "out.xlsx" << "out.xlsx";
        QTest::newRow("no suffix: the chosen type, Excel") << "out" << "out.xlsx";
        QTest::newRow("cancelled") << "" << "";
    }

    void exportButton()
    {
        QFETCH(QString, answer);
        QFETCH(QString, written);
        NotesWindow *w = openNotes();
        FileDialog::setNextPath(answer.isEmpty() ? QString() : m_db->dir() + "/" + answer);
        button(w, "Cmd_Export")->click();
        QVERIFY(FileDialog::lastSuggestion().endsWith("优化记录.xlsx"));
        if (written.isEmpty()) {
            QCOMPARE(MessageBox::shown(), QStringList());
            return;
        }
        QCOMPARE(MessageBox::shown(), QStringList{"导出成功：2 条记录已写入 " + written});
        QFile file(m_db->dir() + "/" + written);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray start = file.read(4);
        QCOMPARE(start, written.endsWith(".csv") ? QByteArray("\xEF\xBB\xBF\xE6") : QByteArray("PK\x03\x04"));
    }
};

QTEST_MAIN(TestNotesExchange)
#include "tst_notesexchange.moc"
