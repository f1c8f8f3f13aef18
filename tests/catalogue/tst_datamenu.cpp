// The 数据 menu of the main window: where it stands, the website list
// exported whole or as searched, the import reaching the current website, and
// the client reports of the current website or of the list into a folder.
#include "MainWindowFixture.h"

#include "core/FileDialog.h"
#include "notes/ImportDialog.h"
#include "notes/ReportDialog.h"
#include "catalogue/SearchPanel.h"

#include <QDateEdit>
#include <QMenuBar>
#include <QRadioButton>
#include <QTimer>

class TstDataMenu : public QObject, private MainWindowFixture {
    Q_OBJECT

    static QByteArray fileBytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private slots:
    void init()
    {
        makeDb({{"优化网", "http://a.cn", "2011-03-01", ""}, {"Abc Shop", "http://shop.abc.cn", "2011-04-01", ""},
                {"谷歌站", "http://b.com", "2011-02-01", ""}});
        openWindow();
    }
    void cleanup() { reset(); }

    void menu()
    {
        QStringList titles;
        for (QAction *a : w()->menuBar()->actions())
            titles << a->text();
        QCOMPARE(titles, (QStringList{"系统管理(&S)", "数据(&D)", "帮助中心(&H)"}));
        QCOMPARE(action("exportWebsites")->text(), QStringLiteral("导出网站列表…"));
        QCOMPARE(action("importNotes")->text(), QStringLiteral("导入优化记录…"));
        QCOMPARE(action("clientReport")->text(), QStringLiteral("生成客户报告…"));
    }

    void exportWebsites_data()
    {
        QTest::addColumn<QString>("search");  // typed into the name search, empty: none
        QTest::addColumn<int>("answer");      // to "only the search result?", 0: not asked
        QTest::addColumn<int>("rows");
        QTest::newRow("whole list") << "" << 0 << 3;
        QTest::newRow("search result") << "站" << int(MessageBox::Yes) << 1;
        QTest::newRow("all despite a search") << "站" << int(MessageBox::No) << 3;
    }

    void exportWebsites()
    {
        QFETCH(QString, search);
        QFETCH(int, answer);
        QFETCH(int, rows);
        if (!search.isEmpty()) {
            w()->search->fieldList->setCurrentIndex(0);
            type(w()->search->textBox, search);
            click("cmdsou");
        }
        MessageBox::clearShown();
        if (answer)
            MessageBox::setNextAnswer(MessageBox::Button(answer));
        const QString out = db->dir() + "/sites.csv";
        FileDialog::setNextPath(out);
        trigger("exportWebsites");
        QStringList expected;
        if (answer)
            expected << "列表中是搜索到的 1 个网站。是否只导出这些网站？（选“否”导出全部网站）";
        expected << QStringLiteral("导出成功：%1 条记录已写入 sites.csv").arg(rows);
        QCOMPARE(MessageBox::shown(), expected);
        QCOMPARE(fileBytes(out).count("\r\n"), rows + 1);
    }

    void clientReports_data()
    {
        QTest::addColumn<QString>("search");
        QTest::addColumn<bool>("listed"); // every website listed, or the current one
        QTest::addColumn<QStringList>("sites");
        QTest::newRow("every website") << "" << true << QStringList{"Abc Shop", "优化网", "谷歌站"};
        QTest::newRow("the search result") << "站" << true << QStringList{"谷歌站"};
        QTest::newRow("the current website") << "" << false << QStringList{"Abc Shop"};
    }

    void clientReports()
    {
        QFETCH(QString, search);
        QFETCH(bool, listed);
        QFETCH(QStringList, sites);
        if (!search.isEmpty()) {
            w()->search->fieldList->setCurrentIndex(0);
            type(w()->search->textBox, search);
            click("cmdsou");
        }
        QStringList files;
        for (const QString &site : sites)
            files << site + " 2011-03-01 至 2011-03-31.pdf";
        const QString out = db->dir() + "/reports";
        QDir().mkpath(out);
        FileDialog::setNextPath(listed ? out : out + "/" + files.first());
        MessageBox::clearShown();
        QTimer::singleShot(0, this, [listed] {
            auto *dialog = qobject_cast<ReportDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->fromEdit->setDate(QDate(2011, 3, 1));
            dialog->toEdit->setDate(QDate(2011, 3, 31));
            (listed ? dialog->everyListed : dialog->currentOnly)->setChecked(true);
            dialog->accept();
        });
        trigger("clientReport");
        QCOMPARE(QDir(out).entryList(QDir::Files), files);
        QVERIFY2(MessageBox::shown().value(0).startsWith(listed ? QString("已生成 %1 份报告").arg(sites.size()) : "报告已保存"),
                 qPrintable(MessageBox::shown().join('|')));
    }

    void importReachesTheCurrentWebsite()
    {
        // The newest website (Abc Shop, id 2) is current; its notes table is made on request.
        const QString csv = db->dir() + "/in.csv";
        QFile f(csv);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("时间,PR\r\n2011-5-1,3\r\n");
        f.close();
        MessageBox::setNextAnswer(MessageBox::Ok);
        FileDialog::setNextPath(csv);
        trigger("importNotes");
        auto *dialog = QApplication::activeModalWidget() ? qobject_cast<ImportDialog *>(QApplication::activeModalWidget())
                                                         : w()->findChild<ImportDialog *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->notesTable, QStringLiteral("biji2"));
        QTest::mouseClick(dialog->findChild<QPushButton *>("importRows"), Qt::LeftButton);
        QVERIFY2(count("SELECT count(*) FROM biji2 WHERE [PR]='3'") == 1, qPrintable(MessageBox::shown().join('|')));
    }
};

TAVORIN_WINDOW_TEST_MAIN(TstDataMenu)
#include "tst_datamenu.moc"
