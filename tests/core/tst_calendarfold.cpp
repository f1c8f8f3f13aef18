// A drop-in calendar folds away when the focus moves on and on Esc, and Esc
// does not close the dialog it lies in.
#include "core/CalendarFold.h"

#include <QCalendarWidget>
#include <QDialog>
#include <QLineEdit>
#include <QTest>

class TestCalendarFold : public QObject {
    Q_OBJECT
private slots:
    void foldsWhenFocusLeavesOrOnEsc_data()
    {
        QTest::addColumn<QString>("step");
        QTest::addColumn<bool>("shown");
        QTest::newRow("focus to another box") << "other" << false;
        QTest::newRow("focus into the calendar") << "calendar" << true;
        QTest::newRow("Esc in the date box") << "esc box" << false;
        QTest::newRow("Esc in the calendar") << "esc calendar" << false;
        QTest::newRow("another key in the date box") << "key" << true;
    }
    void foldsWhenFocusLeavesOrOnEsc()
    {
        QFETCH(QString, step);
        QFETCH(bool, shown);
        QDialog dialog;
        auto *box = new QLineEdit(&dialog);
        auto *other = new QLineEdit(&dialog);
        other->move(0, 40);
        auto *calendar = new QCalendarWidget(&dialog);
        calendar->move(0, 80);
        new CalendarFold(box, calendar, &dialog);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        box->setFocus();
        calendar->show();

        if (step == "other") {
            other->setFocus();
        } else if (step == "calendar") {
            calendar->setFocus();
        } else if (step == "esc box") {
            QTest::keyClick(box, Qt::Key_Escape);
        } else if (step == "esc calendar") {
            calendar->setFocus();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QCOMPARE(QApplication::focusWidget(), box);
        } else {
            QTest::keyClick(box, Qt::Key_5);
        }
        QCOMPARE(calendar->isVisible(), shown);
        QVERIFY(dialog.isVisible());
        // Once folded, Esc is the dialog's again.
        if (!shown) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!dialog.isVisible());
        }
    }
};

QTEST_MAIN(TestCalendarFold)
#include "tst_calendarfold.moc"
