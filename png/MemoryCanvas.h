#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "png/Target.h"

namespace png {

// A picture held in memory that can be drawn into and can serve as a backdrop: what the
// dump tool and the tests use where the program has a window.
class MemoryCanvas : public PicTarget, public BackgroundSource {
public:
    MemoryCanvas(int32_t width = 0, int32_t height = 0, uint32_t rgb = 0);

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    uint32_t pixel(int32_t x, int32_t y) const; // 0xRRGGBB, black outside
    void setPixel(int32_t x, int32_t y, uint32_t rgb);
    void resize(int32_t width, int32_t height);

    // What the last draw() got.
    const std::optional<Dib> &lastDrawn() const { return m_last; }
    int clears() const { return m_clears; }
    int draws() const { return m_draws; }
    int32_t drawnX() const { return m_x; }
    int32_t drawnY() const { return m_y; }
    bool drawnAsBackground() const { return m_asBackground; }

    void clear() override;
    void draw(const Dib &dib, int32_t x, int32_t y, bool asBackground) override;

    int32_t widthTwips() const override { return m_width * twipsPerPixelX(); }
    int32_t heightTwips() const override { return m_height * twipsPerPixelY(); }
    void setWidthTwips(int32_t twips) override;
    void setHeightTwips(int32_t twips) override;
    void capture(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t *out, size_t stride) const override;

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    uint32_t m_fill = 0;
    std::vector<uint32_t> m_pixels;
    std::optional<Dib> m_last;
    int m_clears = 0;
    int m_draws = 0;
    int32_t m_x = 0;
    int32_t m_y = 0;
    bool m_asBackground = false;
};

} // namespace png
