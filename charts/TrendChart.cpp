#include "charts/TrendChart.h"

#include "core/DateText.h"

#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QCategoryAxis>
#include <QGraphicsItem>
#include <QPainter>
#include <QLegendMarker>
#include <QLineSeries>
#include <QScatterSeries>
#include <QToolTip>
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

QString number(double v) { return QString::number(v, 'g', 12); }

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
QCategoryAxis *addTimeAxis(QChart *chart, const QVector<QDate> &dates)
{
    auto *xAxis = new QCategoryAxis;
    xAxis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    xAxis->setTitleText(QStringLiteral("时间"));
    chart->addAxis(xAxis, Qt::AlignBottom);
    if (!dates.isEmpty()) {
        QDate first = dates.first(), last = dates.last();
        if (first == last) {
            first = first.addDays(-1);
            last = last.addDays(1);
        }
        const double pad = std::max(EndPadding * double(msecs(last) - msecs(first)), 12.0 * 3600 * 1000);
        xAxis->setRange(double(msecs(first)) - pad, double(msecs(last)) + pad);
        xAxis->setStartValue(double(msecs(first)) - pad);
        for (const TrendChart::Tick &tick : TrendChart::ticks(first, last))
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
int addMemoMarkers(QChart *chart, QAbstractAxis *xAxis, const QStringList &memos, const QVector<QDate> &dates)
{
    QList<QPointF> marks;
    for (int row = 0; row < memos.size() && row < dates.size(); ++row)
        if (!memos[row].isEmpty())
            marks << QPointF(msecs(dates[row]), MarkerHeight);
    if (marks.isEmpty())
        return 0;
    auto *markerAxis = new QValueAxis;
    markerAxis->setRange(0, MarkerAxisTop);
    markerAxis->setVisible(false);
    chart->addAxis(markerAxis, Qt::AlignRight);
    auto *series = new QScatterSeries;
    series->setName(QStringLiteral("备注"));
    series->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
    series->setMarkerSize(11);
    series->setColor(QColor(0xf0a30a));
    series->setBorderColor(QColor(0x8a5a00));
    series->setProperty("memo", true);
    series->replace(marks);
    chart->addSeries(series);
    series->attachAxis(xAxis);
    series->attachAxis(markerAxis);
    return int(marks.size());
}

} // namespace

struct TrendChart::Built {
    QStringList names;
    QVector<int> segments;
    bool reversed = false;
    bool normal = false;
    int markers = 0;
};

TrendChart::TrendChart(QWidget *parent) : QWidget(parent), m_view(new QChartView(this))
{
    m_view->setObjectName(QStringLiteral("chartView"));
    m_view->setAccessibleName(QStringLiteral("走势图"));
    m_view->setRenderHint(QPainter::Antialiasing);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
    m_built = std::make_unique<Built>();
}

TrendChart::~TrendChart() = default;

void TrendChart::plot(const QString &title, const QVector<QDate> &dates, const QStringList &memos,
                      const QVector<PlotLine> &lines)
{
    m_title = title;
    m_dates = dates;
    m_memos = memos;
    m_lines = lines;
    auto *chart = new QChart;
    auto built = std::make_unique<Built>();
    build(chart, built.get());
    // Hover only on the window's own chart, not on pictures made from it.
    for (QAbstractSeries *s : chart->series())
        if (auto *xy = qobject_cast<QXYSeries *>(s))
            connect(xy, &QXYSeries::hovered, this, [this, xy](const QPointF &p, bool state) { hovered(xy, p, state); });
    QChart *old = m_view->chart();
    m_view->setChart(chart);
    delete old;
    m_built = std::move(built);
}

void TrendChart::build(QChart *chart, Built *built) const
{
    chart->setTitle(m_title);
    chart->setAnimationOptions(QChart::NoAnimation);
    // One entry a line: a row under the chart cuts names such as
    // "百度收入量·收入" and "百度收入量·反向" to the same "百度收入…".
    chart->legend()->setAlignment(Qt::AlignRight);

    QCategoryAxis *xAxis = addTimeAxis(chart, m_dates);
    const std::array<QValueAxis *, 2> axes = addValueAxes(chart, m_lines);
    built->normal = axes[0] != nullptr;
    built->reversed = axes[1] != nullptr;

    LinePieces *overlay = nullptr;
    for (int li = 0; li < m_lines.size(); ++li) {
        const PlotLine &line = m_lines[li];
        const QColor colour = Palette[li % std::size(Palette)];
        int points = 0;
        for (const double v : line.values)
            points += !std::isnan(v);
        const QList<QList<QPointF>> pieces = piecesOf(line, m_dates);
        if (pieces.isEmpty())
            continue;
        built->names << line.name;
        built->segments << int(pieces.size());
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
    built->markers = addMemoMarkers(chart, xAxis, m_memos, m_dates);
}

QVector<TrendChart::Tick> TrendChart::ticks(const QDate &first, const QDate &last, int maxTicks)
{
    struct Step {
        int days;
        int months;
    };
    static const Step steps[] = {{1, 0}, {2, 0}, {7, 0}, {14, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 6},
                                 {0, 12}, {0, 24}, {0, 60}, {0, 120}, {0, 600}};
    QVector<Tick> ticks;
    if (!first.isValid() || !last.isValid() || last < first)
        return ticks;
    for (const Step &step : steps) {
        ticks.clear();
        QDate day = first;
        if (step.days >= 7)
            day = first.addDays((8 - first.dayOfWeek()) % 7); // the next Monday
        else if (step.months > 0) {
            day = QDate(first.year(), first.month(), 1);
            if (day < first)
                day = day.addMonths(1);
            while ((day.month() - 1) % std::min(step.months, 12) != 0 || (step.months > 12 && day.year() % (step.months / 12) != 0))
                day = day.addMonths(1);
        }
        for (; day <= last && ticks.size() <= maxTicks; day = step.days ? day.addDays(step.days) : day.addMonths(step.months)) {
            const QString label = step.days ? DateText::toText(day)
                                  : step.months < 12 ? QStringLiteral("%1年%2月").arg(day.year()).arg(day.month())
                                                     : QStringLiteral("%1年").arg(day.year());
            ticks.append({day, label});
        }
        if (ticks.size() <= maxTicks)
            break;
    }
    return ticks;
}

QImage TrendChart::image(const QSize &size) const
{
    QChartView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.setRenderHint(QPainter::Antialiasing);
    auto *chart = new QChart;
    Built built;
    build(chart, &built);
    view.setChart(chart);
    view.resize(size);
    view.show();
    QImage picture(size, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    view.render(&painter);
    return picture;
}

void TrendChart::render(QPainter *painter, const QRectF &target, const QSize &layoutSize, const QFont &font) const
{
    QChartView view;
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.setRenderHint(QPainter::Antialiasing);
    view.setFrameShape(QFrame::NoFrame);
    auto *chart = new QChart;
    Built built;
    build(chart, &built);
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

QStringList TrendChart::lineNames() const { return m_built->names; }

int TrendChart::segmentCount(const QString &name) const
{
    const qsizetype i = m_built->names.indexOf(name);
    return i < 0 ? 0 : m_built->segments[i];
}

bool TrendChart::hasReversedAxis() const { return m_built->reversed; }
bool TrendChart::hasNormalAxis() const { return m_built->normal; }
int TrendChart::memoMarkerCount() const { return m_built->markers; }

QString TrendChart::pointToolTip(const QString &name, int row) const
{
    for (const PlotLine &line : m_lines)
        if (line.name == name && row >= 0 && row < line.values.size() && !std::isnan(line.values[row]))
            return DateText::toText(m_dates[row]) + QLatin1Char('\n') + name + QStringLiteral("：")
                   + number(line.values[row]);
    return {};
}

QString TrendChart::memoToolTip(int row) const
{
    if (row < 0 || row >= m_memos.size() || m_memos[row].isEmpty())
        return {};
    return DateText::toText(m_dates[row]) + QLatin1Char('\n') + m_memos[row];
}

int TrendChart::nearestRow(qint64 at, const QVector<double> *values) const
{
    int best = -1;
    qint64 bestDistance = 0;
    for (int row = 0; row < m_dates.size(); ++row) {
        if (values ? (row >= values->size() || std::isnan((*values)[row])) : m_memos.value(row).isEmpty())
            continue;
        const qint64 d = std::abs(msecs(m_dates[row]) - at);
        if (best < 0 || d < bestDistance) {
            best = row;
            bestDistance = d;
        }
    }
    return best;
}

void TrendChart::hovered(QXYSeries *series, const QPointF &point, bool state)
{
    if (!state) {
        QToolTip::hideText();
        return;
    }
    QString text;
    if (series->property("memo").toBool()) {
        text = memoToolTip(nearestRow(qint64(point.x()), nullptr));
    } else {
        const int li = series->property("line").toInt();
        if (li >= 0 && li < m_lines.size())
            text = pointToolTip(m_lines[li].name, nearestRow(qint64(point.x()), &m_lines[li].values));
    }
    if (!text.isEmpty())
        QToolTip::showText(QCursor::pos(), text, m_view);
}
