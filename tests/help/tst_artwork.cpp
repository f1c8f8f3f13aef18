// The committed login artwork: the see-through key of the login window depends on where
// the artwork is exactly black.
#include <QFile>
#include <QImage>
#include <QTest>

namespace {

const QString loginPath = QStringLiteral(TAVORIN_RESOURCES_DIR "/login.png");

const QImage &login()
{
    static const QImage image = QImage(loginPath).convertToFormat(QImage::Format_ARGB32);
    return image;
}

} // namespace

class TestArtwork : public QObject {
    Q_OBJECT
private slots:
    // 8-bit RGBA of the window's size. Transparent pixels are pure black, so the colour key
    // removes them even where alpha is ignored; visible ones are never exactly black, so the key
    // punches no holes into the panel.
    void blackOnlyWhereSeeThrough()
    {
        QFile file(loginPath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.read(26).mid(24), QByteArray("\x08\x06", 2)); // IHDR: bit depth 8, truecolour with alpha
        QCOMPARE(login().size(), QSize(342, 308));
        for (int y = 0; y < login().height(); ++y)
            for (int x = 0; x < login().width(); ++x)
                if (const QRgb px = login().pixel(x, y); ((px & 0xFFFFFFu) == 0) != (qAlpha(px) == 0))
                    QFAIL(qPrintable(QStringLiteral("%1 at %2,%3").arg(qAlpha(px) ? "visible black" : "transparent colour").arg(x).arg(y)));
    }

    // The login window's click areas lie on solid panel; the corners and the space beside the
    // title tab are see-through.
    void areas_data()
    {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<int>("alpha");
        // The log-in area reaches past the right edge; what lies inside counts.
        QTest::newRow("Image1 log-in") << QRect(248, 120, 97, 73).intersected(QRect(0, 0, 342, 308)) << 255;
        QTest::newRow("Image2 exit") << QRect(256, 208, 57, 49) << 255;
        for (const QPoint corner : {QPoint(0, 0), QPoint(341, 0), QPoint(0, 307), QPoint(341, 307), QPoint(300, 10)})
            QTest::addRow("outside at %d,%d", corner.x(), corner.y()) << QRect(corner, QSize(1, 1)) << 0;
    }
    void areas()
    {
        QFETCH(QRect, area);
        QFETCH(int, alpha);
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                QVERIFY2(qAlpha(login().pixel(x, y)) == alpha, qPrintable(QStringLiteral("alpha at %1,%2").arg(x).arg(y)));
    }
};

QTEST_GUILESS_MAIN(TestArtwork)
#include "tst_artwork.moc"
