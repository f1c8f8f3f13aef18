// The deflate decoder: agreement with zlib on real streams, and each failure rule.
#include <QtTest>

#include <random>

#include "png/Inflate.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

namespace {

QByteArray bytes(const ByteVector &v)
{
    return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size()));
}

// Starts a dynamic block whose code-length code gives symbols 0-15 four bits each, then
// writes the literal/length and distance code lengths one by one.
void dynamicHeader(BitWriter &w, bool final, const std::vector<unsigned> &lit, const std::vector<unsigned> &dist)
{
    w.bits(final, 1), w.bits(2, 2);
    w.bits(unsigned(lit.size()) - 257, 5), w.bits(unsigned(dist.size()) - 1, 5), w.bits(19 - 4, 4);
    for (unsigned sym : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15})
        w.bits(sym < 16 ? 4 : 0, 3);
    for (unsigned l : lit)
        w.code(l, 4);
    for (unsigned l : dist)
        w.code(l, 4);
}

} // namespace

class TestInflate : public QObject {
    Q_OBJECT

private slots:
    void agreesWithZlib_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("level");
        QTest::addColumn<int>("strategy");
        const std::pair<const char *, int> strategies[] = {
            {"default", Z_DEFAULT_STRATEGY}, {"fixed", Z_FIXED}, {"huffman only", Z_HUFFMAN_ONLY}, {"rle", Z_RLE},
            {"filtered", Z_FILTERED}};
        for (int kind = 0; kind < 3; ++kind)
            for (int size : {0, 1, 257, 40000, 300000})
                for (const auto &[name, strategy] : strategies)
                    for (int level : {0, 1, 6, 9})
                        if (level || strategy == Z_DEFAULT_STRATEGY) // level 0: stored blocks
                            QTest::addRow("data %d size %d %s level %d", kind, size, name, level)
                                << kind << size << level << strategy;
    }
    void agreesWithZlib()
    {
        QFETCH(int, kind);
        QFETCH(int, size);
        QFETCH(int, level);
        QFETCH(int, strategy);
        std::mt19937 rng(unsigned(size + kind));
        ByteVector data(static_cast<size_t>(size));
        for (size_t i = 0; i < data.size(); ++i) {
            if (kind == 0) // noise: literals
                data[i] = uint8_t(rng());
            else if (kind == 1) // short matches
                data[i] = i > 40 && rng() % 4 ? data[i - 1 - rng() % 40] : uint8_t(rng() % 16);
            else // long runs: overlapping copies at distance 1
                data[i] = uint8_t((i / 1000) % 3);
        }
        const ByteVector z = zlibCompress(data, level, strategy);
        png::Inflate decoder;
        QStringList messages;
        decoder.setMessageHandler([&](const std::string &m) { messages << QString::fromStdString(m); });
        // Twice on one decoder: the fixed codes are built once and reused.
        for (int run = 0; run < 2; ++run) {
            png::Bytes out;
            uint32_t expected = uint32_t(size);
            QCOMPARE(decoder.run(z.data() + 2, z.size() - 2, out, expected, false), 0);
            QVERIFY(ByteVector(out.begin(), out.end()) == data);
        }
        QVERIFY(messages.isEmpty());
        if (strategy == Z_FIXED && size && kind) // noise goes into stored blocks
            QCOMPARE(decoder.fixedBuilds(), 1);
        QVERIFY(decoder.fixedBuilds() <= 1);
    }

    // Hand-made streams: status, the output kept, and the message where a code cannot be built.
    void handMade_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("treeMessage");
        BitWriter w;
        w.bits(0, 3), w.bytes({2, 0, 0xFD, 0xFF, 'a', 'b'}), w.bits(1, 1), w.bits(3, 2);
        QTest::newRow("block type 3 after a stored block") << bytes(w.take(4)) << 10 << -1 << QByteArray("ab") << false;
        w = {};
        w.bits(1, 3), w.bytes({2, 0, 0, 0, 'o', 'k'});
        QTest::newRow("stored NLEN wrong: noted, goes on") << bytes(w.take(4)) << 10 << -2 << QByteArray("ok") << false;
        w = {};
        w.bits(1, 3), w.bytes({200, 0, 55, 0xFF, 'z'});
        QTest::newRow("stored past the input") << bytes(w.take()) << 500 << -1 << QByteArray() << false;
        w = {};
        w.bits(1, 3), w.bytes({200, 0, 55, 0xFF});
        QTest::newRow("stored past the output") << bytes(w.take(204)) << 10 << -1 << QByteArray() << false;
        w = {};
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 'k'), fixedSymbol(w, 286);
        QTest::newRow("symbol 286 matches no code") << bytes(w.take(4)) << 10 << -3 << QByteArray("k") << false;
        w = {};
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 'k'), fixedSymbol(w, 257), w.code(1, 5), fixedSymbol(w, 256);
        QTest::newRow("distance 2 after one byte") << bytes(w.take(4)) << 10 << -3 << QByteArray("k") << false;
        w = {};
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 'k'), fixedSymbol(w, 'k');
        QTest::newRow("input ends inside a block") << bytes(w.take()) << 10 << -4 << QByteArray("kk") << false;
        w = {};
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 'c');
        for (int i = 0; i < 3; ++i)
            fixedSymbol(w, 284), w.bits(31, 5), w.code(0, 5); // length 227 + 31, distance 1
        fixedSymbol(w, 256);
        QTest::newRow("output past expected + 100 dropped") << bytes(w.take(4)) << 20 << 0 << QByteArray(120, 'c') << false;
        w = {};
        // Code-length code: 0-14 four bits, 15 and 16 five bits (complete); 16 comes first.
        w.bits(1, 1), w.bits(2, 2), w.bits(0, 5), w.bits(0, 5), w.bits(19 - 4, 4);
        for (unsigned sym : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15})
            w.bits(sym < 15 ? 4 : sym < 17 ? 5 : 0, 3);
        w.code(0x1F, 5), w.bits(0, 2);
        QTest::newRow("repeat without a previous length") << bytes(w.take(8)) << 10 << 0 << QByteArray() << true;
        w = {};
        w.bits(0, 3), w.bytes({3, 0, 0xFC, 0xFF, 'p', 'r', 'e'});
        dynamicHeader(w, true, std::vector<unsigned>(257, 9), {1});
        QTest::newRow("incomplete literal code") << bytes(w.take(8)) << 10 << 0 << QByteArray("pre") << true;
        // Literals 0-253 take 8 bits; 254, 255, end and length 3 take 9: a complete code. A single
        // one-bit distance code is allowed, and none at all for a block of literals.
        std::vector<unsigned> lit(258, 8);
        std::fill(lit.begin() + 254, lit.end(), 9);
        for (bool one : {true, false}) {
            w = {};
            dynamicHeader(w, true, lit, {one ? 1u : 0u});
            w.code('A', 8);
            if (one)
                w.code(0x1FF, 9), w.code(0, 1); // length 3 (the last 9-bit code), distance 1
            w.code(0x1FE, 9);                   // end of block
            QTest::newRow(one ? "one one-bit distance code" : "no distance code")
                << bytes(w.take(4)) << 4 << 0 << QByteArray(one ? "AAAA" : "A") << false;
        }
    }
    void handMade()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, expected);
        QFETCH(int, status);
        QFETCH(QByteArray, output);
        QFETCH(bool, treeMessage);
        png::Inflate decoder;
        QStringList messages;
        decoder.setMessageHandler([&](const std::string &m) { messages << QString::fromStdString(m); });
        png::Bytes out;
        uint32_t capacity = uint32_t(expected);
        QCOMPARE(decoder.run(reinterpret_cast<const uint8_t *>(stream.data()), size_t(stream.size()), out, capacity, false), status);
        QCOMPARE(bytes(ByteVector(out.begin(), out.end())), output);
        QCOMPARE(messages, treeMessage ? QStringList{QString(png::Inflate::TreeErrorText)} : QStringList{});
    }
};

QTEST_APPLESS_MAIN(TestInflate)
#include "tst_inflate.moc"
