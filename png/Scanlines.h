#pragma once

#include <cstdint>

#include "png/Bytes.h"

namespace png {

// Undoing the PNG scanline filters and Adam7 interlacing. Data shorter than the rows need
// reads as zeros; bits per pixel is bit depth times samples per pixel (1 to 64).
class Scanlines {
public:
    // Bytes of one row without its filter byte.
    static uint64_t rowBytes(uint32_t width, unsigned bitsPerPixel);
    // Bytes of a whole interlaced image: every pass row with its filter byte.
    static uint64_t interlacedSize(uint32_t width, uint32_t height, unsigned bitsPerPixel);

    // Turns `data` (rows each led by a filter byte) into `height` rows of rowBytes() bytes,
    // top row first, in place.
    static void unfilter(Bytes &data, uint32_t width, uint32_t height, unsigned bitsPerPixel);

    // Turns the seven Adam7 passes in `data` into width x height pixels, top row first, of
    // max(1, bitsPerPixel / 8) bytes each: samples narrower than a byte are widened to one
    // byte holding the same value.
    static void deinterlace(Bytes &data, uint32_t width, uint32_t height, unsigned bitsPerPixel);

    // One filtered row: `prev` is the unfiltered row above (all zero for the first row).
    // Types above 4 leave the row as it is.
    static void unfilterRow(uint8_t *row, const uint8_t *prev, size_t len, unsigned bytesPerPixel, unsigned type);
};

} // namespace png
