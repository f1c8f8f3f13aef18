#pragma once

#include <cstdint>
#include <vector>

#include "png/Bytes.h"

namespace png {

// The 40-byte header of a device-independent bitmap, field for field.
struct BitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0; // negative: rows are stored top row first
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

// One colour table entry, in the order a bitmap stores it.
struct RgbQuad {
    uint8_t blue = 0;
    uint8_t green = 0;
    uint8_t red = 0;
    uint8_t reserved = 0;
    bool operator==(const RgbQuad &) const = default;
};

// A device-independent bitmap held in memory: header, colour table (2, 16 or 256 entries for
// 1, 4 and 8 bits per pixel, none for 24 and 32) and rows at the bitmap stride.
struct Dib {
    BitmapInfoHeader header;
    std::vector<RgbQuad> colours;
    Bytes bits;

    static uint64_t strideFor(uint32_t width, unsigned bitCount)
    {
        return (uint64_t(width) * bitCount + 31) / 32 * 4;
    }

    int32_t width() const { return header.biWidth; }
    int32_t height() const { return header.biHeight < 0 ? -header.biHeight : header.biHeight; }
    bool topDown() const { return header.biHeight < 0; }
    unsigned bitCount() const { return header.biBitCount; }
    size_t stride() const { return size_t(strideFor(uint32_t(width()), bitCount())); }

    // Start of the row that is shown `y` rows from the top.
    const uint8_t *row(int32_t y) const
    {
        const int32_t stored = topDown() ? y : height() - 1 - y;
        return bits.data() + size_t(stored) * stride();
    }

    // The value a pixel holds: a colour table index for indexed bitmaps, else 0xAARRGGBB
    // (alpha only for 32 bits).
    uint32_t value(int32_t x, int32_t y) const;
    // The colour shown at (x, y) counted from the top left, as 0xRRGGBB.
    uint32_t rgb(int32_t x, int32_t y) const;
};

} // namespace png
