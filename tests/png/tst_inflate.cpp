// The deflate decoder: agreement with zlib on real streams, and each failure rule.
#include <QtTest>

#include <random>

#include "png/Inflate.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

namespace {

QByteArray bytes(const ByteVector &v) { return QByteArray(reinterpret_cast<const char *>(v.data()), qsizetype(v.size())); }

// Starts a final dynamic block with `lit` literal/length and `dist` distance code lengths to
// come. Its code-length code gives 0-14 four bits each, so that w.code(length, 4) writes a
// length, and 15 and 16 five bits: a complete code.
void dynamicHeader(BitWriter &w, unsigned lit, unsigned dist)
{
    w.bits(1, 1), w.bits(2, 2), w.bits(lit - 257, 5), w.bits(dist - 1, 5), w.bits(19 - 4, 4);
    for (unsigned sym : {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15})
        w.bits(sym < 15 ? 4 : sym < 17 ? 5 : 0, 3);
}

// Runs the decoder over `stream` for `expected` bytes of output: the status, the output and
// the messages.
std::tuple<int, QByteArray, QStringList> inflate(png::Inflate &decoder, const QByteArray &stream, uint32_t expected)
{
    QStringList messages;
    decoder.setMessageHandler([&](const std::string &m) { messages << QString::fromStdString(m); });
    png::Bytes out;
    const int status = decoder.run(reinterpret_cast<const uint8_t *>(stream.data()), size_t(stream.size()), out, expected);
    return {status, bytes(ByteVector(out.begin(), out.end())), messages};
}

} // namespace

class TestInflate : public QObject {
    Q_OBJECT

private slots:
    void agreesWithZlib_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("stream");
        const std::pair<const char *, int> strategies[] = {
            {"default", Z_DEFAULT_STRATEGY}, {"fixed", Z_FIXED}, {"huffman only", Z_HUFFMAN_ONLY}, {"rle", Z_RLE},
            {"filtered", Z_FILTERED}};
        for (int kind = 0; kind < 3; ++kind)
            for (int size : {0, 1, 257, 40000, 300000}) {
                std::mt19937 rng(unsigned(size + kind));
                ByteVector data(static_cast<size_t>(size));
                // Noise (literals), short matches, or long runs (overlapping copies at distance 1).
                for (size_t i = 0; i < data.size(); ++i)
                    data[i] = kind == 0 ? uint8_t(rng()) : kind == 2 ? uint8_t((i / 1000) % 3)
                              : i > 40 && rng() % 4 ? data[i - 1 - rng() % 40] : uint8_t(rng() % 16);
                for (const auto &[name, strategy] : strategies)
                    for (int level : {0, 1, 6, 9})
                        if (level || strategy == Z_DEFAULT_STRATEGY) // level 0: stored blocks
                            QTest::addRow("data %d size %d %s level %d", kind, size, name, level)
                                << bytes(data) << bytes(zlibCompress(data, level, strategy)).mid(2);
            }
    }
    void agreesWithZlib()
    {
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, stream);
        png::Inflate decoder; // twice: nothing is left over from the first run
        for (int run = 0; run < 2; ++run)
            QCOMPARE(inflate(decoder, stream, uint32_t(data.size())), std::tuple(0, data, QStringList()));
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
        w.bits(1, 3), w.bytes({2, 0, 0, 0, 'o', 'k'});
        QTest::newRow("stored NLEN wrong: noted, goes on") << bytes(w.take(4)) << 10 << -2 << QByteArray("ok") << false;
        w.bits(1, 3), w.bytes({200, 0, 55, 0xFF, 'z'});
        QTest::newRow("stored past the input") << bytes(w.take()) << 500 << -1 << QByteArray() << false;
        w.bits(1, 3), w.bytes({200, 0, 55, 0xFF});
        QTest::newRow("stored past the output") << bytes(w.take(204)) << 10 << -1 << QByteArray() << false;
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 'k'), fixedSymbol(w, 286);
        QTest::newRow("symbol 286 matches no code") << bytes(w.take(4)) << 10 << -3 << QByteArray("k") << false;
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 'k'), fixedSymbol(w, 257), w.code(1, 5), fixedSymbol(w, 256);
        QTest::newRow("distance 2 after one byte") << bytes(w.take(4)) << 10 << -3 << QByteArray("k") << false;
        w.bits(0, 3), w.bytes({0x40, 0x9C, 0xBF, 0x63}), w.bytes(ByteVector(40000, 's')); // 40000 stored bytes
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 257), w.code(30, 5), w.bits(0, 14);
        QTest::newRow("distance code 30 far enough back") << bytes(w.take(4)) << 40000 << -3 << QByteArray(40000, 's') << false;
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 'k'), fixedSymbol(w, 'k');
        QTest::newRow("input ends inside a block") << bytes(w.take()) << 10 << -4 << QByteArray("kk") << false;
        w.bits(1, 1), w.bits(1, 2), fixedSymbol(w, 'c');
        for (int i = 0; i < 3; ++i)
            fixedSymbol(w, 284), w.bits(31, 5), w.code(0, 5); // length 227 + 31, distance 1
        fixedSymbol(w, 256);
        QTest::newRow("output past expected + 100 dropped") << bytes(w.take(4)) << 20 << 0 << QByteArray(120, 'c') << false;
        dynamicHeader(w, 257, 1), w.code(0x1F, 5), w.bits(0, 2); // code-length symbol 16 first
        QTest::newRow("repeat without a previous length") << bytes(w.take(8)) << 10 << 0 << QByteArray() << true;
        w.bits(0, 3), w.bytes({3, 0, 0xFC, 0xFF, 'p', 'r', 'e'});
        dynamicHeader(w, 257, 1);
        for (int i = 0; i < 258; ++i)
            w.code(i < 257 ? 9 : 1, 4);
        QTest::newRow("incomplete literal code") << bytes(w.take(8)) << 10 << 0 << QByteArray("pre") << true;
        // Literals 0-253 take 8 bits; 254, 255, end and length 3 take 9: a complete code. A single
        // one-bit distance code is allowed.
        dynamicHeader(w, 258, 1);
        for (int i = 0; i < 259; ++i)
            w.code(i < 254 ? 8 : i < 258 ? 9 : 1, 4);
        w.code('A', 8), w.code(0x1FF, 9), w.code(0, 1), w.code(0x1FE, 9); // 'A', length 3 (the last 9-bit code) at distance 1, end
        QTest::newRow("one one-bit distance code") << bytes(w.take(4)) << 4 << 0 << QByteArray("AAAA") << false;
    }
    void handMade()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, expected);
        QFETCH(int, status);
        QFETCH(QByteArray, output);
        QFETCH(bool, treeMessage);
        png::Inflate decoder;
        QCOMPARE(inflate(decoder, stream, uint32_t(expected)),
                 std::tuple(status, output, treeMessage ? QStringList{QString(png::Inflate::TreeErrorText)} : QStringList{}));
    }
};

QTEST_APPLESS_MAIN(TestInflate)
#include "tst_inflate.moc"
