#pragma once

#include <QDate>
#include <QFont>
#include <QImage>
#include <QStringList>
#include <QVector>
#include <functional>

class QPainter;
class QWidget;

// What the trend chart draws, worked out without Qt Charts: the days, the
// memos, the lines and the time axis's ticks with their texts.
struct PlotLine {
    QString name;
    QVector<double> values; // NaN where the row has none
    bool rank = false;      // drawn against an axis with 1 at the top
};
struct ChartContent {
    struct Tick {
        QDate date;
        QString label;
    };
    QString title;
    QVector<QDate> dates;
    QStringList memos;
    QVector<PlotLine> lines;
    QVector<Tick> ticks;
};
// What a drawing came to: the lines drawn, in how many unbroken pieces, the axes, the memo markers.
struct ChartShape {
    QStringList names;
    QVector<int> segments;
    bool reversed = false;
    bool normal = false;
    int markers = 0;
};

// The drawing of the trend chart through Qt Charts, in a module of its own
// (qtcharts/) that the program opens when it first draws a chart: Qt Charts
// and the OpenGL libraries it brings cost every start their relocation.
// Replacing Qt Charts (deprecated from Qt 6.10) means replacing that module.
class ChartCanvas {
public:
    // Which line (its index in ChartContent::lines, or -1 for the memo
    // markers) is hovered near which moment (ms since the epoch); false when left.
    using Hover = std::function<void(int line, qint64 msecs, bool entered)>;

    virtual ~ChartCanvas() = default;
    // The widget the chart is shown in, a child of the parent it was made for.
    virtual QWidget *widget() = 0;
    virtual ChartShape show(const ChartContent &content, const Hover &hover) = 0;
    virtual QImage image(const ChartContent &content, const QSize &size) const = 0;
    virtual void render(const ChartContent &content, QPainter *painter, const QRectF &target, const QSize &layoutSize,
                        const QFont &font) const = 0;
};

// The module's one entry point, looked up by this name.
extern "C" {
using MakeChartCanvas = ChartCanvas *(*)(QWidget *parent);
}
#define TAVORIN_CHART_CANVAS_ENTRY "tavorinMakeChartCanvas"
