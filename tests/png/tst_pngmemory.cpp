// What one decode holds at once stays within the loader's limit, measured on the heap itself:
// every allocation of this test program is counted.
#include <QTemporaryDir>
#include <QtTest>

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <new>

#include "png/LoadPNG.h"
#include "tests/png/PngFixtures.h"

namespace {

std::atomic<int64_t> g_current{0};
std::atomic<int64_t> g_peak{0};

void *allocate(std::size_t n)
{
    void *p = std::malloc(n ? n : 1);
    if (!p)
        throw std::bad_alloc();
    const int64_t now = g_current += int64_t(malloc_usable_size(p));
    for (int64_t peak = g_peak.load(); now > peak && !g_peak.compare_exchange_weak(peak, now);) {
    }
    return p;
}

void release(void *p) noexcept
{
    if (p) {
        g_current -= int64_t(malloc_usable_size(p));
        std::free(p);
    }
}

} // namespace

void *operator new(std::size_t n) { return allocate(n); }
void *operator new[](std::size_t n) { return allocate(n); }
void operator delete(void *p) noexcept { release(p); }
void operator delete[](void *p) noexcept { release(p); }
void operator delete(void *p, std::size_t) noexcept { release(p); }
void operator delete[](void *p, std::size_t) noexcept { release(p); }

using namespace fixtures;

Q_DECLARE_METATYPE(ByteVector)

namespace {

// The loader's error number, and the bytes the heap held at its highest while `run` set it up
// and read a file, above what it held before.
template <class Body>
std::pair<int, int64_t> decode(Body run)
{
    const int64_t before = g_current.load();
    g_peak = before;
    int error = -1;
    {
        png::LoadPNG loader;
        run(loader);
        error = loader.errorNumber();
    }
    return {error, g_peak.load() - before};
}

std::pair<int, int64_t> decode(const ByteVector &file, bool composite, uint64_t limit)
{
    return decode([&](png::LoadPNG &loader) {
        loader.setMaxDecodedBytes(limit);
        loader.setUseAlpha(composite);
        loader.setUseTransparency(composite);
        loader.setOwnBackgroundColor(0x336699);
        loader.openData(file.data(), file.size());
    });
}

} // namespace

class TestPngMemory : public QObject {
    Q_OBJECT

private slots:
    void decodeStaysWithinLimit_data()
    {
        QTest::addColumn<ByteVector>("file");
        QTest::addColumn<bool>("composite");
        struct {
            const char *name;
            int width, depth, colorType;
            bool interlaced, composite;
        } const rows[] = {
            {"grey 8, rows padded", 601, 8, 0, false, false},
            {"grey 8, rows taken as they are", 600, 8, 0, false, false},
            {"grey 2 widened", 601, 2, 0, false, false},
            {"grey 16", 600, 16, 0, false, false},
            {"grey 1 interlaced", 601, 1, 0, true, false},
            {"truecolour 8 in place", 600, 8, 2, false, false},
            {"truecolour 16", 601, 16, 2, false, false},
            {"truecolour 8 with tRNS, composited", 600, 8, 2, false, true},
            {"truecolour 8 interlaced with tRNS, composited", 600, 8, 2, true, true},
            {"palette 4 with tRNS, composited", 601, 4, 3, false, true},
            {"palette 8 interlaced", 600, 8, 3, true, false},
            {"grey and alpha 8, composited", 601, 8, 4, false, true},
            {"RGBA 8 as 32 bits", 600, 8, 6, false, false},
            {"RGBA 16, composited", 600, 16, 6, false, true},
            {"RGBA 8 interlaced, composited", 601, 8, 6, true, true},
        };
        for (const auto &r : rows) {
            const ByteVector file = generated(r.colorType, r.depth, r.interlaced, r.width, 400);
            const ByteVector tag = "tRNS"_b; // colour keys come with even widths
            QVERIFY(!QByteArray(r.name).contains("tRNS") || std::search(file.begin(), file.end(), tag.begin(), tag.end()) != file.end());
            QTest::newRow(r.name) << file << r.composite;
        }
    }
    // With room to spare the picture decodes; then every limit either holds the whole decode or
    // refuses the picture with error 5 before its buffers are allocated.
    void decodeStaysWithinLimit()
    {
        QFETCH(ByteVector, file);
        QFETCH(bool, composite);
        const auto [error, used] = decode(file, composite, uint64_t(1) << 30);
        QCOMPARE(error, 0);
        QVERIFY(used > int64_t(file.size()));
        for (double factor : {0.25, 0.5, 0.8, 0.95, 1.0, 1.1, 1.2, 1.5, 2.0}) {
            const uint64_t limit = uint64_t(used * factor);
            const auto [err, peak] = decode(file, composite, limit);
            const QByteArray what = QByteArray::number(factor) + " x " + QByteArray::number(used) + " bytes: error " +
                                    QByteArray::number(err) + ", peak " + QByteArray::number(peak);
            if (err == 0)
                QVERIFY2(peak <= int64_t(limit), what);
            else // the plan may count a little more than is used, never a great deal more
                QVERIFY2(err == png::LoadPNG::TooLarge && factor < 1.5 && peak < int64_t(file.size()) + (64 << 10), what);
        }
    }

    // 8000 x 8000 RGBA from a few bytes of image data, composited: about 675 MiB if decoded.
    // It is refused from its header, read from a file, before anything large is allocated.
    void decompressionBomb()
    {
        BitWriter w; // one fixed block: a zero byte, two matches of 258 at distance 1, the end
        w.bits(1, 1), w.bits(1, 2);
        fixedSymbol(w, 0);
        for (int i = 0; i < 2; ++i)
            fixedSymbol(w, 285), w.code(0, 5);
        fixedSymbol(w, 256);
        const ByteVector bomb = pngFile({ihdr(8000, 8000, 8, 6), chunk("IDAT", ByteVector{0x78, 0x9C} + w.take(4))});
        QVERIFY(bomb.size() < 80);
        QTemporaryDir dir;
        const std::string path = dir.filePath("bomb.png").toStdString();
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char *>(bomb.data()), std::streamsize(bomb.size()));
        const auto [error, peak] = decode([&](png::LoadPNG &loader) {
            loader.setUseAlpha(true);
            loader.openFile(path);
        });
        QCOMPARE(error, int(png::LoadPNG::TooLarge));
        QVERIFY2(peak < (1 << 20), QByteArray::number(peak));
    }
};

QTEST_APPLESS_MAIN(TestPngMemory)
#include "tst_pngmemory.moc"
