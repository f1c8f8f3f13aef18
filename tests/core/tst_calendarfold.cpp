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
        QTest::addColumn<QString>("focus");
        QTest::addColumn<int>("key"); // 0: none
        QTest::addColumn<bool>("shown");
        QTest::newRow("focus to another box") << "other" << 0 << false;
        QTest::newRow("focus into the calendar") << "calendar" << 0 << true;
        QTest::newRow("Esc in the date box") << "box" << int(Qt::Key_Escape) << false;
        QTest::newRow("Esc in the calendar") << "calendar" << int(Qt::Key_Escape) << false;
        QTest::newRow("another key in the date box") << "box" << int(Qt::Key_5) << true;
    }
    void foldsWhenFocusLeavesOrOnEsc()
    {
        QFETCH(QString, focus);
        QFETCH(int, key);
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
        (focus == "other" ? other : focus == "calendar" ? static_cast<QWidget *>(calendar) : box)->setFocus();
        if (key) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
            QCOMPARE(QApplication::focusWidget(), box); // Esc in the calendar gives the date box its focus back
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
