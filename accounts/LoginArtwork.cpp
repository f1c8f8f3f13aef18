// SPDX-License-Identifier: GPL-3.0-or-later
#include "accounts/LoginArtwork.h"

#include "png/LoadPNG.h"
#include "png/qt/WidgetTarget.h"

#include <QFile>

#include <cstring>
#include <future>

namespace LoginArtwork {

namespace {

// Stands in for the window while decoding: a black backdrop, and a record of
// what is drawn. The window has a fixed size, so growing it changes nothing.
class Recorder : public png::PicTarget, public png::BackgroundSource {
public:
    explicit Recorder(Drawing &out) : m_out(out) {}

    void clear() override { m_out.cleared = true; }
    void draw(const png::Dib &dib, int32_t x, int32_t y, bool asBackground) override
    {
        m_out.drawn = true;
        m_out.image = png::WidgetTarget::toImage(dib);
        m_out.size = QSize(dib.width(), dib.height());
        m_out.x = x;
        m_out.y = y;
        m_out.asBackground = asBackground;
    }

    int32_t widthTwips() const override { return 0; }
    int32_t heightTwips() const override { return 0; }
    void setWidthTwips(int32_t) override {}
    void setHeightTwips(int32_t) override {}
    void capture(int32_t, int32_t, int32_t, int32_t height, uint8_t *out, size_t stride) const override
    {
        std::memset(out, 0, size_t(height) * stride);
    }

private:
    Drawing &m_out;
};

Drawing decode(const QString &file)
{
    Drawing drawing;
    Recorder recorder(drawing);
    png::LoadPNG loader;
    loader.setMessageHandler([&drawing](const std::string &text) { drawing.messages.push_back(text); });
    loader.setTarget(&recorder);
    loader.setPlacement(true, 0, 0);
    loader.setBackgroundSource(&recorder);
    loader.setUseAlpha(true);
    loader.setUseTransparency(true);
    if (file.startsWith(QLatin1Char(':'))) {
        QFile builtIn(file);
        const QByteArray bytes = builtIn.open(QIODevice::ReadOnly) ? builtIn.readAll() : QByteArray();
        loader.openData(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    } else {
        loader.openFile(QFile::encodeName(file).toStdString());
    }
    return drawing;
}

// Called on the GUI thread only.
struct Early {
    QString file;
    std::future<Drawing> drawing;
};

Early &early()
{
    static Early e;
    return e;
}

} // namespace

void Drawing::drawInto(png::WidgetTarget &target) const
{
    if (cleared)
        target.clear();
    if (drawn)
        target.draw(image, size, x, y, asBackground);
}

void startEarly(const QString &file)
{
    Early &e = early();
    if (e.drawing.valid())
        return;
    e.file = file;
    e.drawing = std::async(std::launch::async, decode, file);
}

Drawing take(const QString &file)
{
    Early &e = early();
    if (e.drawing.valid()) {
        Drawing drawing = e.drawing.get();
        if (e.file == file)
            return drawing;
    }
    return decode(file);
}

} // namespace LoginArtwork
