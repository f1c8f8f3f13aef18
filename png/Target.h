#pragma once

#include <cstdint>

#include "png/Dib.h"

namespace png {

// Where a decoded picture is drawn (a window or picture control on the Qt side).
class PicTarget {
public:
    virtual ~PicTarget() = default;
    // Clears what the target shows; called before every drawing, also when there is nothing
    // to draw.
    virtual void clear() = 0;
    // Shows `dib` with its top left corner at (x, y) pixels. Drawn as background, the picture
    // is copied 1:1 and the target keeps its size; otherwise the target takes the picture's
    // size (plus its border) and the picture fills it.
    virtual void draw(const Dib &dib, int32_t x, int32_t y, bool asBackground) = 0;
};

// Supplies the backdrop for compositing translucent pixels.
class BackgroundSource {
public:
    virtual ~BackgroundSource() = default;
    virtual int32_t widthTwips() const = 0;
    virtual int32_t heightTwips() const = 0;
    virtual void setWidthTwips(int32_t twips) = 0;
    virtual void setHeightTwips(int32_t twips) = 0;
    virtual int32_t twipsPerPixelX() const { return 15; }
    virtual int32_t twipsPerPixelY() const { return 15; }
    // Fills `out` with the width x height pixels at (x, y) as 24-bit blue, green, red rows,
    // bottom row first, each row `stride` bytes. Pixels outside the source read as black.
    virtual void capture(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t *out, size_t stride) const = 0;
};

} // namespace png
