// The login window's look: the artwork in its own shape with the black around
// it see-through, and a plain, visible window in which login still works when
// the artwork is missing or damaged.
#include "accounts/FrmLogin.h"
#include "accounts/FrmUserEdit.h"
#include "accounts/Users.h"
#include "catalogue/FrmMain.h"
#include "core/Forms.h"
#include "tests/support/TestDb.h"

#include <QAbstractButton>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>

namespace {

const QString artworkFile = QStringLiteral(TAVORIN_RESOURCES_DIR "/login.png");

void putArtwork(const TestDb &t, const QByteArray &bytes)
{
    QDir(t.dir()).mkpath(QStringLiteral("img"));
    QFile f(t.dir() + QStringLiteral("/img/login.png"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray readArtwork()
{
    QFile f(artworkFile);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

FrmLogin *openLogin()
{
    FrmLogin *w = Forms::get<FrmLogin>();
    w->show();
    return w;
}

bool underAControl(FrmLogin *w, QPoint p)
{
    for (QWidget *child : w->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly))
        if (child->geometry().contains(p))
            return true;
    return false;
}

} // namespace

class TestLoginArtwork : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        delete Forms::loaded<FrmLogin>();
        delete Forms::loaded<FrmMain>();
        delete Forms::loaded<FrmUserEdit>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Opaque artwork shows in its own colours, transparent artwork is cut away.
    void artworkInItsOwnShape()
    {
        TestDb t;
        putArtwork(t, readArtwork());
        FrmLogin *w = openLogin();
        QVERIFY(w->artworkShown());
        const QImage art = QImage(artworkFile).convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(art.size(), w->size());
        const QImage shown = w->grab().toImage();
        const QRegion visible = w->mask();
        int opaque = 0, cut = 0;
        for (int y = 0; y < art.height(); ++y) {
            for (int x = 0; x < art.width(); ++x) {
                const QRgb px = art.pixel(x, y);
                if (qAlpha(px) == 0) {
                    QVERIFY2(!visible.contains(QPoint(x, y)), qPrintable(QStringLiteral("%1,%2 shows").arg(x).arg(y)));
                    ++cut;
                } else if (qAlpha(px) == 255) {
                    QVERIFY2(visible.contains(QPoint(x, y)), qPrintable(QStringLiteral("%1,%2 cut").arg(x).arg(y)));
                    if (!underAControl(w, QPoint(x, y))) {
                        QCOMPARE(shown.pixel(x, y) & 0xFFFFFFu, px & 0xFFFFFFu);
                        ++opaque;
                    }
                }
            }
        }
        // Both kinds make up a good part of the window.
        QVERIFY(opaque > 30000);
        QVERIFY(cut > 3000);
        QCOMPARE(w->txtUser->palette().color(QPalette::Text), QColor(22, 22, 22));
    }

    void plainWindowWithoutUsableArtwork_data()
    {
        QTest::addColumn<QByteArray>("file"); // empty: no file at all
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("not a PNG") << QByteArray("<html>not an image</html>");
        QTest::newRow("cut off") << readArtwork().left(4000);
        QImage clear(342, 308, QImage::Format_ARGB32);
        clear.fill(Qt::transparent);
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        clear.save(&buffer, "PNG");
        QTest::newRow("fully transparent") << bytes;
    }
    void plainWindowWithoutUsableArtwork()
    {
        QFETCH(QByteArray, file);
        TestDb t;
        if (!file.isEmpty())
            putArtwork(t, file);
        FrmLogin *w = openLogin();
        QVERIFY(!w->artworkShown());
        QVERIFY(w->mask().isEmpty());
        const QImage shown = w->grab().toImage();
        int black = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                black += (shown.pixel(x, y) & 0xFFFFFFu) == 0;
        QVERIFY2(black < shown.width() * shown.height() / 20, qPrintable(QString::number(black)));

        QTest::keyClicks(w->txtUser, QStringLiteral("admin"));
        QTest::keyClicks(w->txtPwd, QStringLiteral("123456"));
        QTest::mouseClick(w->Image1, Qt::LeftButton);
        QVERIFY(Forms::loaded<FrmMain>());
        QVERIFY(Forms::loaded<FrmMain>()->isVisible());
        QCOMPARE(CurUser().UserName(), QStringLiteral("admin"));
    }
};

QTEST_MAIN(TestLoginArtwork)
#include "tst_loginartwork.moc"
