// The login window: its checks and messages, the three-attempt limit, the
// report of a good login and the exit area; its look: the artwork in its own
// shape with the black around it see-through, and a plain, visible window in
// which login still works when the artwork is missing or damaged.
#include "accounts/LoginWindow.h"
#include "accounts/Account.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Password.h"
#include "core/Program.h"
#include "core/NameCompare.h"
#include "tests/support/TestDb.h"

#include <QTest>

#include <algorithm>
#include <QtWidgets>
#include <sodium.h>

namespace {

const QString artworkFile = QStringLiteral(TAVORIN_RESOURCES_DIR "/login.png");
const QString ThirdFailure = QStringLiteral("您已经三次尝试进入本系统，均不成功，系统将关闭");

// Good logins the window reported since the test began.
int logins = 0;

// Shown over a working folder whose img/login.png holds artwork, if any.
LoginWindow *openLogin(const QByteArray &artwork = {}, const QString &dir = {})
{
    if (!artwork.isEmpty() && QDir(dir).mkpath(QStringLiteral("img")))
        writeFile(dir + QStringLiteral("/img/login.png"), artwork);
    LoginWindow *w = Forms::get<LoginWindow>();
    if (!w->property("counted").toBool()) {
        w->setProperty("counted", true);
        QObject::connect(w, &LoginWindow::loggedIn, w, [w] {
            // Reported while the window is still up, so the next one can open first.
            if (w->isVisible())
                ++logins;
        });
    }
    w->show();
    return w;
}

// Types both boxes and presses Enter in one of them; returns the exit code
// the program ended with, or -1 when it goes on.
int attempt(LoginWindow *w, const QString &user, const QString &pwd, bool enterInUser = false)
{
    for (auto [box, text] : {std::pair{w->userBox, user}, std::pair{w->passwordBox, pwd}}) {
        box->clear();
        // What no key types (a NUL, half a surrogate pair) or an input method
        // delivers (full-width and accented letters) arrives as a paste does.
        if (std::any_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() == 0 || c.unicode() > 127; }))
            box->insert(text);
        else
            QTest::keyClicks(box, text);
    }
    try {
        QTest::keyClick(enterInUser ? w->userBox : w->passwordBox, enterInUser ? Qt::Key_Return : Qt::Key_Enter);
    } catch (const Program::Ended &e) {
        return e.exitCode;
    }
    return -1;
}

} // namespace

class TestLoginWindow : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        loginUser().clear();
        currentUser().clear();
        logins = 0;
    }
    void cleanup()
    {
        delete Forms::loaded<LoginWindow>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void loggedIn_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("pwd");
        QTest::addColumn<bool>("enterInUser");
        QTest::addColumn<QString>("current"); // the logged-in user's name and password
        QTest::newRow("Enter in the password box") << "admin" << "123456" << false << "admin|123456";
        QTest::newRow("Enter in the name box") << "admin" << "123456" << true << "admin|123456";
        QTest::newRow("blanks trimmed") << "  admin " << "  123456 " << false << "admin|123456";
        QTest::newRow("quotes") << "o'neil" << "it's" << false << "o'neil|it's";
        QTest::newRow("full-width name in other case") << "ＴＯＭ" << "pw1234" << false << "ＴＯＭ|pw1234";
        QTest::newRow("accented name in other case") << "CAFÉ" << "pw5678" << false << "CAFÉ|pw5678";
        QTest::newRow("hash of older limits made again") << "weak" << "weakpw" << false << "weak|weakpw";
    }
    void loggedIn()
    {
        QFETCH(QString, user);
        QFETCH(QString, pwd);
        QFETCH(bool, enterInUser);
        TestDb t;
        t.addUser("o'neil", "it's");
        t.addUser("ｔｏｍ", "pw1234");
        t.addUser("café", "pw5678");
        // A hash made with smaller limits than today's still logs in, and is
        // then stored again with today's.
        char weak[crypto_pwhash_STRBYTES];
        QVERIFY(crypto_pwhash_str(weak, "weakpw", 6, crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN) == 0);
        t.exec(QStringLiteral("INSERT INTO Users VALUES ('weak', '%1')").arg(QLatin1String(weak)));
        LoginWindow *w = openLogin();
        attempt(w, "nobody", "x"); // one failure first: a later success must not be held against it
        MessageBox::clearShown();
        QCOMPARE(attempt(w, user, pwd, enterInUser), -1);
        QCOMPARE(MessageBox::shown(), QStringList());
        QFETCH(QString, current);
        QCOMPARE(currentUser().userName(), current.section('|', 0, 0));
        QVERIFY(Password::verify(currentUser().userPwd(), current.section('|', 1)));
        // The account as stored: the typed name may differ from it in letter case.
        QString storedName;
        for (const char *name : {"admin", "o'neil", "ｔｏｍ", "café", "weak"})
            if (NameCompare::same(QString::fromUtf8(name), current.section('|', 0, 0).trimmed()))
                storedName = QString::fromUtf8(name);
        const QString stored = t.scalar(QStringLiteral("SELECT UserPwd FROM Users WHERE UserName = '%1'")
                                            .arg(storedName.replace("'", "''")))
                                   .toString();
        // Checked with libsodium itself: today's limits, the typed password, a new hash.
        const QByteArray hash = stored.toLatin1(), typed = current.section('|', 1).toUtf8();
        QVERIFY(stored != QLatin1String(weak) && crypto_pwhash_str_verify(hash.constData(), typed.constData(), typed.size()) == 0);
        QCOMPARE(crypto_pwhash_str_needs_rehash(hash.constData(), crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE), 0);
        QVERIFY(logins == 1 && !w->isVisible());
    }

    void thirdFailureEnds_data()
    {
        QTest::addColumn<QStringList>("attempts"); // user, password pairs
        QTest::addColumn<QStringList>("messages");
        // Names match whole and in any letter case, passwords exactly; a quote is part of the name.
        QTest::newRow("prefix, quote, password in other capitals") << QStringList{"adm", "123456", "o'x", "1", "BOB", "secret"}
                                                                   << QStringList{"用户名不存在", "用户名不存在", "密码错误", ThirdFailure};
        QTest::newRow("blank name, wrong password") << QStringList{"   ", "2", "admin", "654321", "x", "1"}
                                                    << QStringList{"用户名不存在", "密码错误", "用户名不存在", ThirdFailure};
        const QString nul = QStringLiteral("“%1”中含有空字符（U+0000），这个字符通常是粘贴时带进来的，不能保存，也不能用来查找。请删去这个字符后再试。");
        QTest::newRow("pasted NUL or invalid Unicode counts")
            << QStringList{QStringLiteral("adm") + QChar(0) + QStringLiteral("in"), "123456", "admin", QStringLiteral("12") + QChar(0xD800), "admin", QString(QChar(0))}
            << QStringList{nul.arg("用户名"),
                           QStringLiteral("“密码”中含有无效的 Unicode 字符（不成对的代理项 U+D800），这个字符通常是粘贴时带进来的，不能保存，也不能用来查找。请删去这个字符后再试。"),
                           nul.arg("密码"), ThirdFailure};
        QTest::newRow("empty boxes are not failures")
            << QStringList{"", "1", "x", "1", "admin", "", "y", "1", "z", "1"}
            << QStringList{"请输入用户名", "用户名不存在", "请输入密码", "用户名不存在", "用户名不存在", ThirdFailure};
    }
    void thirdFailureEnds()
    {
        QFETCH(QStringList, attempts);
        TestDb t;
        t.addUser("bob", "Secret");
        LoginWindow *w = openLogin();
        for (int i = 0; i < attempts.size(); i += 2)
            QCOMPARE(attempt(w, attempts[i], attempts[i + 1]), i + 2 == attempts.size() ? 0 : -1);
        QTEST(MessageBox::shown(), "messages");
        QVERIFY(!Database::connOpen() && logins == 0);
        QCOMPARE(currentUser().userName(), QString());
    }

    void missingDatabaseEndsAtFirstCheck()
    {
        TestDb t(false);
        LoginWindow *w = openLogin();
        QVERIFY(!Database::connOpen() && MessageBox::shown().isEmpty()); // showing the window needs no database
        QVERIFY(attempt(w, "admin", "123456") != -1);
        QCOMPARE(MessageBox::shown().size(), 1);
        QVERIFY(MessageBox::shown().constFirst().startsWith("数据库连接失败\n"));
    }

    void exitAreaEndsAtOnce()
    {
        TestDb t;
        QVERIFY_THROWS_EXCEPTION(Program::Ended, QTest::mouseClick(openLogin()->exitArea, Qt::LeftButton));
        QVERIFY(MessageBox::shown().isEmpty() && !Database::connOpen());
    }

    // Opaque artwork shows in its own colours, transparent artwork is cut away.
    void artworkInItsOwnShape()
    {
        TestDb t;
        LoginWindow *w = openLogin(fileBytes(artworkFile), t.dir());
        const QImage art = QImage(artworkFile).convertToFormat(QImage::Format_ARGB32);
        QVERIFY(w->artworkShown() && art.size() == w->size());
        const QImage shown = w->grab().toImage();
        const QRegion visible = w->mask(), controls = w->childrenRegion();
        int opaque = 0, cut = 0;
        for (int y = 0; y < art.height(); ++y) {
            for (int x = 0; x < art.width(); ++x) {
                const QPoint p(x, y);
                const int alpha = qAlpha(art.pixel(p));
                if (alpha == 0 || alpha == 255) // see-through exactly where transparent
                    QVERIFY2(visible.contains(p) == (alpha == 255), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                cut += alpha == 0;
                if (alpha == 255 && !controls.contains(p)) {
                    QCOMPARE(shown.pixel(p) & 0xFFFFFFu, art.pixel(p) & 0xFFFFFFu);
                    ++opaque;
                }
            }
        }
        // Both kinds make up a good part of the window.
        QVERIFY(opaque > 30000 && cut > 3000);
    }

    void plainWindowWithoutUsableArtwork_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file at all
        QTest::newRow("not a PNG") << QByteArray("<html>not an image</html>");
        QTest::newRow("cut off") << fileBytes(artworkFile).left(4000);
    }
    void plainWindowWithoutUsableArtwork()
    {
        QFETCH(QByteArray, file);
        TestDb t;
        LoginWindow *w = openLogin(file, t.dir());
        QVERIFY(!w->artworkShown() && w->mask().isEmpty());
        const QImage shown = w->grab().toImage();
        int black = 0;
        for (int i = 0; i < shown.width() * shown.height(); ++i)
            black += (shown.pixel(i % shown.width(), i / shown.width()) & 0xFFFFFFu) == 0;
        QVERIFY2(black < shown.width() * shown.height() / 20, qPrintable(QString::number(black)));
        QVERIFY(attempt(w, "admin", "123456") == -1 && logins == 1);
    }
};

QTEST_MAIN(TestLoginWindow)
#include "tst_loginwindow.moc"
