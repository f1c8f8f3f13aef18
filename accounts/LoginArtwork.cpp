// SPDX-License-Identifier: GPL-3.0-or-later
#include "accounts/LoginArtwork.h"

#include "png/LoadPNG.h"
#include "png/qt/WidgetTarget.h"

#include <QFile>

#include <cstring>
#include <future>
#include <memory>

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

struct Ahead {
    QString file;
    std::future<Drawing> drawing;
};

Ahead &ahead()
{
    static Ahead a;
    return a;
}

} // namespace

void Drawing::drawInto(png::WidgetTarget &target) const
{
    // A drawing that hides all of the surface leaves nothing of a clear to see.
    if (cleared && !(drawn && asBackground && target.covers(size, x, y)))
        target.clear();
    if (drawn)
        target.draw(image, size, x, y, asBackground);
}

void decodeAhead(const QString &file, const std::function<void(std::function<void()>)> &run)
{
    auto task = std::make_shared<std::packaged_task<Drawing()>>([file] { return decode(file); });
    Ahead &a = ahead();
    a.file = file;
    a.drawing = task->get_future();
    run([task] { (*task)(); });
}

Drawing take(const QString &file)
{
    Ahead &a = ahead();
    std::future<Drawing> kept = std::move(a.drawing);
    if (kept.valid() && a.file == file)
        return kept.get();
    return decode(file);
}

} // namespace LoginArtwork
