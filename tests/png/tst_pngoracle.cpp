// Every picture libpng can read must come out of the loader with the pixels the conversion
// rules give: PngSuite and generated images, plain and composited.
#include <QDir>
#include <QtTest>

#include <png.h>

#include <cstring>
#include <random>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

namespace {

void quiet(png_structp, png_const_charp) {}

// libpng's reading of a file: samples one byte each (packed ones widened, 16-bit ones cut
// to their high byte), and the chunks that say how to show them.
struct Decoded {
    uint32_t width = 0, height = 0;
    int colorType = 0, depth = 0, interlace = 0, channels = 0;
    ByteVector samples;
    std::vector<png_color> palette;
    ByteVector trnsAlpha;
    png_color_16 trnsColour{}, bkgd{};
    bool hasTrns = false, hasBkgd = false;

    bool read(const ByteVector &file) // false when libpng rejects the file
    {
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quiet);
        png_infop info = png_create_info_struct(png);
        std::pair<const ByteVector *, size_t> cursor{&file, 0};
        std::vector<png_bytep> rows;
        if (setjmp(png_jmpbuf(png))) {
            png_destroy_read_struct(&png, &info, nullptr);
            return false;
        }
        png_set_read_fn(png, &cursor, [](png_structp p, png_bytep out, size_t n) {
            auto *c = static_cast<std::pair<const ByteVector *, size_t> *>(png_get_io_ptr(p));
            if (c->first->size() - c->second < n)
                png_error(p, "read past end");
            std::memcpy(out, c->first->data() + c->second, n);
            c->second += n;
        });
        png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
        png_read_info(png, info);
        png_uint_32 w, h;
        png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, nullptr, nullptr);
        width = w, height = h;
        png_colorp pal = nullptr;
        png_bytep alpha = nullptr;
        png_color_16p colour = nullptr, bk = nullptr;
        int n = 0;
        if (png_get_PLTE(png, info, &pal, &n))
            palette.assign(pal, pal + n);
        if ((hasTrns = png_get_tRNS(png, info, &alpha, &n, &colour))) {
            if (alpha && colorType == PNG_COLOR_TYPE_PALETTE)
                trnsAlpha.assign(alpha, alpha + n);
            if (colour)
                trnsColour = *colour;
        }
        if ((hasBkgd = png_get_bKGD(png, info, &bk)))
            bkgd = *bk;
        png_set_packing(png);
        png_set_strip_16(png);
        png_set_interlace_handling(png);
        png_read_update_info(png, info);
        channels = png_get_channels(png, info);
        const size_t rowBytes = png_get_rowbytes(png, info);
        samples.resize(rowBytes * height);
        for (uint32_t y = 0; y < height; ++y)
            rows.push_back(samples.data() + y * rowBytes);
        png_read_image(png, rows.data());
        png_read_end(png, nullptr);
        png_destroy_read_struct(&png, &info, nullptr);
        return true;
    }
};

unsigned rampStep(int depth)
{
    return depth == 1 ? 255 : depth == 2 ? 85 : depth == 4 ? 17 : 1; // 16 is cut to its high byte
}

uint32_t colourValue(unsigned r, unsigned g, unsigned b) // red + 256 green + 65536 blue
{
    return r | g << 8 | b << 16;
}

// What the loader must show for pixel (x, y) of `d`, as 0xRRGGBB, and its alpha.
uint32_t expected(const Decoded &d, uint32_t x, uint32_t y, bool composited, uint32_t background, int &alpha)
{
    const uint8_t *s = d.samples.data() + (size_t(y) * d.width + x) * d.channels;
    auto key = [&](uint16_t v) -> unsigned { return d.depth == 16 ? v >> 8 : v & 0xFF; };
    unsigned r = s[0], g = s[0], b = s[0];
    alpha = 255;
    if (d.colorType == 0) {
        r = g = b = s[0] * rampStep(d.depth);
        if (d.hasTrns && s[0] == key(d.trnsColour.gray))
            alpha = 0;
    } else if (d.colorType == 2 || d.colorType == 6) {
        g = s[1], b = s[2];
        if (d.colorType == 6)
            alpha = s[3];
        else if (d.hasTrns && r == key(d.trnsColour.red) && g == key(d.trnsColour.green) && b == key(d.trnsColour.blue))
            alpha = 0;
    } else if (d.colorType == 4) {
        alpha = s[1];
    } else {
        // A 1-bit bitmap takes its two colours from a palette of exactly two, else black and white.
        if (!composited && d.depth == 1 && !d.interlace && d.palette.size() != 2)
            r = g = b = s[0] ? 255 : 0;
        else if (s[0] < d.palette.size())
            r = d.palette[s[0]].red, g = d.palette[s[0]].green, b = d.palette[s[0]].blue;
        else
            r = g = b = 0;
        if (s[0] < d.trnsAlpha.size())
            alpha = d.trnsAlpha[s[0]];
    }
    if (composited && alpha != 255) {
        auto mix = [&](unsigned img, unsigned bk) { return alpha ? (img * alpha + bk * (255 - alpha) + 255) >> 8 : bk; };
        r = mix(r, background & 0xFF), g = mix(g, background >> 8 & 0xFF), b = mix(b, background >> 16 & 0xFF);
    }
    return r << 16 | g << 8 | b;
}

// Decodes `file` with both libpng and the loader and compares the header, the background
// colour and every pixel; over the file's bKGD unless `own` gives a colour.
void compareWithLibpng(const ByteVector &file, bool alpha, bool trans, uint32_t own)
{
    Decoded d;
    QVERIFY2(d.read(file), "libpng rejects the picture");
    png::LoadPNG loader;
    png::MemoryCanvas target;
    loader.PicBox(&target);
    loader.SetToBkgrnd(true, 0, 0);
    loader.SetAlpha(alpha);
    loader.SetTrans(trans);
    loader.SetOwnBkgndColor(own != 0, own);
    loader.OpenPNGData(file.data(), file.size());
    QCOMPARE(loader.ErrorNumber(), 0);
    QCOMPARE(uint32_t(loader.Width()), d.width);
    QCOMPARE(uint32_t(loader.Height()), d.height);

    // bKGD: grey through the ramp (16 bits: the high byte), truecolour scaled, palette looked up.
    QCOMPARE(loader.HasBKGDChunk(), d.hasBkgd ? -1 : 0);
    uint32_t bkgd = 0;
    const unsigned max = (1u << d.depth) - 1;
    auto scale = [&](unsigned v) { return unsigned(std::nearbyint(double(v) * 255.0 / max)); };
    if (d.hasBkgd && d.colorType == 3) {
        const png_color &c = d.palette.at(d.bkgd.index);
        bkgd = colourValue(c.red, c.green, c.blue);
    } else if (d.hasBkgd && (d.colorType == 0 || d.colorType == 4))
        bkgd = colourValue(1, 1, 1) * (d.depth == 16 ? d.bkgd.gray >> 8 : d.bkgd.gray * rampStep(d.depth));
    else if (d.hasBkgd)
        bkgd = colourValue(scale(d.bkgd.red), scale(d.bkgd.green), scale(d.bkgd.blue));
    QCOMPARE(uint32_t(loader.BkgdColor()), bkgd);

    const bool hasAlpha = d.colorType == 4 || d.colorType == 6;
    const bool composited = (hasAlpha && alpha) || (!hasAlpha && d.hasTrns && trans);
    int bits = composited || d.colorType == 2 ? 24 : hasAlpha ? 32 : 8;
    if (bits == 8 && !d.interlace && d.depth != 2 && d.depth != 16)
        bits = d.depth;
    QCOMPARE(loader.OutputBits(), bits);
    QCOMPARE(loader.HaveAlpha(), hasAlpha ? -1 : 0);
    QCOMPARE(target.draws(), 1);
    const png::Dib &dib = *target.lastDrawn();
    QCOMPARE(dib.width(), int32_t(d.width));
    QCOMPARE(dib.height(), int32_t(d.height));
    QCOMPARE(dib.bits.size(), dib.stride() * d.height);
    for (uint32_t y = 0; y < d.height; ++y) {
        for (uint32_t x = 0; x < d.width; ++x) {
            int a = 255;
            const uint32_t want = expected(d, x, y, composited, own ? own : bkgd, a);
            const uint32_t got = dib.rgb(int32_t(x), int32_t(y));
            if (got != want)
                QFAIL(qPrintable(QString("pixel %1,%2 is %3, want %4").arg(x).arg(y).arg(got, 6, 16, QChar('0')).arg(want, 6, 16, QChar('0'))));
            if (bits == 32 && int(dib.value(int32_t(x), int32_t(y)) >> 24) != a)
                QFAIL(qPrintable(QString("alpha of pixel %1,%2").arg(x).arg(y)));
        }
    }
}

// Sample values, one per entry, packed into a PNG row of `depth`-bit samples.
ByteVector pack(const std::vector<unsigned> &samples, int depth)
{
    ByteVector row(depth == 16 ? samples.size() * 2 : (samples.size() * depth + 7) / 8, 0);
    for (size_t i = 0; i < samples.size(); ++i) {
        if (depth == 16)
            row[2 * i] = uint8_t(samples[i] >> 8), row[2 * i + 1] = uint8_t(samples[i]);
        else
            row[i * depth / 8] |= uint8_t(samples[i] << (8 - depth - i * depth % 8));
    }
    return row;
}

// The scanlines of a picture given as samples row by row, in Adam7 passes when interlaced;
// the rows take the five filter types in turn.
ByteVector scanlines(const std::vector<unsigned> &px, int w, int h, int channels, int depth, bool interlaced)
{
    static const int adam7[8][4] = {{0, 0, 1, 1}, {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                    {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const size_t bpp = size_t(std::max(1, depth * channels / 8)); // filters work on whole bytes
    ByteVector out;
    for (int pass = interlaced ? 1 : 0; pass < (interlaced ? 8 : 1); ++pass) {
        const int *g = adam7[pass];
        ByteVector prev;
        for (int y = g[1]; y < h; y += g[3]) {
            std::vector<unsigned> samples;
            for (int x = g[0]; x < w; x += g[2])
                samples.insert(samples.end(), px.begin() + (y * w + x) * channels, px.begin() + (y * w + x + 1) * channels);
            if (samples.empty()) // a pass without columns has no rows either
                break;
            const ByteVector row = pack(samples, depth);
            const int type = (y + w) % 5;
            out.push_back(uint8_t(type));
            for (size_t i = 0; i < row.size(); ++i) {
                const int a = i >= bpp ? row[i - bpp] : 0, b = prev.empty() ? 0 : prev[i];
                const int c = i >= bpp && !prev.empty() ? prev[i - bpp] : 0;
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                const int predictor[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
                out.push_back(uint8_t(row[i] - predictor[type]));
            }
            prev = row;
        }
    }
    return out;
}

} // namespace

class TestPngOracle : public QObject {
    Q_OBJECT

private slots:
    void pngSuite_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("composite");
        QTest::addColumn<uint>("own");
        const QDir dir(PNGSUITE_DIR);
        const QStringList files = dir.entryList({"*.png"}, QDir::Files, QDir::Name);
        QVERIFY(files.size() > 100);
        for (const QString &name : files) {
            if (name.startsWith('x')) // the corrupt ones, which libpng refuses
                continue;
            QTest::newRow(qPrintable(name + " plain")) << dir.filePath(name) << false << 0u;
            QTest::newRow(qPrintable(name + " over own colour")) << dir.filePath(name) << true << 0x336699u;
            QTest::newRow(qPrintable(name + " over bKGD")) << dir.filePath(name) << true << 0u;
        }
    }
    void pngSuite()
    {
        QFETCH(QString, path);
        QFETCH(bool, composite);
        QFETCH(uint, own);
        compareWithLibpng(readFile(path.toStdString()), composite, composite, own);
    }

    // Every colour type and bit depth, interlaced or not, widths 1 to 40, every filter type,
    // default, fixed-Huffman and stored blocks, and data spread over many IDAT chunks.
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
                    QTest::addRow("type %d depth %d %s width %d", ct, depth, interlaced ? "interlaced" : "progressive", w)
                        << ct << depth << interlaced << w << 1 + (w * 7) % 13;
        // Passes of narrow samples carry more filter and padding bytes than whole rows would.
        QTest::newRow("type 0 depth 8 interlaced 1x1") << 0 << 8 << true << 1 << 1;
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
        const unsigned range = colorType == 3 ? 1 + rng() % (1u << depth) : depth == 16 ? 65536 : 1u << depth;
        std::vector<ByteVector> chunks = {ihdr(uint32_t(width), uint32_t(height), depth, colorType, interlaced)};
        ByteVector trns(colorType == 3 ? rng() % (range + 1) : 0);
        if (colorType == 3) {
            ByteVector plte(3 * range);
            for (uint8_t &b : plte)
                b = uint8_t(rng());
            for (uint8_t &t : trns)
                t = uint8_t(rng());
            chunks.push_back(chunk("PLTE", plte));
        }
        std::vector<unsigned> px; // the samples, row by row
        for (int i = 0; i < width * height; ++i) {
            const bool repeat = i % width && rng() % 3 == 0; // runs give the compressor matches
            for (int c = 0; c < channels; ++c) {
                unsigned v = repeat ? px[px.size() - channels] : rng() % range;
                if (depth == 16 && rng() % 4 == 0)
                    v = (v & 0xFF00) | 0x00FF; // same high byte, different low byte
                px.push_back(v);
            }
        }
        // Colour keys are taken from the picture itself, so that some pixels match.
        if ((colorType == 0 || colorType == 2) && width % 2 == 0)
            for (int c = 0; c < channels; ++c)
                trns.insert(trns.end(), {uint8_t(px[size_t(c)] >> 8), uint8_t(px[size_t(c)])});
        if (!trns.empty())
            chunks.push_back(chunk("tRNS", trns));
        // Default, fixed-Huffman or stored blocks; one IDAT or many small ones.
        const ByteVector z = zlibCompress(scanlines(px, width, height, channels, depth, interlaced),
                                          width % 3 == 2 ? 0 : Z_DEFAULT_COMPRESSION, width % 3 == 1 ? Z_FIXED : Z_DEFAULT_STRATEGY);
        const size_t part = width % 2 ? 16 : z.size();
        for (size_t i = 0; i < z.size(); i += part)
            chunks.push_back(chunk("IDAT", ByteVector(z.begin() + i, z.begin() + std::min(z.size(), i + part))));
        compareWithLibpng(pngFile(chunks), false, false, 0);
        compareWithLibpng(pngFile(chunks), true, true, 0x102030);
    }
};

QTEST_APPLESS_MAIN(TestPngOracle)
#include "tst_pngoracle.moc"
