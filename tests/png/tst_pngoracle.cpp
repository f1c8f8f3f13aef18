// Every picture libpng can read must come out of the loader with the pixels the conversion
// rules give: PngSuite and generated images, plain and composited.
#include <QDir>
#include <QtTest>

#include <random>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

namespace {

struct Mode {
    bool alpha = false;
    bool trans = false;
    uint32_t own = 0; // own background colour value (red + 256 green + 65536 blue)
};

unsigned rampStep(int depth)
{
    switch (depth) {
    case 1: return 255;
    case 2: return 85;
    case 4: return 17;
    default: return 1; // 8, and 16 reduced to its high byte
    }
}

uint32_t rgbOf(uint8_t r, uint8_t g, uint8_t b)
{
    return uint32_t(r) << 16 | uint32_t(g) << 8 | b;
}

// What the loader must show for pixel (x, y) of `d`, and its alpha.
uint32_t expected(const Decoded &d, uint32_t x, uint32_t y, bool composited, uint32_t background, int &alpha)
{
    const uint8_t *s = d.samples.data() + (size_t(y) * d.width + x) * d.channels;
    uint8_t r = 0, g = 0, b = 0;
    alpha = 255;
    switch (d.colorType) {
    case 0:
        r = g = b = uint8_t(s[0] * rampStep(d.depth));
        if (d.hasTrns) {
            const unsigned key = d.depth == 16 ? d.trnsColour.gray >> 8 : d.trnsColour.gray & 0xFF;
            if (s[0] == key)
                alpha = 0;
        }
        break;
    case 2:
        r = s[0], g = s[1], b = s[2];
        if (d.hasTrns) {
            auto key = [&](uint16_t v) { return d.depth == 16 ? v >> 8 : v & 0xFF; };
            if (r == key(d.trnsColour.red) && g == key(d.trnsColour.green) && b == key(d.trnsColour.blue))
                alpha = 0;
        }
        break;
    case 3:
        // A 1-bit bitmap takes its two colours from a palette of exactly two, else black and white.
        if (!composited && d.depth == 1 && !d.interlace && d.palette.size() != 2)
            r = g = b = s[0] ? 255 : 0;
        else if (s[0] < d.palette.size())
            r = d.palette[s[0]].red, g = d.palette[s[0]].green, b = d.palette[s[0]].blue;
        if (s[0] < d.trnsAlpha.size())
            alpha = d.trnsAlpha[s[0]];
        break;
    case 4:
        r = g = b = s[0];
        alpha = s[1];
        break;
    case 6:
        r = s[0], g = s[1], b = s[2];
        alpha = s[3];
        break;
    }
    if (!composited)
        return rgbOf(r, g, b);
    const uint8_t br = uint8_t(background), bgc = uint8_t(background >> 8), bb = uint8_t(background >> 16);
    auto mix = [&](unsigned img, unsigned bk) -> uint8_t {
        if (alpha == 255)
            return uint8_t(img);
        if (alpha == 0)
            return uint8_t(bk);
        return uint8_t((img * unsigned(alpha) + bk * (255u - unsigned(alpha)) + 255u) >> 8);
    };
    return rgbOf(mix(r, br), mix(g, bgc), mix(b, bb));
}

// Decodes `file` with both libpng and the loader in `mode` and compares every pixel.
void compareWithLibpng(const ByteVector &file, const Mode &mode)
{
    const Decoded d = libpngDecode(file);
    QVERIFY2(d.ok, "libpng rejects the picture");

    png::LoadPNG loader;
    png::MemoryCanvas target;
    loader.PicBox(&target);
    loader.SetToBkgrnd(true, 0, 0);
    loader.SetAlpha(mode.alpha);
    loader.SetTrans(mode.trans);
    loader.SetOwnBkgndColor(mode.own != 0, mode.own);
    loader.OpenPNGData(file.data(), file.size());
    QCOMPARE(loader.ErrorNumber(), 0);
    QCOMPARE(uint32_t(loader.Width()), d.width);
    QCOMPARE(uint32_t(loader.Height()), d.height);

    const bool hasAlpha = d.colorType == 4 || d.colorType == 6;
    const bool composited = (hasAlpha && mode.alpha) || (!hasAlpha && d.hasTrns && mode.trans);
    int bits = 24;
    if (!composited) {
        if (d.colorType == 0 || d.colorType == 3)
            bits = (!d.interlace && (d.depth == 1 || d.depth == 4 || d.depth == 8)) ? d.depth : 8;
        else if (hasAlpha)
            bits = 32;
    }
    QCOMPARE(loader.OutputBits(), bits);
    QCOMPARE(loader.HaveAlpha(), hasAlpha ? -1 : 0);
    QCOMPARE(target.draws(), 1);
    QVERIFY(target.lastDrawn().has_value());
    const png::Dib &dib = *target.lastDrawn();
    QCOMPARE(dib.width(), int32_t(d.width));
    QCOMPARE(dib.height(), int32_t(d.height));
    QCOMPARE(dib.bits.size(), dib.stride() * d.height);

    const uint32_t background = mode.own ? mode.own : uint32_t(loader.BkgdColor());
    for (uint32_t y = 0; y < d.height; ++y) {
        for (uint32_t x = 0; x < d.width; ++x) {
            int alpha = 255;
            const uint32_t want = expected(d, x, y, composited, background, alpha);
            const uint32_t got = dib.rgb(int32_t(x), int32_t(y));
            if (got != want)
                QFAIL(qPrintable(QString("pixel %1,%2 is %3, want %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(got, 6, 16, QChar('0'))
                                     .arg(want, 6, 16, QChar('0'))));
            if (bits == 32 && int(dib.value(int32_t(x), int32_t(y)) >> 24) != alpha)
                QFAIL(qPrintable(QString("alpha of pixel %1,%2").arg(x).arg(y)));
        }
    }
}

ByteVector readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QByteArray b = f.readAll();
    return ByteVector(b.begin(), b.end());
}

// Packs sample values (one per entry) into a PNG row of `depth`-bit samples.
ByteVector pack(const std::vector<unsigned> &samples, int depth)
{
    ByteVector row;
    if (depth == 16) {
        for (unsigned s : samples) {
            row.push_back(uint8_t(s >> 8));
            row.push_back(uint8_t(s));
        }
        return row;
    }
    row.assign((samples.size() * depth + 7) / 8, 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        const size_t bit = i * depth;
        row[bit / 8] |= uint8_t(samples[i] << (8 - depth - bit % 8));
    }
    return row;
}

} // namespace

class TestPngOracle : public QObject {
    Q_OBJECT

private slots:
    void pngSuite_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<bool>("trans");
        QTest::addColumn<uint>("own");
        const QDir dir(PNGSUITE_DIR);
        const QStringList files = dir.entryList({"*.png"}, QDir::Files, QDir::Name);
        QVERIFY(files.size() > 100);
        for (const QString &name : files) {
            if (name.startsWith('x'))
                continue;
            const QString path = dir.filePath(name);
            QTest::newRow(qPrintable(name + " plain")) << path << false << false << 0u;
            QTest::newRow(qPrintable(name + " over own colour")) << path << true << true << 0x336699u;
            QTest::newRow(qPrintable(name + " over bKGD")) << path << true << true << 0u;
        }
    }
    void pngSuite()
    {
        QFETCH(QString, path);
        QFETCH(bool, alpha);
        QFETCH(bool, trans);
        QFETCH(uint, own);
        compareWithLibpng(readFile(path), Mode{alpha, trans, own});
    }

    // bKGD as a colour value: grey through the ramp, truecolour scaled to 8 bits, palette looked up.
    void pngSuiteBackground_data()
    {
        QTest::addColumn<QString>("path");
        const QDir dir(PNGSUITE_DIR);
        for (const QString &name : dir.entryList({"bg*.png", "tb*.png"}, QDir::Files, QDir::Name))
            QTest::newRow(qPrintable(name)) << dir.filePath(name);
    }
    void pngSuiteBackground()
    {
        QFETCH(QString, path);
        const ByteVector file = readFile(path);
        const Decoded d = libpngDecode(file);
        QVERIFY(d.ok);
        png::LoadPNG loader;
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(loader.HasBKGDChunk(), d.hasBkgd ? -1 : 0);
        uint32_t want = 0;
        if (d.hasBkgd) {
            const unsigned max = (1u << d.depth) - 1;
            auto scale = [&](unsigned v) { return unsigned(std::nearbyint(double(v) * 255.0 / max)); };
            if (d.colorType == 3) {
                const png_color &c = d.palette.at(d.bkgd.index);
                want = c.red | c.green << 8 | c.blue << 16;
            } else if (d.colorType == 0 || d.colorType == 4) {
                const unsigned g = d.depth == 16 ? d.bkgd.gray >> 8 : d.bkgd.gray * rampStep(d.depth);
                want = g | g << 8 | g << 16;
            } else {
                want = scale(d.bkgd.red) | scale(d.bkgd.green) << 8 | scale(d.bkgd.blue) << 16;
            }
        }
        QCOMPARE(uint32_t(loader.BkgdColor()), want);
    }

    // Every colour type and bit depth, interlaced or not, widths 1 to 40, every filter type,
    // default, fixed-Huffman and stored compression, and data spread over many IDAT chunks.
    void generated_data()
    {
        QTest::addColumn<int>("colorType");
        QTest::addColumn<int>("depth");
        QTest::addColumn<bool>("interlaced");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        const std::pair<int, int> kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1},
                                             {3, 2}, {3, 4}, {3, 8}, {4, 8}, {4, 16}, {6, 8}, {6, 16}};
        for (const auto &[ct, depth] : kinds)
            for (bool interlaced : {false, true})
                for (int w = 1; w <= 40; ++w)
                    QTest::newRow(qPrintable(QString("type %1 depth %2 %3 width %4").arg(ct).arg(depth).arg(interlaced ? "interlaced" : "progressive").arg(w)))
                        << ct << depth << interlaced << w << 1 + (w * 7) % 13;
        // Tall interlaced images of narrow samples: the passes carry more filter and padding
        // bytes than rows of the whole width would.
        QTest::newRow("type 0 depth 1 interlaced 9x1000") << 0 << 1 << true << 9 << 1000;
        QTest::newRow("type 3 depth 2 interlaced 13x777") << 3 << 2 << true << 13 << 777;
        QTest::newRow("type 0 depth 4 interlaced 3x1500") << 0 << 4 << true << 3 << 1500;
    }
    void generated()
    {
        QFETCH(int, colorType);
        QFETCH(int, depth);
        QFETCH(bool, interlaced);
        QFETCH(int, width);
        QFETCH(int, height);
        std::mt19937 rng(unsigned(colorType * 1000 + depth * 100 + width + interlaced * 50000 + height));
        const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
        const unsigned maxSample = depth == 16 ? 65535 : (1u << depth) - 1;

        EncodeOptions o;
        const int filterKinds[] = {PNG_FILTER_NONE, PNG_FILTER_SUB, PNG_FILTER_UP, PNG_FILTER_AVG, PNG_FILTER_PAETH,
                                   PNG_ALL_FILTERS};
        o.filters = filterKinds[width % 6];
        if (width % 3 == 1)
            o.strategy = Z_FIXED;
        else if (width % 3 == 2)
            o.level = 0;
        o.idatSize = width % 2 ? 16 : 8192;
        unsigned paletteSize = 0;
        if (colorType == 3) {
            paletteSize = 1 + rng() % (1u << depth);
            for (unsigned i = 0; i < paletteSize; ++i)
                o.palette.push_back(png_color{uint8_t(rng()), uint8_t(rng()), uint8_t(rng())});
            for (unsigned i = 0; i < rng() % (paletteSize + 1); ++i)
                o.trnsAlpha.push_back(uint8_t(rng()));
        }
        // Colour keys are picked from the picture itself, so that some pixels match.
        std::vector<ByteVector> rows;
        std::vector<unsigned> first;
        for (int y = 0; y < height; ++y) {
            std::vector<unsigned> samples;
            for (int x = 0; x < width; ++x) {
                const bool repeat = x > 0 && rng() % 3 == 0; // runs give the compressor matches
                for (int c = 0; c < channels; ++c) {
                    unsigned v = colorType == 3 ? rng() % paletteSize : rng() % (maxSample + 1);
                    if (repeat)
                        v = samples[samples.size() - channels];
                    if (depth == 16 && rng() % 4 == 0)
                        v = (v & 0xFF00) | 0x00FF; // same high byte, different low byte
                    samples.push_back(v);
                }
            }
            if (y == 0)
                first = samples;
            rows.push_back(pack(samples, depth));
        }
        if ((colorType == 0 || colorType == 2) && width % 2 == 0) {
            o.trnsColour = true;
            o.trns.gray = uint16_t(first[0]);
            if (colorType == 2) {
                o.trns.red = uint16_t(first[0]);
                o.trns.green = uint16_t(first[1]);
                o.trns.blue = uint16_t(first[2]);
            }
        }
        const ByteVector file = libpngEncode(uint32_t(width), uint32_t(height), depth, colorType, interlaced, rows, o);
        QVERIFY(!file.empty());
        compareWithLibpng(file, Mode{});
        compareWithLibpng(file, Mode{true, true, 0x102030});
    }
};

QTEST_APPLESS_MAIN(TestPngOracle)
#include "tst_pngoracle.moc"
