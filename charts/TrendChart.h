#pragma once

#include "charts/ChartCanvas.h"

#include <QWidget>
#include <memory>

// The trend chart. Days run along the bottom, oldest left; a line breaks
// where a row has no value; rank lines go against a reversed axis; days with
// a memo carry a marker. Hovering a point shows its day and value, hovering a
// marker the memo. The drawing itself is Qt Charts' work, in a module opened
// when the first chart is made (ChartCanvas.h); this class knows only what
// is drawn.
class TrendChart : public QWidget {
    Q_OBJECT
public:
    // Throws Failure when the drawing module cannot be opened.
    explicit TrendChart(QWidget *parent = nullptr);
    ~TrendChart() override;

    void plot(const QString &title, const QVector<QDate> &dates, const QStringList &memos, const QVector<PlotLine> &lines);
    // The same chart drawn at the given size, for saving as a picture.
    QImage image(const QSize &size) const;
    // The same chart drawn into a rectangle of any painter, as vectors on a
    // PDF page: laid out at layoutSize (pixels) and scaled to the rectangle,
    // every text in the given font.
    void render(QPainter *painter, const QRectF &target, const QSize &layoutSize, const QFont &font) const;

    // What the chart shows, for tests and tools.
    QStringList lineNames() const;
    int segmentCount(const QString &name) const; // unbroken pieces of a line
    bool hasReversedAxis() const;                 // rank lines are drawn
    bool hasNormalAxis() const;                   // other lines are drawn
    QString pointToolTip(const QString &name, int row) const;
    QString memoToolTip(int row) const;
    int memoMarkerCount() const;
    // The days the time axis marks between first and last: whole days, then
    // Mondays, then the first of a month, quarter or year as the span grows,
    // at most maxTicks of them; with the text each shows.
    using Tick = ChartContent::Tick;
    static QVector<Tick> ticks(const QDate &first, const QDate &last, int maxTicks = 8);

private:
    ChartContent content() const;
    void hovered(int line, qint64 msecs, bool entered);
    int nearestRow(qint64 msecs, const QVector<double> *values) const;

    QString m_title;
    QVector<QDate> m_dates;
    QStringList m_memos;
    QVector<PlotLine> m_lines;
    ChartShape m_shape;
    std::unique_ptr<ChartCanvas> m_canvas;
};
