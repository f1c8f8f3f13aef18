#pragma once

// Helpers shared by the main window's tests: a fresh database with chosen
// websites, the main window over it, and access to what the user sees.

#include "catalogue/FrmMain.h"
#include "catalogue/FrmStyleEdit.h"
#include "core/Application.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "tests/support/TestDb.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <functional>
#include <memory>

struct SiteSeed {
    QString name, url, date, memo; // date as ISO text
};

class MainWindowFixture {
public:
    std::unique_ptr<TestDb> db;

    // A new database holding the given websites, inserted in order (ids 1, 2, ...).
    void makeDb(const QList<SiteSeed> &sites = {})
    {
        reset();
        db = std::make_unique<TestDb>();
        for (const SiteSeed &s : sites)
            insert(s);
    }

    void insert(const SiteSeed &s, qint64 id = 0) const
    {
        auto q = [](QString t) { return t.replace(QLatin1Char('\''), QStringLiteral("''")); };
        db->exec(QStringLiteral("INSERT INTO Website (Webid, Webname, Weburl, Webtime, Webmemos) VALUES (%1, '%2', '%3', '%4', '%5')")
                     .arg(id ? QString::number(id) : QStringLiteral("NULL"), q(s.name), q(s.url), s.date, q(s.memo)));
    }

    int count(const QString &sql) const { return db->scalar(sql).toInt(); }
    QString text(const QString &sql) const { return db->scalar(sql).toString(); }

    // Websites siteN dated 2011-01-01 + N days: the list shows them newest first.
    static QList<SiteSeed> sitesByAge(int count)
    {
        QList<SiteSeed> sites;
        for (int i = 1; i <= count; ++i)
            sites << SiteSeed{QStringLiteral("site%1").arg(i), QStringLiteral("http://s%1.cn").arg(i),
                              QDate(2011, 1, 1).addDays(i).toString(Qt::ISODate), QStringLiteral("memo%1").arg(i)};
        return sites;
    }

    FrmMain *openWindow()
    {
        MessageBox::clearShown();
        FrmMain *w = Forms::get<FrmMain>();
        w->show();
        if (!QTest::qWaitForWindowExposed(w))
            qWarning("main window not exposed");
        return w;
    }

    // Unloads without the close question, as a test teardown should.
    void reset()
    {
        delete Forms::loaded<FrmMain>();
        delete Forms::loaded<FrmStyleEdit>();
        db.reset();
    }

    static FrmMain *w() { return Forms::loaded<FrmMain>(); }

    template <class T = QPushButton>
    static T *child(const QString &name) { return w()->findChild<T *>(name); }
    static bool enabled(const QString &name) { return child<QWidget>(name)->isEnabled(); }

    static void click(const QString &name, int times = 1)
    {
        QPushButton *b = child(name);
        QVERIFY2(b, qPrintable(name));
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(b, Qt::LeftButton);
    }

    static QAction *action(const QString &key) { return w()->findChild<QAction *>(key); }

    // Through the toolbar's own button, as the user presses it.
    static void trigger(const QString &key)
    {
        QAction *a = action(key);
        QVERIFY2(a, qPrintable(key));
        if (auto *button = qobject_cast<QToolButton *>(w()->Toolbar1->widgetForAction(a)))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            a->trigger();
    }

    static int gridRow() { return w()->DataGrid1->currentIndex().row(); }
    // The one message shown, as "text|title|buttons|icon".
    static QString onlyShown()
    {
        const auto all = MessageBox::shownDetails();
        if (all.size() != 1)
            return QStringLiteral("%1 messages").arg(all.size());
        return QStringLiteral("%1|%2|%3|%4").arg(all[0].text, all[0].title).arg(all[0].buttons).arg(all[0].icon);
    }
    static QString gridCell(int row, int column) { return w()->DataGrid1->model()->index(row, column).data().toString(); }
    static QStringList gridColumn(int column)
    {
        QStringList cells;
        for (int r = 0; r < w()->DataGrid1->model()->rowCount(); ++r)
            cells << gridCell(r, column);
        return cells;
    }

    // Types text as key presses; characters without a key of their own
    // (Chinese) arrive as an input method would deliver them.
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text) {
            if (c.unicode() < 0x80)
                QTest::keyClick(widget, c.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }

    static QString status() { return DbFunc::statusText(); }

    // Runs script on the edit dialog once it is shown modally, and closes it
    // (Cancel) if the script left it open, so that a failing test never hangs.
    static void whenEditDialogOpens(std::function<void(FrmStyleEdit *)> script)
    {
        QTimer::singleShot(0, [script] {
            FrmStyleEdit *dialog = Forms::loaded<FrmStyleEdit>();
            if (!dialog)
                return;
            dialog->activateWindow();
            (void)QTest::qWaitForWindowActive(dialog);
            script(dialog);
            if (Forms::loaded<FrmStyleEdit>() && dialog->isVisible())
                dialog->reject();
        });
    }
};

// Tests of windows need the program's event boundary, which shows database
// errors instead of letting them through, and a fixed locale for date texts.
#define TAVORIN_WINDOW_TEST_MAIN(TestClass)                                                                  \
    int main(int argc, char **argv)                                                                          \
    {                                                                                                        \
        Application app(argc, argv);                                                                         \
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));                                      \
        QTemporaryDir settingsDir;                                                                           \
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());               \
        TestClass tc;                                                                                        \
        QTEST_SET_MAIN_SOURCE_PATH                                                                           \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
