#include "png/MemoryCanvas.h"

#include <algorithm>

namespace png {

MemoryCanvas::MemoryCanvas(int32_t width, int32_t height, uint32_t rgb) : m_fill(rgb)
{
    resize(width, height);
}

uint32_t MemoryCanvas::pixel(int32_t x, int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return m_pixels[size_t(y) * size_t(m_width) + size_t(x)];
}

void MemoryCanvas::setPixel(int32_t x, int32_t y, uint32_t rgb)
{
    if (x >= 0 && y >= 0 && x < m_width && y < m_height)
        m_pixels[size_t(y) * size_t(m_width) + size_t(x)] = rgb & 0xFFFFFFu;
}

void MemoryCanvas::resize(int32_t width, int32_t height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    std::vector<uint32_t> next(size_t(width) * size_t(height), m_fill);
    for (int32_t y = 0; y < std::min(height, m_height); ++y)
        for (int32_t x = 0; x < std::min(width, m_width); ++x)
            next[size_t(y) * size_t(width) + size_t(x)] = pixel(x, y);
    m_pixels.swap(next);
    m_width = width;
    m_height = height;
}

void MemoryCanvas::clear()
{
    ++m_clears;
    std::fill(m_pixels.begin(), m_pixels.end(), m_fill);
}

void MemoryCanvas::draw(const Dib &dib, int32_t x, int32_t y, bool asBackground)
{
    ++m_draws;
    m_last = dib;
    m_x = x;
    m_y = y;
    m_asBackground = asBackground;
    if (!asBackground)
        resize(dib.width(), dib.height());
    const int32_t rows = std::min<int64_t>(dib.height(), int64_t(m_height) - y);
    const int32_t cols = std::min<int64_t>(dib.width(), int64_t(m_width) - x);
    for (int32_t row = std::max(0, -y); row < rows; ++row)
        for (int32_t col = std::max(0, -x); col < cols; ++col)
            setPixel(x + col, y + row, dib.rgb(col, row));
}

void MemoryCanvas::setWidthTwips(int32_t twips)
{
    resize((twips + twipsPerPixelX() / 2) / twipsPerPixelX(), m_height);
}

void MemoryCanvas::setHeightTwips(int32_t twips)
{
    resize(m_width, (twips + twipsPerPixelY() / 2) / twipsPerPixelY());
}

void MemoryCanvas::capture(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t *out, size_t stride) const
{
    for (int32_t row = 0; row < height; ++row) {
        uint8_t *dst = out + size_t(height - 1 - row) * stride;
        for (int32_t col = 0; col < width; ++col) {
            const uint32_t c = pixel(x + col, y + row);
            dst[size_t(col) * 3] = uint8_t(c);
            dst[size_t(col) * 3 + 1] = uint8_t(c >> 8);
            dst[size_t(col) * 3 + 2] = uint8_t(c >> 16);
        }
    }
}

} // namespace png
