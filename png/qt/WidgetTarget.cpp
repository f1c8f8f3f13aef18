#include "png/qt/WidgetTarget.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

#include <algorithm>

namespace png {

namespace {

int toPixels(int64_t twips, int32_t perPixel)
{
    if (perPixel <= 0)
        return 0;
    const int64_t px = twips >= 0 ? (twips + perPixel / 2) / perPixel : -((-twips + perPixel / 2) / perPixel);
    return int(std::clamp<int64_t>(px, 0, QWIDGETSIZE_MAX));
}

} // namespace

WidgetTarget::WidgetTarget(QWidget *widget) : QObject(widget), m_widget(widget)
{
    if (m_widget)
        m_widget->installEventFilter(this);
}

WidgetTarget::~WidgetTarget()
{
    if (m_widget)
        m_widget->removeEventFilter(this);
}

QSize WidgetTarget::outerSize() const
{
    if (!m_widget)
        return {};
    return m_widget->isWindow() ? m_widget->frameGeometry().size() : m_widget->size();
}

QSize WidgetTarget::innerSize() const
{
    return m_widget ? m_widget->contentsRect().size() : QSize();
}

void WidgetTarget::resizeOuter(int width, int height)
{
    if (!m_widget)
        return;
    // Whatever lies around the widget's own area (a window's frame) stays as it is.
    const QSize frame = outerSize() - m_widget->size();
    m_widget->resize(std::max(width - frame.width(), 0), std::max(height - frame.height(), 0));
}

int32_t WidgetTarget::scaleWidth() const
{
    const int px = innerSize().width();
    return m_scaleMode == Pixels ? px : toTwipsX(px);
}

int32_t WidgetTarget::scaleHeight() const
{
    const int px = innerSize().height();
    return m_scaleMode == Pixels ? px : toTwipsY(px);
}

int32_t WidgetTarget::widthTwips() const { return toTwipsX(outerSize().width()); }

int32_t WidgetTarget::heightTwips() const { return toTwipsY(outerSize().height()); }

void WidgetTarget::setWidthTwips(int32_t twips)
{
    resizeOuter(toPixels(twips, twipsPerPixelX()), outerSize().height());
}

void WidgetTarget::setHeightTwips(int32_t twips)
{
    resizeOuter(outerSize().width(), toPixels(twips, twipsPerPixelY()));
}

QImage WidgetTarget::freshSurface(QSize size) const
{
    QImage surface(size, QImage::Format_RGB32);
    if (surface.isNull())
        return surface;
    surface.fill(m_widget ? m_widget->palette().color(m_widget->backgroundRole()) : QColor(Qt::black));
    if (!m_picture.isNull()) {
        QPainter p(&surface);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, m_picture);
    }
    return surface;
}

QImage WidgetTarget::currentSurface() const
{
    return m_image.isNull() ? freshSurface(innerSize()) : m_image;
}

void WidgetTarget::fitSurface()
{
    // A grown widget shows its background colour in the new area; what was drawn stays.
    const QSize size = innerSize();
    if (m_image.size() == size)
        return;
    QImage surface = freshSurface(size);
    if (!m_image.isNull() && !surface.isNull()) {
        QPainter p(&surface);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, m_image);
    }
    m_image = surface;
}

void WidgetTarget::cls()
{
    m_image = freshSurface(innerSize());
    if (m_widget)
        m_widget->update();
}

void WidgetTarget::setPicture(const QImage &picture)
{
    m_picture = picture.isNull() ? QImage() : picture.convertToFormat(QImage::Format_RGB32);
    cls();
}

QImage WidgetTarget::toImage(const Dib &dib)
{
    const int w = dib.width();
    const int h = dib.height();
    QImage image(w, h, QImage::Format_RGB32);
    if (image.isNull())
        return image;
    for (int y = 0; y < h; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        switch (dib.bitCount()) {
        case 24:
            for (int x = 0; x < w; ++x) {
                const uint8_t *p = dib.row(y) + size_t(x) * 3;
                line[x] = qRgb(p[2], p[1], p[0]);
            }
            break;
        case 32:
            for (int x = 0; x < w; ++x) {
                const uint8_t *p = dib.row(y) + size_t(x) * 4;
                line[x] = qRgb(p[2], p[1], p[0]);
            }
            break;
        default:
            for (int x = 0; x < w; ++x)
                line[x] = 0xFF000000u | dib.rgb(x, y);
            break;
        }
    }
    return image;
}

void WidgetTarget::draw(const Dib &dib, int32_t x, int32_t y, bool asBackground)
{
    if (m_widget)
        draw(toImage(dib), QSize(dib.width(), dib.height()), x, y, asBackground);
}

void WidgetTarget::draw(const QImage &bitmap, QSize size, int32_t x, int32_t y, bool asBackground)
{
    if (!m_widget)
        return;
    const ScaleMode saved = m_scaleMode;
    setScaleMode(Twips);
    QSize dest = size;
    if (!asBackground) {
        // The target takes the picture's size. A target whose outer and inner heights differ
        // has a border: the picture fills the outer size given, then the target grows by the
        // border so that all of it shows.
        setHeightTwips(toTwipsY(size.height()));
        setWidthTwips(toTwipsX(size.width()));
        if (heightTwips() == scaleHeight()) {
            setScaleMode(Pixels);
            dest = QSize(scaleWidth(), scaleHeight());
        } else {
            dest = QSize(toPixels(widthTwips(), twipsPerPixelX()), toPixels(heightTwips(), twipsPerPixelY()));
            setHeightTwips(heightTwips() + (heightTwips() - scaleHeight()));
            setWidthTwips(widthTwips() + (widthTwips() - scaleWidth()));
        }
    }
    if (covers(dest, x, y) && bitmap.size() == dest && bitmap.format() == QImage::Format_RGB32) {
        // Copied 1:1 over all of the surface: the bitmap is the surface.
        m_image = bitmap;
    } else {
        fitSurface();
        if (!m_image.isNull()) {
            QPainter p(&m_image);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            if (dest == bitmap.size())
                p.drawImage(x, y, bitmap);
            else
                p.drawImage(QRect(QPoint(x, y), dest), bitmap);
        }
    }
    setScaleMode(saved);
    // What was drawn becomes the persistent picture, so a later cls() keeps it.
    m_picture = m_image;
    ++m_draws;
    m_widget->update();
}

bool WidgetTarget::covers(QSize size, int32_t x, int32_t y) const
{
    return m_widget && x == 0 && y == 0 && !size.isEmpty() && size == innerSize();
}

void WidgetTarget::capture(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t *out, size_t stride) const
{
    const QImage surface = currentSurface();
    for (int32_t row = 0; row < height; ++row) {
        uint8_t *dst = out + size_t(height - 1 - row) * stride;
        const int64_t sy = int64_t(y) + row;
        const bool rowInside = sy >= 0 && sy < surface.height();
        const auto *src = rowInside ? reinterpret_cast<const QRgb *>(surface.constScanLine(int(sy))) : nullptr;
        for (int32_t col = 0; col < width; ++col) {
            const int64_t sx = int64_t(x) + col;
            // Outside the widget's inner area there is nothing to see: black.
            const QRgb c = src && sx >= 0 && sx < surface.width() ? src[sx] : 0;
            dst[size_t(col) * 3] = uint8_t(qBlue(c));
            dst[size_t(col) * 3 + 1] = uint8_t(qGreen(c));
            dst[size_t(col) * 3 + 2] = uint8_t(qRed(c));
        }
    }
}

bool WidgetTarget::eventFilter(QObject *watched, QEvent *event)
{
    // The surface lies beneath everything the widget paints itself.
    if (watched == m_widget && event->type() == QEvent::Paint && !m_image.isNull()) {
        QPainter p(m_widget);
        p.drawImage(m_widget->contentsRect().topLeft(), m_image);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace png
