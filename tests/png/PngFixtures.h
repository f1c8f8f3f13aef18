#pragma once

// Helpers for the PNG tests: hand-made deflate streams and PNG files, zlib to compress.

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace fixtures {

using ByteVector = std::vector<uint8_t>;

inline ByteVector operator+(ByteVector a, const ByteVector &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

inline ByteVector operator""_b(const char *s, size_t len) // "keyword\0text"_b keeps the NUL
{
    return ByteVector(s, s + len);
}

inline ByteVector readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return ByteVector(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Deflate bit fields go least significant bit first, Huffman codes most significant first.
struct BitWriter {
    ByteVector out;
    unsigned used = 0;
    void bit(unsigned b)
    {
        if (!used)
            out.push_back(0);
        out.back() |= uint8_t(b << used);
        used = (used + 1) % 8;
    }
    void bits(uint32_t value, unsigned count)
    {
        for (unsigned i = 0; i < count; ++i)
            bit((value >> i) & 1);
    }
    void code(uint32_t code, unsigned len)
    {
        while (len--)
            bit((code >> len) & 1);
    }
    void bytes(std::initializer_list<uint8_t> b)
    {
        while (used)
            bit(0);
        out.insert(out.end(), b);
    }
    // The stream so far, padded to a byte, then `zeros` zero bytes (an unchecked trailer).
    ByteVector take(size_t zeros = 0)
    {
        bytes({});
        ByteVector v = out;
        v.insert(v.end(), zeros, 0);
        return v;
    }
};

// A symbol of the fixed literal/length code.
inline void fixedSymbol(BitWriter &w, unsigned sym)
{
    if (sym < 144)
        w.code(0x30 + sym, 8);
    else if (sym < 256)
        w.code(0x190 + sym - 144, 9);
    else if (sym < 280)
        w.code(sym - 256, 7);
    else
        w.code(0xC0 + sym - 280, 8);
}

inline ByteVector zlibCompress(const ByteVector &data, int level = Z_DEFAULT_COMPRESSION, int strategy = Z_DEFAULT_STRATEGY)
{
    z_stream zs{};
    deflateInit2(&zs, level, Z_DEFLATED, 15, 8, strategy);
    ByteVector out(deflateBound(&zs, uLong(data.size())) + 64);
    zs.next_in = const_cast<Bytef *>(data.data());
    zs.avail_in = uInt(data.size());
    zs.next_out = out.data();
    zs.avail_out = uInt(out.size());
    deflate(&zs, Z_FINISH);
    out.resize(zs.total_out);
    deflateEnd(&zs);
    return out;
}

inline void put32(ByteVector &v, uint32_t x)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        v.push_back(uint8_t(x >> shift));
}

inline ByteVector chunk(const char *type, const ByteVector &data)
{
    ByteVector c;
    put32(c, uint32_t(data.size()));
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), data.begin(), data.end());
    const uLong crc = crc32(0, reinterpret_cast<const Bytef *>(type), 4);
    put32(c, uint32_t(data.empty() ? crc : crc32(crc, data.data(), uInt(data.size()))));
    return c;
}

inline ByteVector ihdr(uint32_t w, uint32_t h, int depth, int colorType, bool interlaced = false)
{
    ByteVector d;
    put32(d, w);
    put32(d, h);
    d.insert(d.end(), {uint8_t(depth), uint8_t(colorType), 0, 0, uint8_t(interlaced)});
    return chunk("IHDR", d);
}

inline const ByteVector signature = {137, 80, 78, 71, 13, 10, 26, 10};

// Signature, the chunks, and IEND unless left out.
inline ByteVector pngFile(const std::vector<ByteVector> &chunks, bool withEnd = true)
{
    ByteVector f = signature;
    for (const ByteVector &c : chunks)
        f = f + c;
    return withEnd ? f + chunk("IEND", {}) : f;
}

// Rows of a non-interlaced image, each with filter byte 0, compressed into one IDAT.
inline ByteVector idatOfRows(const std::vector<ByteVector> &rows)
{
    ByteVector raw;
    for (const ByteVector &r : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), r.begin(), r.end());
    }
    return chunk("IDAT", zlibCompress(raw));
}

} // namespace fixtures
