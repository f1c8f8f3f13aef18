#include "png/Dib.h"

namespace png {

uint32_t Dib::value(int32_t x, int32_t y) const
{
    const uint8_t *r = row(y);
    switch (bitCount()) {
    case 1: return (r[x / 8] >> (7 - x % 8)) & 1u;
    case 4: return (r[x / 2] >> (x % 2 ? 0 : 4)) & 15u;
    case 8: return r[x];
    case 24: {
        const uint8_t *p = r + size_t(x) * 3;
        return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    case 32: {
        const uint8_t *p = r + size_t(x) * 4;
        return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
    }
    default: return 0;
    }
}

uint32_t Dib::rgb(int32_t x, int32_t y) const
{
    const uint32_t v = value(x, y);
    if (bitCount() > 8)
        return v & 0xFFFFFFu;
    if (v >= colours.size())
        return 0;
    const RgbQuad &q = colours[v];
    return uint32_t(q.red) << 16 | uint32_t(q.green) << 8 | q.blue;
}

} // namespace png
