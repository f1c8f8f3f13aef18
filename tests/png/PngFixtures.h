#pragma once

// Helpers for the PNG tests: hand-made deflate streams and PNG files, zlib to compress.

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace fixtures {

using ByteVector = std::vector<uint8_t>;

inline ByteVector operator+(ByteVector a, const ByteVector &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// "keyword\0text"_b keeps the NUL.
inline ByteVector operator""_b(const char *s, size_t len) { return ByteVector(s, s + len); }

inline ByteVector readFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return ByteVector(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Deflate bit fields go least significant bit first, Huffman codes most significant first.
struct BitWriter {
    ByteVector out;
    unsigned used = 0; // bits taken in the last byte
    void bits(uint32_t value, unsigned count)
    {
        for (unsigned i = 0; i < count; ++i, used = (used + 1) % 8) {
            if (!used)
                out.push_back(0);
            out.back() |= uint8_t(((value >> i) & 1) << used);
        }
    }
    void code(uint32_t code, unsigned len)
    {
        while (len--)
            bits(code >> len, 1);
    }
    void bytes(const ByteVector &b) // from the next whole byte
    {
        bits(0, (8 - used) % 8);
        out.insert(out.end(), b.begin(), b.end());
    }
    // The stream so far, padded to a byte, then `zeros` zero bytes (an unchecked trailer); the
    // writer starts anew.
    ByteVector take(size_t zeros = 0)
    {
        bytes(ByteVector(zeros, 0));
        return std::exchange(out, {});
    }
};

// A symbol of the fixed literal/length code: 0-143 take 8 bits from 0x30, 144-255 9 bits from
// 0x190, 256-279 7 bits from 0, 280-287 8 bits from 0xC0.
inline void fixedSymbol(BitWriter &w, unsigned sym)
{
    if (sym < 144 || sym >= 280)
        w.code(sym < 144 ? 0x30 + sym : 0xC0 + sym - 280, 8);
    else
        w.code(sym < 256 ? 0x190 + sym - 144 : sym - 256, sym < 256 ? 9 : 7);
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

inline ByteVector be32(uint32_t x) { return {uint8_t(x >> 24), uint8_t(x >> 16), uint8_t(x >> 8), uint8_t(x)}; }

inline ByteVector chunk(const char *type, const ByteVector &data)
{
    const ByteVector body = ByteVector(type, type + 4) + data; // what the CRC covers
    return be32(uint32_t(data.size())) + body + be32(uint32_t(crc32(0, body.data(), uInt(body.size()))));
}

inline ByteVector ihdr(uint32_t w, uint32_t h, int depth, int colorType, bool interlaced = false)
{
    return chunk("IHDR", be32(w) + be32(h) + ByteVector{uint8_t(depth), uint8_t(colorType), 0, 0, uint8_t(interlaced)});
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
    for (const ByteVector &r : rows)
        raw = raw + ByteVector{0} + r;
    return chunk("IDAT", zlibCompress(raw));
}

} // namespace fixtures
