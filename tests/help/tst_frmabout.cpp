// The about box: what it shows and where, one window at a time, and the keys
// that close it.
#include "core/Forms.h"
#include "help/frmAbout.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

namespace {

void dropClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

QPoint screenCentreFor(const QWidget *w)
{
    const QRect area = QGuiApplication::primaryScreen()->geometry();
    return QPoint(area.x() + (area.width() - w->width()) / 2, area.y() + (area.height() - w->height()) / 2);
}

} // namespace

class TestFrmAbout : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete Forms::loaded<frmAbout>();
        dropClosedWindows();
    }

    void window()
    {
        frmAbout *w = Forms::get<frmAbout>();
        QCOMPARE(w->windowTitle(), QStringLiteral("关于Tavorin"));
        QCOMPARE(w->size(), QSize(382, 237));
        QCOMPARE(w->minimumSize(), w->maximumSize());
        QCOMPARE(w->pos(), screenCentreFor(w));
        QVERIFY(w->cmdOK->isDefault());
        QCOMPARE(w->picIcon->pixmap().size(), QSize(60, 90));
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("picIcon") << "picIcon" << QString() << QRect(8, 16, 64, 94);
        QTest::newRow("lblTitle") << "lblTitle" << "Tavorin" << QRect(85, 16, 88, 21);
        QTest::newRow("lblVersion") << "lblVersion" << "V1.0" << QRect(185, 16, 44, 20);
        QTest::newRow("lblDescription") << "lblDescription" << "应用程序描述：" << QRect(85, 56, 84, 12);
        QTest::newRow("Label1") << "Label1" << "网站优化离不开数据分析，本软件根据优化人员的工作流程及需求设计。"
                                << QRect(85, 77, 289, 33);
        QTest::newRow("lblDisclaimer") << "lblDisclaimer" << "单位：Belmarsk" << QRect(16, 162, 108, 12);
        QTest::newRow("Label2") << "Label2" << QStringLiteral("网址：") + frmAbout::WebAddress << QRect(16, 182, 180, 12);
        QTest::newRow("Label3") << "Label3" << frmAbout::ContactLine << QRect(16, 203, 240, 12);
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QRect, geometry);
        auto *label = Forms::get<frmAbout>()->findChild<QLabel *>(name);
        QVERIFY(label);
        QCOMPARE(label->text(), text);
        QCOMPARE(label->pos(), geometry.topLeft());
        QCOMPARE(label->height(), geometry.height());
        // One-line labels may only grow, and only as far as their text needs.
        QVERIFY(label->width() >= geometry.width());
        if (label->width() > geometry.width()) {
            QVERIFY(!label->wordWrap());
            QCOMPARE(label->width(), label->sizeHint().width());
        }
        QVERIFY(label->geometry().right() < Forms::get<frmAbout>()->width());
    }

    void buttonAndSeparator()
    {
        frmAbout *w = Forms::get<frmAbout>();
        auto *ok = w->findChild<QPushButton *>(QStringLiteral("cmdOK"));
        QVERIFY(ok);
        QCOMPARE(ok->text(), QStringLiteral("关闭"));
        QCOMPARE(ok->geometry(), QRect(315, 200, 60, 23));
        auto *grey = w->findChild<QFrame *>(QStringLiteral("Line1_0"));
        auto *white = w->findChild<QFrame *>(QStringLiteral("Line1_1"));
        QVERIFY(grey && white);
        QCOMPARE(grey->y(), 144);
        QCOMPARE(grey->palette().color(QPalette::Window), QColor(128, 128, 128));
        QCOMPARE(white->height(), 2);
        QCOMPARE(white->palette().color(QPalette::Window), QColor(Qt::white));
    }

    void styles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<qreal>("points");
        QTest::addColumn<bool>("bold");
        const QColor highlight = QPalette().color(QPalette::Highlight);
        QTest::newRow("lblTitle") << "lblTitle" << highlight << 15.75 << true;
        QTest::newRow("lblVersion") << "lblVersion" << QColor(192, 0, 0) << 15.0 << true;
        QTest::newRow("lblDescription") << "lblDescription" << QColor(0, 0, 0) << 9.0 << false;
        QTest::newRow("lblDisclaimer") << "lblDisclaimer" << QColor(192, 64, 0) << 9.0 << false;
        QTest::newRow("Label2") << "Label2" << QColor(192, 0, 0) << 9.0 << false;
        QTest::newRow("Label3") << "Label3" << QColor(192, 0, 0) << 9.0 << false;
    }

    void styles()
    {
        QFETCH(QString, name);
        QFETCH(QColor, colour);
        QFETCH(qreal, points);
        QFETCH(bool, bold);
        auto *label = Forms::get<frmAbout>()->findChild<QLabel *>(name);
        QVERIFY(label);
        QCOMPARE(label->palette().color(QPalette::WindowText), colour);
        QCOMPARE(label->font().pointSizeF(), points);
        QCOMPARE(label->font().bold(), bold);
    }

    // A second reference while the box is open is the same window, left
    // where it is; once closed, the next one is new and centred again.
    void singleInstance()
    {
        frmAbout *first = Forms::get<frmAbout>();
        first->show();
        first->move(10, 10);
        QCOMPARE(Forms::get<frmAbout>(), first);
        Forms::get<frmAbout>()->show();
        QCOMPARE(first->pos(), QPoint(10, 10));

        QPointer<frmAbout> gone = first;
        first->cmdOK->click();
        dropClosedWindows();
        QVERIFY(gone.isNull());
        QVERIFY(!Forms::loaded<frmAbout>());
        frmAbout *second = Forms::get<frmAbout>();
        QCOMPARE(second->pos(), screenCentreFor(second));
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
        frmAbout *w = Forms::get<frmAbout>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QPointer<frmAbout> watch = w;
        QTest::keyClick(w, Qt::Key(key));
        dropClosedWindows();
        QVERIFY(watch.isNull());
        QVERIFY(!Forms::loaded<frmAbout>());
    }
};

QTEST_MAIN(TestFrmAbout)
#include "tst_frmabout.moc"
