// The loader: chunk reading, error numbers, text and header properties, compositing and
// drawing, and damaged files.
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
    for (unsigned x : values)
        v.insert(v.end(), {uint8_t(x >> 8), uint8_t(x)});
    return v;
}

// An 8 x 2 greyscale picture, for tests about chunks rather than pixels.
ByteVector smallGrey(std::vector<ByteVector> extra = {}, bool withEnd = true)
{
    extra.insert(extra.begin(), ihdr(8, 2, 8, 0));
    extra.push_back(idatOfRows({ByteVector(8, 10), ByteVector(8, 200)}));
    return pngFile(extra, withEnd);
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
        QTest::addColumn<bool>("drawn");
        ByteVector wrongSecond = smallGrey(), badCrc = smallGrey();
        wrongSecond[1] = 81;
        badCrc[8 + 8 + 13] ^= 0xFF; // the IHDR CRC
        QTest::newRow("second signature byte wrong") << wrongSecond << 1 << false;
        QTest::newRow("empty file") << ByteVector{} << 1 << false;
        QTest::newRow("signature only") << signature << 3 << false;
        QTest::newRow("cut inside a chunk") << ByteVector(badCrc.begin(), badCrc.begin() + 40) << 3 << false;
        QTest::newRow("no IEND") << smallGrey({}, false) << 3 << false;
        QTest::newRow("IHDR and IEND, no IDAT") << pngFile({ihdr(8, 2, 8, 0)}) << 4 << false;
        QTest::newRow("corrupted CRC accepted") << badCrc << 0 << true;
        QTest::newRow("chunk length beyond 2^31")
            << signature + ihdr(8, 2, 8, 0) + ByteVector{0x80, 0, 0, 0} + "IDAT"_b + ByteVector(20, 0) << 3 << false;
        const ByteVector someData = idatOfRows({ByteVector(10, 0)});
        QTest::newRow("huge picture") << pngFile({ihdr(100000, 100000, 8, 2), someData}) << 5 << false;
        QTest::newRow("width with the top bit set") << pngFile({ihdr(0x80000001u, 1, 8, 0), someData}) << 5 << false;
        QTest::newRow("just over 256 MiB at 32 bits") << pngFile({ihdr(8192, 8193, 8, 6), someData}) << 5 << false;
        // Headers outside the PNG set: no error, the target is cleared, nothing is drawn.
        QTest::newRow("grey depth 3") << pngFile({ihdr(4, 4, 3, 0), someData}) << 0 << false;
        QTest::newRow("colour type 5") << pngFile({ihdr(4, 4, 8, 5), someData}) << 0 << false;
        QTest::newRow("palette depth 16") << pngFile({ihdr(4, 4, 16, 3), someData}) << 0 << false;
        QTest::newRow("width 0") << pngFile({ihdr(0, 4, 8, 0), someData}) << 0 << false;
        // PngSuite's corrupt files.
        const QDir dir(PNGSUITE_DIR);
        const QMap<QString, int> errors = {{"xcrn0g04.png", 1}, {"xlfn0g04.png", 1}, {"xs1n0g01.png", 1},
                                           {"xs2n0g01.png", 1}, {"xs4n0g01.png", 1}, {"xs7n0g01.png", 1},
                                           {"xdtn0g01.png", 4}};
        const QStringList outOfSet = {"xc1n0g08.png", "xc9n2c08.png", "xd0n2c08.png", "xd3n2c08.png", "xd9n2c08.png"};
        const QStringList files = dir.entryList({"x*.png"}, QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 14);
        for (const QString &name : files) {
            const int error = errors.value(name, 0);
            QTest::newRow(qPrintable(name)) << readFile(dir.filePath(name).toStdString()) << error
                                            << (!error && !outOfSet.contains(name));
        }
    }
    void errorNumbers()
    {
        QFETCH(ByteVector, file);
        QFETCH(int, error);
        QFETCH(bool, drawn);
        // Plain and composited, over a colour and over the target itself as backdrop.
        for (int mode = 0; mode < 4; ++mode) {
            Run r;
            r.loader.SetAlpha(mode & 1);
            r.loader.SetTrans(mode & 1);
            if (mode & 2)
                r.loader.BackgroundPicture(&r.target);
            r.open(file);
            QCOMPARE(r.loader.ErrorNumber(), error);
            // Nothing is drawn, nor the target touched, when an error number is set.
            QCOMPARE(r.target.clears(), error ? 0 : 1);
            QCOMPARE(r.target.draws(), drawn ? 1 : 0);
            QCOMPARE(r.loader.OutputBits() != 0, drawn);
        }
    }

    void opensFileByName()
    {
        QTemporaryDir dir;
        QFile f(dir.filePath("图片.png"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        const ByteVector file = smallGrey();
        f.write(reinterpret_cast<const char *>(file.data()), qint64(file.size()));
        f.close();
        png::LoadPNG loader;
        QCOMPARE(loader.OpenPNG(f.fileName().toStdString()), 0);
        QCOMPARE(loader.ErrorNumber(), 0);
        QCOMPARE(loader.Width(), 8);
        QCOMPARE(loader.Height(), 2);
        QCOMPARE(loader.OpenPNG("/nonexistent/folder/login.png"), 0);
        QCOMPARE(loader.ErrorNumber(), 1);
    }

    // Text, time, gamma and background read back; a second file on the same object reports
    // only what it holds itself (its tIME chunk is too short and ignored).
    void headerPropertiesAndReset()
    {
        Run r;
        r.open(smallGrey({chunk("tEXt", "Title\0A"_b), chunk("zTXt", "Note\0\0"_b + zlibCompress("zipped"_b)),
                          chunk("tEXt", "Author\0B"_b), chunk("tEXt", "Name\0Caf\xE9"_b),
                          chunk("tIME", ByteVector{0x07, 0xD9, 1, 1, 8, 5, 0}), chunk("gAMA", ByteVector{0, 0, 0xB1, 0x8F}),
                          chunk("bKGD", be16s({0x40}))}));
        QCOMPARE(r.loader.Text(), std::string("Title\0A\0Author\0B\0Name\0Caf\xC3\xA9\0", 28));
        QCOMPARE(r.loader.zText(), std::string("Note\0zipped\0", 12));
        QCOMPARE(r.loader.ModiTime(), std::string("01.01.2009 08:05:00"));
        QCOMPARE(r.loader.gama(), 0.45455);
        QCOMPARE(r.loader.HasBKGDChunk(), -1);
        QCOMPARE(r.loader.BkgdColor(), 0x404040);
        r.open(smallGrey({chunk("tIME", ByteVector{0x07, 0xD8, 3})}));
        QCOMPARE(r.loader.ErrorNumber(), 0);
        QCOMPARE(r.loader.Text(), std::string());
        QCOMPARE(r.loader.zText(), std::string());
        QCOMPARE(r.loader.ModiTime(), std::string());
        QCOMPARE(r.loader.gama(), 0.0);
        QCOMPARE(r.loader.HasBKGDChunk(), 0);
        QCOMPARE(r.loader.BkgdColor(), 0);
    }

    // A bKGD chunk that does not fit the picture is noted but gives no colour.
    void unfitBackgroundIsIgnored_data()
    {
        QTest::addColumn<ByteVector>("file");
        auto file = [](int depth, int colorType, std::vector<ByteVector> chunks) {
            chunks.insert(chunks.begin(), ihdr(1, 1, depth, colorType));
            chunks.push_back(idatOfRows({ByteVector(8, 0)}));
            return pngFile(chunks);
        };
        QTest::newRow("2-bit grey level 4") << file(2, 0, {chunk("bKGD", be16s({4}))});
        QTest::newRow("truecolour too short") << file(8, 2, {chunk("bKGD", be16s({255, 0}))});
        QTest::newRow("palette without PLTE") << file(8, 3, {chunk("bKGD", {0})});
        QTest::newRow("palette index past the end") << file(8, 3, {chunk("PLTE", {1, 2, 3}), chunk("bKGD", {1})});
    }
    void unfitBackgroundIsIgnored()
    {
        QFETCH(ByteVector, file);
        Run r;
        r.open(file);
        QCOMPARE(r.loader.HasBKGDChunk(), -1);
        QCOMPARE(r.loader.BkgdColor(), 0);
    }

    // Alpha and tRNS over a background picture, or over a solid colour when there is none.
    void compositing_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<int>("canvas"); // colour of the background picture, -1: none
        QTest::addColumn<uint>("own");   // own background colour, 0: none
        QTest::addColumn<QList<uint>>("pixels");
        const ByteVector rgba = pngFile({ihdr(3, 1, 8, 6), idatOfRows({{0, 0, 0, 128, 10, 20, 30, 255, 9, 9, 9, 0}})});
        QTest::newRow("alpha over the picture") << rgba << 0xFFFFFF << 0u << QList<uint>{0x7F7F7F, 0x0A141E, 0xFFFFFF};
        QTest::newRow("no background: black") << rgba << -1 << 0u << QList<uint>{0, 0x0A141E, 0};
        QTest::newRow("system colour stays black") << rgba << -1 << 0x80000005u << QList<uint>{0, 0x0A141E, 0};
        const ByteVector longTrns = pngFile({ihdr(2, 1, 8, 3), chunk("PLTE", {255, 0, 0}), chunk("tRNS", ByteVector(300, 0)),
                                             idatOfRows({{0, 7}})});
        QTest::newRow("tRNS longer than the palette") << longTrns << 0x00FF00 << 0u << QList<uint>{0x00FF00, 0x00FF00};
    }
    void compositing()
    {
        QFETCH(ByteVector, file);
        QFETCH(int, canvas);
        QFETCH(uint, own);
        QFETCH(QList<uint>, pixels);
        png::LoadPNG loader;
        png::MemoryCanvas target, background(4, 4, uint32_t(canvas));
        loader.PicBox(&target);
        loader.SetToBkgrnd(false);
        if (canvas >= 0)
            loader.BackgroundPicture(&background);
        loader.SetOwnBkgndColor(own != 0, own);
        loader.SetAlpha(true);
        loader.SetTrans(true);
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(loader.OutputBits(), 24);
        // Drawn not as background, the target takes the picture's size.
        QCOMPARE(target.width(), int(pixels.size()));
        for (int x = 0; x < pixels.size(); ++x) {
            QCOMPARE(target.lastDrawn()->rgb(x, 0), pixels[x]);
            QCOMPARE(target.pixel(x, 0), pixels[x]);
        }
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
        const ByteVector file = pngFile({ihdr(6, 1, 8, 4), idatOfRows({{255, 255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}})});
        loader.OpenPNGData(file.data(), file.size());
        QCOMPARE(window.widthTwips(), 6 * 15 + 105); // 6 px * 15 + 100 twips, rounded to whole pixels
        QCOMPARE(window.height(), 8);
        QCOMPARE(window.pixel(0, 0), 0xFFFFFFu);
        QCOMPARE(window.pixel(1, 0), 0x204060u); // transparent: what the window showed
        QCOMPARE(window.pixel(5, 0), 0x204060u); // transparent over the widened area
        QCOMPARE(window.pixel(0, 1), 0x204060u); // below the picture: untouched
    }

    // Damaged image data never reads past what was decoded: missing bytes count as zeros.
    void damagedImageData_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<QList<uint>>("values"); // row by row
        QTest::addColumn<QStringList>("messages");
        BitWriter w; // a dynamic block whose code-length code is incomplete
        w.bits(1, 1), w.bits(2, 2), w.bits(0, 5), w.bits(0, 5), w.bits(15, 4);
        for (int i = 0; i < 19; ++i)
            w.bits(i == 3 ? 1 : 0, 3);
        const ByteVector z = ByteVector{0x78, 0x9C} + w.take(8);
        QTest::newRow("code cannot be built") << pngFile({ihdr(3, 2, 8, 0), chunk("IDAT", z)}) << QList<uint>(6, 0)
                                              << QStringList{"Error in tree creation (Static)"};
        QTest::newRow("data ends in the second row, Sub filter")
            << pngFile({ihdr(3, 3, 8, 0), chunk("IDAT", zlibCompress({0, 50, 60, 70, 1, 5}))})
            << QList<uint>{50, 60, 70, 5, 5, 5, 0, 0, 0} << QStringList{};
        QTest::newRow("filter type 5 leaves the row")
            << pngFile({ihdr(4, 1, 8, 0), chunk("IDAT", zlibCompress({5, 1, 2, 3, 4}))}) << QList<uint>{1, 2, 3, 4}
            << QStringList{};
    }
    void damagedImageData()
    {
        QFETCH(ByteVector, file);
        QFETCH(QList<uint>, values);
        QFETCH(QStringList, messages);
        Run r;
        r.open(file);
        QCOMPARE(r.loader.ErrorNumber(), 0);
        QCOMPARE(r.messages, messages);
        QCOMPARE(r.loader.OutputBits(), 8);
        const int w = r.loader.Width();
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(r.dib().value(i % w, i / w), values[i]);
    }
};

QTEST_APPLESS_MAIN(TestLoadPng)
#include "tst_loadpng.moc"
