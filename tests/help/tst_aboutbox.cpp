// The about box: the logo loads from the resources, and the close button and the keys close
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

    void showsTheLogo() { QCOMPARE(Forms::get<AboutBox>()->iconLabel->pixmap().size(), QSize(60, 90)); }

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
