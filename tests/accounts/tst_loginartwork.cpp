// The login window's look: the artwork in its own shape with the black around
// it see-through, and a plain, visible window in which login still works when
// the artwork is missing or damaged.
#include "accounts/LoginWindow.h"
#include "core/Forms.h"
#include "tests/support/TestDb.h"

#include <QSignalSpy>
#include <QTest>
#include <QtWidgets>

namespace {

const QString artworkFile = QStringLiteral(TAVORIN_RESOURCES_DIR "/login.png");


// The login window over a working folder whose img/login.png holds bytes.
LoginWindow *openLogin(const TestDb &t, const QByteArray &bytes)
{
    QDir(t.dir()).mkpath(QStringLiteral("img"));
    if (!bytes.isEmpty())
        writeFile(t.dir() + QStringLiteral("/img/login.png"), bytes);
    LoginWindow *w = Forms::get<LoginWindow>();
    w->show();
    return w;
}

} // namespace

class TestLoginArtwork : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete Forms::loaded<LoginWindow>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opaque artwork shows in its own colours, transparent artwork is cut away.
    void artworkInItsOwnShape()
    {
        TestDb t;
        LoginWindow *w = openLogin(t, fileBytes(artworkFile));
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
        LoginWindow *w = openLogin(t, file);
        QVERIFY(!w->artworkShown() && w->mask().isEmpty());
        const QImage shown = w->grab().toImage();
        int black = 0;
        for (int i = 0; i < shown.width() * shown.height(); ++i)
            black += (shown.pixel(i % shown.width(), i / shown.width()) & 0xFFFFFFu) == 0;
        QVERIFY2(black < shown.width() * shown.height() / 20, qPrintable(QString::number(black)));
        QSignalSpy loggedIn(w, &LoginWindow::loggedIn);
        QTest::keyClicks(w->userBox, QStringLiteral("admin"));
        QTest::keyClicks(w->passwordBox, QStringLiteral("123456"));
        QTest::keyClick(w->passwordBox, Qt::Key_Return);
        QCOMPARE(loggedIn.count(), 1);
    }
};

QTEST_MAIN(TestLoginArtwork)
#include "tst_loginartwork.moc"
