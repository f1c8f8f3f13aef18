#pragma once

#include <cstdint>

namespace png {

// Facts of the PNG format about the IHDR fields, shared by the chunk reader and the decoder.

// True when the bit depth is allowed for the colour type.
inline bool validDepth(int32_t colorType, int32_t depth)
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

// Samples per pixel of a colour type; 0 for a type outside the PNG set.
inline unsigned samplesPerPixel(int32_t colorType)
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

// Only deflate compression, adaptive filtering and no or Adam7 interlacing are defined; data
// written with any other method cannot be read as pixels.
inline bool knownMethods(int32_t compression, int32_t filter, int32_t interlace)
{
    return compression == 0 && filter == 0 && (interlace == 0 || interlace == 1);
}

} // namespace png
