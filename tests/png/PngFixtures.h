#pragma once

// Helpers for the PNG tests: hand-made deflate streams and PNG files, zlib to compress.

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
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
        f.insert(f.end(), c.begin(), c.end());
    return withEnd ? f + chunk("IEND", {}) : f;
}

// Rows of a non-interlaced image, each with filter byte 0, compressed into one IDAT.
inline ByteVector idatOfRows(const std::vector<ByteVector> &rows)
{
    ByteVector raw;
    for (const ByteVector &r : rows)
        raw.push_back(0), raw.insert(raw.end(), r.begin(), r.end());
    return chunk("IDAT", zlibCompress(raw));
}

// Random scanlines of a picture (in Adam7 passes when interlaced) with runs of repeated
// pixels for the compressor to match; 16-bit repeats may change the low bytes only. The rows
// take the five filter types in turn.
inline ByteVector scanlines(std::mt19937 &rng, int w, int h, int depth, int channels, bool interlaced)
{
    static const int adam7[8][4] = {{0, 0, 1, 1}, {0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8},
                                    {2, 0, 4, 4}, {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    const size_t bpp = size_t(std::max(1, depth * channels / 8)); // filters work on whole bytes
    ByteVector out;
    for (int pass = interlaced ? 1 : 0; pass < (interlaced ? 8 : 1); ++pass) {
        const int *g = adam7[pass];
        const size_t bytes = (size_t(std::max(0, (w - g[0] + g[2] - 1) / g[2])) * size_t(depth * channels) + 7) / 8;
        ByteVector prev, row(bytes);
        for (int y = g[1]; y < h && bytes; y += g[3]) { // a pass without columns has no rows either
            for (size_t i = 0; i < bytes; i += bpp) {
                const bool repeat = i && rng() % 3 == 0;
                for (size_t k = i; k < std::min(bytes, i + bpp); ++k)
                    row[k] = repeat && !(depth == 16 && k % 2 && rng() % 2) ? row[k - bpp] : uint8_t(rng());
            }
            const int type = (y + w) % 5;
            out.push_back(uint8_t(type));
            for (size_t i = 0; i < bytes; ++i) {
                const int a = i >= bpp ? row[i - bpp] : 0, b = prev.empty() ? 0 : prev[i];
                const int c = i >= bpp && !prev.empty() ? prev[i - bpp] : 0;
                const int pa = std::abs(b - c), pb = std::abs(a - c), pc = std::abs(a + b - 2 * c);
                const int predictor[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
                out.push_back(uint8_t(row[i] - predictor[type]));
            }
            prev = row;
        }
    }
    return out;
}

// A random picture of the given kind: every filter type, default, fixed-Huffman or stored
// blocks, one IDAT or many small ones, and a colour key or palette alpha for some.
inline ByteVector generated(int colorType, int depth, bool interlaced, int width, int height)
{
    std::mt19937 rng(unsigned(colorType * 1000 + depth * 100 + width + interlaced * 50000 + height));
    const int channels = colorType == 2 ? 3 : colorType == 4 ? 2 : colorType == 6 ? 4 : 1;
    std::vector<ByteVector> chunks = {ihdr(uint32_t(width), uint32_t(height), depth, colorType, interlaced)};
    if (colorType == 3) { // indices past a short palette come out black
        ByteVector plte(3 * (1 + rng() % (1u << depth))), trns(rng() % (plte.size() / 3 + 1));
        std::generate(plte.begin(), plte.end(), rng), std::generate(trns.begin(), trns.end(), rng);
        chunks.push_back(chunk("PLTE", plte));
        if (!trns.empty()) // some without tRNS: the composited mode then keeps the palette
            chunks.push_back(chunk("tRNS", trns));
    }
    const ByteVector lines = scanlines(rng, width, height, depth, channels, interlaced);
    // Colour keys are taken from the first pixel, so that some pixels match. Every filter type
    // leaves the first pixel of the first row as it is: it follows the filter byte.
    const uint8_t *first = lines.data() + 1;
    if ((colorType == 0 || colorType == 2) && width % 2 == 0) {
        ByteVector key; // two bytes a channel
        for (int c = 0; c < channels; ++c)
            key.insert(key.end(), {depth == 16 ? first[2 * c] : uint8_t(0),
                                   depth == 16 ? first[2 * c + 1] : uint8_t(first[c] >> (8 - std::min(depth, 8)))});
        chunks.push_back(chunk("tRNS", key));
    }
    // Default, fixed-Huffman or stored blocks; one IDAT or many small ones.
    const ByteVector z = zlibCompress(lines,
                                      width % 3 == 2 ? 0 : Z_DEFAULT_COMPRESSION, width % 3 == 1 ? Z_FIXED : Z_DEFAULT_STRATEGY);
    const size_t part = width % 2 ? 16 : z.size();
    for (size_t i = 0; i < z.size(); i += part)
        chunks.push_back(chunk("IDAT", ByteVector(z.begin() + i, z.begin() + std::min(z.size(), i + part))));
    return pngFile(chunks);
}

} // namespace fixtures
