#pragma once

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QSize>
#include <QWidget>

#include "png/Target.h"

namespace png {

// Lets the decoder draw into a Qt widget and use the widget as the backdrop for compositing,
// the way it would a window or picture control with a persistent picture.
//
// The widget gets a drawing surface (Image): its background colour with the persistent
// picture (Picture) at the top left and whatever was drawn since. The surface is painted
// beneath the widget's own painting and its children. Sizes are read and set in twips, the
// outer size including a window's frame or a frame's border; the inner size is also available
// in pixels through the scale mode.
class WidgetTarget : public QObject, public PicTarget, public BackgroundSource {
    Q_OBJECT
public:
    enum ScaleMode { Twips = 1, Pixels = 3 };

    explicit WidgetTarget(QWidget *widget);
    ~WidgetTarget() override;

    QWidget *widget() const { return m_widget; }

    ScaleMode scaleMode() const { return m_scaleMode; }
    void setScaleMode(ScaleMode mode) { m_scaleMode = mode; }
    // The inner size (inside a border) in the current scale unit.
    int32_t scaleWidth() const;
    int32_t scaleHeight() const;

    // Clears what was drawn: the surface shows the background colour and the picture again.
    void cls();
    // The drawing surface; null until the first clear or drawing.
    const QImage &image() const { return m_image; }
    // The persistent picture, kept across cls(); null when there is none.
    const QImage &picture() const { return m_picture; }
    void setPicture(const QImage &picture);
    // How many bitmaps were drawn into the widget.
    int drawCount() const { return m_draws; }

    // A decoded bitmap as an image of the colours it shows (alpha carried along is ignored).
    static QImage toImage(const Dib &dib);

    void clear() override { cls(); }
    void draw(const Dib &dib, int32_t x, int32_t y, bool asBackground) override;
    // The same with the bitmap already converted by toImage() (perhaps on another thread);
    // size is the bitmap's.
    void draw(const QImage &bitmap, QSize size, int32_t x, int32_t y, bool asBackground);
    // True when a picture of this size drawn at (x, y) as background hides all of the surface.
    bool covers(QSize size, int32_t x, int32_t y) const;

    int32_t widthTwips() const override;
    int32_t heightTwips() const override;
    void setWidthTwips(int32_t twips) override;
    void setHeightTwips(int32_t twips) override;
    void capture(int32_t x, int32_t y, int32_t width, int32_t height, uint8_t *out, size_t stride) const override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QSize outerSize() const;
    QSize innerSize() const;
    void resizeOuter(int width, int height);
    int32_t toTwipsX(int pixels) const { return int32_t(pixels * twipsPerPixelX()); }
    int32_t toTwipsY(int pixels) const { return int32_t(pixels * twipsPerPixelY()); }
    // The surface as it is now, or as cls() would make it when there is none yet.
    QImage currentSurface() const;
    QImage freshSurface(QSize size) const;
    void fitSurface();

    QPointer<QWidget> m_widget;
    ScaleMode m_scaleMode = Twips;
    QImage m_image;
    QImage m_picture;
    int m_draws = 0;
};

} // namespace png
