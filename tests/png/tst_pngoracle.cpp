// Every picture libpng can read must come out of the loader with the pixels the conversion
// rules give: PngSuite and generated images, plain and composited.
#include <QDir>
#include <QtTest>

#include <png.h>

#include <cstdio>
#include <random>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

Q_DECLARE_METATYPE(ByteVector)

namespace {

// libpng's reading of a file: samples one byte each (packed ones widened, 16-bit ones cut
// to their high byte), and the chunks that say how to show them.
struct Decoded {
    png_uint_32 width = 0, height = 0;
    int colorType = 0, depth = 0, interlace = 0, channels = 0;
    ByteVector samples, trnsAlpha;
    std::vector<png_color> palette;
    png_color_16 trnsColour{}, bkgd{};
    bool hasTrns = false, hasBkgd = false;

    bool read(const ByteVector &file) // false when libpng rejects the file
    {
        FILE *in = fmemopen(const_cast<uint8_t *>(file.data()), file.size(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, [](png_structp, png_const_charp) {});
        png_infop info = png_create_info_struct(png);
        bool ok = false;
        if (!setjmp(png_jmpbuf(png))) {
            png_init_io(png, in);
            png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
            png_read_info(png, info);
            png_get_IHDR(png, info, &width, &height, &depth, &colorType, &interlace, nullptr, nullptr);
            png_colorp pal = nullptr;
            png_bytep alpha = nullptr;
            png_color_16p colour = nullptr, bk = nullptr;
            int n = 0;
            if (png_get_PLTE(png, info, &pal, &n))
                palette.assign(pal, pal + n);
            if ((hasTrns = png_get_tRNS(png, info, &alpha, &n, &colour))) // palette: alpha; else colour
                trnsAlpha.assign(alpha, alpha ? alpha + n : alpha), trnsColour = *colour;
            if ((hasBkgd = png_get_bKGD(png, info, &bk)))
                bkgd = *bk;
            png_set_packing(png);
            png_set_strip_16(png);
            const int passes = png_set_interlace_handling(png);
            png_read_update_info(png, info);
            channels = png_get_channels(png, info);
            samples.resize(png_get_rowbytes(png, info) * height);
            for (int pass = 0; pass < passes; ++pass)
                for (png_uint_32 y = 0; y < height; ++y)
                    png_read_row(png, samples.data() + samples.size() / height * y, nullptr);
            png_read_end(png, nullptr);
            ok = true;
        }
        png_destroy_read_struct(&png, &info, nullptr);
        fclose(in);
        return ok;
    }
};

// The step between grey levels; 16-bit samples are cut to their high byte.
unsigned rampStep(int depth) { return depth == 1 ? 255 : depth == 2 ? 85 : depth == 4 ? 17 : 1; }

// What the loader must show for pixel (x, y) of `d`, as 0xRRGGBB, and its alpha.
uint32_t expected(const Decoded &d, uint32_t x, uint32_t y, bool composited, uint32_t background, int &alpha)
{
    const uint8_t *s = d.samples.data() + (size_t(y) * d.width + x) * d.channels;
    auto key = [&](uint16_t v) -> unsigned { return d.depth == 16 ? v >> 8 : v & 0xFF; };
    unsigned r = s[0], g = s[0], b = s[0];
    alpha = 255;
    if (d.colorType == 0 || d.colorType == 4) { // a colour key matches the high byte of 16-bit samples
        r = g = b = s[0] * rampStep(d.depth);
        alpha = d.colorType == 4 ? s[1] : d.hasTrns && s[0] == key(d.trnsColour.gray) ? 0 : 255;
    } else if (d.colorType == 2 || d.colorType == 6) {
        g = s[1], b = s[2];
        const bool keyed = d.hasTrns && r == key(d.trnsColour.red) && g == key(d.trnsColour.green) && b == key(d.trnsColour.blue);
        alpha = d.colorType == 6 ? s[3] : keyed ? 0 : 255;
    } else {
        // A 1-bit bitmap takes its two colours from a palette of exactly two, else black and white.
        const bool bitmap = !composited && d.depth == 1 && !d.interlace && d.palette.size() != 2;
        const png_color c = s[0] < d.palette.size() ? d.palette[s[0]] : png_color{0, 0, 0}; // past the end: black
        r = bitmap ? s[0] * 255u : c.red, g = bitmap ? s[0] * 255u : c.green, b = bitmap ? s[0] * 255u : c.blue;
        alpha = s[0] < d.trnsAlpha.size() ? d.trnsAlpha[s[0]] : 255;
    }
    if (composited && alpha != 255) {
        auto mix = [&](unsigned img, unsigned bk) { return alpha ? (img * alpha + bk * (255 - alpha) + 255) >> 8 : bk; };
        r = mix(r, background & 0xFF), g = mix(g, background >> 8 & 0xFF), b = mix(b, background >> 16 & 0xFF);
    }
    return r << 16 | g << 8 | b;
}

// Random scanlines of a picture (in Adam7 passes when interlaced) with runs of repeated
// pixels for the compressor to match; 16-bit repeats may change the low bytes only. The rows
// take the five filter types in turn.
ByteVector scanlines(std::mt19937 &rng, int w, int h, int depth, int channels, bool interlaced)
{
    static const int adam7[8][4] = {{0, 0, 1, 1}, {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                    {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const size_t bpp = size_t(std::max(1, depth * channels / 8)); // filters work on whole bytes
    ByteVector out;
    for (int pass = interlaced ? 1 : 0; pass < (interlaced ? 8 : 1); ++pass) {
        const int *g = adam7[pass];
        const size_t bytes = (size_t(std::max(0, (w - g[0] + g[2] - 1) / g[2])) * size_t(depth * channels) + 7) / 8;
        ByteVector prev, row(bytes);
        for (int y = g[1]; y < h && bytes; y += g[3]) { // a pass without columns has no rows either
            for (size_t i = 0; i < bytes; i += bpp) {
                const bool repeat = i && rng() % 3 == 0;
                for (size_t k = i; k < std::min(bytes, i + bpp); ++k)
                    row[k] = repeat && !(depth == 16 && k % 2 && rng() % 2) ? row[k - bpp] : uint8_t(rng());
            }
            const int type = (y + w) % 5;
            out.push_back(uint8_t(type));
            for (size_t i = 0; i < bytes; ++i) {
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

// A random picture of the given kind: every filter type, default, fixed-Huffman or stored
// blocks, one IDAT or many small ones, and a colour key or palette alpha for some.
ByteVector generated(int colorType, int depth, bool interlaced, int width, int height)
{
    std::mt19937 rng(unsigned(colorType * 1000 + depth * 100 + width + interlaced * 50000 + height));
    const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
    std::vector<ByteVector> chunks = {ihdr(uint32_t(width), uint32_t(height), depth, colorType, interlaced)};
    if (colorType == 3) { // indices past a short palette come out black
        ByteVector plte(3 * (1 + rng() % (1u << depth))), trns(rng() % (plte.size() / 3 + 1));
        std::generate(plte.begin(), plte.end(), rng), std::generate(trns.begin(), trns.end(), rng);
        chunks.push_back(chunk("PLTE", plte));
        if (!trns.empty()) // some without tRNS: the composited mode then keeps the palette
            chunks.push_back(chunk("tRNS", trns));
    }
    const ByteVector lines = scanlines(rng, width, height, depth, channels, interlaced);
    // Colour keys are taken from the first pixel, so that some pixels match. Every filter type
    // leaves the first pixel of the first row as it is: it follows the filter byte.
    const uint8_t *first = lines.data() + 1;
    if ((colorType == 0 || colorType == 2) && width % 2 == 0) {
        ByteVector key; // two bytes a channel
        for (int c = 0; c < channels; ++c)
            key.insert(key.end(), {depth == 16 ? first[2 * c] : uint8_t(0),
                                   depth == 16 ? first[2 * c + 1] : uint8_t(first[c] >> (8 - std::min(depth, 8)))});
        chunks.push_back(chunk("tRNS", key));
    }
    // Default, fixed-Huffman or stored blocks; one IDAT or many small ones.
    const ByteVector z = zlibCompress(lines,
                                      width % 3 == 2 ? 0 : Z_DEFAULT_COMPRESSION, width % 3 == 1 ? Z_FIXED : Z_DEFAULT_STRATEGY);
    const size_t part = width % 2 ? 16 : z.size();
    for (size_t i = 0; i < z.size(); i += part)
        chunks.push_back(chunk("IDAT", ByteVector(z.begin() + i, z.begin() + std::min(z.size(), i + part))));
    return pngFile(chunks);
}

} // namespace

class TestPngOracle : public QObject {
    Q_OBJECT

private slots:
    // Decodes the file with both libpng and the loader and compares the header, the background
    // colour and every pixel; composited over the file's bKGD unless `own` gives a colour.
    void matchesLibpng_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<bool>("composite");
        QTest::addColumn<uint>("own");
        const QDir dir(PNGSUITE_DIR);
        // All but the corrupt ones (x*), which libpng refuses.
        const QStringList files = *PNGSUITE_DIR ? dir.entryList({"[^x]*.png"}, QDir::Files, QDir::Name) : QStringList();
        if (!*PNGSUITE_DIR)
            qWarning("PngSuite not found: only generated pictures are compared");
        else
            QVERIFY(files.size() > 100);
        for (const QString &name : files) {
            const ByteVector file = readFile(dir.filePath(name).toStdString());
            QTest::newRow(qPrintable(name + " plain")) << file << false << 0u;
            QTest::newRow(qPrintable(name + " over own colour")) << file << true << 0x336699u;
            QTest::newRow(qPrintable(name + " over bKGD")) << file << true << 0u;
        }
        // Every colour type and bit depth, interlaced or not, widths 1 to 40; and passes of narrow
        // samples, which carry more filter and padding bytes than whole rows would.
        const int kinds[][5] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16}, {3, 1}, {3, 2}, {3, 4}, {3, 8},
                                {4, 8}, {4, 16}, {6, 8}, {6, 16}, {0, 1, 1, 9, 1000}, {3, 2, 1, 13, 777}};
        for (const auto &[ct, depth, tall, tallWidth, tallHeight] : kinds)
            for (int interlaced = tall; interlaced < 2; ++interlaced)
                for (int w = tall ? tallWidth : 1; w <= (tall ? tallWidth : 40); ++w) {
                    const int h = tall ? tallHeight : 1 + (w * 7) % 13;
                    const ByteVector file = generated(ct, depth, interlaced, w, h);
                    for (bool composite : {false, true})
                        QTest::addRow("type %d depth %d %s %dx%d%s", ct, depth, interlaced ? "interlaced" : "progressive", w, h,
                                      composite ? " composited" : "") << file << composite << (composite ? 0x102030u : 0u);
                }
    }
    void matchesLibpng()
    {
        QFETCH(ByteVector, file);
        QFETCH(bool, composite);
        QFETCH(uint, own);
        Decoded d;
        QVERIFY2(d.read(file), "libpng rejects the picture");
        png::LoadPNG loader;
        png::MemoryCanvas target;
        loader.PicBox(&target);
        loader.SetToBkgrnd(true, 0, 0);
        loader.SetAlpha(composite);
        loader.SetTrans(composite);
        loader.SetOwnBkgndColor(own != 0, own);
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(loader.ErrorNumber(), 0);
        QCOMPARE(QSize(loader.Width(), loader.Height()), QSize(int(d.width), int(d.height)));

        // bKGD: grey through the ramp (16 bits: the high byte), truecolour scaled, palette looked up.
        QCOMPARE(loader.HasBKGDChunk(), d.hasBkgd ? -1 : 0);
        uint32_t bkgd = 0;
        auto colourValue = [](unsigned r, unsigned g, unsigned b) { return r | g << 8 | b << 16; }; // as BkgdColor() gives it
        auto scale = [&](unsigned v) { return unsigned(std::nearbyint(v * 255.0 / ((1u << d.depth) - 1))); };
        if (d.hasBkgd && d.colorType == 3)
            bkgd = colourValue(d.palette.at(d.bkgd.index).red, d.palette[d.bkgd.index].green, d.palette[d.bkgd.index].blue);
        else if (d.hasBkgd && (d.colorType == 0 || d.colorType == 4))
            bkgd = colourValue(1, 1, 1) * (d.depth == 16 ? d.bkgd.gray >> 8 : d.bkgd.gray * rampStep(d.depth));
        else if (d.hasBkgd)
            bkgd = colourValue(scale(d.bkgd.red), scale(d.bkgd.green), scale(d.bkgd.blue));
        QCOMPARE(uint32_t(loader.BkgdColor()), bkgd);

        const bool hasAlpha = d.colorType == 4 || d.colorType == 6;
        const bool composited = (hasAlpha || d.hasTrns) && composite;
        // Grey and palette pictures keep 1, 4 or 8 bits, but 2-bit, 16-bit and interlaced ones take 8.
        const int bits = composited || d.colorType == 2 ? 24 : hasAlpha ? 32 : !d.interlace && d.depth != 2 && d.depth != 16 ? d.depth : 8;
        QCOMPARE(loader.OutputBits(), bits);
        QCOMPARE(loader.HaveAlpha(), hasAlpha ? -1 : 0);
        QCOMPARE(target.draws(), 1);
        const png::Dib &dib = *target.lastDrawn();
        QCOMPARE(QSize(dib.width(), dib.height()), QSize(int(d.width), int(d.height)));
        QCOMPARE(dib.bits.size(), dib.stride() * d.height);
        for (uint32_t y = 0; y < d.height; ++y)
            for (uint32_t x = 0; x < d.width; ++x) {
                int a = 255; // the alpha byte counts only in 32-bit output
                const uint32_t want = expected(d, x, y, composited, own ? own : bkgd, a) | (bits == 32 ? uint32_t(a) << 24 : 0);
                const uint32_t got = dib.rgb(int32_t(x), int32_t(y)) | (bits == 32 ? dib.value(int32_t(x), int32_t(y)) & 0xFF000000u : 0);
                if (got != want)
                    QFAIL(qPrintable(QString("pixel %1,%2 is %3, want %4").arg(x).arg(y).arg(got, 8, 16, QChar('0')).arg(want, 8, 16, QChar('0'))));
            }
    }
};

QTEST_APPLESS_MAIN(TestPngOracle)
#include "tst_pngoracle.moc"
