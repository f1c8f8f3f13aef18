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
    uint64_t converted = 0;    // the bitmap, or the 32-bit buffer before compositing
    uint64_t backdrop = 0;     // the 24-bit composited bitmap; the sources are freed before it

    uint64_t peak() const
    {
        const uint64_t inflating = idat + raw;
        const uint64_t rows = deinterlaced ? raw + deinterlaced + 2 * row : raw + row;
        const uint64_t source = deinterlaced ? deinterlaced : raw;
        const uint64_t converting = source + converted;
        const uint64_t compositing = backdrop ? converted + backdrop : 0;
        return kept + Working + std::max({inflating, rows, converting, compositing});
    }
};

} // namespace

void LoadPNG::decodeAndDraw(ChunkReader &reader, uint64_t idatSize)
{
    m_haveAlpha = false;
    const uint32_t w = uint32_t(m_width);
    const uint32_t h = uint32_t(m_height);
    const int32_t ct = m_colorType;
    const unsigned depth = unsigned(m_bitDepth);

    if (!validDepth(ct, m_bitDepth) || w == 0 || h == 0) {
        // Nothing a bitmap can be made of; the target is still cleared.
        m_bitmaps.DrawBitmap(m_picBox, m_x, m_y, m_setToBG);
        return;
    }
    const uint64_t pixels = uint64_t(w) * h;
    // Even a 1-bit bitmap takes a byte per 8 pixels; sizes beyond these bounds also keep the
    // arithmetic below from overflowing.
    if (w > 0x7FFFFFFFu || h > 0x7FFFFFFFu || pixels / 8 > m_maxDecoded || pixels > (uint64_t(1) << 40)) {
        m_error = TooLarge;
        return;
    }
    const unsigned bpp = depth * samplesPerPixel(ct);
    const bool interlaced = m_interlacing == 1;
    const uint64_t packedRow = Scanlines::rowBytes(w, bpp);
    const uint64_t expected =
        interlaced ? Scanlines::interlacedSize(w, h, bpp) : uint64_t(h) * (packedRow + 1);

    unsigned outBits = 0;
    switch (ct) {
    case 0:
    case 3: outBits = (!interlaced && depth != 2 && depth != 16) ? depth : 8; break;
    case 2: outBits = 24; break;
    default: outBits = 32; break;
    }
    const bool alphaComposite = (ct == 4 || ct == 6) && m_useAlpha;
    const bool trnsComposite = (ct == 0 || ct == 2 || ct == 3) && m_haveTrans && m_useTrans;
    const unsigned step = depth == 16 ? 2 : 1; // bytes to step over per sample (high byte first)
    const uint64_t pixelBytes = std::max(1u, bpp / 8);
    const uint64_t srcRow = interlaced ? w * pixelBytes : packedRow;
    const uint64_t stride = Dib::strideFor(w, outBits);
    // Rows that already have the bitmap's layout become the bitmap without a copy.
    const bool inPlace = !trnsComposite && srcRow == stride &&
                         ((ct == 2 && step == 1) || ((ct == 0 || ct == 3) && depth != 16 && (depth != 2 || interlaced)));

    MemoryPlan plan;
    plan.kept = keptBytes();
    plan.idat = idatSize;
    plan.raw = expected + InflateExtra;
    plan.row = packedRow;
    plan.deinterlaced = interlaced ? pixels * pixelBytes : 0;
    if (trnsComposite || ct == 4 || ct == 6)
        plan.converted = pixels * 4;
    else if (!inPlace)
        plan.converted = h * stride;
    if (trnsComposite || alphaComposite)
        plan.backdrop = h * Dib::strideFor(w, 24);
    // The storage of an earlier bitmap serves as the inflate output when it is large enough
    // and keeping it still fits; otherwise it is let go first.
    Bytes raw;
    if (m_spare.capacity() >= plan.raw) {
        MemoryPlan reuse = plan;
        reuse.raw = m_spare.capacity();
        if (reuse.peak() <= m_maxDecoded)
            raw.swap(m_spare);
    }
    Bytes().swap(m_spare);
    if (plan.peak() > m_maxDecoded) {
        m_error = TooLarge;
        return;
    }

    reader.releaseBuffer();
    if (!gatherImageData(reader, idatSize)) {
        m_error = ChunkPastEnd;
        return;
    }
    // Inflate after dropping the two zlib header bytes; the Adler-32 trailer is not checked.
    const uint8_t *z = m_idat.data() + std::min<size_t>(2, m_idat.size());
    const size_t zSize = m_idat.size() - size_t(z - m_idat.data());
    uint32_t capacity = uint32_t(expected);
    m_inflateStatus = m_inflate.run(z, zSize, raw, capacity, false);
    Bytes().swap(m_idat);

    if (interlaced) {
        Scanlines::Deinterlace(raw, w, h, bpp);
    } else {
        Scanlines::Unfilter(raw, w, h, bpp);
        raw.resize(srcRow * h, 0);
    }
    // One sample (index or grey level) per pixel is what the byte-wise steps read.
    const unsigned srcDepth = interlaced ? 8 : depth;
    auto releaseRaw = [&raw]() { Bytes().swap(raw); };

    if (trnsComposite) {
        Bytes rgba(size_t(pixels) * 4);
        std::vector<uint8_t> colours; // PLTE-style lookup for indexed and grey images
        uint8_t alpha[256];
        std::fill(std::begin(alpha), std::end(alpha), uint8_t(255));
        if (ct == 3) {
            colours = m_palette;
            for (size_t i = 0; i < std::min<size_t>(256, m_trns.size()); ++i)
                alpha[i] = m_trns[i];
        } else if (ct == 0) {
            colours = m_bitmaps.MakeGreyRamp(depth == 16 ? 8 : int(depth), true);
            if (m_trns.size() >= 2) {
                // The pixels keep the high byte of a 16-bit sample; so does the key.
                const unsigned level = depth == 16 ? m_trns[0] : m_trns[1];
                if (level < colours.size() / 3)
                    alpha[level] = 0;
            }
        }
        colours.resize(256 * 3, 0);
        const bool keyed = ct == 2 && m_trns.size() >= 6;
        uint8_t key[3] = {};
        if (keyed)
            for (int c = 0; c < 3; ++c)
                key[c] = depth == 16 ? m_trns[2 * c] : m_trns[2 * c + 1];
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t *s = raw.data() + size_t(y) * srcRow;
            uint8_t *d = rgba.data() + size_t(h - 1 - y) * w * 4;
            for (uint32_t x = 0; x < w; ++x, d += 4) {
                if (ct == 2) {
                    const uint8_t *p = s + size_t(x) * 3 * step;
                    d[0] = p[2 * step];
                    d[1] = p[step];
                    d[2] = p[0];
                    d[3] = keyed && p[0] == key[0] && p[step] == key[1] && p[2 * step] == key[2] ? 0 : 255;
                } else {
                    const uint8_t v = step == 2 ? s[size_t(x) * 2] : packedSample(s, x, srcDepth);
                    d[0] = colours[3 * v + 2];
                    d[1] = colours[3 * v + 1];
                    d[2] = colours[3 * v];
                    d[3] = alpha[v];
                }
            }
        }
        releaseRaw();
        composite(rgba, w, h);
        m_bitmaps.DrawBitmap(m_picBox, m_x, m_y, m_setToBG);
        m_outputBits = 24;
        return;
    }

    auto padded = [&]() {
        if (srcRow == stride)
            return std::move(raw);
        Bytes out(stride * h);
        for (uint32_t y = 0; y < h; ++y) {
            uint8_t *d = out.data() + size_t(y) * stride;
            std::memcpy(d, raw.data() + size_t(y) * srcRow, srcRow);
            std::memset(d + srcRow, 0, stride - srcRow);
        }
        return out;
    };
    auto bytePerSample = [&]() { // 2-bit samples widened, 16-bit ones cut to their high byte
        Bytes out(stride * h);
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t *s = raw.data() + size_t(y) * srcRow;
            uint8_t *d = out.data() + size_t(y) * stride;
            for (uint32_t x = 0; x < w; ++x)
                d[x] = step == 2 ? s[size_t(x) * 2] : packedSample(s, x, srcDepth);
            std::memset(d + w, 0, stride - w);
        }
        return out;
    };

    const bool topFirst = true;
    switch (ct) {
    case 0:
    case 3: {
        Bytes bits = (depth == 16 || (depth == 2 && !interlaced)) ? bytePerSample() : padded();
        if (ct == 0) {
            if (depth == 1 && !interlaced)
                m_bitmaps.SetMonoPalette(1);
            else
                m_bitmaps.MakeGreyRamp(depth == 16 ? 8 : int(depth), interlaced || depth == 8);
        } else if (outBits == 1) {
            m_bitmaps.SetPalette1(m_palette);
        } else if (outBits == 4) {
            m_bitmaps.SetPalette4(m_palette);
        } else {
            m_bitmaps.SetPalette8(m_palette);
        }
        m_bitmaps.CreateIndexedBitmap(std::move(bits), m_width, m_height, topFirst, outBits);
        break;
    }
    case 2: {
        if (inPlace) {
            // Rows already have the bitmap's stride: swap red and blue where they are.
            uint8_t *p = raw.data();
            for (size_t i = 0, n = size_t(pixels); i < n; ++i, p += 3)
                std::swap(p[0], p[2]);
            m_bitmaps.CreateTrueColourBitmap(std::move(raw), m_width, m_height, topFirst, 1);
            break;
        }
        Bytes bits(stride * h);
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t *s = raw.data() + size_t(y) * srcRow;
            uint8_t *d = bits.data() + size_t(y) * stride;
            if (step == 1) {
                for (uint32_t x = 0; x < w; ++x, s += 3, d += 3) {
                    d[0] = s[2];
                    d[1] = s[1];
                    d[2] = s[0];
                }
            } else {
                for (uint32_t x = 0; x < w; ++x, s += 6, d += 3) {
                    d[0] = s[4];
                    d[1] = s[2];
                    d[2] = s[0];
                }
            }
            std::memset(bits.data() + size_t(y) * stride + size_t(w) * 3, 0, stride - size_t(w) * 3);
        }
        m_bitmaps.CreateTrueColourBitmap(std::move(bits), m_width, m_height, topFirst, 1);
        break;
    }
    default: {
        m_haveAlpha = true;
        // Alpha bitmaps are built bottom row first.
        Bytes bits(size_t(pixels) * 4);
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t *s = raw.data() + size_t(y) * srcRow;
            uint8_t *d = bits.data() + size_t(h - 1 - y) * w * 4;
            if (ct == 4) {
                for (uint32_t x = 0; x < w; ++x, s += 2 * step, d += 4) {
                    d[0] = d[1] = d[2] = s[0];
                    d[3] = s[step];
                }
            } else {
                for (uint32_t x = 0; x < w; ++x, s += 4 * step, d += 4) {
                    d[0] = s[2 * step];
                    d[1] = s[step];
                    d[2] = s[0];
                    d[3] = s[3 * step];
                }
            }
        }
        if (alphaComposite) {
            releaseRaw();
            composite(bits, w, h);
        } else {
            m_bitmaps.CreateTrueColourBitmap(std::move(bits), m_width, m_height, false, 0);
        }
        break;
    }
    }
    // Kept for the next file's inflate output, so that its pages need not be faulted in again.
    m_spare.swap(raw);
    m_bitmaps.DrawBitmap(m_picBox, m_x, m_y, m_setToBG);
    if (m_bitmaps.lastBitmap())
        m_outputBits = m_bitmaps.lastBitmap()->bitCount();
}

void LoadPNG::composite(const Bytes &rgba, uint32_t w, uint32_t h)
{
    const size_t stride = size_t(Dib::strideFor(w, 24));
    Bytes out(stride * h, 0);
    if (!m_background) {
        const uint32_t colour = m_ownBkgndColor != 0 ? m_ownBkgndColor : uint32_t(m_bkgdColor);
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
        const uint8_t *s = rgba.data() + size_t(y) * w * 4;
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
    m_bitmaps.CreateTrueColourBitmap(std::move(out), int32_t(w), int32_t(h), false, 1);
}

} // namespace png
