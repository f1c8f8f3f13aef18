#include "png/LoadPNG.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "png/Scanlines.h"

namespace png {

namespace {

constexpr uint8_t Signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};

inline uint32_t be32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}
inline unsigned be16(const uint8_t *p)
{
    return unsigned(p[0]) << 8 | p[1];
}

void appendLatin1(std::string &out, const uint8_t *data, size_t len)
{
    for (size_t i = 0; i < len; ++i) {
        const uint8_t c = data[i];
        if (c < 0x80) {
            out += char(c);
        } else {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        }
    }
}

bool validDepth(int32_t colorType, int32_t depth)
{
    switch (colorType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

unsigned samplesPerPixel(int32_t colorType)
{
    switch (colorType) {
    case 0:
    case 3: return 1;
    case 4: return 2;
    case 2: return 3;
    case 6: return 4;
    default: return 0;
    }
}

// round(sample / max * 255), halves to even.
int32_t scaleSample(unsigned sample, unsigned max)
{
    const unsigned num = sample * 255u;
    unsigned q = num / max;
    const unsigned r = num % max;
    if (2 * r > max || (2 * r == max && (q & 1)))
        ++q;
    return int32_t(q);
}

// The sample of pixel x in a packed row of `depth`-bit samples (depth 1, 2, 4 or 8).
inline uint8_t packedSample(const uint8_t *row, size_t x, unsigned depth)
{
    if (depth == 8)
        return row[x];
    const size_t bit = x * depth;
    return uint8_t((row[bit / 8] >> (8 - depth - bit % 8)) & ((1u << depth) - 1));
}

} // namespace

LoadPNG::LoadPNG() = default;

void LoadPNG::setMessageHandler(std::function<void(const std::string &)> handler)
{
    m_inflate.setMessageHandler(std::move(handler));
}

int32_t LoadPNG::OpenPNG(const std::string &filename)
{
    std::vector<uint8_t> file;
    const std::u8string name(filename.begin(), filename.end());
    std::ifstream in(std::filesystem::path(name), std::ios::binary);
    if (in)
        file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return OpenPNGData(file.data(), file.size());
}

void LoadPNG::resetForFile()
{
    // Every value read back describes the file just opened, never an earlier one.
    m_idat.clear();
    m_palette.clear();
    m_trns.clear();
    m_bkgd.clear();
    m_width = m_height = m_bitDepth = m_colorType = m_compression = m_filter = m_interlacing = 0;
    m_error = NoError;
    m_haveAlpha = m_haveTrans = m_hasBkgd = false;
    m_bkgdColor = 0;
    m_text.clear();
    m_zText.clear();
    m_modiTime.clear();
    m_gamma = 0;
    m_outputBits = 0;
    m_inflateStatus = 0;
    Bytes old = m_bitmaps.takeLastBits();
    if (old.capacity() > m_spare.capacity())
        m_spare.swap(old);
}

int32_t LoadPNG::OpenPNGData(const uint8_t *data, size_t size)
{
    resetForFile();
    if (size < 8 || std::memcmp(data, Signature, 8) != 0) {
        m_error = BadSignature;
        return 0;
    }
    size_t pos = 8;
    bool iend = false;
    for (;;) {
        if (iend) {
            if (m_idat.empty())
                m_error = NoImageData;
            else
                decodeAndDraw();
            return 0;
        }
        if (size - pos < 8) {
            m_error = ChunkPastEnd;
            return 0;
        }
        const uint32_t len = be32(data + pos);
        const uint8_t *type = data + pos + 4;
        pos += 8;
        // The data must end before the last byte of the file (at least part of the CRC follows).
        if (len > 0x7FFFFFFFu || len >= size - pos) {
            m_error = ChunkPastEnd;
            return 0;
        }
        const uint8_t *chunk = data + pos;
        pos += len;
        pos += std::min<size_t>(4, size - pos); // the CRC is not checked

        auto is = [type](const char *name) { return std::memcmp(type, name, 4) == 0; };
        if (is("IHDR")) {
            if (len >= 13) {
                m_width = int32_t(be32(chunk));
                m_height = int32_t(be32(chunk + 4));
                m_bitDepth = chunk[8];
                m_colorType = chunk[9];
                m_compression = chunk[10];
                m_filter = chunk[11];
                m_interlacing = chunk[12];
            }
        } else if (is("PLTE")) {
            m_palette.assign(chunk, chunk + len);
        } else if (is("IDAT")) {
            m_idat.insert(m_idat.end(), chunk, chunk + len);
        } else if (is("IEND")) {
            iend = true;
        } else if (is("bKGD")) {
            readBkgd(chunk, len);
        } else if (is("gAMA")) {
            if (len >= 4)
                m_gamma = int32_t(be32(chunk));
        } else if (is("tEXt")) {
            appendLatin1(m_text, chunk, len);
            m_text += '\0';
        } else if (is("zTXt")) {
            readZText(chunk, len);
        } else if (is("tIME")) {
            readTime(chunk, len);
        } else if (is("tRNS")) {
            m_trns.assign(chunk, chunk + len);
            m_haveTrans = true;
        }
    }
}

void LoadPNG::readBkgd(const uint8_t *data, size_t len)
{
    m_bkgd.assign(data, data + len);
    m_hasBkgd = true;
    m_bkgdColor = 0;
    switch (m_colorType) {
    case 0:
    case 4: {
        if (len < 2 || !validDepth(0, m_bitDepth))
            return;
        unsigned g = be16(data);
        // Sixteen-bit pixels are reduced to their high bytes, so is the background.
        if (m_bitDepth == 16)
            g >>= 8;
        else if (g > (1u << m_bitDepth) - 1)
            return;
        const std::vector<uint8_t> ramp = m_bitmaps.MakeGreyRamp(m_bitDepth == 16 ? 8 : m_bitDepth, false);
        const int32_t v = ramp[3 * g];
        m_bkgdColor = v | v << 8 | v << 16;
        return;
    }
    case 2:
    case 6: {
        if (len < 6 || (m_bitDepth != 8 && m_bitDepth != 16))
            return;
        const unsigned max = (1u << m_bitDepth) - 1;
        const unsigned r = be16(data), g = be16(data + 2), b = be16(data + 4);
        if (r > max || g > max || b > max)
            return;
        m_bkgdColor = scaleSample(r, max) | scaleSample(g, max) << 8 | scaleSample(b, max) << 16;
        return;
    }
    case 3: {
        if (len < 1)
            return;
        const size_t i = data[0];
        if (3 * i + 3 <= m_palette.size())
            m_bkgdColor = m_palette[3 * i] | m_palette[3 * i + 1] << 8 | m_palette[3 * i + 2] << 16;
        return;
    }
    default: return;
    }
}

void LoadPNG::readTime(const uint8_t *data, size_t len)
{
    if (len < 7)
        return;
    const int year = int16_t(be16(data));
    char text[64];
    std::snprintf(text, sizeof text, "%02d.%02d.%d %02d:%02d:%02d", data[3], data[2], year, data[4], data[5], data[6]);
    m_modiTime = text;
}

void LoadPNG::readZText(const uint8_t *data, size_t len)
{
    const uint8_t *nul = static_cast<const uint8_t *>(std::memchr(data, 0, len));
    const size_t keyword = nul ? size_t(nul - data) : len;
    appendLatin1(m_zText, data, keyword);
    m_zText += '\0';
    // NUL, compression method and the two zlib header bytes precede the stream.
    const size_t start = keyword + 4;
    if (start < len) {
        const size_t n = len - start;
        uint32_t expected = uint32_t(std::min<uint64_t>(uint64_t(12) * (n - 1), m_maxDecoded));
        Bytes text;
        m_inflate.run(data + start, n, text, expected, false);
        appendLatin1(m_zText, text.data(), text.size());
    }
    m_zText += '\0';
}

void LoadPNG::decodeAndDraw()
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
    const unsigned bpp = depth * samplesPerPixel(ct);
    const bool interlaced = m_interlacing == 1;
    const uint64_t packedRow = Scanlines::rowBytes(w, bpp);
    uint64_t expected = 0;
    if (m_interlacing == 0)
        expected = uint64_t(h) * (packedRow + 1);
    else if (interlaced)
        expected = Scanlines::interlacedSize(w, h, bpp);

    unsigned outBits = 0;
    switch (ct) {
    case 0:
    case 3: outBits = (!interlaced && depth != 2 && depth != 16) ? depth : 8; break;
    case 2: outBits = 24; break;
    default: outBits = 32; break;
    }
    const bool alphaComposite = (ct == 4 || ct == 6) && m_useAlpha;
    const bool trnsComposite = (ct == 0 || ct == 2 || ct == 3) && m_haveTrans && m_useTrans;
    const uint64_t pixels = uint64_t(w) * h;

    uint64_t biggest = expected + 100;
    biggest = std::max(biggest, uint64_t(h) * packedRow);
    if (interlaced)
        biggest = std::max(biggest, pixels * std::max(1u, bpp / 8));
    biggest = std::max(biggest, uint64_t(h) * Dib::strideFor(w, outBits));
    if (alphaComposite || trnsComposite)
        biggest = std::max({biggest, pixels * 4, uint64_t(h) * Dib::strideFor(w, 24)});
    if (biggest > m_maxDecoded || w > 0x7FFFFFFFu || h > 0x7FFFFFFFu) {
        m_error = TooLarge;
        return;
    }

    // Inflate after dropping the two zlib header bytes; the Adler-32 trailer is not checked.
    Bytes raw;
    raw.swap(m_spare);
    const uint8_t *z = m_idat.data() + std::min<size_t>(2, m_idat.size());
    const size_t zSize = m_idat.size() - size_t(z - m_idat.data());
    if (m_compression == 0) {
        uint32_t capacity = uint32_t(expected);
        m_inflateStatus = m_inflate.run(z, zSize, raw, capacity, false);
    } else {
        raw.assign(z, z + zSize);
    }

    size_t srcRow;
    if (interlaced) {
        Scanlines::Deinterlace(raw, w, h, bpp);
        srcRow = size_t(w) * std::max(1u, bpp / 8);
    } else {
        if (m_interlacing == 0)
            Scanlines::Unfilter(raw, w, h, bpp);
        srcRow = size_t(packedRow);
        raw.resize(srcRow * h, 0);
    }
    // One sample (index or grey level) per pixel is what the byte-wise steps read.
    const unsigned srcDepth = interlaced ? 8 : depth;
    const unsigned step = depth == 16 ? 2 : 1; // bytes to step over per sample (high byte first)

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
        composite(rgba, w, h);
        m_bitmaps.DrawBitmap(m_picBox, m_x, m_y, m_setToBG);
        m_outputBits = 24;
        return;
    }

    const size_t stride = size_t(Dib::strideFor(w, outBits));
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
        if (step == 1 && srcRow == stride) {
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
            composite(bits, w, h);
        } else {
            m_bitmaps.CreateTrueColourBitmap(std::move(bits), m_width, m_height, false, 0);
        }
        break;
    }
    }
    if (raw.capacity() > m_spare.capacity())
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
