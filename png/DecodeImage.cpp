// The decode-and-draw step of LoadPNG: inflate, undo filters and interlacing, convert to a
// bitmap, composite, draw; and the memory plan that keeps one decode within its limit.
#include <algorithm>
#include <cstring>
#include <iterator>

#include "png/ChunkReader.h"
#include "png/ImageHeader.h"
#include "png/LoadPNG.h"
#include "png/Scanlines.h"

namespace png {

namespace {

// The inflate output's room beyond the expected size (100) and the decoder's own slack.
constexpr uint64_t InflateExtra = 100 + 64;
// Code tables, row buffers of a pass, colour lookups: small, but held too.
constexpr uint64_t Working = 32 << 10;

// The sample of pixel x in a packed row of `depth`-bit samples (depth 1, 2, 4 or 8).
inline uint8_t packedSample(const uint8_t *row, size_t x, unsigned depth)
{
    if (depth == 8)
        return row[x];
    const size_t bit = x * depth;
    return uint8_t((row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1));
}

// Which buffers one decode allocates, and the most it holds at any moment. The stages follow
// decodeAndDraw step by step; a buffer is counted from its allocation until it is freed.
struct MemoryPlan {
    uint64_t kept = 0;     // text and palette from the chunks
    uint64_t idat = 0;     // the gathered image data, freed after inflating
    uint64_t raw = 0;      // inflate output, unfiltered in place
    uint64_t row = 0;      // one packed row (zero row, or a pass's two rows)
    uint64_t deinterlaced = 0; // whole picture, one or more bytes per pixel; replaces raw
    uint64_t converted = 0;    // the bitmap, or the 32-bit buffer before compositing keyed colours
    uint64_t backdrop = 0;     // the 24-bit composited bitmap, beside its source: the 32-bit
                               // buffer (raw freed before it), or else the rows themselves
    uint64_t bgraRow = 0;      // one row of 32-bit pixels, when the rows are composited directly

    uint64_t peak() const
    {
        const uint64_t inflating = idat + raw;
        const uint64_t rows = deinterlaced ? raw + deinterlaced + 2 * row : raw + row;
        const uint64_t source = deinterlaced ? deinterlaced : raw;
        const uint64_t converting = source + converted;
        const uint64_t compositing = backdrop ? (converted ? converted : source + bgraRow) + backdrop : 0;
        return kept + Working + std::max({inflating, rows, converting, compositing});
    }
};

} // namespace

// How the picture's samples lie at each step, worked out from its header.
struct LoadPNG::Layout {
    uint32_t w = 0, h = 0;
    int32_t ct = 0;
    unsigned depth = 0;
    unsigned bpp = 0; // bits per pixel in the file
    bool interlaced = false;
    uint64_t pixels = 0;
    uint64_t packedRow = 0; // bytes of a row in the file, without its filter byte
    uint64_t expected = 0;  // inflated size of the image data
    unsigned outBits = 0;   // bits per pixel of the bitmap
    bool alphaComposite = false;
    bool trnsComposite = false;
    unsigned step = 1;       // bytes to step over per sample (16 bits: high byte first)
    uint64_t srcRow = 0;     // bytes of a row after unfiltering (and deinterlacing)
    unsigned srcDepth = 0;   // bits per sample after it; deinterlaced samples take a byte each
    uint64_t stride = 0;     // bytes of a bitmap row
    bool inPlace = false;    // the rows already have the bitmap's layout
};

LoadPNG::Layout LoadPNG::layout() const
{
    Layout l;
    l.w = uint32_t(m_width);
    l.h = uint32_t(m_height);
    l.ct = m_colorType;
    l.depth = unsigned(m_bitDepth);
    l.pixels = uint64_t(l.w) * l.h;
    l.bpp = l.depth * samplesPerPixel(l.ct);
    l.interlaced = m_interlacing == 1;
    l.packedRow = Scanlines::rowBytes(l.w, l.bpp);
    l.expected = l.interlaced ? Scanlines::interlacedSize(l.w, l.h, l.bpp) : uint64_t(l.h) * (l.packedRow + 1);
    switch (l.ct) {
    case 0:
    case 3: l.outBits = (!l.interlaced && l.depth != 2 && l.depth != 16) ? l.depth : 8; break;
    case 2: l.outBits = 24; break;
    default: l.outBits = 32; break;
    }
    l.alphaComposite = (l.ct == 4 || l.ct == 6) && m_useAlpha;
    l.trnsComposite = (l.ct == 0 || l.ct == 2 || l.ct == 3) && m_hasTransparency && m_useTransparency;
    l.step = l.depth == 16 ? 2 : 1;
    const uint64_t pixelBytes = std::max(1u, l.bpp / 8);
    l.srcRow = l.interlaced ? l.w * pixelBytes : l.packedRow;
    l.srcDepth = l.interlaced ? 8 : l.depth;
    l.stride = Dib::strideFor(l.w, l.outBits);
    l.inPlace = !l.trnsComposite && l.srcRow == l.stride
                && ((l.ct == 2 && l.step == 1) || ((l.ct == 0 || l.ct == 3) && l.depth != 16 && (l.depth != 2 || l.interlaced)));
    return l;
}

bool LoadPNG::planMemory(const Layout &l, uint64_t idatSize, Bytes &raw)
{
    MemoryPlan plan;
    plan.kept = keptBytes();
    plan.idat = idatSize;
    plan.raw = l.expected + InflateExtra;
    plan.row = l.packedRow;
    plan.deinterlaced = l.interlaced ? l.pixels * std::max(1u, l.bpp / 8) : 0;
    if (l.trnsComposite || ((l.ct == 4 || l.ct == 6) && !l.alphaComposite))
        plan.converted = l.pixels * 4;
    else if (!l.inPlace)
        plan.converted = l.h * l.stride;
    if (l.trnsComposite || l.alphaComposite)
        plan.backdrop = l.h * Dib::strideFor(l.w, 24);
    if (l.alphaComposite)
        plan.bgraRow = uint64_t(l.w) * 4;
    // The storage of an earlier bitmap serves as the inflate output when it is large enough
    // and keeping it still fits; otherwise it is let go first.
    if (m_spare.capacity() >= plan.raw) {
        MemoryPlan reuse = plan;
        reuse.raw = m_spare.capacity();
        if (reuse.peak() <= m_maxDecoded)
            raw.swap(m_spare);
    }
    Bytes().swap(m_spare);
    return plan.peak() <= m_maxDecoded;
}

bool LoadPNG::inflateRows(ChunkReader &reader, uint64_t idatSize, const Layout &l, Bytes &raw)
{
    reader.releaseBuffer();
    if (!gatherImageData(reader, idatSize))
        return false;
    // Inflate after dropping the two zlib header bytes; the Adler-32 trailer is not checked.
    const uint8_t *z = m_idat.data() + std::min<size_t>(2, m_idat.size());
    const size_t zSize = m_idat.size() - size_t(z - m_idat.data());
    uint32_t capacity = uint32_t(l.expected);
    m_inflate.run(z, zSize, raw, capacity);
    Bytes().swap(m_idat);
    if (l.interlaced) {
        Scanlines::deinterlace(raw, l.w, l.h, l.bpp);
    } else {
        Scanlines::unfilter(raw, l.w, l.h, l.bpp);
        raw.resize(l.srcRow * l.h, 0);
    }
    return true;
}

void LoadPNG::decodeAndDraw(ChunkReader &reader, uint64_t idatSize)
{
    m_hasAlpha = false;
    if (!validDepth(m_colorType, m_bitDepth) || m_width == 0 || m_height == 0) {
        // Nothing a bitmap can be made of; the target is still cleared.
        m_bitmaps.drawBitmap(m_target, m_x, m_y, m_asBackground);
        return;
    }
    const uint64_t w = uint32_t(m_width), h = uint32_t(m_height);
    // Even a 1-bit bitmap takes a byte per 8 pixels; sizes beyond these bounds also keep the
    // arithmetic of the layout from overflowing.
    if (w > 0x7FFFFFFFu || h > 0x7FFFFFFFu || w * h / 8 > m_maxDecoded || w * h > (uint64_t(1) << 40)) {
        m_error = TooLarge;
        return;
    }
    const Layout l = layout();
    Bytes raw;
    if (!planMemory(l, idatSize, raw)) {
        m_error = TooLarge;
        return;
    }
    if (!inflateRows(reader, idatSize, l, raw)) {
        m_error = ChunkPastEnd;
        return;
    }
    if (l.trnsComposite) {
        const Bytes rgba = keyedToRgba(l, raw);
        Bytes().swap(raw);
        composite(l.w, l.h, [&rgba, &l](uint32_t y) { return rgba.data() + size_t(y) * l.w * 4; });
    } else if (l.ct == 0 || l.ct == 3) {
        makeIndexed(l, raw);
    } else if (l.ct == 2) {
        makeTrueColour(l, raw);
    } else {
        makeWithAlpha(l, raw);
    }
    // Kept for the next file's inflate output, so that its pages need not be faulted in again.
    m_spare.swap(raw);
    m_bitmaps.drawBitmap(m_target, m_x, m_y, m_asBackground);
    if (m_bitmaps.lastBitmap())
        m_outputBits = m_bitmaps.lastBitmap()->bitCount();
}

Bytes LoadPNG::keyedToRgba(const Layout &l, const Bytes &raw)
{
    Bytes rgba(size_t(l.pixels) * 4);
    std::vector<uint8_t> colours; // PLTE-style lookup for indexed and grey images
    uint8_t alpha[256];
    std::fill(std::begin(alpha), std::end(alpha), uint8_t(255));
    if (l.ct == 3) {
        colours = m_palette;
        for (size_t i = 0; i < std::min<size_t>(256, m_trns.size()); ++i)
            alpha[i] = m_trns[i];
    } else if (l.ct == 0) {
        colours = m_bitmaps.makeGreyRamp(l.depth == 16 ? 8 : int(l.depth), true);
        if (m_trns.size() >= 2) {
            // The pixels keep the high byte of a 16-bit sample; so does the key.
            const unsigned level = l.depth == 16 ? m_trns[0] : m_trns[1];
            if (level < colours.size() / 3)
                alpha[level] = 0;
        }
    }
    colours.resize(256 * 3, 0);
    const unsigned step = l.step;
    const bool keyed = l.ct == 2 && m_trns.size() >= 6;
    uint8_t key[3] = {};
    if (keyed)
        for (int c = 0; c < 3; ++c)
            key[c] = step == 2 ? m_trns[2 * c] : m_trns[2 * c + 1];
    for (uint32_t y = 0; y < l.h; ++y) {
        const uint8_t *s = raw.data() + size_t(y) * l.srcRow;
        uint8_t *d = rgba.data() + size_t(l.h - 1 - y) * l.w * 4;
        for (uint32_t x = 0; x < l.w; ++x, d += 4) {
            if (l.ct == 2) {
                const uint8_t *p = s + size_t(x) * 3 * step;
                d[0] = p[2 * step];
                d[1] = p[step];
                d[2] = p[0];
                d[3] = keyed && p[0] == key[0] && p[step] == key[1] && p[2 * step] == key[2] ? 0 : 255;
            } else {
                const uint8_t v = step == 2 ? s[size_t(x) * 2] : packedSample(s, x, l.srcDepth);
                d[0] = colours[3 * v + 2];
                d[1] = colours[3 * v + 1];
                d[2] = colours[3 * v];
                d[3] = alpha[v];
            }
        }
    }
    return rgba;
}

void LoadPNG::makeIndexed(const Layout &l, Bytes &raw)
{
    Bytes bits;
    if (l.depth == 16 || (l.depth == 2 && !l.interlaced)) {
        // 2-bit samples widened, 16-bit ones cut to their high byte.
        bits.resize(l.stride * l.h);
        for (uint32_t y = 0; y < l.h; ++y) {
            const uint8_t *s = raw.data() + size_t(y) * l.srcRow;
            uint8_t *d = bits.data() + size_t(y) * l.stride;
            for (uint32_t x = 0; x < l.w; ++x)
                d[x] = l.step == 2 ? s[size_t(x) * 2] : packedSample(s, x, l.srcDepth);
            std::memset(d + l.w, 0, l.stride - l.w);
        }
    } else if (l.srcRow == l.stride) {
        bits = std::move(raw);
    } else {
        bits.resize(l.stride * l.h);
        for (uint32_t y = 0; y < l.h; ++y) {
            uint8_t *d = bits.data() + size_t(y) * l.stride;
            std::memcpy(d, raw.data() + size_t(y) * l.srcRow, l.srcRow);
            std::memset(d + l.srcRow, 0, l.stride - l.srcRow);
        }
    }
    if (l.ct == 0) {
        if (l.depth == 1 && !l.interlaced)
            m_bitmaps.setMonoPalette(1);
        else
            m_bitmaps.makeGreyRamp(l.depth == 16 ? 8 : int(l.depth), l.interlaced || l.depth == 8);
    } else if (l.outBits == 1) {
        m_bitmaps.setPalette1(m_palette);
    } else if (l.outBits == 4) {
        m_bitmaps.setPalette4(m_palette);
    } else {
        m_bitmaps.setPalette8(m_palette);
    }
    m_bitmaps.createIndexedBitmap(std::move(bits), m_width, m_height, true, l.outBits);
}

void LoadPNG::makeTrueColour(const Layout &l, Bytes &raw)
{
    if (l.inPlace) {
        // Rows already have the bitmap's stride: swap red and blue where they are.
        uint8_t *p = raw.data();
        for (size_t i = 0, n = size_t(l.pixels); i < n; ++i, p += 3)
            std::swap(p[0], p[2]);
        m_bitmaps.createTrueColourBitmap(std::move(raw), m_width, m_height, true, 1);
        return;
    }
    Bytes bits(l.stride * l.h);
    const unsigned step = l.step;
    for (uint32_t y = 0; y < l.h; ++y) {
        const uint8_t *s = raw.data() + size_t(y) * l.srcRow;
        uint8_t *d = bits.data() + size_t(y) * l.stride;
        for (uint32_t x = 0; x < l.w; ++x, s += 3 * step, d += 3) {
            d[0] = s[2 * step];
            d[1] = s[step];
            d[2] = s[0];
        }
        std::memset(bits.data() + size_t(y) * l.stride + size_t(l.w) * 3, 0, l.stride - size_t(l.w) * 3);
    }
    m_bitmaps.createTrueColourBitmap(std::move(bits), m_width, m_height, true, 1);
}

void LoadPNG::makeWithAlpha(const Layout &l, Bytes &raw)
{
    m_hasAlpha = true;
    // Bitmaps are built bottom row first. Composited, each row goes straight from the
    // samples onto the backdrop; otherwise into a 32-bit bitmap.
    const auto source = [&l, &raw](uint32_t bitmapRow, uint8_t *bgra) {
        const uint8_t *s = raw.data() + size_t(l.h - 1 - bitmapRow) * l.srcRow;
        const unsigned step = l.step;
        if (l.ct == 4) {
            for (uint32_t x = 0; x < l.w; ++x, s += 2 * step, bgra += 4) {
                bgra[0] = bgra[1] = bgra[2] = s[0];
                bgra[3] = s[step];
            }
        } else {
            for (uint32_t x = 0; x < l.w; ++x, s += 4 * step, bgra += 4) {
                bgra[0] = s[2 * step];
                bgra[1] = s[step];
                bgra[2] = s[0];
                bgra[3] = s[3 * step];
            }
        }
    };
    if (l.alphaComposite) {
        Bytes row(size_t(l.w) * 4);
        composite(l.w, l.h, [&](uint32_t y) {
            source(y, row.data());
            return static_cast<const uint8_t *>(row.data());
        });
        return;
    }
    Bytes bits(size_t(l.pixels) * 4);
    for (uint32_t y = 0; y < l.h; ++y)
        source(y, bits.data() + size_t(y) * l.w * 4);
    m_bitmaps.createTrueColourBitmap(std::move(bits), m_width, m_height, false, 0);
}

void LoadPNG::composite(uint32_t w, uint32_t h, const std::function<const uint8_t *(uint32_t)> &bgraRow)
{
    const size_t stride = size_t(Dib::strideFor(w, 24));
    Bytes out(stride * h, 0);
    if (!m_background) {
        const uint32_t colour = m_ownBackgroundColor != 0 ? m_ownBackgroundColor : uint32_t(m_backgroundColor);
        // A system colour (high byte set) is no RGB value; the background stays black.
        if (colour != 0 && (colour >> 24) == 0) {
            const uint8_t r = uint8_t(colour), g = uint8_t(colour >> 8), b = uint8_t(colour >> 16);
            for (uint32_t y = 0; y < h; ++y) {
                uint8_t *d = out.data() + size_t(y) * stride;
                if (r == g && g == b) {
                    std::memset(d, r, size_t(w) * 3);
                    continue;
                }
                for (uint32_t x = 0; x < w; ++x, d += 3) {
                    d[0] = b;
                    d[1] = g;
                    d[2] = r;
                }
            }
        }
    } else {
        const int64_t needW = int64_t(w) * m_background->twipsPerPixelX();
        const int64_t needH = int64_t(h) * m_background->twipsPerPixelY();
        if (m_background->widthTwips() < needW)
            m_background->setWidthTwips(int32_t(std::min<int64_t>(needW + 100, INT32_MAX)));
        if (m_background->heightTwips() < needH)
            m_background->setHeightTwips(int32_t(std::min<int64_t>(needH + 100, INT32_MAX)));
        m_background->capture(m_x, m_y, int32_t(w), int32_t(h), out.data(), stride);
    }
    for (uint32_t y = 0; y < h; ++y) {
        const uint8_t *s = bgraRow(y);
        uint8_t *d = out.data() + size_t(y) * stride;
        for (uint32_t x = 0; x < w; ++x, s += 4, d += 3) {
            const unsigned a = s[3];
            if (a == 255) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            } else if (a != 0) {
                for (int c = 0; c < 3; ++c)
                    d[c] = uint8_t((s[c] * a + d[c] * (255 - a) + 255) >> 8);
            }
        }
    }
    m_bitmaps.createTrueColourBitmap(std::move(out), int32_t(w), int32_t(h), false, 1);
}

} // namespace png
