// The import preview: what it shows, the mapping it starts from and the one
// the user picks, and what an import writes or, refused, leaves alone.
#include "tests/exchange/ExchangeFixture.h"

#include "core/FileDialog.h"
#include "core/MessageBox.h"
#include "notes/ImportDialog.h"

#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>

class TestImportDialog : public QObject, private ExchangeFixture {
    Q_OBJECT

    QString writeCsv(const QByteArray &bytes) { return writeFile(m_db->dir() + "/in.csv", bytes); }

    static QByteArray twelveRows()
    {
        QByteArray csv = "AutoId,时间,pr,备注,◆关键词2,\"a,b\"\r\n";
        for (int d = 1; d <= 12; ++d)
            csv += QByteArray::number(d) + ",2011-10-" + QByteArray::number(d) + "," + QByteArray::number(d % 5)
                   + ",\"第" + QByteArray::number(d) + "天\",百度" + QByteArray::number(d) + "/谷歌2,x\r\n";
        return csv;
    }

    ImportDialog *dialogFor(const QByteArray &bytes)
    {
        auto *d = new ImportDialog;
        d->notesTable = "biji1";
        if (!d->load(writeCsv(bytes), "优化网")) {
            delete d;
            return nullptr;
        }
        return d;
    }

private slots:
    void init() { start(); }
    void cleanup() { stop(); }

    void preview()
    {
        std::unique_ptr<ImportDialog> d(dialogFor(twelveRows()));
        QVERIFY(d);
        auto *grid = d->findChild<QTableWidget *>("previewGrid");
        QCOMPARE(grid->rowCount(), ImportDialog::PreviewRows);
        QCOMPARE(grid->columnCount(), 6);
        QCOMPARE(grid->horizontalHeaderItem(4)->text(), QStringLiteral("◆关键词2"));
        QCOMPARE(grid->item(9, 3)->text(), QStringLiteral("第10天"));
        QVERIFY(d->findChild<QLabel *>("importSummary")->text().contains("共有 12 条记录"));
        // Matched by name, case aside; the row key and an unacceptable name skipped; a new name offered.
        const QStringList expected{"（跳过）", "时间", "PR", "备注", "新建字段“◆关键词2”", "（跳过）"};
        for (int c = 0; c < expected.size(); ++c) {
            QCOMPARE(d->mappingBox(c)->currentText(), expected[c]);
            QVERIFY(!d->mappingBox(c)->accessibleName().isEmpty());
        }
    }

    void importAll_data()
    {
        QTest::addColumn<QString>("keyword2"); // what column 4 is set to
        QTest::addColumn<QByteArray>("day11"); // the 11th row's date
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("added"); // to the table's columns
        QTest::newRow("new column created") << "新建字段“◆关键词2”" << QByteArray("2011-10-11") << "导入成功：12 条记录"
                                            << QStringList{"◆关键词2"};
        QTest::newRow("into another column") << "◆关键词1" << QByteArray("2011-10-11") << "导入成功：12 条记录" << QStringList();
        QTest::newRow("skipped") << "（跳过）" << QByteArray("2011-10-11") << "导入成功：12 条记录" << QStringList();
        // Refused: the dialog stays so that the mapping can be changed; nothing is written.
        QTest::newRow("refused") << "新建字段“◆关键词2”" << QByteArray("2011-10-41")
                                 << "导入失败：第 12 行“时间”列：无法识别的日期“2011-10-41”" << QStringList();
    }

    void importAll()
    {
        QFETCH(QString, keyword2);
        QFETCH(QByteArray, day11);
        QFETCH(QString, message);
        QFETCH(QStringList, added);
        const bool refused = !message.startsWith("导入成功");
        ImportDialog *d = dialogFor(twelveRows().replace("2011-10-11", day11));
        QPointer<ImportDialog> alive(d);
        d->setAttribute(Qt::WA_DeleteOnClose);
        QSignalSpy imported(d, &ImportDialog::imported);
        d->show();
        d->mappingBox(4)->setCurrentText(keyword2);
        QTest::mouseClick(d->findChild<QPushButton *>("importRows"), Qt::LeftButton);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY2(MessageBox::shown().first().startsWith(message), qPrintable(MessageBox::shown().first()));
        QCOMPARE(imported.size(), refused ? 0 : 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(bool(alive) && d->isVisible(), refused);
        delete alive.data();
        QCOMPARE(columnNames("biji1"), QStringList({"AutoId", "时间", "备注", "百度收入量", "谷歌收入量", "雅虎收入量", "PR",
                                                    "◆关键词1"}) + added);
        QCOMPARE(m_db->scalar("SELECT count(*) FROM biji1").toInt(), refused ? 0 : 12);
        if (refused)
            return;
        QCOMPARE(imported.first().first().toString(), QStringLiteral("biji1"));
        QCOMPARE(m_db->scalar("SELECT [PR] FROM biji1 WHERE [时间]='2011-10-07'").toString(), QStringLiteral("2"));
        if (keyword2 == "◆关键词1")
            QCOMPARE(m_db->scalar("SELECT [◆关键词1] FROM biji1 WHERE [时间]='2011-10-07'").toString(),
                     QStringLiteral("百度7/谷歌2"));
    }

    // Chinese Excel's CSV is found to be GB18030 and shown so; the user may
    // switch, and a switch to an encoding the bytes are not is refused.
    void encoding()
    {
        std::unique_ptr<ImportDialog> d(dialogFor("\xCA\xB1\xBC\xE4,\xB1\xB8\xD7\xA2\r\n2011-10-1,\xB0\xD9\xB6\xC8\r\n"));
        auto *box = d->findChild<QComboBox *>("encodingBox");
        QCOMPARE(box->currentText(), QStringLiteral("GB18030（简体中文 Excel）"));
        QCOMPARE(d->findChild<QTableWidget *>("previewGrid")->item(0, 1)->text(), QStringLiteral("百度"));
        QCOMPARE(d->mappingBox(1)->currentText(), QStringLiteral("备注"));
        box->setCurrentIndex(0);
        QVERIFY2(MessageBox::shown().value(0).startsWith("无法按 UTF-8 读取：in.csv：第 1 行有不是 UTF-8 的字节"),
                 qPrintable(MessageBox::shown().value(0)));
        QCOMPARE(d->encoding(), exchange::Encoding::Gb18030);
        QCOMPARE(box->currentText(), QStringLiteral("GB18030（简体中文 Excel）"));
        d->show();
        QTest::mouseClick(d->findChild<QPushButton *>("importRows"), Qt::LeftButton);
        QCOMPARE(m_db->scalar("SELECT [备注] FROM biji1").toString(), QStringLiteral("百度"));
    }

    void menuCommand_data()
    {
        QTest::addColumn<int>("website");
        QTest::addColumn<int>("answer"); // to the question whether to create the table; 0: not asked
        QTest::addColumn<QByteArray>("file"); // empty: the file dialog is cancelled
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("message");
        QTest::newRow("table there") << 1 << 0 << twelveRows() << true << "";
        QTest::newRow("file dialog cancelled") << 1 << 0 << QByteArray() << false << "";
        QTest::newRow("GB18030 file") << 1 << 0 << QByteArray("\xCA\xB1\xBC\xE4\n2011-1-1\n") << true << "";
        QTest::newRow("neither UTF-8 nor GB18030") << 1 << 0 << QByteArray("a\n\xFF\n") << false
                                                   << "无法导入：in.csv：第 2 行有既不是 UTF-8 也不是 GB18030";
        QTest::newRow("more columns than a table holds") << 1 << 0 << QByteArray(2001, ',') + "\n" << false
                                                         << "无法导入：文件有 2002 列，超过了数据库一个表最多";
        QTest::newRow("table created first") << 2 << int(MessageBox::Ok) << twelveRows() << true << "表名不存在，是否要创建？";
        QTest::newRow("creation declined") << 2 << int(MessageBox::Cancel) << twelveRows() << false << "表名不存在，是否要创建？";
    }

    void menuCommand()
    {
        QFETCH(int, website);
        QFETCH(int, answer);
        QFETCH(QByteArray, file);
        QFETCH(bool, shown);
        QFETCH(QString, message);
        if (answer)
            MessageBox::setNextAnswer(MessageBox::Button(answer));
        // Declining the creation ends the command before the file is asked for.
        if (answer != MessageBox::Cancel)
            FileDialog::setNextPath(file.isEmpty() ? QString() : writeCsv(file));
        std::unique_ptr<ImportDialog> d(importNotesFromCsv(nullptr, website, "优化网"));
        QCOMPARE(bool(d), shown);
        if (!message.isEmpty())
            QVERIFY2(MessageBox::shown().value(0).startsWith(message), qPrintable(MessageBox::shown().value(0)));
        if (shown) {
            QCOMPARE(d->notesTable, QStringLiteral("biji%1").arg(website));
            QVERIFY(d->isVisible());
        }
        QCOMPARE(db::Catalog(Database::notebook).hasTable("biji2"), answer == MessageBox::Ok);
    }
};

QTEST_MAIN(TestImportDialog)
#include "tst_importdialog.moc"
