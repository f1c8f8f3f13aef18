// The decoder drawing into Qt widgets: the same pixels at the same place, compositing over
// what the widget shows, the persistent picture.
#include <QtTest>

#include "png/LoadPNG.h"
#include "png/qt/WidgetTarget.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

Q_DECLARE_METATYPE(ByteVector)

namespace {

// Rows of `bytes` bytes with a pattern that differs from pixel to pixel and row to row.
std::vector<ByteVector> patternRows(int rows, int bytes)
{
    std::vector<ByteVector> out(size_t(rows), ByteVector(static_cast<size_t>(bytes)));
    for (size_t i = 0; i < out.size() * size_t(bytes); ++i)
        out[i / size_t(bytes)][i % size_t(bytes)] = uint8_t(i * 37 + 5);
    return out;
}

// A widget filled with one colour, and a loader drawing into it as its background, over what
// it shows.
struct Scene {
    QWidget widget;
    png::WidgetTarget picture{&widget};
    png::LoadPNG loader;
    Scene(QSize size, const QColor &colour)
    {
        widget.resize(size);
        widget.setPalette(QPalette(colour)); // the window colour too
        widget.setAutoFillBackground(true);
        loader.PicBox(&picture);
        loader.BackgroundPicture(&picture);
        loader.SetAlpha(true);
    }
    void open(const ByteVector &file, int x, int y)
    {
        loader.SetToBkgrnd(true, x, y);
        loader.OpenPNGData(file.data(), file.size());
    }
    QRgb shown(int x, int y) { return widget.grab().toImage().pixel(x, y) & 0xFFFFFFu; }
};

} // namespace

class TestWidgetTarget : public QObject {
    Q_OBJECT
private slots:
    // The bitmap lands in the widget pixel for pixel at its offset, through the adapter's
    // indexed and 32-bit conversions (24-bit below); the bitmap itself is checked against libpng.
    void samePixelsAtTheSamePlace_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<int>("bits");
        QTest::newRow("4-bit palette")
            << pngFile({ihdr(11, 3, 4, 3), chunk("PLTE", patternRows(1, 48)[0]), idatOfRows(patternRows(3, 6))}) << 4;
        QTest::newRow("RGBA, alpha not used") << pngFile({ihdr(11, 3, 8, 6), idatOfRows(patternRows(3, 44))}) << 32;
    }
    void samePixelsAtTheSamePlace()
    {
        QFETCH(ByteVector, file);
        QFETCH(int, bits);
        Scene s(QSize(20, 9), QColor(0x20, 0x40, 0x60));
        s.loader.SetAlpha(false);
        s.open(file, 3, 2);
        QCOMPARE(s.loader.OutputBits(), bits);
        const png::Dib &dib = *s.loader.Bitmap();
        const QImage grabbed = s.widget.grab().toImage();
        QCOMPARE(grabbed.size(), QSize(20, 9)); // drawn as background: the widget keeps its size
        const QRect drawn(3, 2, dib.width(), dib.height());
        for (int y = 0; y < grabbed.height(); ++y)
            for (int x = 0; x < grabbed.width(); ++x)
                QCOMPARE(grabbed.pixel(x, y) & 0xFFFFFFu, drawn.contains(x, y) ? dib.rgb(x - 3, y - 2) : 0x204060u);
    }

    // Translucent pixels blend with what the widget shows beneath them; the result stays as the
    // widget's picture when it is cleared.
    void compositesOverTheWidget_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QList<uint>>("expected"); // from x = 1: the widget, then the picture
        // Pixels: black at alpha 128, orange at alpha 0, opaque (10, 20, 30), white at alpha 64.
        QTest::newRow("white") << QColor(Qt::white) << QList<uint>{0xFFFFFF, 0x7F7F7F, 0xFFFFFF, 0x0A141E, 0xFFFFFF};
        QTest::newRow("black") << QColor(Qt::black) << QList<uint>{0x000000, 0x000000, 0x000000, 0x0A141E, 0x404040};
    }
    void compositesOverTheWidget()
    {
        QFETCH(QColor, background);
        QFETCH(QList<uint>, expected);
        Scene s(QSize(8, 3), background);
        s.open(pngFile({ihdr(4, 1, 8, 6), idatOfRows({{0, 0, 0, 128, 200, 100, 50, 0, 10, 20, 30, 255, 255, 255, 255, 64}})}), 2, 1);
        QCOMPARE(s.loader.OutputBits(), 24);
        s.picture.cls(); // clearing keeps the picture
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(uint(s.shown(1 + i, 1)), expected[i]);
    }

    // A second picture composites over the first one, which stays as the widget's picture.
    void pictureIsPersistentAndServesAsBackdrop()
    {
        Scene s(QSize(4, 2), Qt::white);
        s.open(pngFile({ihdr(2, 1, 8, 2), idatOfRows({{255, 0, 0, 255, 0, 0}})}), 0, 0);
        s.open(pngFile({ihdr(1, 1, 8, 6), idatOfRows({{0, 0, 0, 128}})}), 1, 0);
        QCOMPARE(QList<QRgb>({s.shown(0, 0), s.shown(1, 0), s.shown(2, 0)}), QList<QRgb>({0xFF0000, 0x7F0000, 0xFFFFFF}));
    }
};

QTEST_MAIN(TestWidgetTarget)
#include "tst_widgettarget.moc"
