#pragma once

#include <QRect>

// Positions and sizes in the window descriptions are in twips: 1440 to the
// inch, 15 to a pixel at 96 dots per inch. Convert here and nowhere else.
namespace Twips {

constexpr int perPixel = 15;

constexpr int toPixels(int twips)
{
    return twips >= 0 ? (twips + perPixel / 2) / perPixel : -((-twips + perPixel / 2) / perPixel);
}

constexpr int fromPixels(int pixels) { return pixels * perPixel; }

} // namespace Twips

// A rectangle given in twips, in pixels.
inline QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(Twips::toPixels(left), Twips::toPixels(top), Twips::toPixels(width), Twips::toPixels(height));
}
