// The loader: chunk reading, error numbers, text and header properties, pixel conversion,
// compositing and drawing.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

Q_DECLARE_METATYPE(ByteVector)

namespace {

ByteVector be16s(std::initializer_list<unsigned> values)
{
    ByteVector v;
    for (unsigned x : values) {
        v.push_back(uint8_t(x >> 8));
        v.push_back(uint8_t(x));
    }
    return v;
}

ByteVector ascii(const char *s)
{
    return ByteVector(s, s + std::strlen(s));
}

ByteVector concat(std::initializer_list<ByteVector> parts)
{
    ByteVector out;
    for (const ByteVector &p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

// An 8 x 2 greyscale picture, for tests about chunks rather than pixels.
ByteVector smallGrey(std::vector<ByteVector> extra = {}, bool withEnd = true)
{
    std::vector<ByteVector> chunks = {ihdr(8, 2, 8, 0)};
    chunks.insert(chunks.end(), extra.begin(), extra.end());
    chunks.push_back(idatOfRows({ByteVector(8, 10), ByteVector(8, 200)}));
    return pngFile(chunks, withEnd);
}

struct Run {
    png::LoadPNG loader;
    png::MemoryCanvas target;
    QStringList messages;
    Run()
    {
        loader.PicBox(&target);
        loader.SetToBkgrnd(true, 0, 0);
        loader.setMessageHandler([this](const std::string &m) { messages << QString::fromStdString(m); });
    }
    void open(const ByteVector &file) { loader.OpenPNGData(file.data(), file.size()); }
    const png::Dib &dib() const { return *target.lastDrawn(); }
};

} // namespace

class TestLoadPng : public QObject {
    Q_OBJECT

private slots:
    void errorNumbers_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<int>("error");
        ByteVector wrongSecond = smallGrey();
        wrongSecond[1] = 81;
        ByteVector badCrc = smallGrey();
        badCrc[8 + 8 + 13] ^= 0xFF; // the IHDR CRC
        const ByteVector full = smallGrey();
        QTest::newRow("second signature byte wrong") << wrongSecond << 1;
        QTest::newRow("empty file") << ByteVector{} << 1;
        QTest::newRow("signature only") << signature() << 3;
        QTest::newRow("cut inside a chunk") << ByteVector(full.begin(), full.begin() + 40) << 3;
        QTest::newRow("no IEND") << smallGrey({}, false) << 3;
        QTest::newRow("IHDR and IEND, no IDAT") << pngFile({ihdr(8, 2, 8, 0)}) << 4;
        QTest::newRow("corrupted CRC accepted") << badCrc << 0;
        QTest::newRow("chunk length beyond 2^31")
            << concat({signature(), ihdr(8, 2, 8, 0), ByteVector{0x80, 0, 0, 0}, ascii("IDAT"), ByteVector(20, 0)}) << 3;
        QTest::newRow("huge picture refused")
            << pngFile({ihdr(100000, 100000, 8, 2), idatOfRows({ByteVector(10, 0)})}) << 5;
        QTest::newRow("width with the top bit set refused")
            << pngFile({ihdr(0x80000001u, 1, 8, 0), idatOfRows({ByteVector(10, 0)})}) << 5;
        QTest::newRow("just under the limit of 256 MiB, 32 bits per pixel")
            << pngFile({ihdr(8192, 8193, 8, 6), idatOfRows({ByteVector(10, 0)})}) << 5;
    }
    void errorNumbers()
    {
        QFETCH(ByteVector, file);
        QFETCH(int, error);
        Run r;
        r.open(file);
        QCOMPARE(r.loader.ErrorNumber(), error);
        // Nothing is drawn, nor the target touched, when an error number is set.
        QCOMPARE(r.target.clears(), error ? 0 : 1);
        QCOMPARE(r.target.draws(), error ? 0 : 1);
    }

    void missingFileIsNotAPng()
    {
        png::LoadPNG loader;
        QCOMPARE(loader.OpenPNG("/nonexistent/folder/login.png"), 0);
        QCOMPARE(loader.ErrorNumber(), 1);
    }

    void opensFileByName()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("图片.png");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        const ByteVector file = smallGrey();
        f.write(reinterpret_cast<const char *>(file.data()), qint64(file.size()));
        f.close();
        png::LoadPNG loader;
        loader.OpenPNG(path.toStdString());
        QCOMPARE(loader.ErrorNumber(), 0);
        QCOMPARE(loader.Width(), 8);
        QCOMPARE(loader.Height(), 2);
        QCOMPARE(loader.OutputBits(), 8);
    }

    void splitImageDataDecodesAlike()
    {
        ByteVector raw;
        for (int y = 0; y < 5; ++y) {
            raw.push_back(uint8_t(y % 5));
            for (int x = 0; x < 7 * 3; ++x)
                raw.push_back(uint8_t(x * 31 + y * 7));
        }
        const ByteVector z = zlibCompress(raw);
        std::vector<ByteVector> split = {ihdr(7, 5, 8, 2)};
        for (uint8_t b : z)
            split.push_back(chunk("IDAT", {b}));
        Run one, many;
        one.open(pngFile({ihdr(7, 5, 8, 2), chunk("IDAT", z)}));
        many.open(pngFile(split));
        QCOMPARE(many.loader.ErrorNumber(), 0);
        QVERIFY(one.dib().bits == many.dib().bits);
    }

    void texts()
    {
        const ByteVector latin = {'C', 'a', 'f', 0xE9};
        const ByteVector ztxt = concat({ascii("Note"), ByteVector{0, 0}, zlibCompress(ascii("zipped text"))});
        Run r;
        r.open(smallGrey({chunk("tEXt", concat({ascii("Title"), ByteVector{0}, ascii("A")})),
                          chunk("zTXt", ztxt),
                          chunk("tEXt", concat({ascii("Author"), ByteVector{0}, ascii("B")})),
                          chunk("tEXt", concat({ascii("Name"), ByteVector{0}, latin}))}));
        QCOMPARE(r.loader.Text(), std::string("Title\0A\0Author\0B\0Name\0Caf\xC3\xA9\0", 28));
        QCOMPARE(r.loader.zText(), std::string("Note\0zipped text\0", 17));
    }

    void modificationTime_data()
    {
        QTest::addColumn<ByteVector>("data");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 January 2009") << ByteVector{0x07, 0xD9, 1, 1, 8, 5, 0} << "01.01.2009 08:05:00";
        QTest::newRow("5 March 2008") << ByteVector{0x07, 0xD8, 3, 5, 14, 7, 9} << "05.03.2008 14:07:09";
        QTest::newRow("short chunk ignored") << ByteVector{0x07, 0xD8, 3} << "";
    }
    void modificationTime()
    {
        QFETCH(ByteVector, data);
        QFETCH(QString, text);
        Run r;
        r.open(smallGrey({chunk("tIME", data)}));
        QCOMPARE(QString::fromStdString(r.loader.ModiTime()), text);
    }

    void gamma()
    {
        Run r;
        r.open(smallGrey({chunk("gAMA", ByteVector{0, 0, 0xB1, 0x8F})}));
        QCOMPARE(r.loader.gama(), 0.45455);
    }

    void backgroundColour_data()
    {
        QTest::addColumn<int>("colorType");
        QTest::addColumn<int>("depth");
        QTest::addColumn<ByteVector>("palette");
        QTest::addColumn<ByteVector>("bkgd");
        QTest::addColumn<int>("colour");
        QTest::newRow("2-bit grey level 3") << 0 << 2 << ByteVector{} << be16s({3}) << 16777215;
        QTest::newRow("2-bit grey level 4") << 0 << 2 << ByteVector{} << be16s({4}) << 0;
        QTest::newRow("8-bit grey level 0x40") << 0 << 8 << ByteVector{} << be16s({0x40}) << 0x404040;
        QTest::newRow("16-bit grey takes the high byte") << 0 << 16 << ByteVector{} << be16s({0x8040}) << 0x808080;
        QTest::newRow("8-bit truecolour 255,0,128") << 2 << 8 << ByteVector{} << be16s({255, 0, 128}) << 8388863;
        QTest::newRow("16-bit truecolour scaled") << 2 << 16 << ByteVector{} << be16s({65535, 0, 32768})
                                                  << (255 | 128 << 16);
        QTest::newRow("truecolour too short") << 2 << 8 << ByteVector{} << be16s({255, 0}) << 0;
        QTest::newRow("palette without PLTE") << 3 << 8 << ByteVector{} << ByteVector{1} << 0;
        QTest::newRow("palette entry 1") << 3 << 8 << ByteVector{1, 2, 3, 10, 20, 30} << ByteVector{1}
                                         << (10 | 20 << 8 | 30 << 16);
        QTest::newRow("palette index past the end") << 3 << 8 << ByteVector{1, 2, 3} << ByteVector{1} << 0;
    }
    void backgroundColour()
    {
        QFETCH(int, colorType);
        QFETCH(int, depth);
        QFETCH(ByteVector, palette);
        QFETCH(ByteVector, bkgd);
        QFETCH(int, colour);
        std::vector<ByteVector> chunks = {ihdr(1, 1, depth, colorType)};
        if (!palette.empty())
            chunks.push_back(chunk("PLTE", palette));
        chunks.push_back(chunk("bKGD", bkgd));
        chunks.push_back(idatOfRows({ByteVector(8, 0)}));
        Run r;
        r.open(pngFile(chunks));
        QCOMPARE(r.loader.HasBKGDChunk(), -1);
        QCOMPARE(r.loader.BkgdColor(), colour);
    }

    // A second file on the same object reports only what it holds itself.
    void nothingCarriesOverToTheNextFile()
    {
        Run r;
        r.open(smallGrey({chunk("tEXt", ascii("Title\0A")), chunk("bKGD", be16s({0x40})),
                          chunk("tIME", ByteVector{0x07, 0xD9, 1, 1, 8, 5, 0}), chunk("gAMA", ByteVector{0, 0, 0xB1, 0x8F})}));
        QCOMPARE(r.loader.HasBKGDChunk(), -1);
        ByteVector bad = smallGrey();
        bad[1] = 0;
        r.open(bad);
        QCOMPARE(r.loader.ErrorNumber(), 1);
        r.open(smallGrey());
        QCOMPARE(r.loader.ErrorNumber(), 0);
        QCOMPARE(r.loader.Text(), std::string());
        QCOMPARE(r.loader.ModiTime(), std::string());
        QCOMPARE(r.loader.gama(), 0.0);
        QCOMPARE(r.loader.HasBKGDChunk(), 0);
        QCOMPARE(r.loader.BkgdColor(), 0);
    }

    void oneBitGreyIsAOneBitBitmap()
    {
        Run r;
        r.open(pngFile({ihdr(10, 1, 1, 0), idatOfRows({ByteVector{0xA5, 0x40}})}));
        QCOMPARE(r.loader.OutputBits(), 1);
        const png::Dib &d = r.dib();
        QCOMPARE(d.stride(), size_t(4));
        QCOMPARE(d.colours.size(), size_t(2));
        QCOMPARE(d.colours[0], (png::RgbQuad{0, 0, 0, 0}));
        QCOMPARE(d.colours[1], (png::RgbQuad{255, 255, 255, 0}));
        QCOMPARE(d.rgb(0, 0), 0xFFFFFFu);
        QCOMPARE(d.rgb(1, 0), 0u);
        QCOMPARE(d.rgb(9, 0), 0xFFFFFFu);
        QCOMPARE(d.bits[2], uint8_t(0)); // padding
    }

    void onePaletteEntryIsBlackAndWhite()
    {
        Run r;
        r.open(pngFile({ihdr(2, 1, 1, 3), chunk("PLTE", ByteVector{200, 10, 10}), idatOfRows({ByteVector{0x40}})}));
        QCOMPARE(r.loader.OutputBits(), 1);
        QCOMPARE(r.dib().rgb(0, 0), 0u);
        QCOMPARE(r.dib().rgb(1, 0), 0xFFFFFFu);
    }

    void twoBitGreyWidensToBytes()
    {
        Run r;
        r.open(pngFile({ihdr(4, 1, 2, 0), idatOfRows({ByteVector{0x1B}})}));
        QCOMPARE(r.loader.OutputBits(), 8);
        const png::Dib &d = r.dib();
        for (int x = 0; x < 4; ++x)
            QCOMPARE(d.value(x, 0), uint32_t(x));
        const uint8_t levels[] = {0, 85, 170, 255};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(d.colours[size_t(i)], (png::RgbQuad{levels[i], levels[i], levels[i], 0}));
    }

    void sixteenBitTruecolourKeepsHighBytes()
    {
        Run r;
        r.open(pngFile({ihdr(1, 1, 16, 2), idatOfRows({ByteVector{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}})}));
        QCOMPARE(r.loader.OutputBits(), 24);
        QCOMPARE(r.dib().rgb(0, 0), 0x12569Au);
    }

    void compositing_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<bool>("alpha");
        QTest::addColumn<bool>("trans");
        QTest::addColumn<int>("canvas"); // -1: no background picture, else its colour
        QTest::addColumn<int>("bits");
        QTest::addColumn<uint>("pixel0");
        QTest::addColumn<uint>("pixel1");
        const ByteVector rgba = pngFile({ihdr(2, 1, 8, 6), idatOfRows({ByteVector{0, 0, 0, 128, 10, 20, 30, 255}})});
        QTest::newRow("alpha 128 over white") << rgba << true << false << 0xFFFFFF << 24 << 0x7F7F7Fu << 0x0A141Eu;
        QTest::newRow("alpha ignored when off") << rgba << false << false << 0xFFFFFF << 32 << 0u << 0x0A141Eu;
        QTest::newRow("no background: black") << rgba << true << false << -1 << 24 << 0u << 0x0A141Eu;
        const ByteVector pal = pngFile({ihdr(2, 1, 8, 3), chunk("PLTE", ByteVector{255, 0, 0, 0, 255, 0}),
                                        chunk("tRNS", ByteVector{0}), idatOfRows({ByteVector{0, 1}})});
        QTest::newRow("tRNS covers index 0 only") << pal << false << true << 0x0000FF << 24 << 0x0000FFu << 0x00FF00u;
        QTest::newRow("tRNS ignored when off") << pal << false << false << 0x0000FF << 8 << 0xFF0000u << 0x00FF00u;
        const ByteVector grey16 = pngFile({ihdr(2, 1, 16, 0), chunk("tRNS", be16s({0x80FF})),
                                           idatOfRows({be16s({0x8000, 0x7FFF})})});
        QTest::newRow("16-bit grey key uses the high byte") << grey16 << false << true << 0x00FF00 << 24 << 0x00FF00u
                                                            << 0x7F7F7Fu;
        const ByteVector longTrns = pngFile({ihdr(2, 1, 8, 3), chunk("PLTE", ByteVector{255, 0, 0}),
                                             chunk("tRNS", ByteVector(300, 0)), idatOfRows({ByteVector{0, 7}})});
        QTest::newRow("tRNS longer than the palette, index past it")
            << longTrns << false << true << 0x00FF00 << 24 << 0x00FF00u << 0x00FF00u;
    }
    void compositing()
    {
        QFETCH(ByteVector, file);
        QFETCH(bool, alpha);
        QFETCH(bool, trans);
        QFETCH(int, canvas);
        QFETCH(int, bits);
        QFETCH(uint, pixel0);
        QFETCH(uint, pixel1);
        png::LoadPNG loader;
        png::MemoryCanvas target;
        png::MemoryCanvas background(4, 4, uint32_t(canvas));
        loader.PicBox(&target);
        loader.SetToBkgrnd(false);
        if (canvas >= 0)
            loader.BackgroundPicture(&background);
        loader.SetAlpha(alpha);
        loader.SetTrans(trans);
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(loader.OutputBits(), bits);
        QCOMPARE(target.lastDrawn()->rgb(0, 0), pixel0);
        QCOMPARE(target.lastDrawn()->rgb(1, 0), pixel1);
        // Drawn not as background, the target takes the picture's size.
        QCOMPARE(target.width(), 2);
        QCOMPARE(target.pixel(0, 0), pixel0);
    }

    void ownColourOrBkgdAsSolidBackground_data()
    {
        QTest::addColumn<uint>("own");
        QTest::addColumn<bool>("bkgd");
        QTest::addColumn<uint>("pixel");
        QTest::newRow("own colour") << 0xFF0000u << true << 0x0000FFu; // colour value: blue
        QTest::newRow("bKGD when no own colour") << 0u << true << 0x00FF00u;
        QTest::newRow("system colour stays black") << 0x80000005u << false << 0u;
    }
    void ownColourOrBkgdAsSolidBackground()
    {
        QFETCH(uint, own);
        QFETCH(bool, bkgd);
        QFETCH(uint, pixel);
        std::vector<ByteVector> chunks = {ihdr(1, 1, 8, 6)};
        if (bkgd)
            chunks.push_back(chunk("bKGD", be16s({0, 255, 0})));
        chunks.push_back(idatOfRows({ByteVector{9, 9, 9, 0}}));
        Run r;
        r.loader.SetAlpha(true);
        r.loader.SetOwnBkgndColor(own != 0, own);
        r.open(pngFile(chunks));
        QCOMPARE(r.dib().rgb(0, 0), pixel);
    }

    // The login window: target and backdrop are the same window, drawn as its background.
    void narrowBackgroundIsWidenedBeforeCapture()
    {
        png::LoadPNG loader;
        png::MemoryCanvas window(3, 8, 0x204060);
        loader.PicBox(&window);
        loader.SetToBkgrnd(true, 0, 0);
        loader.BackgroundPicture(&window);
        loader.SetAlpha(true);
        loader.SetTrans(true);
        const ByteVector file = pngFile({ihdr(6, 1, 8, 4), idatOfRows({ByteVector{255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}})});
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(window.widthTwips(), 6 * 15 + 105); // 6 px * 15 + 100 twips, rounded to whole pixels
        QCOMPARE(window.height(), 8);
        QCOMPARE(window.pixel(0, 0), 0xFFFFFFu);
        QCOMPARE(window.pixel(1, 0), 0x204060u); // transparent: what the window showed
        QCOMPARE(window.width(), 13);
        QCOMPARE(window.pixel(5, 0), 0x204060u); // transparent over the widened area
        QCOMPARE(window.pixel(0, 1), 0x204060u); // below the picture: untouched
    }

    void unbuildableCodeIsReported()
    {
        // A dynamic block whose literal/length code is incomplete.
        BitWriter w;
        w.bits(1, 1), w.bits(2, 2);
        w.bits(0, 5), w.bits(0, 5), w.bits(15, 4);
        for (int i = 0; i < 19; ++i)
            w.bits(i == 3 ? 1 : 0, 3); // only symbol 0 has a length: an incomplete code
        const ByteVector z = concat({ByteVector{0x78, 0x9C}, w.take(), ByteVector(8, 0)});
        Run r;
        r.open(pngFile({ihdr(3, 2, 8, 0), chunk("IDAT", z)}));
        QCOMPARE(r.messages, QStringList{"Error in tree creation (Static)"});
        QCOMPARE(r.loader.ErrorNumber(), 0);
        // The rows are built from the bytes produced (none): all zero, never the compressed input.
        QCOMPARE(r.loader.OutputBits(), 8);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x)
                QCOMPARE(r.dib().value(x, y), 0u);
    }

    void shortImageDataReadsAsZeros()
    {
        ByteVector raw = {0, 50, 60, 70, 1, 5}; // second row cut after its first byte
        Run r;
        r.open(pngFile({ihdr(3, 3, 8, 0), chunk("IDAT", zlibCompress(raw))}));
        QCOMPARE(r.dib().value(2, 0), 70u);
        QCOMPARE(r.dib().value(0, 1), 5u);
        QCOMPARE(r.dib().value(1, 1), 5u); // Sub filter over a missing zero
        QCOMPARE(r.dib().value(2, 2), 0u);
    }

    void filterTypeAboveFourLeavesTheRow()
    {
        Run r;
        r.open(pngFile({ihdr(8, 1, 8, 0), chunk("IDAT", zlibCompress({5, 1, 2, 3, 4, 5, 6, 7, 8}))}));
        for (int x = 0; x < 8; ++x)
            QCOMPARE(r.dib().value(x, 0), uint32_t(x + 1));
    }

    void headersOutsideThePngSetDrawNothing_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<int>("colorType");
        QTest::addColumn<int>("width");
        QTest::newRow("grey depth 3") << 3 << 0 << 4;
        QTest::newRow("colour type 5") << 8 << 5 << 4;
        QTest::newRow("palette depth 16") << 16 << 3 << 4;
        QTest::newRow("width 0") << 8 << 0 << 0;
    }
    void headersOutsideThePngSetDrawNothing()
    {
        QFETCH(int, depth);
        QFETCH(int, colorType);
        QFETCH(int, width);
        Run r;
        r.open(pngFile({ihdr(uint32_t(width), 4, depth, colorType), idatOfRows({ByteVector(8, 1)})}));
        QCOMPARE(r.loader.ErrorNumber(), 0);
        QCOMPARE(r.loader.OutputBits(), 0);
        QCOMPARE(r.target.clears(), 1);
        QCOMPARE(r.target.draws(), 0);
    }

    void interlaceGeometry_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("bytes"); // of all passes with their filter bytes, 8-bit grey
        QTest::newRow("1x1: pass 1 only") << 1 << 1 << 2;
        QTest::newRow("9x9: two pixels in each pass-1 row") << 9 << 9 << (2 * 3 + 2 * 2 + 1 * 4 + 3 * 3 + 2 * 6 + 5 * 5 + 4 * 10);
    }
    void interlaceGeometry()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, bytes);
        // Every pixel its own value, through libpng's interlacing, back through ours.
        std::vector<ByteVector> rows;
        for (int y = 0; y < height; ++y) {
            ByteVector row;
            for (int x = 0; x < width; ++x)
                row.push_back(uint8_t(y * width + x));
            rows.push_back(row);
        }
        const ByteVector file = libpngEncode(uint32_t(width), uint32_t(height), 8, 0, true, rows, EncodeOptions{});
        Run r;
        r.open(file);
        QCOMPARE(r.loader.InflateStatus(), 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                QCOMPARE(r.dib().value(x, y), uint32_t(y * width + x));
        // The passes, as the file stores them, are exactly that long.
        size_t pos = 8, total = 0;
        while (pos + 12 <= file.size()) {
            const uint32_t len = uint32_t(file[pos]) << 24 | file[pos + 1] << 16 | file[pos + 2] << 8 | file[pos + 3];
            if (std::memcmp(&file[pos + 4], "IDAT", 4) == 0) {
                uLongf n = 4096;
                ByteVector out(n);
                uncompress(out.data(), &n, &file[pos + 8], len);
                total += n;
            }
            pos += 12 + len;
        }
        QCOMPARE(int(total), bytes);
    }

    void corruptSuiteFilesAreSurvived_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<int>("error");
        const QDir dir(PNGSUITE_DIR);
        const QMap<QString, int> errors = {{"xcrn0g04.png", 1}, {"xlfn0g04.png", 1}, {"xs1n0g01.png", 1},
                                           {"xs2n0g01.png", 1}, {"xs4n0g01.png", 1}, {"xs7n0g01.png", 1},
                                           {"xdtn0g01.png", 4}};
        const QStringList files = dir.entryList({"x*.png"}, QDir::Files, QDir::Name);
        QVERIFY(files.size() >= 14);
        for (const QString &name : files)
            QTest::newRow(qPrintable(name)) << dir.filePath(name) << errors.value(name, 0);
    }
    void corruptSuiteFilesAreSurvived()
    {
        QFETCH(QString, path);
        QFETCH(int, error);
        for (int mode = 0; mode < 4; ++mode) {
            png::LoadPNG loader;
            png::MemoryCanvas target(5, 5, 0x123456);
            loader.PicBox(&target);
            loader.SetToBkgrnd(true);
            loader.SetAlpha(mode & 1);
            loader.SetTrans(mode & 1);
            if (mode & 2)
                loader.BackgroundPicture(&target);
            loader.OpenPNG(path.toStdString());
            QCOMPARE(loader.ErrorNumber(), error);
            QCOMPARE(target.clears(), error ? 0 : 1);
        }
    }
};

QTEST_APPLESS_MAIN(TestLoadPng)
#include "tst_loadpng.moc"
