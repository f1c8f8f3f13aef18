// The deflate decoder: agreement with zlib on real streams, and each failure rule.
#include <QtTest>

#include <random>

#include "png/Inflate.h"
#include "tests/png/PngFixtures.h"

using namespace fixtures;

namespace {

struct Result {
    int32_t status;
    ByteVector out;
    QStringList messages;
};

Result inflate(const ByteVector &raw, uint32_t expected, png::Inflate *decoder = nullptr)
{
    png::Inflate own;
    png::Inflate &d = decoder ? *decoder : own;
    Result r;
    d.setMessageHandler([&](const std::string &m) { r.messages << QString::fromStdString(m); });
    png::Bytes out;
    r.status = d.run(raw.data(), raw.size(), out, expected, false);
    r.out.assign(out.begin(), out.end());
    return r;
}

// A dynamic block whose code-length code gives symbols 0-15 four bits each, then the
// literal/length and distance lengths written one by one.
void dynamicHeader(BitWriter &w, const std::vector<unsigned> &lit, const std::vector<unsigned> &dist)
{
    w.bits(2, 2);
    w.bits(unsigned(lit.size()) - 257, 5);
    w.bits(unsigned(dist.size()) - 1, 5);
    w.bits(19 - 4, 4);
    const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (uint8_t sym : order)
        w.bits(sym < 16 ? 4 : 0, 3);
    for (unsigned l : lit)
        w.code(l, 4);
    for (unsigned l : dist)
        w.code(l, 4);
}

// Kraft sum as a fraction of 2^15, to keep hand-made codes complete.
unsigned kraft(const std::vector<unsigned> &lens)
{
    unsigned s = 0;
    for (unsigned l : lens)
        if (l)
            s += 1u << (15 - l);
    return s;
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
                    for (int level : {0, 1, 6, 9}) {
                        if (level == 0 && strategy != Z_DEFAULT_STRATEGY)
                            continue;
                        QTest::newRow(qPrintable(QString("data %1 size %2 %3 level %4").arg(kind).arg(size).arg(name).arg(level)))
                            << kind << size << level << strategy;
                    }
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
            if (kind == 0)
                data[i] = uint8_t(rng());                                   // noise: literals
            else if (kind == 1)
                data[i] = i > 40 && rng() % 4 ? data[i - 1 - rng() % 40] : uint8_t(rng() % 16); // short matches
            else
                data[i] = uint8_t((i / 1000) % 3);                           // long runs
        }
        const ByteVector z = zlibCompress(data, level, strategy);
        const ByteVector raw(z.begin() + 2, z.end());
        const Result r = inflate(raw, uint32_t(data.size()));
        QCOMPARE(r.status, 0);
        QVERIFY(r.messages.isEmpty());
        QVERIFY(r.out == data);
    }

    void storedBlockGivesItsPayload()
    {
        BitWriter w;
        w.bits(1, 1);
        w.bits(0, 2);
        const ByteVector payload = {'h', 'e', 'l', 'l', 'o'};
        w.byte(5), w.byte(0), w.byte(0xFA), w.byte(0xFF);
        for (uint8_t b : payload)
            w.byte(b);
        ByteVector raw = w.take();
        raw.insert(raw.end(), {1, 2, 3, 4}); // Adler-32, never checked
        const Result r = inflate(raw, 5);
        QCOMPARE(r.status, 0);
        QVERIFY(r.out == payload);
    }

    void fixedCodesAreBuiltOnceAndReused()
    {
        ByteVector data(5000);
        for (size_t i = 0; i < data.size(); ++i)
            data[i] = uint8_t(i * 7 % 251);
        const ByteVector z = zlibCompress(data, 6, Z_FIXED);
        const ByteVector raw(z.begin() + 2, z.end());
        png::Inflate decoder;
        const Result first = inflate(raw, 5000, &decoder);
        const Result second = inflate(raw, 5000, &decoder);
        QCOMPARE(decoder.fixedBuilds(), 1);
        QVERIFY(first.out == data);
        QVERIFY(second.out == first.out);
    }

    void overlappingMatchRepeats()
    {
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        fixedSymbol(w, 'x');
        fixedSymbol(w, 264); // length 10
        w.code(0, 5);        // distance 1
        fixedSymbol(w, 256);
        ByteVector raw = w.take();
        raw.insert(raw.end(), 4, 0);
        const Result r = inflate(raw, 11);
        QCOMPARE(r.status, 0);
        QVERIFY(r.out == ByteVector(11, 'x'));
    }

    // Failure rules: status, output kept, and the tree message where a code cannot be built.
    void failures_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<int>("expected");
        QTest::addColumn<int>("status");
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<bool>("treeMessage");
        auto bytes = [](const ByteVector &v) { return QByteArray(reinterpret_cast<const char *>(v.data()), int(v.size())); };
        const ByteVector trailer = {0, 0, 0, 0};

        { // block type 3 after a stored block: what came before stays
            BitWriter w;
            w.bits(0, 1), w.bits(0, 2);
            w.byte(2), w.byte(0), w.byte(0xFD), w.byte(0xFF), w.byte('a'), w.byte('b');
            w.bits(1, 1), w.bits(3, 2);
            ByteVector v = w.take();
            v.insert(v.end(), trailer.begin(), trailer.end());
            QTest::newRow("block type 3") << bytes(v) << 10 << -1 << QByteArray("ab") << false;
        }
        { // LEN not the complement of NLEN: noted, decoding goes on
            BitWriter w;
            w.bits(1, 1), w.bits(0, 2);
            w.byte(2), w.byte(0), w.byte(0), w.byte(0), w.byte('o'), w.byte('k');
            ByteVector v = w.take();
            v.insert(v.end(), trailer.begin(), trailer.end());
            QTest::newRow("stored NLEN wrong") << bytes(v) << 10 << -2 << QByteArray("ok") << false;
        }
        { // stored block longer than the input
            BitWriter w;
            w.bits(1, 1), w.bits(0, 2);
            w.byte(200), w.byte(0), w.byte(55), w.byte(0xFF), w.byte('z');
            QTest::newRow("stored past input") << bytes(w.take()) << 500 << -1 << QByteArray() << false;
        }
        { // stored block longer than the output capacity
            BitWriter w;
            w.bits(1, 1), w.bits(0, 2);
            w.byte(200), w.byte(0), w.byte(55), w.byte(0xFF);
            ByteVector v = w.take();
            v.insert(v.end(), 204, 'q');
            QTest::newRow("stored past output") << bytes(v) << 10 << -1 << QByteArray() << false;
        }
        { // literal/length symbol 286 matches no code
            BitWriter w;
            w.bits(1, 1), w.bits(1, 2);
            fixedSymbol(w, 'k');
            fixedSymbol(w, 286);
            ByteVector v = w.take();
            v.insert(v.end(), trailer.begin(), trailer.end());
            QTest::newRow("invalid symbol") << bytes(v) << 10 << -3 << QByteArray("k") << false;
        }
        { // distance reaching before the start of the output
            BitWriter w;
            w.bits(1, 1), w.bits(1, 2);
            fixedSymbol(w, 'k');
            fixedSymbol(w, 257);
            w.code(3, 5); // distance 4
            fixedSymbol(w, 256);
            ByteVector v = w.take();
            v.insert(v.end(), trailer.begin(), trailer.end());
            QTest::newRow("distance too far") << bytes(v) << 10 << -3 << QByteArray("k") << false;
        }
        { // input ends in the middle of a block
            BitWriter w;
            w.bits(1, 1), w.bits(1, 2);
            fixedSymbol(w, 'k');
            fixedSymbol(w, 'k');
            QTest::newRow("truncated") << bytes(w.take()) << 10 << -4 << QByteArray("kk") << false;
        }
        { // output beyond the expected size + 100 is dropped
            BitWriter w;
            w.bits(1, 1), w.bits(1, 2);
            fixedSymbol(w, 'c');
            for (int i = 0; i < 3; ++i) {
                fixedSymbol(w, 284); // length 227 + 5 extra bits
                w.bits(31, 5);       // 258 - 1... 227 + 31 = 258
                w.code(0, 5);
            }
            fixedSymbol(w, 256);
            ByteVector v = w.take();
            v.insert(v.end(), trailer.begin(), trailer.end());
            QTest::newRow("cut at capacity") << bytes(v) << 20 << 0 << QByteArray(120, 'c') << false;
        }
        { // repeat of the previous length with no previous length
            BitWriter w;
            w.bits(1, 1);
            w.bits(2, 2);
            w.bits(0, 5), w.bits(0, 5), w.bits(19 - 4, 4);
            // code-length code: 0-14 four bits, 15 and 16 five bits (complete)
            const uint8_t order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
            std::vector<unsigned> cl(19, 0);
            for (int s = 0; s < 15; ++s)
                cl[s] = 4;
            cl[15] = cl[16] = 5;
            for (uint8_t sym : order)
                w.bits(cl[sym], 3);
            const std::vector<uint32_t> codes = canonicalCodes(cl);
            w.code(codes[16], 5);
            w.bits(0, 2);
            ByteVector v = w.take();
            v.insert(v.end(), 8, 0);
            QTest::newRow("repeat without previous") << bytes(v) << 10 << 0 << QByteArray() << true;
        }
        { // an incomplete literal/length code, after a stored block that did decode
            BitWriter w;
            w.bits(0, 1), w.bits(0, 2);
            w.byte(3), w.byte(0), w.byte(0xFC), w.byte(0xFF), w.byte('p'), w.byte('r'), w.byte('e');
            w.bits(1, 1);
            std::vector<unsigned> lit(257, 9);
            dynamicHeader(w, lit, {1});
            ByteVector v = w.take();
            v.insert(v.end(), 8, 0);
            QTest::newRow("incomplete literal code") << bytes(v) << 10 << 0 << QByteArray("pre") << true;
        }
    }
    void failures()
    {
        QFETCH(QByteArray, stream);
        QFETCH(int, expected);
        QFETCH(int, status);
        QFETCH(QByteArray, output);
        QFETCH(bool, treeMessage);
        const Result r = inflate(ByteVector(stream.begin(), stream.end()), uint32_t(expected));
        QCOMPARE(r.status, status);
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.out.data()), int(r.out.size())), output);
        QCOMPARE(r.messages, treeMessage ? QStringList{QString(png::Inflate::TreeErrorText)} : QStringList{});
    }

    // RFC 1951 allows a distance code of a single one-bit code, and none at all for a block
    // of literals; such streams decode.
    void sparseDistanceCodes_data()
    {
        QTest::addColumn<int>("distanceCodes");
        QTest::newRow("one distance code") << 1;
        QTest::newRow("no distance code") << 0;
    }
    void sparseDistanceCodes()
    {
        QFETCH(int, distanceCodes);
        // Literals 0-253 take 8 bits; 254, 255, end and length 3 take 9: a complete code.
        std::vector<unsigned> lit(258, 8);
        for (size_t s = 254; s < 258; ++s)
            lit[s] = 9;
        QCOMPARE(kraft(lit), 1u << 15);
        std::vector<unsigned> dist = {distanceCodes ? 1u : 0u};
        BitWriter w;
        w.bits(1, 1);
        dynamicHeader(w, lit, dist);
        const std::vector<uint32_t> codes = canonicalCodes(lit);
        w.code(codes['A'], lit['A']);
        if (distanceCodes) {
            w.code(codes[257], lit[257]); // length 3
            w.code(0, 1);                 // distance code 0: distance 1
        }
        w.code(codes[256], lit[256]);
        ByteVector v = w.take();
        v.insert(v.end(), 4, 0);
        const Result r = inflate(v, 4);
        QCOMPARE(r.status, 0);
        QVERIFY(r.messages.isEmpty());
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(r.out.data()), int(r.out.size())),
                 QByteArray(distanceCodes ? "AAAA" : "A"));
    }
};

QTEST_APPLESS_MAIN(TestInflate)
#include "tst_inflate.moc"
