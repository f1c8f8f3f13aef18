// tavorin-artwork OUTDIR: draws the login window's artwork (login.png,
// 342 x 308 RGBA), the about box's logo (logo.png, 60 x 90) and the desktop
// icon (icons/tavorin-48.png, -128.png, -256.png and icons/tavorin.svg, the
// same shapes in SVG) into OUTDIR.
//
// The login window keys out exactly-black pixels, so everything outside the
// panel is written as (0,0,0) with alpha 0 and nothing that belongs to the
// panel is ever exactly black. Edges fade out through the alpha channel.
#include <algorithm>
#include <iterator>

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QTextStream>

namespace {

// Fixed places the login window puts its controls at.
const QRect loginButton(248, 120, 97, 73);
const QRect exitButton(256, 208, 57, 49);
const QRect userBox(80, 136, 145, 18);
const QRect passwordBox(80, 168, 145, 18);

const QColor darkest(1, 1, 1);

QFont uiFont(int pixelSize, bool bold)
{
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

QPainterPath panelShape()
{
    QPainterPath body;
    body.addRoundedRect(QRectF(6, 28, 318, 272), 26, 26);
    QPainterPath tab;
    tab.addRoundedRect(QRectF(18, 6, 196, 52), 18, 18);
    // The log-in area reaches the right edge of the image: a wing carries
    // it there, cut off straight by the image border.
    QPainterPath boss;
    boss.addRoundedRect(QRectF(238, 110, 120, 94), 16, 16);
    return body.united(tab).united(boss).simplified();
}

void drawGlossyButton(QPainter &p, const QRectF &r, const QColor &base, const QString &caption, int textSize)
{
    const QPointF c = r.center();
    const qreal radius = std::min(r.width(), r.height()) / 2;

    // A soft dark rim, then the body with a light source at the top left.
    p.setPen(Qt::NoPen);
    p.setBrush(base.darker(260));
    p.drawEllipse(c, radius, radius);
    QRadialGradient body(c + QPointF(-radius * 0.3, -radius * 0.35), radius * 1.3);
    body.setColorAt(0.0, base.lighter(150));
    body.setColorAt(0.6, base);
    body.setColorAt(1.0, base.darker(170));
    p.setBrush(body);
    p.drawEllipse(c, radius - 3, radius - 3);

    // Highlight across the upper half.
    QLinearGradient gloss(c.x(), c.y() - radius, c.x(), c.y());
    gloss.setColorAt(0.0, QColor(255, 255, 255, 150));
    gloss.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setBrush(gloss);
    p.drawEllipse(QRectF(c.x() - radius * 0.72, c.y() - radius + 5, radius * 1.44, radius * 0.95));

    p.setFont(uiFont(textSize, true));
    p.setPen(QColor(40, 24, 8));
    p.drawText(QRectF(c.x() - radius, c.y() - radius + 1, 2 * radius, 2 * radius), Qt::AlignCenter, caption);
    p.setPen(QColor(255, 250, 240));
    p.drawText(QRectF(c.x() - radius, c.y() - radius, 2 * radius, 2 * radius), Qt::AlignCenter, caption);
}

void drawInputSocket(QPainter &p, const QRect &box)
{
    const QRectF socket = QRectF(box).adjusted(-3, -3, 3, 3);
    p.setPen(QPen(QColor(120, 170, 215), 1));
    p.setBrush(QColor(10, 30, 52));
    p.drawRoundedRect(socket, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 248, 252));
    p.drawRect(QRectF(box).adjusted(-1, -1, 1, 1));
}

// A rising chart line: the program is about watching rankings climb.
void drawChart(QPainter &p, const QRectF &area, const QColor &colour, qreal width)
{
    const QPointF points[] = {
        {area.left(), area.bottom()},
        {area.left() + area.width() * 0.25, area.bottom() - area.height() * 0.35},
        {area.left() + area.width() * 0.45, area.bottom() - area.height() * 0.2},
        {area.left() + area.width() * 0.7, area.bottom() - area.height() * 0.7},
        {area.right(), area.top()},
    };
    QPen pen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(points, int(std::size(points)));
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    p.drawEllipse(points[4], width * 1.3, width * 1.3);
}

// Keeps the colour-key rule: transparent pixels are exactly (0,0,0,0) and no
// visible pixel is exactly black.
QImage keyed(const QImage &drawn)
{
    QImage out = drawn.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            const QRgb px = line[x];
            if (qAlpha(px) == 0)
                line[x] = qRgba(0, 0, 0, 0);
            else if ((px & 0x00ffffffu) == 0)
                line[x] = qRgba(darkest.red(), darkest.green(), darkest.blue(), qAlpha(px));
        }
    }
    return out;
}

QImage drawLogin()
{
    QImage img(342, 308, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QPainterPath shape = panelShape();

    // Panel body: deep blue fading to near-black blue, never to pure black.
    QLinearGradient bg(0, 0, 0, 308);
    bg.setColorAt(0.0, QColor(44, 96, 150));
    bg.setColorAt(0.45, QColor(22, 58, 98));
    bg.setColorAt(1.0, QColor(8, 22, 40));
    p.fillPath(shape, bg);

    p.save();
    p.setClipPath(shape);
    // A faint chart across the body as a watermark.
    drawChart(p, QRectF(30, 212, 190, 66), QColor(90, 150, 210, 70), 5);
    // Sheen on the upper part.
    QLinearGradient sheen(0, 6, 0, 110);
    sheen.setColorAt(0.0, QColor(255, 255, 255, 70));
    sheen.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(QRectF(0, 0, 342, 110), sheen);
    p.restore();

    // Rim: a light line just inside the edge.
    p.setPen(QPen(QColor(140, 190, 235, 200), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape);

    // Title on the tab.
    p.setFont(uiFont(26, true));
    p.setPen(QColor(12, 30, 52));
    p.drawText(QRectF(34, 10, 170, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavorin"));
    p.setPen(QColor(250, 252, 255));
    p.drawText(QRectF(33, 9, 170, 40), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Tavorin"));
    drawChart(p, QRectF(160, 20, 38, 22), QColor(255, 196, 64), 3);

    p.setFont(uiFont(13, false));
    p.setPen(QColor(200, 222, 245));
    p.drawText(QRectF(24, 66, 220, 20), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("网站优化记事本"));
    p.setFont(uiFont(11, false));
    p.setPen(QColor(150, 185, 220));
    p.drawText(QRectF(24, 88, 220, 18), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("请输入用户名和密码"));

    // Darker field where the labels (white text) and the two boxes sit.
    p.setPen(QPen(QColor(70, 120, 170), 1));
    p.setBrush(QColor(12, 34, 60, 220));
    p.drawRoundedRect(QRectF(14, 124, 224, 74), 10, 10);
    drawInputSocket(p, userBox);
    drawInputSocket(p, passwordBox);

    // Buttons, centred in their click areas and kept inside the image.
    const QRectF login = QRectF(loginButton).intersected(QRectF(0, 0, 342, 308));
    const qreal loginSize = std::min(login.width(), login.height()) - 2;
    drawGlossyButton(p, QRectF(0, 0, loginSize, loginSize).translated(294.5 - loginSize / 2, 156.5 - loginSize / 2),
                     QColor(236, 140, 30), QStringLiteral("登 录"), 17);
    const qreal exitSize = std::min(exitButton.width(), exitButton.height()) - 2;
    const QPointF exitCentre = QRectF(exitButton).center();
    drawGlossyButton(p, QRectF(exitCentre.x() - exitSize / 2, exitCentre.y() - exitSize / 2, exitSize, exitSize),
                     QColor(196, 60, 52), QStringLiteral("退出"), 13);

    p.setFont(uiFont(10, false));
    p.setPen(QColor(120, 155, 190));
    p.drawText(QRectF(24, 270, 200, 16), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Belmarsk · V1.0"));
    p.end();
    return keyed(img);
}

QImage drawLogo()
{
    QImage img(60, 90, QImage::Format_ARGB32_Premultiplied);
    img.fill(QColor(8, 22, 40));
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient bg(0, 0, 0, 90);
    bg.setColorAt(0.0, QColor(44, 96, 150));
    bg.setColorAt(1.0, QColor(8, 22, 40));
    p.fillRect(img.rect(), bg);

    // A large T, then the rising chart under it.
    p.setFont(uiFont(46, true));
    p.setPen(QColor(12, 30, 52));
    p.drawText(QRectF(1, 3, 60, 54), Qt::AlignCenter, QStringLiteral("T"));
    p.setPen(QColor(250, 252, 255));
    p.drawText(QRectF(0, 2, 60, 54), Qt::AlignCenter, QStringLiteral("T"));
    drawChart(p, QRectF(9, 58, 40, 20), QColor(255, 196, 64), 3);

    p.setPen(QPen(QColor(140, 190, 235), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 59, 89));
    p.end();
    return img.convertToFormat(QImage::Format_RGB32);
}

// The desktop icon on a 256-unit square: a rounded tile, a T built of two
// bars (no font, so the SVG and the PNGs agree) and the rising chart.
struct IconShapes {
    QRectF tile{16, 16, 224, 224};
    qreal tileRadius = 48;
    QRectF bar{60, 52, 136, 38};
    QRectF stem{109, 52, 38, 120};
    QList<QPointF> chart{{58, 208}, {96, 184}, {132, 196}, {168, 158}, {204, 132}};
    qreal chartWidth = 14;
    QColor top{44, 96, 150}, bottom{8, 22, 40}, letter{250, 252, 255}, line{255, 196, 64}, rim{140, 190, 235};
};

QImage drawIcon(int size)
{
    const IconShapes s;
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 256.0, size / 256.0);
    QLinearGradient bg(0, s.tile.top(), 0, s.tile.bottom());
    bg.setColorAt(0.0, s.top);
    bg.setColorAt(1.0, s.bottom);
    p.setPen(QPen(s.rim, 4));
    p.setBrush(bg);
    p.drawRoundedRect(s.tile, s.tileRadius, s.tileRadius);
    p.setPen(Qt::NoPen);
    p.setBrush(s.letter);
    p.drawRect(s.bar);
    p.drawRect(s.stem);
    p.setPen(QPen(s.line, s.chartWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(s.chart.constData(), int(s.chart.size()));
    p.end();
    return img;
}

QString iconSvg()
{
    const IconShapes s;
    auto rect = [](const QRectF &r) {
        return QStringLiteral("x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\"")
            .arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    QStringList points;
    for (const QPointF &pt : s.chart)
        points << QStringLiteral("%1,%2").arg(pt.x()).arg(pt.y());
    return QStringLiteral(
               "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 256 256\">\n"
               "  <defs>\n"
               "    <linearGradient id=\"tile\" x1=\"0\" y1=\"%1\" x2=\"0\" y2=\"%2\" gradientUnits=\"userSpaceOnUse\">\n"
               "      <stop offset=\"0\" stop-color=\"%3\"/>\n"
               "      <stop offset=\"1\" stop-color=\"%4\"/>\n"
               "    </linearGradient>\n"
               "  </defs>\n"
               "  <rect %5 rx=\"%6\" fill=\"url(#tile)\" stroke=\"%7\" stroke-width=\"4\"/>\n"
               "  <rect %8 fill=\"%9\"/>\n"
               "  <rect %10 fill=\"%9\"/>\n"
               "  <polyline points=\"%11\" fill=\"none\" stroke=\"%12\" stroke-width=\"%13\" "
               "stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n"
               "</svg>\n")
        .arg(s.tile.top()).arg(s.tile.bottom())
        .arg(s.top.name(), s.bottom.name(), rect(s.tile)).arg(s.tileRadius)
        .arg(s.rim.name(), rect(s.bar), s.letter.name(), rect(s.stem), points.join(QLatin1Char(' ')), s.line.name())
        .arg(s.chartWidth);
}

} // namespace

int main(int argc, char **argv)
{
    // Drawing needs fonts but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream err(stderr);
    const QStringList args = app.arguments().mid(1);
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-'))) {
        err << "usage: tavorin-artwork OUTDIR   (writes login.png, logo.png and icons/)\n";
        return 2;
    }
    const QDir out(args[0]);
    if (!QDir().mkpath(out.filePath(QStringLiteral("icons")))) {
        err << "tavorin-artwork: cannot make " << out.filePath(QStringLiteral("icons")) << "\n";
        return 1;
    }
    const struct {
        QString name;
        QImage image;
    } files[] = {{QStringLiteral("login.png"), drawLogin()},
                 {QStringLiteral("logo.png"), drawLogo()},
                 {QStringLiteral("icons/tavorin-48.png"), drawIcon(48)},
                 {QStringLiteral("icons/tavorin-128.png"), drawIcon(128)},
                 {QStringLiteral("icons/tavorin-256.png"), drawIcon(256)}};
    for (const auto &f : files) {
        const QString path = out.filePath(f.name);
        if (!f.image.save(path, "PNG")) {
            err << "tavorin-artwork: cannot write " << path << "\n";
            return 1;
        }
    }
    QFile svg(out.filePath(QStringLiteral("icons/tavorin.svg")));
    if (!svg.open(QIODevice::WriteOnly | QIODevice::Truncate) || svg.write(iconSvg().toUtf8()) < 0) {
        err << "tavorin-artwork: cannot write " << svg.fileName() << "\n";
        return 1;
    }
    return 0;
}
