#pragma once

#include <QDate>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QVector>
#include <QWidget>

class QChart;
class QChartView;
class QXYSeries;

// A line the chart draws: a value per row (NaN where the row has none) and
// whether it is a rank, drawn against an axis with 1 at the top.
struct PlotLine {
    QString name;
    QVector<double> values;
    bool rank = false;
};

// The trend chart itself, and the only class that knows Qt Charts (which Qt
// deprecates from 6.10 in favour of Qt Graphs; replacing it means replacing
// this class alone). Days run along the bottom, oldest left; a line breaks
// where a row has no value; rank lines go against a reversed axis; days with
// a memo carry a marker. Hovering a point shows its day and value, hovering a
// marker the memo.
class TrendChart : public QWidget {
    Q_OBJECT
public:
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
    struct Tick {
        QDate date;
        QString label;
    };
    static QVector<Tick> ticks(const QDate &first, const QDate &last, int maxTicks = 8);

private:
    struct Built;
    void build(QChart *chart, Built *built) const;
    void hovered(QXYSeries *series, const QPointF &point, bool state);
    int nearestRow(qint64 msecs, const QVector<double> *values) const;

    QString m_title;
    QVector<QDate> m_dates;
    QStringList m_memos;
    QVector<PlotLine> m_lines;
    QChartView *m_view;
    std::unique_ptr<Built> m_built;
};
