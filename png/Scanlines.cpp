#include "png/Scanlines.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace png {

namespace {

struct Pass {
    unsigned x0, dx, y0, dy;
};
constexpr Pass Adam7[7] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                           {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

inline uint32_t passCount(uint32_t size, unsigned start, unsigned step)
{
    return size > start ? (size - start + step - 1) / step : 0;
}

inline uint8_t paeth(int a, int b, int c)
{
    const int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    if (pa <= pb && pa <= pc)
        return uint8_t(a);
    return uint8_t(pb <= pc ? b : c);
}

#if defined(__SSE2__)
// Paeth over 4-byte pixels, a pixel at a time with its channels in 16-bit lanes: the most
// common rows of RGBA images, and the slowest of the filters byte by byte.
void paethRowOf4(uint8_t *row, const uint8_t *prev, size_t len)
{
    const __m128i zero = _mm_setzero_si128();
    const auto load = [&zero](const uint8_t *p) {
        int32_t v;
        std::memcpy(&v, p, 4);
        return _mm_unpacklo_epi8(_mm_cvtsi32_si128(v), zero);
    };
    const auto absolute = [&zero](__m128i x) {
        const __m128i negative = _mm_cmplt_epi16(x, zero);
        return _mm_sub_epi16(_mm_xor_si128(x, negative), negative);
    };
    const auto choose = [](__m128i when, __m128i then, __m128i otherwise) {
        return _mm_or_si128(_mm_and_si128(when, then), _mm_andnot_si128(when, otherwise));
    };
    __m128i a = zero, b = zero, c, x = zero;
    for (size_t i = 0; i + 4 <= len; i += 4) {
        c = b;
        b = load(prev + i);
        a = x;
        x = load(row + i);
        // p = a + b - c; its distances to a, b and c.
        const __m128i pa = absolute(_mm_sub_epi16(b, c));
        const __m128i pb = absolute(_mm_sub_epi16(a, c));
        const __m128i pc = absolute(_mm_add_epi16(_mm_sub_epi16(b, c), _mm_sub_epi16(a, c)));
        const __m128i least = _mm_min_epi16(pa, _mm_min_epi16(pb, pc));
        const __m128i predictor =
            choose(_mm_cmpeq_epi16(least, pa), a, choose(_mm_cmpeq_epi16(least, pb), b, c));
        x = _mm_and_si128(_mm_add_epi16(x, predictor), _mm_set1_epi16(0xFF));
        const int32_t out = _mm_cvtsi128_si32(_mm_packus_epi16(x, x));
        std::memcpy(row + i, &out, 4);
    }
}
#endif

// The left neighbour chains through the row; with the pixel width known at compile time the
// channels of a pixel are independent and can be worked on side by side.
template <unsigned Bpp>
void unfilterFixed(uint8_t *row, const uint8_t *prev, size_t len, unsigned type)
{
    switch (type) {
    case 1:
        for (size_t i = Bpp; i < len; ++i)
            row[i] = uint8_t(row[i] + row[i - Bpp]);
        break;
    case 2:
        for (size_t i = 0; i < len; ++i)
            row[i] = uint8_t(row[i] + prev[i]);
        break;
    case 3: {
        const size_t first = std::min<size_t>(Bpp, len);
        for (size_t i = 0; i < first; ++i)
            row[i] = uint8_t(row[i] + (prev[i] >> 1));
        for (size_t i = Bpp; i < len; ++i)
            row[i] = uint8_t(row[i] + ((row[i - Bpp] + prev[i]) >> 1));
        break;
    }
    case 4: {
#if defined(__SSE2__)
        if constexpr (Bpp == 4) {
            if (len % 4 == 0) {
                paethRowOf4(row, prev, len);
                break;
            }
        }
#endif
        const size_t first = std::min<size_t>(Bpp, len);
        for (size_t i = 0; i < first; ++i)
            row[i] = uint8_t(row[i] + prev[i]);
        size_t i = Bpp;
        for (; i + Bpp <= len; i += Bpp)
            for (unsigned k = 0; k < Bpp; ++k)
                row[i + k] = uint8_t(row[i + k] + paeth(row[i + k - Bpp], prev[i + k], prev[i + k - Bpp]));
        for (; i < len; ++i)
            row[i] = uint8_t(row[i] + paeth(row[i - Bpp], prev[i], prev[i - Bpp]));
        break;
    }
    default:
        break;
    }
}

} // namespace

uint64_t Scanlines::rowBytes(uint32_t width, unsigned bitsPerPixel)
{
    return (uint64_t(width) * bitsPerPixel + 7) / 8;
}

uint64_t Scanlines::interlacedSize(uint32_t width, uint32_t height, unsigned bitsPerPixel)
{
    uint64_t total = 0;
    for (const Pass &p : Adam7) {
        const uint32_t w = passCount(width, p.x0, p.dx);
        const uint32_t h = passCount(height, p.y0, p.dy);
        if (w && h)
            total += uint64_t(h) * (rowBytes(w, bitsPerPixel) + 1);
    }
    return total;
}

void Scanlines::unfilterRow(uint8_t *row, const uint8_t *prev, size_t len, unsigned bytesPerPixel, unsigned type)
{
    switch (bytesPerPixel) {
    case 1: unfilterFixed<1>(row, prev, len, type); break;
    case 2: unfilterFixed<2>(row, prev, len, type); break;
    case 3: unfilterFixed<3>(row, prev, len, type); break;
    case 4: unfilterFixed<4>(row, prev, len, type); break;
    case 6: unfilterFixed<6>(row, prev, len, type); break;
    default: unfilterFixed<8>(row, prev, len, type); break;
    }
}

void Scanlines::unfilter(Bytes &data, uint32_t width, uint32_t height, unsigned bitsPerPixel)
{
    const size_t len = size_t(rowBytes(width, bitsPerPixel));
    const size_t stride = len + 1;
    const size_t need = stride * height;
    if (data.size() < need)
        data.resize(need, 0);
    const unsigned bpp = std::max(1u, bitsPerPixel / 8);
    const Bytes zeros(len, 0);
    // Row y moves down to y * len; it never overtakes bytes not yet read.
    uint8_t *base = data.data();
    const uint8_t *prev = zeros.data();
    for (uint32_t y = 0; y < height; ++y) {
        const unsigned type = base[size_t(y) * stride];
        uint8_t *dst = base + size_t(y) * len;
        std::memmove(dst, base + size_t(y) * stride + 1, len);
        unfilterRow(dst, prev, len, bpp, type);
        prev = dst;
    }
    data.resize(len * height);
}

void Scanlines::deinterlace(Bytes &data, uint32_t width, uint32_t height, unsigned bitsPerPixel)
{
    const size_t need = size_t(interlacedSize(width, height, bitsPerPixel));
    if (data.size() < need)
        data.resize(need, 0);
    const unsigned bpp = std::max(1u, bitsPerPixel / 8);
    const size_t pixelBytes = bpp;
    Bytes out(size_t(width) * height * pixelBytes);
    Bytes prevRow, curRow;
    const uint8_t *in = data.data();
    for (const Pass &p : Adam7) {
        const uint32_t pw = passCount(width, p.x0, p.dx);
        const uint32_t ph = passCount(height, p.y0, p.dy);
        if (!pw || !ph)
            continue;
        const size_t len = size_t(rowBytes(pw, bitsPerPixel));
        prevRow.assign(len, 0);
        curRow.resize(len);
        for (uint32_t r = 0; r < ph; ++r) {
            const unsigned type = *in++;
            std::memcpy(curRow.data(), in, len);
            in += len;
            unfilterRow(curRow.data(), prevRow.data(), len, bpp, type);
            uint8_t *dst = out.data() + (size_t(p.y0) + size_t(r) * p.dy) * width * pixelBytes;
            if (bitsPerPixel >= 8) {
                for (uint32_t i = 0; i < pw; ++i)
                    std::memcpy(dst + (size_t(p.x0) + size_t(i) * p.dx) * pixelBytes, curRow.data() + size_t(i) * pixelBytes,
                                pixelBytes);
            } else {
                const unsigned mask = (1u << bitsPerPixel) - 1;
                for (uint32_t i = 0; i < pw; ++i) {
                    const size_t bit = size_t(i) * bitsPerPixel;
                    dst[size_t(p.x0) + size_t(i) * p.dx] =
                        uint8_t((curRow[bit / 8] >> (8 - bitsPerPixel - bit % 8)) & mask);
                }
            }
            std::swap(prevRow, curRow);
        }
    }
    data.swap(out);
}

} // namespace png
