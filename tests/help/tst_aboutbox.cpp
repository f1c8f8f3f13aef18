// The about box: the logo is decoded from the resources and shown, and the close button and the keys close
// the one window there is.
#include "core/Forms.h"
#include "help/AboutBox.h"

#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>

class TestAboutBox : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete Forms::loaded<AboutBox>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // The logo is drawn whole in its sunken frame: every pixel on screen is the logo's own, as
    // Qt's reader (the oracle here) reads the compiled-in file.
    void showsTheLogo()
    {
        AboutBox *box = Forms::get<AboutBox>();
        QCOMPARE(box->iconLabel->pixmap().size(), QSize(60, 90));
        const QImage logo = QImage(QStringLiteral(":/help/logo.png")).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(logo.size(), QSize(60, 90));
        const QImage shown = box->iconLabel->grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QPoint origin((shown.width() - 60) / 2, (shown.height() - 90) / 2);
        int wrong = 0;
        for (int y = 0; y < 90; ++y)
            for (int x = 0; x < 60; ++x)
                wrong += shown.pixel(origin + QPoint(x, y)) != logo.pixel(x, y);
        QCOMPARE(wrong, 0);
    }

    // A second reference while the box is open is the same window; the close button, Enter,
    // keypad Enter and Esc close it, and the next reference makes a new one.
    void closes_data()
    {
        QTest::addColumn<int>("key"); // 0: the close button
        QTest::newRow("close button") << 0;
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void closes()
    {
        QFETCH(int, key);
        QPointer<AboutBox> w = Forms::get<AboutBox>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(Forms::get<AboutBox>(), w.data());
        if (key)
            QTest::keyClick(w, Qt::Key(key));
        else
            w->okButton->click();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(w.isNull() && !Forms::loaded<AboutBox>()); // closed and gone from the forms
    }
};

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
