// The trend chart drawn through Qt Charts: the module the program opens when
// it first draws a chart (see charts/ChartCanvas.h).
#include "charts/ChartCanvas.h"

#include <QChart>
#include <QChartView>
#include <QCategoryAxis>
#include <QGraphicsItem>
#include <QPainter>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QVBoxLayout>
#include <QValueAxis>
#include <array>
#include <cmath>

namespace {

// Distinct colours for up to twelve lines, then again from the start.
const QColor Palette[] = {QColor(0x1f77b4), QColor(0xd62728), QColor(0x2ca02c), QColor(0xff7f0e),
                          QColor(0x9467bd), QColor(0x8c564b), QColor(0xe377c2), QColor(0x17becf),
                          QColor(0xbcbd22), QColor(0x7f7f7f), QColor(0x393b79), QColor(0xad494a)};

// Markers stand on an axis of their own, near the bottom whatever the values.
constexpr double MarkerAxisTop = 20;
constexpr double MarkerHeight = 0.8;
// Above this many points a line shows its points only where it stands alone.
constexpr int PointsShownUpTo = 120;

qint64 msecs(const QDate &date) { return date.startOfDay().toMSecsSinceEpoch(); }

// The time axis reaches this share of the span (at least half a day) beyond
// the first and last days, so that their points and memo markers are drawn whole.
constexpr double EndPadding = 0.03;

// The lines themselves. Qt Charts joins every point of a series, so a line
// with gaps would need a series per unbroken piece, and a chart of many
// pieces becomes slow to build; instead each line is one series (for axes,
// legend and hover) drawn with an invisible pen, and this item draws its
// pieces, and the points that stand alone, over the plot area.
class LinePieces : public QGraphicsItem {
public:
    struct Line {
        QLineSeries *series;
        QColor colour;
        QList<QList<QPointF>> pieces;
        bool allPoints;
    };

    explicit LinePieces(QChart *chart) : QGraphicsItem(chart), m_chart(chart)
    {
        setZValue(10);
        QObject::connect(chart, &QChart::plotAreaChanged, chart, [this](const QRectF &) {
            prepareGeometryChange();
            update();
        });
    }

    QList<Line> lines;

    QRectF boundingRect() const override { return m_chart->plotArea().adjusted(-4, -4, 4, 4); }

    void paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *) override
    {
        painter->save();
        painter->setClipRect(boundingRect());
        painter->setRenderHint(QPainter::Antialiasing);
        for (const Line &line : std::as_const(lines)) {
            QPen pen(line.colour, 2, Qt::SolidLine, Qt::RoundCap);
            painter->setPen(pen);
            painter->setBrush(line.colour);
            // Short lines one by one: the raster engine fills a long wide
            // polyline's outline at a cost that grows with its length
            // times its height, short ones at the cost of their own area.
            QVector<QLineF> segments;
            QVector<QPointF> dots;
            for (const QList<QPointF> &piece : line.pieces) {
                QPointF previous;
                for (qsizetype i = 0; i < piece.size(); ++i) {
                    const QPointF p = m_chart->mapToPosition(piece[i], line.series);
                    if (i > 0)
                        segments << QLineF(previous, p);
                    if (piece.size() == 1 || line.allPoints)
                        dots << p;
                    previous = p;
                }
            }
            painter->drawLines(segments);
            for (const QPointF &p : std::as_const(dots))
                painter->drawEllipse(p, 3, 3);
        }
        painter->restore();
    }

private:
    QChart *m_chart;
};


// Ticks on whole days at dates of their own choosing: a date-time axis
// only divides its range evenly, which puts ticks between the days.
QCategoryAxis *addTimeAxis(QChart *chart, const ChartContent &c)
{
    auto *xAxis = new QCategoryAxis;
    xAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    xAxis->setTitleText(QStringLiteral("时间"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    if (!c.dates.isEmpty()) {
        QDate first = c.dates.first(), last = c.dates.last();
        if (first == last) {
            first = first.addDays(-1);
            last = last.addDays(1);
        }
        const double pad = std::max(EndPadding * double(msecs(last) - msecs(first)), 12.0 * 3600 * 1000);
        xAxis->setRange(double(msecs(first)) - pad, double(msecs(last)) + pad);
        xAxis->setStartValue(double(msecs(first)) - pad);
        for (const ChartContent::Tick &tick : c.ticks)
            xAxis->append(tick.label, double(msecs(tick.date)));
    }
    return xAxis;
}

// The axis of the other lines and the reversed one of the ranks, each only
// when some line of its kind has a value: [normal, rank].
std::array<QValueAxis *, 2> addValueAxes(QChart *chart, const QVector<PlotLine> &lines)
{
    double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
    for (const PlotLine &line : lines)
        for (const double v : line.values)
            if (!std::isnan(v)) {
                lo[line.rank] = std::min(lo[line.rank], v);
                hi[line.rank] = std::max(hi[line.rank], v);
            }
    std::array<QValueAxis *, 2> axes{nullptr, nullptr};
    if (std::isfinite(lo[0])) {
        axes[0] = new QValueAxis;
        const double pad = hi[0] > lo[0] ? 0 : 1;
        axes[0]->setRange(lo[0] - pad, hi[0] + pad);
        axes[0]->applyNiceNumbers();
        axes[0]->setLabelFormat(QStringLiteral("%g"));
        chart->addAxis(axes[0], Qt::AlignLeft);
    }
    if (std::isfinite(lo[1])) {
        axes[1] = new QValueAxis;
        axes[1]->setTitleText(QStringLiteral("名次"));
        axes[1]->setReverse(true);
        axes[1]->setLabelFormat(QStringLiteral("%d"));
        axes[1]->setRange(std::min(1.0, lo[1]), std::max(hi[1] + 1, 2.0));
        chart->addAxis(axes[1], axes[0] ? Qt::AlignRight : Qt::AlignLeft);
    }
    return axes;
}

// The unbroken pieces of a line: a row without a value ends one.
QList<QList<QPointF>> piecesOf(const PlotLine &line, const QVector<QDate> &dates)
{
    QList<QList<QPointF>> pieces;
    QList<QPointF> piece;
    for (int row = 0; row < line.values.size() && row < dates.size(); ++row) {
        if (std::isnan(line.values[row])) {
            if (!piece.isEmpty())
                pieces << std::exchange(piece, {});
            continue;
        }
        piece << QPointF(msecs(dates[row]), line.values[row]);
    }
    if (!piece.isEmpty())
        pieces << piece;
    return pieces;
}

// A marker on each day with a memo; gives how many.
int addMemoMarkers(QChart *chart, QAbstractAxis *xAxis, const ChartContent &c)
{
    QList<QPointF> marks;
    for (int row = 0; row < c.memos.size() && row < c.dates.size(); ++row)
        if (!c.memos[row].isEmpty())
            marks << QPointF(msecs(c.dates[row]), MarkerHeight);
    if (marks.isEmpty())
        return 0;
    auto *markerAxis = new QValueAxis;
    markerAxis->setRange(0, MarkerAxisTop);
    markerAxis->setVisible(false);
    chart->addAxis(markerAxis, Qt::AlignRight);
    auto *memos = new QScatterSeries;
    memos->setName(QStringLiteral("备注"));
    memos->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    memos->setMarkerSize(11);
    memos->setColor(QColor(0xf0a30a));
    memos->setBorderColor(QColor(0x8a5a00));
    memos->setProperty("memo", true);
    memos->replace(marks);
    chart->addSeries(memos);
    memos->attachAxis(xAxis);
    memos->attachAxis(markerAxis);
    return int(marks.size());
}

ChartShape build(QChart *chart, const ChartContent &c)
{
    ChartShape shape;
    chart->setTitle(c.title);
    chart->setAnimationOptions(QChart::NoAnimation);
    // One entry a line: a row under the chart cuts names such as
    // "百度收入量·收入" and "百度收入量·反向" to the same "百度收入…".
    chart->legend()->setAlignment(Qt::AlignRight);

    QCategoryAxis *xAxis = addTimeAxis(chart, c);
    const std::array<QValueAxis *, 2> axes = addValueAxes(chart, c.lines);
    shape.normal = axes[0] != nullptr;
    shape.reversed = axes[1] != nullptr;

    LinePieces *overlay = nullptr;
    for (int li = 0; li < c.lines.size(); ++li) {
        const PlotLine &line = c.lines[li];
        const QColor colour = Palette[li % std::size(Palette)];
        int points = 0;
        for (const double v : line.values)
            points += !std::isnan(v);
        const QList<QList<QPointF>> pieces = piecesOf(line, c.dates);
        if (pieces.isEmpty())
            continue;
        shape.names << line.name;
        shape.segments << int(pieces.size());
        QList<QPointF> all;
        for (const QList<QPointF> &p : pieces)
            all << p;
        auto *series = new QLineSeries;
        series->setName(line.name);
        // Invisible, but as wide as a finger's tolerance for hovering.
        QPen hoverPen(Qt::transparent);
        hoverPen.setWidthF(8);
        series->setPen(hoverPen);
        series->setProperty("line", li);
        series->replace(all);
        chart->addSeries(series);
        series->attachAxis(xAxis);
        series->attachAxis(axes[line.rank]);
        for (QLegendMarker *m : chart->legend()->markers(series)) {
            m->setBrush(colour);
            m->setPen(QPen(colour));
        }
        if (!overlay)
            overlay = new LinePieces(chart);
        overlay->lines.append({series, colour, pieces, points <= PointsShownUpTo});
    }
    shape.markers = addMemoMarkers(chart, xAxis, c);
    return shape;
}

class QtChartCanvas : public ChartCanvas {
public:
    explicit QtChartCanvas(QWidget *parent) : m_view(new QChartView(parent))
    {
        m_view->setObjectName(QStringLiteral("chartView"));
        m_view->setAccessibleName(QStringLiteral("走势图"));
        m_view->setRenderHint(QPainter::Antialiasing);
    }

    QWidget *widget() override { return m_view; }

    ChartShape show(const ChartContent &content, const Hover &hover) override
    {
        auto *chart = new QChart;
        const ChartShape shape = build(chart, content);
        // Hover only on the window's own chart, not on pictures made from it.
        for (QAbstractSeries *s : chart->series())
            if (auto *xy = qobject_cast<QXYSeries *>(s)) {
                const int line = xy->property("memo").toBool() ? -1 : xy->property("line").toInt();
                QObject::connect(xy, &QXYSeries::hovered, m_view,
                                 [hover, line](const QPointF &p, bool state) { hover(line, qint64(p.x()), state); });
            }
        QChart *old = m_view->chart();
        m_view->setChart(chart);
        delete old;
        return shape;
    }

    QImage image(const ChartContent &content, const QSize &size) const override
    {
        QChartView view;
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.setRenderHint(QPainter::Antialiasing);
        auto *chart = new QChart;
        build(chart, content);
        view.setChart(chart);
        view.resize(size);
        view.show();
        QImage picture(size, QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::white);
        QPainter painter(&picture);
        view.render(&painter);
        return picture;
    }

    void render(const ChartContent &content, QPainter *painter, const QRectF &target, const QSize &layoutSize,
                const QFont &font) const override
    {
        QChartView view;
        view.setAttribute(Qt::WA_DontShowOnScreen);
        view.setRenderHint(QPainter::Antialiasing);
        view.setFrameShape(QFrame::NoFrame);
        auto *chart = new QChart;
        build(chart, content);
        chart->setTitleFont(font);
        chart->legend()->setFont(font);
        for (QAbstractAxis *axis : chart->axes()) {
            axis->setLabelsFont(font);
            axis->setTitleFont(font);
        }
        // On paper nothing is hovered: the lines' invisible hover pens go, and
        // with them the empty paths a PDF writer would make of them.
        for (QAbstractSeries *s : chart->series())
            if (s->type() == QAbstractSeries::SeriesTypeLine)
                static_cast<QLineSeries *>(s)->setPen(Qt::NoPen);
        view.setChart(chart);
        view.resize(layoutSize);
        view.show();
        view.render(painter, target, QRect(QPoint(0, 0), layoutSize));
    }

private:
    QChartView *m_view; // owned by its parent
};

} // namespace

extern "C" Q_DECL_EXPORT ChartCanvas *tavorinMakeChartCanvas(QWidget *parent) { return new QtChartCanvas(parent); }
