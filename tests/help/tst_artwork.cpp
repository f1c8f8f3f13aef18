// The committed login artwork and logo: the see-through key of the login
// window depends on where the artwork is exactly black.
#include <QFile>
#include <QImage>
#include <QTest>

namespace {

const QString resources = QStringLiteral(TAVORIN_RESOURCES_DIR);

const QImage &login()
{
    static const QImage image(resources + QStringLiteral("/login.png"));
    return image;
}

bool exactlyBlack(QRgb px) { return (px & 0x00ffffffu) == 0; }

int luminance(QRgb px) { return (qRed(px) * 299 + qGreen(px) * 587 + qBlue(px) * 114) / 1000; }

} // namespace

class TestArtwork : public QObject {
    Q_OBJECT
private slots:
    void loginIsRgbaOfWindowSize()
    {
        QFile file(resources + QStringLiteral("/login.png"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(26);
        QVERIFY(head.startsWith("\x89PNG\r\n\x1a\n"));
        QCOMPARE(head.mid(12, 4), QByteArray("IHDR"));
        QCOMPARE(quint8(head[24]), quint8(8)); // bit depth
        QCOMPARE(quint8(head[25]), quint8(6)); // truecolour with alpha
        QCOMPARE(login().size(), QSize(342, 308));
        QVERIFY(login().hasAlphaChannel());
    }

    // Transparent pixels are pure black, so the colour key removes them even
    // where alpha is ignored; visible pixels are never exactly black, so the
    // key never punches holes into the panel.
    void blackOnlyWhereSeeThrough()
    {
        const QImage img = login().convertToFormat(QImage::Format_ARGB32);
        int soft = 0;
        for (int y = 0; y < img.height(); ++y) {
            for (int x = 0; x < img.width(); ++x) {
                const QRgb px = img.pixel(x, y);
                if (qAlpha(px) == 0)
                    QVERIFY2(exactlyBlack(px), qPrintable(QStringLiteral("transparent but coloured at %1,%2").arg(x).arg(y)));
                else
                    QVERIFY2(!exactlyBlack(px), qPrintable(QStringLiteral("visible black at %1,%2").arg(x).arg(y)));
                if (qAlpha(px) > 0 && qAlpha(px) < 255)
                    ++soft;
            }
        }
        // Anti-aliased edges fade through the alpha channel.
        QVERIFY(soft > 200);
    }

    void keyPixels_data()
    {
        QTest::addColumn<QPoint>("at");
        QTest::addColumn<bool>("inside");
        QTest::newRow("top left corner") << QPoint(0, 0) << false;
        QTest::newRow("top right corner") << QPoint(341, 0) << false;
        QTest::newRow("bottom left corner") << QPoint(0, 307) << false;
        QTest::newRow("bottom right corner") << QPoint(341, 307) << false;
        QTest::newRow("beside the title tab") << QPoint(300, 10) << false;
        QTest::newRow("user name label") << QPoint(30, 146) << true;
        QTest::newRow("password label") << QPoint(30, 179) << true;
        QTest::newRow("panel middle") << QPoint(150, 230) << true;
        QTest::newRow("log-in button centre") << QPoint(296, 156) << true;
        QTest::newRow("exit button centre") << QPoint(284, 232) << true;
    }

    void keyPixels()
    {
        QFETCH(QPoint, at);
        QFETCH(bool, inside);
        const QRgb px = login().pixel(at);
        if (inside) {
            QCOMPARE(qAlpha(px), 255);
            QVERIFY(!exactlyBlack(px));
        } else {
            QCOMPARE(qAlpha(px), 0);
            QVERIFY(exactlyBlack(px));
        }
    }

    // The login window puts its click areas, labels and boxes at fixed
    // places; the artwork must be solid under all of them.
    void controlsLieOnThePanel_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<bool>("darkForWhiteText");
        // The log-in area reaches past the right edge; what lies inside counts.
        QTest::newRow("Image1 log-in") << QRect(248, 120, 97, 73).intersected(QRect(0, 0, 342, 308)) << false;
        QTest::newRow("Image2 exit") << QRect(256, 208, 57, 49) << false;
        QTest::newRow("Label1") << QRect(23, 140, 48, 12) << true;
        QTest::newRow("Label2") << QRect(23, 173, 48, 12) << true;
        QTest::newRow("txtUser") << QRect(80, 136, 145, 18) << false;
        QTest::newRow("txtPwd") << QRect(80, 168, 145, 18) << false;
    }

    void controlsLieOnThePanel()
    {
        QFETCH(QRect, area);
        QFETCH(bool, darkForWhiteText);
        qint64 light = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb px = login().pixel(x, y);
                QVERIFY2(qAlpha(px) == 255, qPrintable(QStringLiteral("not solid at %1,%2").arg(x).arg(y)));
                light += luminance(px);
            }
        }
        if (darkForWhiteText)
            QVERIFY(light / (area.width() * area.height()) < 90);
    }

    void logoFitsTheAboutBox()
    {
        const QImage logo(resources + QStringLiteral("/logo.png"));
        QCOMPARE(logo.size(), QSize(60, 90));
        QVERIFY(!logo.hasAlphaChannel() || logo.convertToFormat(QImage::Format_ARGB32).pixel(30, 45) >> 24 == 255);
    }
};

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
