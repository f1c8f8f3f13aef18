#pragma once

// Helpers for the PNG tests: hand-made deflate streams and PNG files, and libpng/zlib as
// the oracles that say what a picture holds.

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace fixtures {

using ByteVector = std::vector<uint8_t>;

// Writes deflate bit fields least significant bit first; Huffman codes most significant first.
class BitWriter {
public:
    void bits(uint32_t value, unsigned count)
    {
        for (unsigned i = 0; i < count; ++i)
            bit((value >> i) & 1);
    }
    void code(uint32_t code, unsigned len)
    {
        for (unsigned i = len; i-- > 0;)
            bit((code >> i) & 1);
    }
    void alignToByte()
    {
        while (m_used)
            bit(0);
    }
    void byte(uint8_t b)
    {
        alignToByte();
        m_bytes.push_back(b);
    }
    ByteVector take()
    {
        alignToByte();
        return m_bytes;
    }

private:
    void bit(unsigned b)
    {
        if (!m_used)
            m_bytes.push_back(0);
        m_bytes.back() |= uint8_t(b << m_used);
        m_used = (m_used + 1) % 8;
    }
    ByteVector m_bytes;
    unsigned m_used = 0;
};

// Canonical codes for a list of code lengths (RFC 1951 3.2.2).
inline std::vector<uint32_t> canonicalCodes(const std::vector<unsigned> &lens)
{
    unsigned count[17] = {};
    for (unsigned l : lens)
        ++count[l];
    count[0] = 0;
    unsigned next[17] = {};
    unsigned c = 0;
    for (unsigned b = 1; b <= 16; ++b) {
        c = (c + count[b - 1]) << 1;
        next[b] = c;
    }
    std::vector<uint32_t> codes(lens.size());
    for (size_t s = 0; s < lens.size(); ++s)
        if (lens[s])
            codes[s] = next[lens[s]]++;
    return codes;
}

// Fixed-code symbols.
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

inline ByteVector zlibCompress(const ByteVector &data, int level = Z_DEFAULT_COMPRESSION, int strategy = Z_DEFAULT_STRATEGY,
                               int windowBits = 15)
{
    z_stream zs{};
    deflateInit2(&zs, level, Z_DEFLATED, windowBits, 8, strategy);
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
    v.push_back(uint8_t(x >> 24));
    v.push_back(uint8_t(x >> 16));
    v.push_back(uint8_t(x >> 8));
    v.push_back(uint8_t(x));
}

inline ByteVector chunk(const char *type, const ByteVector &data)
{
    ByteVector c;
    put32(c, uint32_t(data.size()));
    c.insert(c.end(), type, type + 4);
    c.insert(c.end(), data.begin(), data.end());
    uLong crc = crc32(0, reinterpret_cast<const Bytef *>(type), 4);
    crc = crc32(crc, data.data(), uInt(data.size()));
    put32(c, uint32_t(crc));
    return c;
}

inline ByteVector ihdr(uint32_t w, uint32_t h, int depth, int colorType, int interlace = 0)
{
    ByteVector d;
    put32(d, w);
    put32(d, h);
    d.push_back(uint8_t(depth));
    d.push_back(uint8_t(colorType));
    d.push_back(0);
    d.push_back(0);
    d.push_back(uint8_t(interlace));
    return chunk("IHDR", d);
}

inline ByteVector signature()
{
    return {137, 80, 78, 71, 13, 10, 26, 10};
}

// A PNG file of the given chunks between signature and IEND.
inline ByteVector pngFile(const std::vector<ByteVector> &chunks, bool withEnd = true)
{
    ByteVector f = signature();
    for (const ByteVector &c : chunks)
        f.insert(f.end(), c.begin(), c.end());
    if (withEnd) {
        const ByteVector e = chunk("IEND", {});
        f.insert(f.end(), e.begin(), e.end());
    }
    return f;
}

// Filtered rows (filter byte 0 each) of a non-interlaced image, compressed into one IDAT.
inline ByteVector idatOfRows(const std::vector<ByteVector> &rows)
{
    ByteVector raw;
    for (const ByteVector &r : rows) {
        raw.push_back(0);
        raw.insert(raw.end(), r.begin(), r.end());
    }
    return chunk("IDAT", zlibCompress(raw));
}

// ---- libpng as the oracle ----

struct Decoded {
    bool ok = false;
    uint32_t width = 0, height = 0;
    int colorType = 0, depth = 0, interlace = 0, channels = 0;
    ByteVector samples; // one byte per sample: packed samples widened, 16-bit ones cut to the high byte
    std::vector<png_color> palette;
    ByteVector trnsAlpha;
    bool hasTrns = false;
    png_color_16 trnsColour{};
    bool hasBkgd = false;
    png_color_16 bkgd{};
};

struct MemReader {
    const uint8_t *data;
    size_t size, pos;
};

inline void readFromMemory(png_structp png, png_bytep out, png_size_t len)
{
    auto *r = static_cast<MemReader *>(png_get_io_ptr(png));
    if (r->size - r->pos < len)
        png_error(png, "read past end");
    std::memcpy(out, r->data + r->pos, len);
    r->pos += len;
}

inline void quietWarning(png_structp, png_const_charp) {}

inline Decoded libpngDecode(const ByteVector &file)
{
    Decoded d;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quietWarning);
    png_infop info = png_create_info_struct(png);
    MemReader reader{file.data(), file.size(), 0};
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        d.ok = false;
        return d;
    }
    png_set_read_fn(png, &reader, readFromMemory);
    png_set_crc_action(png, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_read_info(png, info);
    d.width = png_get_image_width(png, info);
    d.height = png_get_image_height(png, info);
    d.colorType = png_get_color_type(png, info);
    d.depth = png_get_bit_depth(png, info);
    d.interlace = png_get_interlace_type(png, info);
    png_colorp pal = nullptr;
    int npal = 0;
    if (png_get_PLTE(png, info, &pal, &npal))
        d.palette.assign(pal, pal + npal);
    png_bytep ta = nullptr;
    int nt = 0;
    png_color_16p tc = nullptr;
    if (png_get_tRNS(png, info, &ta, &nt, &tc)) {
        d.hasTrns = true;
        if (ta && d.colorType == PNG_COLOR_TYPE_PALETTE)
            d.trnsAlpha.assign(ta, ta + nt);
        if (tc)
            d.trnsColour = *tc;
    }
    png_color_16p bk = nullptr;
    if (png_get_bKGD(png, info, &bk)) {
        d.hasBkgd = true;
        d.bkgd = *bk;
    }
    if (d.depth < 8)
        png_set_packing(png);
    if (d.depth == 16)
        png_set_strip_16(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    d.channels = png_get_channels(png, info);
    const size_t rowBytes = png_get_rowbytes(png, info);
    d.samples.resize(rowBytes * d.height);
    rows.resize(d.height);
    for (uint32_t y = 0; y < d.height; ++y)
        rows[y] = d.samples.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    d.ok = true;
    return d;
}

struct Written {
    ByteVector *out;
};

inline void writeToMemory(png_structp png, png_bytep data, png_size_t len)
{
    auto *w = static_cast<Written *>(png_get_io_ptr(png));
    w->out->insert(w->out->end(), data, data + len);
}
inline void flushNothing(png_structp) {}

struct EncodeOptions {
    int filters = PNG_ALL_FILTERS; // PNG_FILTER_NONE ... PNG_FILTER_PAETH or a mix
    int level = Z_DEFAULT_COMPRESSION;
    int strategy = Z_DEFAULT_STRATEGY;
    size_t idatSize = 8192; // compressed bytes per IDAT chunk
    std::vector<png_color> palette;
    ByteVector trnsAlpha;       // palette images
    bool trnsColour = false;    // grey and truecolour images
    png_color_16 trns{};
};

// `rows`: packed rows as PNG stores them (no filter bytes), 16-bit samples big-endian.
inline ByteVector libpngEncode(uint32_t w, uint32_t h, int depth, int colorType, bool interlaced,
                               const std::vector<ByteVector> &rows, const EncodeOptions &o)
{
    ByteVector out;
    Written sink{&out};
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, quietWarning);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &sink, writeToMemory, flushNothing);
    png_set_IHDR(png, info, w, h, depth, colorType, interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!o.palette.empty())
        png_set_PLTE(png, info, o.palette.data(), int(o.palette.size()));
    if (!o.trnsAlpha.empty() || o.trnsColour)
        png_set_tRNS(png, info, o.trnsAlpha.empty() ? nullptr : o.trnsAlpha.data(), int(o.trnsAlpha.size()),
                     o.trnsColour ? &o.trns : nullptr);
    png_set_filter(png, 0, o.filters);
    png_set_compression_level(png, o.level);
    png_set_compression_strategy(png, o.strategy);
    png_set_compression_buffer_size(png, o.idatSize);
    png_write_info(png, info);
    std::vector<png_bytep> ptrs(h);
    for (uint32_t y = 0; y < h; ++y)
        ptrs[y] = const_cast<png_bytep>(rows[y].data());
    png_write_image(png, ptrs.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace fixtures
