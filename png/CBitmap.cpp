#include "png/CBitmap.h"

#include <cmath>

namespace png {

void CBitmap::setMonoPalette(int16_t choice)
{
    const RgbQuad black{0, 0, 0, 0};
    const RgbQuad white{255, 255, 255, 0};
    m_table1[0] = choice == 1 ? black : white;
    m_table1[1] = choice == 1 ? white : black;
}

template <size_t N>
void CBitmap::fromPalette(std::array<RgbQuad, N> &table, const std::vector<uint8_t> &plte)
{
    for (size_t i = 0; i < N; ++i) {
        if (3 * i + 3 <= plte.size())
            table[i] = RgbQuad{plte[3 * i + 2], plte[3 * i + 1], plte[3 * i], 0};
        else
            table[i] = RgbQuad{};
    }
}

void CBitmap::setPalette1(const std::vector<uint8_t> &plte)
{
    if (plte.size() == 6)
        fromPalette(m_table1, plte);
    else
        setMonoPalette(1);
}

void CBitmap::setPalette4(const std::vector<uint8_t> &plte)
{
    fromPalette(m_table4, plte);
}

void CBitmap::setPalette8(const std::vector<uint8_t> &plte)
{
    fromPalette(m_table8, plte);
}

std::vector<uint8_t> CBitmap::makeGreyRamp(int depth, bool into8)
{
    if (depth < 1 || depth > 16)
        return {};
    const unsigned entries = depth == 16 ? 256 : 1u << depth;
    const uint8_t step = uint8_t(std::lround(255.0 / (entries - 1)));
    std::vector<uint8_t> ramp(entries * 3);
    for (unsigned i = 0; i < entries; ++i) {
        const uint8_t v = uint8_t(i * step);
        ramp[3 * i] = ramp[3 * i + 1] = ramp[3 * i + 2] = v;
    }
    auto load = [&](RgbQuad *table) {
        for (unsigned i = 0; i < entries; ++i)
            table[i] = RgbQuad{ramp[3 * i], ramp[3 * i], ramp[3 * i], 0};
    };
    switch (depth) {
    case 1:
        if (into8)
            load(m_table8.data());
        break;
    case 2: load(m_table8.data()); break;
    case 4: load(into8 ? m_table8.data() : m_table4.data()); break;
    case 8: load(m_table8.data()); break;
    default: break;
    }
    return ramp;
}

void CBitmap::create(Bytes &&pixels, int32_t width, int32_t height, bool topFirst, unsigned bits)
{
    Dib dib;
    dib.header.biWidth = width;
    dib.header.biHeight = topFirst ? -height : height;
    dib.header.biBitCount = uint16_t(bits);
    switch (bits) {
    case 1: dib.colours.assign(m_table1.begin(), m_table1.end()); break;
    case 4: dib.colours.assign(m_table4.begin(), m_table4.end()); break;
    case 8: dib.colours.assign(m_table8.begin(), m_table8.end()); break;
    default: break;
    }
    dib.bits = std::move(pixels);
    m_pending = std::move(dib);
}

void CBitmap::createIndexedBitmap(Bytes &&pixels, int32_t width, int32_t height, bool topFirst, unsigned bits)
{
    create(std::move(pixels), width, height, topFirst, bits);
}

void CBitmap::createTrueColourBitmap(Bytes &&pixels, int32_t width, int32_t height, bool topFirst, int mode)
{
    create(std::move(pixels), width, height, topFirst, mode == 0 ? 32 : 24);
}

void CBitmap::drawBitmap(PicTarget *target, int32_t x, int32_t y, bool asBackground)
{
    if (target) {
        target->clear();
        if (m_pending)
            target->draw(*m_pending, x, y, asBackground);
    }
    if (m_pending) {
        m_last = std::move(m_pending);
        m_pending.reset();
    }
}

} // namespace png
