// Starting on a notebook of the original program: the conversion is offered;
// on OK the original is kept beside it under its new name and an old account
// logs in to the main window listing the websites; on Cancel nothing changes.
#include "SampleNotebook.h"
#include "accounts/LoginWindow.h"
#include "catalogue/MainWindow.h"
#include "catalogue/WebsiteBrowser.h"
#include "core/DatabaseLocation.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Startup.h"
#include "exchange/AccessImport.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <QtWidgets>


class TestAccessStart : public QObject {
    Q_OBJECT
private slots:
    void startOnAccessNotebook_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("convert") << int(MessageBox::Ok);
        QTest::newRow("cancel") << int(MessageBox::Cancel);
    }
    void startOnAccessNotebook()
    {
        QFETCH(int, answer);
        TestDb t(false);
        QVERIFY(QDir().mkpath("data"));
        const QVector<jetfile::Table> tables = jetfile::sampleNotebook({5, 3, 20});
        const QByteArray original = jetfile::write(tables);
        writeFile("data/mybook.mdb", original);
        const DatabaseLocation location = DatabaseLocation::find(DatabaseLocation::processInputs(QString()));
        QCOMPARE(QFileInfo(location.path()), QFileInfo("data/mybook.mdb"));

        MessageBox::setNextAnswer(MessageBox::Button(answer));
        AccessImport::offerAtStart(location);
        QCOMPARE(MessageBox::shown().value(0), "这是旧版（Access）记事本，是否转换为 Tavorin 记事本？原文件将原样保留。");
        const QString kept = "data/mybook-access-" + QDate::currentDate().toString(Qt::ISODate) + ".mdb";
        if (answer == MessageBox::Cancel) {
            QCOMPARE(fileBytes("data/mybook.mdb"), original);
            QCOMPARE(QDir("data").entryList(QDir::Files), QStringList{"mybook.mdb"});
            return;
        }
        QCOMPARE(fileBytes(kept), original);
        QVERIFY(MessageBox::shown().value(1).contains(QDir::toNativeSeparators(QFileInfo(kept).absoluteFilePath())));

        Startup::openNotebook(location);
        LoginWindow *login = Forms::get<LoginWindow>();
        QObject::connect(login, &LoginWindow::loggedIn, [] { Forms::get<MainWindow>()->show(); });
        login->show();
        login->userBox->setText("张三"); // typed through an input method
        login->passwordBox->setText("秘密mima");
        QTest::keyClick(login->passwordBox, Qt::Key_Return);
        MainWindow *main = Forms::loaded<MainWindow>();
        QVERIFY2(main && main->isVisible(), qPrintable(MessageBox::shown().join('|')));
        QCOMPARE(main->browser->grid->model()->rowCount(), tables[1].rows.size() - tables[1].deleted.size());
        main->close();
    }
};

QTEST_MAIN(TestAccessStart)
#include "tst_accessstart.moc"
