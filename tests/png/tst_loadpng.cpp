// The loader: error numbers, text and header properties and their reset between files,
// odd and damaged files.
#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>

#include "png/LoadPNG.h"
#include "png/MemoryCanvas.h"
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
            Run r;
            r.loader.SetAlpha(composite);
            r.loader.SetTrans(composite);
            r.loader.BackgroundPicture(composite ? &r.target : nullptr);
            r.open(file);
            QCOMPARE(r.loader.ErrorNumber(), error);
            // Nothing is drawn, nor the target touched, when an error number is set.
            QCOMPARE(r.target.clears(), error ? 0 : 1);
            QCOMPARE(r.target.draws(), drawn ? 1 : 0);
            QCOMPARE(r.loader.OutputBits() != 0, drawn);
        }
    }

    // Methods the format does not define: the header fields and text are still read back,
    // but the data cannot be read as pixels, so nothing is drawn and error 6 says why.
    void unknownMethods_data()
    {
        QTest::addColumn<int>("compression");
        QTest::addColumn<int>("filter");
        QTest::addColumn<int>("interlace");
        QTest::newRow("compression 1") << 1 << 0 << 0;
        QTest::newRow("filter 1") << 0 << 1 << 0;
        QTest::newRow("interlace 2") << 0 << 0 << 2;
        QTest::newRow("interlace 255, filter 64") << 0 << 64 << 255;
    }
    void unknownMethods()
    {
        QFETCH(int, compression);
        QFETCH(int, filter);
        QFETCH(int, interlace);
        const ByteVector header = chunk("IHDR", be32(3) + be32(2) +
                                                    ByteVector{8, 0, uint8_t(compression), uint8_t(filter), uint8_t(interlace)});
        Run r;
        r.open(pngFile({header, chunk("tEXt", "Title\0A"_b), idatOfRows({{1, 2, 3}, {4, 5, 6}})}));
        QCOMPARE(r.loader.ErrorNumber(), int(png::LoadPNG::UnknownMethod));
        QCOMPARE(QList<int>({r.loader.Width(), r.loader.Height(), r.loader.Bitdepht(), r.loader.Compression(),
                             r.loader.Filter(), r.loader.Interlacing()}),
                 QList<int>({3, 2, 8, compression, filter, interlace}));
        QCOMPARE(r.loader.Text(), std::string("Title\0A\0", 8));
        QCOMPARE(r.target.clears() + r.target.draws(), 0);
        QVERIFY(!r.loader.Bitmap());
        // The next good file on the same object is drawn again.
        r.open(smallGrey());
        QCOMPARE(r.loader.ErrorNumber(), 0);
        QCOMPARE(r.target.draws(), 1);
    }

    void opensFileByName()
    {
        QTemporaryDir dir;
        const std::string path = dir.filePath("图片.png").toStdString();
        const ByteVector file = smallGrey();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(file.data()), std::streamsize(file.size()));
        png::LoadPNG loader;
        QCOMPARE(loader.OpenPNG(path), 0);
        QCOMPARE(QSize(loader.Width(), loader.Height()), QSize(8, 2));
        QCOMPARE(loader.OpenPNG("/nonexistent/folder/login.png"), 0);
        QCOMPARE(loader.ErrorNumber(), 1);
    }

    // Text, time, gamma and background read back; a second file on the same object reports
    // only what it holds itself (its tIME chunk is too short and ignored); unfit bKGD chunks.
    void headerPropertiesAndReset()
    {
        Run r;
        r.open(smallGrey({chunk("tEXt", "Title\0A"_b), chunk("zTXt", "Note\0\0"_b + zlibCompress("zipped"_b)),
                          chunk("tEXt", "Author\0B"_b), chunk("tEXt", "Name\0Caf\xE9"_b),
                          chunk("tIME", ByteVector{0x07, 0xD9, 1, 1, 8, 5, 0}), chunk("gAMA", ByteVector{0, 0, 0xB1, 0x8F}),
                          chunk("bKGD", ByteVector{0, 0x40})}));
        QCOMPARE(r.loader.Text(), std::string("Title\0A\0Author\0B\0Name\0Caf\xC3\xA9\0", 28));
        QCOMPARE(r.loader.zText(), std::string("Note\0zipped\0", 12));
        QCOMPARE(r.loader.ModiTime(), std::string("01.01.2009 08:05:00"));
        QCOMPARE(r.loader.gama(), 0.45455);
        QCOMPARE(r.loader.HasBKGDChunk(), -1);
        QCOMPARE(r.loader.BkgdColor(), 0x404040);
        r.open(smallGrey({chunk("tIME", ByteVector{0x07, 0xD8, 3})}));
        QCOMPARE(r.loader.ErrorNumber(), 0);
        QCOMPARE(r.loader.Text() + r.loader.zText() + r.loader.ModiTime(), std::string());
        QCOMPARE(QList<double>({r.loader.gama(), double(r.loader.HasBKGDChunk()), double(r.loader.BkgdColor())}),
                 QList<double>({0, 0, 0}));
        // A bKGD chunk that does not fit the picture is noted but gives no colour.
        const ByteVector data = idatOfRows({ByteVector(8, 0)});
        const std::pair<const char *, ByteVector> unfit[] = {
            {"2-bit grey level 4", pngFile({ihdr(1, 1, 2, 0), chunk("bKGD", ByteVector{0, 4}), data})},
            {"truecolour too short", pngFile({ihdr(1, 1, 8, 2), chunk("bKGD", ByteVector{0, 255, 0, 0}), data})},
            {"palette without PLTE", pngFile({ihdr(1, 1, 8, 3), chunk("bKGD", {0}), data})},
            {"palette index past the end", pngFile({ihdr(1, 1, 8, 3), chunk("PLTE", {1, 2, 3}), chunk("bKGD", {1}), data})}};
        for (const auto &[what, file] : unfit) {
            r.open(file);
            QVERIFY2(r.loader.HasBKGDChunk() == -1 && r.loader.BkgdColor() == 0, what);
        }
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
        Run r;
        r.loader.SetAlpha(own != 0);
        r.loader.SetTrans(own != 0);
        r.loader.SetOwnBkgndColor(own != 0, own);
        r.open(file);
        QCOMPARE(r.loader.ErrorNumber(), 0);
        QCOMPARE(r.messages, messages);
        QCOMPARE(r.loader.OutputBits(), own ? 24 : 8);
        for (int i = 0; i < pixels.size(); ++i)
            QCOMPARE(r.target.lastDrawn()->rgb(i % r.loader.Width(), i / r.loader.Width()), pixels[i]);
    }
};

QTEST_APPLESS_MAIN(TestLoadPng)
#include "tst_loadpng.moc"
