#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "png/Dib.h"
#include "png/Target.h"

namespace png {

// Colour tables and bitmap building for the loader. The colour tables keep their entries
// from one image to the next; a step changes only the entries it writes.
class CBitmap {
public:
    // choice 1: entry 0 black, entry 1 white; choice 0 the reverse.
    void setMonoPalette(int16_t choice);
    // From the first two PLTE entries when the palette has exactly two, else black and white.
    void setPalette1(const std::vector<uint8_t> &plte);
    // From PLTE entries 0-15 / 0-255; entries the palette lacks become black.
    void setPalette4(const std::vector<uint8_t> &plte);
    void setPalette8(const std::vector<uint8_t> &plte);
    // The grey ramp of a bit depth as PLTE bytes (3 per entry; 256 entries for depth 16).
    // Loads it into the colour tables: depth 1 into the 8-bit table only when `into8` is on,
    // depth 2 always into the 8-bit table, depth 4 into the 8-bit table when `into8` is on
    // else into the 4-bit table, depth 8 into the 8-bit table, depth 16 nowhere.
    std::vector<uint8_t> makeGreyRamp(int depth, bool into8);

    // The pixel buffer holds rows at the bitmap stride; the bitmap waits to be drawn.
    void createIndexedBitmap(Bytes &&pixels, int32_t width, int32_t height, bool topFirst, unsigned bits);
    // mode 0: 32 bits per pixel, mode 1: 24 bits per pixel.
    void createTrueColourBitmap(Bytes &&pixels, int32_t width, int32_t height, bool topFirst, int mode);

    // Clears the target and draws the waiting bitmap, if any; the bitmap is then no longer
    // waiting but stays readable through lastBitmap(). Without a target nothing is drawn.
    void drawBitmap(PicTarget *target, int32_t x, int32_t y, bool asBackground);

    // The bitmap built last (drawn or not); empty before the first one.
    const std::optional<Dib> &lastBitmap() const { return m_last; }
    // Forgets the last bitmap but hands back its pixel storage for reuse.
    Bytes takeLastBits()
    {
        Bytes bits;
        if (m_last)
            bits.swap(m_last->bits);
        m_last.reset();
        return bits;
    }

    const std::array<RgbQuad, 2> &table1() const { return m_table1; }
    const std::array<RgbQuad, 16> &table4() const { return m_table4; }
    const std::array<RgbQuad, 256> &table8() const { return m_table8; }

private:
    template <size_t N>
    static void fromPalette(std::array<RgbQuad, N> &table, const std::vector<uint8_t> &plte);
    void create(Bytes &&pixels, int32_t width, int32_t height, bool topFirst, unsigned bits);

    std::array<RgbQuad, 2> m_table1{};
    std::array<RgbQuad, 16> m_table4{};
    std::array<RgbQuad, 256> m_table8{};
    std::optional<Dib> m_pending;
    std::optional<Dib> m_last;
};

} // namespace png
