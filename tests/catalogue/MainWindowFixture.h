#pragma once

// Helpers shared by the main window's tests: a fresh database with chosen
// websites, the main window over it, and access to what the user sees.

#include "catalogue/MainWindow.h"
#include "catalogue/SearchPanel.h"
#include "catalogue/WebsiteBrowser.h"
#include "catalogue/WebsiteDetails.h"
#include "catalogue/WebsiteDialog.h"
#include "core/Application.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "tests/support/TestDb.h"

#include <QTest>
#include <QtWidgets>

#include <memory>

struct SiteSeed {
    QString name, url, date, memo; // date as ISO text
};

struct DialogSeen {
    bool opened = false, stillOpen = false;
    QString focus, memoLeft;     // memoLeft: the memo box after OK or Cancel
    QStringList boxes, messages; // boxes: caption, name, url, date, memo as the dialog opened
};

// In a typed row: leave the box as the dialog filled it.
inline const QString Keep = QStringLiteral("<keep>");

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
        // Without an id the database numbers the row (a server refuses an explicit NULL there).
        db->exec(QStringLiteral("INSERT INTO Website (%1Webname, Weburl, Webtime, Webmemos) VALUES (%2'%3', '%4', '%5', '%6')")
                     .arg(id ? QStringLiteral("Webid, ") : QString(), id ? QString::number(id) + QStringLiteral(", ") : QString(),
                          q(s.name), q(s.url), s.date, q(s.memo)));
    }

    int count(const QString &sql) const { return db->scalar(sql).toInt(); }
    QString text(const QString &sql) const { return db->scalar(sql).toString(); }
    QStringList storedSite(int id) const
    {
        return text(QStringLiteral("SELECT Webname||'|'||Weburl||'|'||Webtime||'|'||Webmemos FROM Website WHERE Webid=%1").arg(id))
            .split(QLatin1Char('|'));
    }

    // Websites siteN dated 2011-01-01 + N days: the list shows them newest first.
    static QList<SiteSeed> sitesByAge(int count)
    {
        QList<SiteSeed> sites;
        for (int i = 1; i <= count; ++i)
            sites << SiteSeed{QStringLiteral("site%1").arg(i), QStringLiteral("http://s%1.cn").arg(i),
                              QDate(2011, 1, 1).addDays(i).toString(Qt::ISODate), QStringLiteral("memo%1").arg(i)};
        return sites;
    }

    static void openWindow() { MessageBox::clearShown(); Forms::get<MainWindow>()->show(); }

    // Unloads without the close question, as a test teardown should.
    void reset() { delete Forms::loaded<MainWindow>(); delete Forms::loaded<WebsiteDialog>(); db.reset(); }

    static MainWindow *w() { return Forms::loaded<MainWindow>(); }
    static bool enabled(const QString &name) { return w()->findChild<QWidget *>(name)->isEnabled(); }
    static void click(const QString &name, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            QTest::mouseClick(w()->findChild<QPushButton *>(name), Qt::LeftButton);
    }
    static QAction *action(const QString &key) { return w()->findChild<QAction *>(key); }
    static void trigger(const QString &key) { action(key)->trigger(); }
    static int gridRow() { return w()->browser->grid->currentIndex().row(); }
    static QStringList gridColumn(int column)
    {
        QStringList cells;
        for (int r = 0; r < w()->browser->grid->model()->rowCount(); ++r)
            cells << w()->browser->grid->model()->index(r, column).data().toString();
        return cells;
    }
    // The one message shown, as "text|title|buttons|icon".
    static QString onlyShown()
    {
        const auto all = MessageBox::shownDetails();
        return all.size() != 1 ? QStringLiteral("%1 messages").arg(all.size()) : QStringLiteral("%1|%2|%3|%4").arg(all[0].text, all[0].title).arg(all[0].buttons).arg(all[0].icon);
    }
    // Types text key by key, each character as a keyboard or an input method delivers it.
    static void type(QWidget *widget, const QString &text)
    {
        for (const QChar c : text)
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
    static QString status() { return Database::statusText(); }

    // Opens the website dialog with the toolbar key, types the four boxes,
    // presses OK (or Cancel) and records what the user saw. The dialog is
    // modal, so this runs once it shows; whatever stays open is cancelled, so
    // that a failing test never hangs.
    static DialogSeen runDialog(const QString &key, const QStringList &typed, bool ok = true)
    {
        DialogSeen seen;
        QTimer::singleShot(0, [&seen, typed, ok] {
            WebsiteDialog *d = Forms::loaded<WebsiteDialog>();
            if (!d)
                return;
            seen.opened = true;
            seen.boxes = {d->windowTitle(), d->nameBox->text(), d->addressBox->text(), d->dateBox->text(), d->memoBox->toPlainText()};
            QLineEdit *lines[] = {d->nameBox, d->addressBox, d->dateBox};
            for (int i = 0; i < qMin(3, typed.size()); ++i)
                if (typed[i] != Keep) { lines[i]->clear(); type(lines[i], typed[i]); }
            if (typed.value(3, Keep) != Keep)
                d->memoBox->setPlainText(typed[3]);
            MessageBox::clearShown();
            QTest::mouseClick(ok ? d->okButton : d->cancelButton, Qt::LeftButton);
            seen.messages = MessageBox::shown();
            seen.stillOpen = d->isVisible();
            seen.memoLeft = d->memoBox->toPlainText();
            seen.focus = d->focusWidget() ? d->focusWidget()->objectName() : QString();
            if (d->isVisible())
                d->reject();
        });
        trigger(key);
        return seen;
    }
};

// Window tests need the program's event boundary (and its Chinese Qt texts).
template <class TestClass> int windowTestMain(int argc, char **argv)
{
    Application app(argc, argv);
    QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    TestClass tc;
    return QTest::qExec(&tc, argc, argv);
}
#define TAVORIN_WINDOW_TEST_MAIN(TestClass) int main(int argc, char **argv) { return windowTestMain<TestClass>(argc, argv); }
