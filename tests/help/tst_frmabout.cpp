// The about box: one window at a time, centred when new, closed by its keys, and no text
// cut off whatever font stands in.
#include "core/Forms.h"
#include "help/frmAbout.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

static void dropClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

static QPoint centred(const QWidget *w)
{
    const QRect area = QGuiApplication::primaryScreen()->geometry();
    return QPoint(area.x() + (area.width() - w->width()) / 2, area.y() + (area.height() - w->height()) / 2);
}

class TestFrmAbout : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete Forms::loaded<frmAbout>();
        dropClosedWindows();
    }

    void nothingIsCutOff()
    {
        frmAbout *w = Forms::get<frmAbout>();
        QCOMPARE(w->picIcon->pixmap().size(), QSize(60, 90)); // the logo, from the resources
        for (const QLabel *label : w->findChildren<QLabel *>()) {
            QVERIFY2(label->wordWrap() || label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
            QVERIFY2(label->geometry().right() < w->width(), qPrintable(label->objectName()));
        }
        QVERIFY(!w->lblTitle->geometry().intersects(w->lblVersion->geometry()));
    }

    // A second reference while the box is open is the same window, left where it is; once
    // closed, the next one is new and centred again.
    void singleInstance()
    {
        frmAbout *first = Forms::get<frmAbout>();
        QCOMPARE(first->pos(), centred(first));
        first->show();
        first->move(10, 10);
        Forms::get<frmAbout>()->show();
        QCOMPARE(Forms::get<frmAbout>(), first);
        QCOMPARE(first->pos(), QPoint(10, 10));
        QPointer<frmAbout> gone = first;
        first->cmdOK->click();
        dropClosedWindows();
        QVERIFY(gone.isNull());
        QCOMPARE(Forms::get<frmAbout>()->pos(), centred(Forms::get<frmAbout>()));
    }

    void keysClose_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Enter") << int(Qt::Key_Return);
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
        QTest::newRow("Esc") << int(Qt::Key_Escape);
    }
    void keysClose()
    {
        QFETCH(int, key);
        QPointer<frmAbout> w = Forms::get<frmAbout>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTest::keyClick(w, Qt::Key(key));
        dropClosedWindows();
        QVERIFY(w.isNull());
        QVERIFY(!Forms::loaded<frmAbout>());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
