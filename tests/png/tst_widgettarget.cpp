// The decoder drawing into Qt widgets: the same pixels at the same place, compositing over
// what the widget shows, the target taking the picture's size, the persistent picture.
#include <QFrame>
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
    std::vector<ByteVector> out(static_cast<size_t>(rows), ByteVector(static_cast<size_t>(bytes)));
    for (int y = 0; y < rows; ++y)
        for (int i = 0; i < bytes; ++i)
            out[size_t(y)][size_t(i)] = uint8_t(i * 37 + y * 91 + 5);
    return out;
}

ByteVector palette(int entries)
{
    ByteVector p;
    for (int i = 0; i < entries; ++i) {
        p.push_back(uint8_t(i * 53));
        p.push_back(uint8_t(255 - i * 17));
        p.push_back(uint8_t(i * 29 + 7));
    }
    return p;
}

QWidget *makeWidget(QWidget *owner, QSize size, const QColor &colour)
{
    auto *w = new QWidget(owner);
    w->resize(size);
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, colour);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
    return w;
}

QRgb shown(QWidget *w, int x, int y) { return w->grab().toImage().pixel(x, y) & 0xFFFFFFu; }

} // namespace

class TestWidgetTarget : public QObject {
    Q_OBJECT
private slots:
    // Every output depth lands in the widget pixel for pixel as the bitmap holds it.
    void samePixelsAtTheSamePlace_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<int>("bits");
        const int w = 11, h = 3;
        QTest::newRow("1-bit grey") << pngFile({ihdr(w, h, 1, 0), idatOfRows(patternRows(h, 2))}) << 1;
        QTest::newRow("2-bit grey") << pngFile({ihdr(w, h, 2, 0), idatOfRows(patternRows(h, 3))}) << 8;
        QTest::newRow("4-bit palette")
            << pngFile({ihdr(w, h, 4, 3), chunk("PLTE", palette(16)), idatOfRows(patternRows(h, 6))}) << 4;
        QTest::newRow("8-bit palette")
            << pngFile({ihdr(w, h, 8, 3), chunk("PLTE", palette(256)), idatOfRows(patternRows(h, w))}) << 8;
        QTest::newRow("16-bit truecolour") << pngFile({ihdr(w, h, 16, 2), idatOfRows(patternRows(h, w * 6))}) << 24;
        QTest::newRow("RGBA, alpha not used") << pngFile({ihdr(w, h, 8, 6), idatOfRows(patternRows(h, w * 4))}) << 32;
    }
    void samePixelsAtTheSamePlace()
    {
        QFETCH(ByteVector, file);
        QFETCH(int, bits);
        QWidget owner;
        QWidget *target = makeWidget(&owner, QSize(20, 9), QColor(0x20, 0x40, 0x60));
        png::WidgetTarget picture(target);
        png::LoadPNG loader;
        loader.PicBox(&picture);
        loader.SetToBkgrnd(true, 3, 2);
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(loader.OutputBits(), bits);
        const png::Dib &dib = *loader.Bitmap();
        const QImage grabbed = target->grab().toImage();
        QCOMPARE(target->size(), QSize(20, 9)); // drawn as background: the widget keeps its size
        for (int y = 0; y < grabbed.height(); ++y) {
            for (int x = 0; x < grabbed.width(); ++x) {
                const bool inside = x >= 3 && x < 3 + dib.width() && y >= 2 && y < 2 + dib.height();
                const uint expected = inside ? dib.rgb(x - 3, y - 2) : 0x204060u;
                QCOMPARE(grabbed.pixel(x, y) & 0xFFFFFFu, expected);
            }
        }
    }

    // Translucent pixels blend with what the widget shows beneath them.
    void compositesOverTheWidget_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QList<uint>>("expected");
        // Pixels: black at alpha 128, orange at alpha 0, opaque (10, 20, 30), white at alpha 64.
        QTest::newRow("white") << QColor(Qt::white) << QList<uint>{0x7F7F7F, 0xFFFFFF, 0x0A141E, 0xFFFFFF};
        QTest::newRow("black") << QColor(Qt::black) << QList<uint>{0x000000, 0x000000, 0x0A141E, 0x404040};
    }
    void compositesOverTheWidget()
    {
        QFETCH(QColor, background);
        QFETCH(QList<uint>, expected);
        const ByteVector file = pngFile(
            {ihdr(4, 1, 8, 6), idatOfRows({ByteVector{0, 0, 0, 128, 200, 100, 50, 0, 10, 20, 30, 255, 255, 255, 255, 64}})});
        QWidget owner;
        QWidget *target = makeWidget(&owner, QSize(8, 3), background);
        png::WidgetTarget picture(target);
        png::LoadPNG loader;
        loader.PicBox(&picture);
        loader.SetToBkgrnd(true, 2, 1);
        loader.BackgroundPicture(&picture);
        loader.SetAlpha(true);
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(loader.OutputBits(), 24);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(uint(shown(target, 2 + i, 1)), expected[i]);
        QCOMPARE(uint(shown(target, 1, 1)), uint(background.rgb() & 0xFFFFFF));
    }

    // A second picture composites over the first one, which stays as the widget's picture.
    void pictureIsPersistentAndServesAsBackdrop()
    {
        QWidget owner;
        QWidget *target = makeWidget(&owner, QSize(4, 2), Qt::white);
        png::WidgetTarget picture(target);
        png::LoadPNG loader;
        loader.PicBox(&picture);
        loader.BackgroundPicture(&picture);
        loader.SetToBkgrnd(true, 0, 0);
        loader.SetAlpha(true);
        const ByteVector red = pngFile({ihdr(2, 1, 8, 2), idatOfRows({ByteVector{255, 0, 0, 255, 0, 0}})});
        loader.OpenPNGData(red.data(), red.size());
        picture.cls();
        QCOMPARE(shown(target, 1, 0), 0xFF0000u); // clearing keeps the picture
        const ByteVector veil = pngFile({ihdr(1, 1, 8, 6), idatOfRows({ByteVector{0, 0, 0, 128}})});
        loader.SetToBkgrnd(true, 1, 0);
        loader.OpenPNGData(veil.data(), veil.size());
        QCOMPARE(shown(target, 1, 0), 0x7F0000u);
        QCOMPARE(shown(target, 0, 0), 0xFF0000u);
        QCOMPARE(shown(target, 2, 0), 0xFFFFFFu);
    }

    // Drawn not as background, the widget takes the picture's size inside its border.
    void targetTakesThePictureSize_data()
    {
        QTest::addColumn<int>("border");
        QTest::newRow("no border") << 0;
        QTest::newRow("3-pixel border") << 3;
    }
    void targetTakesThePictureSize()
    {
        QFETCH(int, border);
        QWidget owner;
        auto *frame = new QFrame(&owner);
        frame->setFrameStyle(border ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
        frame->setLineWidth(border);
        frame->resize(40, 40);
        png::WidgetTarget picture(frame);
        picture.setScaleMode(png::WidgetTarget::Pixels);
        png::LoadPNG loader;
        loader.PicBox(&picture);
        loader.SetToBkgrnd(false);
        const ByteVector file = pngFile({ihdr(5, 2, 8, 2), idatOfRows(patternRows(2, 15))});
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(frame->contentsRect(), QRect(border, border, 5, 2));
        QCOMPARE(frame->size(), QSize(5 + 2 * border, 2 + 2 * border));
        QCOMPARE(picture.scaleMode(), png::WidgetTarget::Pixels);
        QCOMPARE(uint(shown(frame, border + 4, border + 1)), loader.Bitmap()->rgb(4, 1));
    }
};

QTEST_MAIN(TestWidgetTarget)
#include "tst_widgettarget.moc"
