// The loader: error numbers, text and header properties and their reset between files, odd
// and damaged files; every picture libpng can read must come out with the pixels the
// conversion rules give (PngSuite and generated images, plain and composited); drawing into
// Qt widgets; and the dump tool on files that are no pictures.
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <png.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"
#include "png/qt/WidgetTarget.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

Q_DECLARE_METATYPE(ByteVector)

namespace {

// An 8 x 2 greyscale picture, for tests about chunks rather than pixels.
ByteVector smallGrey(std::vector<ByteVector> extra = {}, bool withEnd = true)
{
    extra.insert(extra.begin(), ihdr(8, 2, 8, 0));
    extra.push_back(idatOfRows({ByteVector(8, 10), ByteVector(8, 200)}));
    return pngFile(extra, withEnd);
}

// A picture with every chunk whose contents the loader reads back.
ByteVector full()
{
    return smallGrey({chunk("tEXt", "Title\0A"_b), chunk("zTXt", "Note\0\0"_b + zlibCompress("zipped"_b)),
                      chunk("tEXt", "Author\0B"_b), chunk("tEXt", "Name\0Caf\xE9"_b),
                      chunk("tIME", ByteVector{0x07, 0xD9, 1, 1, 8, 5, 0}), chunk("gAMA", ByteVector{0, 0, 0xB1, 0x8F}),
                      chunk("bKGD", ByteVector{0, 0x40})});
}

// A loader drawing into a canvas; composited (alpha and tRNS) over `own`, else the file's bKGD.
struct Run {
    png::LoadPNG loader;
    png::MemoryCanvas target;
    QStringList messages;
    explicit Run(bool composite = false, uint own = 0)
    {
        loader.setTarget(&target);
        loader.setPlacement(true, 0, 0);
        loader.setUseAlpha(composite);
        loader.setUseTransparency(composite);
        loader.setOwnBackgroundColor(own);
        loader.setMessageHandler([this](const std::string &m) { messages << QString::fromStdString(m); });
    }
    void open(const ByteVector &file) { loader.openData(file.data(), file.size()); }
};


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

// Rows of `bytes` bytes with a pattern that differs from pixel to pixel and row to row.
std::vector<ByteVector> patternRows(int rows, int bytes)
{
    std::vector<ByteVector> out(size_t(rows), ByteVector(static_cast<size_t>(bytes)));
    for (size_t i = 0; i < out.size() * size_t(bytes); ++i)
        out[i / size_t(bytes)][i % size_t(bytes)] = uint8_t(i * 37 + 5);
    return out;
}

} // namespace

class TestLoadPng : public QObject {
    Q_OBJECT

private slots:
    void errorNumbers_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("drawn");
        // PngSuite (below) has the wrong signatures and checksums.
        const ByteVector whole = smallGrey();
        QTest::newRow("cut inside a chunk") << ByteVector(whole.begin(), whole.begin() + 40) << 3 << false;
        QTest::newRow("no IEND") << smallGrey({}, false) << 3 << false;
        QTest::newRow("IHDR and IEND, no IDAT") << pngFile({ihdr(8, 2, 8, 0)}) << 4 << false;
        QTest::newRow("chunk length beyond 2^31")
            << signature + ihdr(8, 2, 8, 0) + ByteVector{0x80, 0, 0, 0} + "IDAT"_b + ByteVector(20, 0) << 3 << false;
        const ByteVector someData = idatOfRows({ByteVector(10, 0)});
        QTest::newRow("width with the top bit set") << pngFile({ihdr(0x80000001u, 1, 8, 0), someData}) << 5 << false;
        QTest::newRow("just over 256 MiB at 32 bits") << pngFile({ihdr(8192, 8193, 8, 6), someData}) << 5 << false;
        // Headers outside the PNG set (also PngSuite's xc*, xd*): no error, the target is cleared,
        // nothing is drawn.
        QTest::newRow("width 0") << pngFile({ihdr(0, 4, 8, 0), someData}) << 0 << false;
        // PngSuite's corrupt files.
        if (!*PNGSUITE_DIR) {
            qWarning("PngSuite not found: its corrupt files are not tried");
            return;
        }
        const QDir dir(PNGSUITE_DIR);
        const QMap<QString, int> errors = {{"xcrn0g04.png", 1}, {"xlfn0g04.png", 1}, {"xs1n0g01.png", 1},
                                           {"xs2n0g01.png", 1}, {"xs4n0g01.png", 1}, {"xs7n0g01.png", 1},
                                           {"xdtn0g01.png", 4}};
        const QStringList outOfSet = {"xc1n0g08.png", "xc9n2c08.png", "xd0n2c08.png", "xd3n2c08.png", "xd9n2c08.png"};
        const QStringList files = dir.entryList({"x*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 14);
        for (const QString &name : files)
            QTest::newRow(qPrintable(name)) << readFile(dir.filePath(name).toStdString()) << errors.value(name, 0)
                                            << (!errors.contains(name) && !outOfSet.contains(name));
    }
    void errorNumbers()
    {
        QFETCH(ByteVector, file);
        QFETCH(int, error);
        QFETCH(bool, drawn);
        // Plain, and composited over the target itself as backdrop.
        for (bool composite : {false, true}) {
            Run r(composite);
            r.loader.setBackgroundSource(composite ? &r.target : nullptr);
            r.open(file);
            QCOMPARE(r.loader.errorNumber(), error);
            // Nothing is drawn, nor the target touched, when an error number is set.
            QCOMPARE(r.target.clears(), error ? 0 : 1);
            QCOMPARE(r.target.draws(), drawn ? 1 : 0);
            QCOMPARE(r.loader.outputBits() != 0, drawn);
        }
    }

    // Methods the format does not define: the header fields and text are still read back,
    // but the data cannot be read as pixels, so nothing is drawn and error 6 says why.
    void unknownMethods_data()
    {
        QTest::addColumn<QList<int>>("methods"); // compression, filter, interlace
        QTest::newRow("compression 1") << QList<int>{1, 0, 0};
        QTest::newRow("filter 1") << QList<int>{0, 1, 0};
        QTest::newRow("interlace 2") << QList<int>{0, 0, 2};
        QTest::newRow("interlace 255, filter 64") << QList<int>{0, 64, 255};
    }
    void unknownMethods()
    {
        QFETCH(QList<int>, methods);
        const ByteVector header = chunk("IHDR", be32(3) + be32(2) + ByteVector{8, 0, uint8_t(methods[0]), uint8_t(methods[1]), uint8_t(methods[2])});
        Run r;
        r.open(pngFile({header, chunk("tEXt", "Title\0A"_b), idatOfRows({{1, 2, 3}, {4, 5, 6}})}));
        QCOMPARE(r.loader.errorNumber(), int(png::LoadPNG::UnknownMethod));
        QCOMPARE(QList<int>({r.loader.width(), r.loader.height(), r.loader.bitDepth(), r.loader.compressionMethod(),
                             r.loader.filterMethod(), r.loader.interlaceMethod()}),
                 QList<int>({3, 2, 8}) + methods);
        QCOMPARE(r.loader.text(), std::string("Title\0A\0", 8));
        QCOMPARE(r.target.clears() + r.target.draws(), 0);
        QVERIFY(!r.loader.bitmap());
        // The next good file on the same object is drawn again.
        r.open(smallGrey());
        QCOMPARE(r.loader.errorNumber(), 0);
        QCOMPARE(r.target.draws(), 1);
    }

    // Text, time, gamma and background read back, each file on a loader that has just read
    // all of them from another: a file reports only what it holds itself (a tIME chunk too
    // short is ignored); a bKGD chunk that does not fit the picture is noted but gives no colour.
    void chunkProperties_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<QByteArray>("texts"); // tEXt, zTXt, tIME, each ending in '|'
        QTest::addColumn<double>("gamma");
        QTest::addColumn<bool>("hasBackground");
        QTest::addColumn<int>("background");
        QTest::newRow("all of them") << full() << QByteArrayLiteral("Title\0A\0Author\0B\0Name\0Caf\xC3\xA9\0|Note\0zipped\0|01.01.2009 08:05:00|")
                                     << 0.45455 << true << 0x404040;
        QTest::newRow("none of them") << smallGrey({chunk("tIME", ByteVector{0x07, 0xD8, 3})}) << QByteArray("|||") << 0.0 << false << 0;
        const ByteVector data = idatOfRows({ByteVector(8, 0)});
        const std::pair<const char *, ByteVector> unfit[] = {
            {"2-bit grey level 4", pngFile({ihdr(1, 1, 2, 0), chunk("bKGD", ByteVector{0, 4}), data})},
            {"truecolour too short", pngFile({ihdr(1, 1, 8, 2), chunk("bKGD", ByteVector{0, 255, 0, 0}), data})},
            {"palette without PLTE", pngFile({ihdr(1, 1, 8, 3), chunk("bKGD", {0}), data})},
            {"palette index past the end", pngFile({ihdr(1, 1, 8, 3), chunk("PLTE", {1, 2, 3}), chunk("bKGD", {1}), data})}};
        for (const auto &[what, file] : unfit)
            QTest::newRow(what) << file << QByteArray("|||") << 0.0 << true << 0;
    }
    void chunkProperties()
    {
        QFETCH(ByteVector, file);
        Run r;
        r.open(full());
        r.open(file);
        QCOMPARE(r.loader.errorNumber(), 0);
        QFETCH(QByteArray, texts);
        const std::string read = r.loader.text() + '|' + r.loader.compressedText() + '|' + r.loader.modificationTime() + '|';
        QCOMPARE(QByteArray(read.data(), qsizetype(read.size())), texts);
        QFETCH(double, gamma);
        QFETCH(bool, hasBackground);
        QFETCH(int, background);
        QCOMPARE(std::tuple(r.loader.gamma(), r.loader.hasBackgroundChunk(), r.loader.backgroundColor()),
                 std::tuple(gamma, hasBackground, background));
    }

    // Odd and damaged files: nothing read past what was decoded (missing bytes count as zeros),
    // nor past the palette.
    void oddFiles_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<uint>("own"); // composited over this colour; 0: plain
        QTest::addColumn<QList<uint>>("pixels"); // row by row
        QTest::addColumn<QStringList>("messages");
        BitWriter w; // a dynamic block whose code-length code is incomplete
        w.bits(1, 1), w.bits(2, 2), w.bits(0, 5), w.bits(0, 5), w.bits(15, 4);
        for (int i = 0; i < 19; ++i)
            w.bits(i == 3 ? 1 : 0, 3);
        QTest::newRow("code cannot be built") << pngFile({ihdr(3, 2, 8, 0), chunk("IDAT", ByteVector{0x78, 0x9C} + w.take(8))})
                                              << 0u << QList<uint>(6, 0) << QStringList{"Error in tree creation (Static)"};
        QTest::newRow("data ends in the second row, Sub filter")
            << pngFile({ihdr(3, 3, 8, 0), chunk("IDAT", zlibCompress({0, 50, 60, 70, 1, 5}))}) << 0u
            << QList<uint>{0x323232, 0x3C3C3C, 0x464646, 0x050505, 0x050505, 0x050505, 0, 0, 0} << QStringList{};
        QTest::newRow("filter type 5 leaves the row")
            << pngFile({ihdr(2, 1, 8, 0), chunk("IDAT", zlibCompress({5, 1, 2}))}) << 0u << QList<uint>{0x010101, 0x020202}
            << QStringList{};
        QTest::newRow("tRNS longer than the palette, index past it")
            << pngFile({ihdr(2, 1, 8, 3), chunk("PLTE", {255, 0, 0}), chunk("tRNS", ByteVector(300, 0)), idatOfRows({{0, 7}})})
            << 0x00FF00u << QList<uint>{0x00FF00, 0x00FF00} << QStringList{};
    }
    void oddFiles()
    {
        QFETCH(ByteVector, file);
        QFETCH(uint, own);
        QFETCH(QList<uint>, pixels);
        QFETCH(QStringList, messages);
        Run r(own != 0, own);
        r.open(file);
        QCOMPARE(r.loader.errorNumber(), 0);
        QCOMPARE(r.messages, messages);
        QCOMPARE(r.loader.outputBits(), own ? 24 : 8);
        for (int i = 0; i < pixels.size(); ++i)
            QCOMPARE(r.target.lastDrawn()->rgb(i % r.loader.width(), i / r.loader.width()), pixels[i]);
    }

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
        Run r(composite, own);
        r.open(file);
        png::LoadPNG &loader = r.loader;
        QCOMPARE(loader.errorNumber(), 0);
        QCOMPARE(QSize(loader.width(), loader.height()), QSize(int(d.width), int(d.height)));

        // bKGD: grey through the ramp (16 bits: the high byte), truecolour scaled, palette looked up.
        QCOMPARE(loader.hasBackgroundChunk(), d.hasBkgd);
        uint32_t bkgd = 0;
        auto colourValue = [](unsigned r, unsigned g, unsigned b) { return r | g << 8 | b << 16; }; // as backgroundColor() gives it
        auto scale = [&](unsigned v) { return unsigned(std::nearbyint(v * 255.0 / ((1u << d.depth) - 1))); };
        if (d.hasBkgd && d.colorType == 3)
            bkgd = colourValue(d.palette.at(d.bkgd.index).red, d.palette[d.bkgd.index].green, d.palette[d.bkgd.index].blue);
        else if (d.hasBkgd && (d.colorType == 0 || d.colorType == 4))
            bkgd = colourValue(1, 1, 1) * (d.depth == 16 ? d.bkgd.gray >> 8 : d.bkgd.gray * rampStep(d.depth));
        else if (d.hasBkgd)
            bkgd = colourValue(scale(d.bkgd.red), scale(d.bkgd.green), scale(d.bkgd.blue));
        QCOMPARE(uint32_t(loader.backgroundColor()), bkgd);

        const bool hasAlpha = d.colorType == 4 || d.colorType == 6;
        const bool composited = (hasAlpha || d.hasTrns) && composite;
        // Grey and palette pictures keep 1, 4 or 8 bits, but 2-bit, 16-bit and interlaced ones take 8.
        const int bits = composited || d.colorType == 2 ? 24 : hasAlpha ? 32 : !d.interlace && d.depth != 2 && d.depth != 16 ? d.depth : 8;
        QCOMPARE(loader.outputBits(), bits);
        QCOMPARE(loader.hasAlpha(), hasAlpha);
        QCOMPARE(r.target.draws(), 1);
        const png::Dib &dib = *r.target.lastDrawn();
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

    // The bitmap lands in the widget at its offset, pixel for pixel through the adapter's
    // indexed and 32-bit conversions when alpha is not used (the bitmap itself is checked against
    // libpng above). Else translucent pixels blend with what the widget shows beneath them, also
    // with a picture drawn there before, in 24 bits; the result stays when the widget is cleared.
    void drawsIntoTheWidget_data()
    {
        QTest::addColumn<QColor>("background");
        QTest::addColumn<QList<ByteVector>>("files"); // drawn at x = 2, 3, ...; y = 1
        QTest::addColumn<int>("bits");
        QTest::addColumn<QList<uint>>("expected"); // composited, row 1 from x = 1; none: alpha not used
        QTest::newRow("4-bit palette") << QColor(0x20, 0x40, 0x60)
            << QList<ByteVector>{pngFile({ihdr(11, 3, 4, 3), chunk("PLTE", patternRows(1, 48)[0]), idatOfRows(patternRows(3, 6))})}
            << 4 << QList<uint>{};
        QTest::newRow("RGBA, alpha not used") << QColor(0x20, 0x40, 0x60)
            << QList<ByteVector>{pngFile({ihdr(11, 3, 8, 6), idatOfRows(patternRows(3, 44))})} << 32 << QList<uint>{};
        // Pixels: black at alpha 128, orange at alpha 0, opaque (10, 20, 30), white at alpha 64.
        const ByteVector rgba = pngFile({ihdr(4, 1, 8, 6), idatOfRows({{0, 0, 0, 128, 200, 100, 50, 0, 10, 20, 30, 255, 255, 255, 255, 64}})});
        QTest::newRow("white") << QColor(Qt::white) << QList<ByteVector>{rgba} << 24 << QList<uint>{0xFFFFFF, 0x7F7F7F, 0xFFFFFF, 0x0A141E, 0xFFFFFF};
        QTest::newRow("black") << QColor(Qt::black) << QList<ByteVector>{rgba} << 24 << QList<uint>{0x000000, 0x000000, 0x000000, 0x0A141E, 0x404040};
        QTest::newRow("over an earlier picture") << QColor(Qt::white)
            << QList<ByteVector>{pngFile({ihdr(2, 1, 8, 2), idatOfRows({{255, 0, 0, 255, 0, 0}})}),
                                 pngFile({ihdr(1, 1, 8, 6), idatOfRows({{0, 0, 0, 128}})})}
            << 24 << QList<uint>{0xFFFFFF, 0xFF0000, 0x7F0000, 0xFFFFFF};
    }
    void drawsIntoTheWidget()
    {
        QFETCH(QColor, background);
        QFETCH(QList<ByteVector>, files);
        QFETCH(int, bits);
        QFETCH(QList<uint>, expected);
        // A widget filled with one colour, and a loader drawing into it as its background, over what it shows.
        QWidget widget;
        widget.resize(20, 9);
        widget.setPalette(QPalette(background)); // the window colour too
        widget.setAutoFillBackground(true);
        png::WidgetTarget picture{&widget};
        png::LoadPNG loader;
        loader.setTarget(&picture);
        loader.setBackgroundSource(&picture);
        loader.setUseAlpha(!expected.isEmpty());
        for (int i = 0; i < files.size(); ++i) {
            loader.setPlacement(true, 2 + i, 1);
            loader.openData(files[i].data(), files[i].size());
        }
        QCOMPARE(loader.outputBits(), bits);
        if (!expected.isEmpty())
            picture.clear(); // clearing keeps the picture
        for (int i = 0; i < expected.size(); ++i)
            QCOMPARE(widget.grab().toImage().pixel(1 + i, 1) & 0xFFFFFFu, expected[i]);
        if (!expected.isEmpty())
            return;
        const png::Dib &dib = *loader.bitmap();
        const QImage grabbed = widget.grab().toImage();
        QCOMPARE(grabbed.size(), QSize(20, 9)); // drawn as background: the widget keeps its size
        const QRect drawn(2, 1, dib.width(), dib.height());
        for (int y = 0; y < grabbed.height(); ++y)
            for (int x = 0; x < grabbed.width(); ++x)
                QCOMPARE(grabbed.pixel(x, y) & 0xFFFFFFu, drawn.contains(x, y) ? dib.rgb(x - 2, y - 1) : 0x204060u);
    }

    // tavorin-pngdump on a picture, a missing one, and files that are no pictures or far larger
    // than any picture: it answers at once, without reading them whole or waiting on them.
    void dumpAnswersAtOnce_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("says");
        static QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const uintmax_t gib = uintmax_t(1) << 30;
        // `bytes`, then zeros up to `size` without writing them (a sparse file).
        auto write = [](const QString &path, const ByteVector &bytes, uintmax_t size = 0) {
            std::ofstream(path.toStdString(), std::ios::binary).write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
            if (size)
                std::filesystem::resize_file(path.toStdString(), size);
            return path;
        };
        QTest::newRow("picture with a Chinese name") << write(dir.filePath("图片.png"), smallGrey()) << QByteArray("Width: 8\nHeight: 2\n");
        QTest::newRow("missing file") << "/nonexistent/folder/login.png" << QByteArray("ErrorNumber: 1\n");
        QTest::newRow("endless device") << "/dev/zero" << QByteArray("ErrorNumber: 1\n");
        QTest::newRow("folder") << dir.path() << QByteArray("ErrorNumber: 1\n");
        const QString fifo = dir.filePath("pipe.png"); // nobody ever writes into it
        QVERIFY(mkfifo(fifo.toLocal8Bit().constData(), 0600) == 0);
        QTest::newRow("pipe without a writer") << fifo << QByteArray("ErrorNumber: 1\n");
        QTest::newRow("1 GiB of zeros") << write(dir.filePath("zeros.png"), {}, gib) << QByteArray("ErrorNumber: 1\n");
        QTest::newRow("1 GiB behind a PNG signature") << write(dir.filePath("huge.png"), signature + ihdr(100, 100, 8, 0), gib)
                                                      << QByteArray("ErrorNumber: 5\n");
        // A chunk claiming more than the file holds, in a file with gigabytes of room.
        QTest::newRow("chunk longer than the file")
            << write(dir.filePath("claims.png"), signature + ihdr(100, 100, 8, 0) + be32(0x7FFFFFF0) + "tEXt"_b, 4096)
            << QByteArray("ErrorNumber: 3\n");
    }
    void dumpAnswersAtOnce()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, says);
        QProcess dump;
        dump.start(PNGDUMP, {file});
        QVERIFY2(dump.waitForFinished(5000), "still running after 5 s"); // QProcess kills it when it goes
        QCOMPARE(dump.exitCode(), 0);
        QVERIFY(dump.readAllStandardOutput().contains(says));
    }
};

QTEST_MAIN(TestLoadPng)
#include "tst_loadpng.moc"
