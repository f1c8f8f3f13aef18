#include "charts/TrendChart.h"

#include "core/DateText.h"
#include "core/Failure.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QLibrary>
#include <QToolTip>
#include <QVBoxLayout>
#include <cmath>
#include <mutex>

namespace {

qint64 msecs(const QDate &date) { return date.startOfDay().toMSecsSinceEpoch(); }

QString number(double v) { return QString::number(v, 'g', 12); }

// The drawing module: where it is installed relative to the program, beside
// the program, or (tests, tools and benchmarks run from the build tree)
// where the build put it.
MakeChartCanvas chartModule()
{
    static MakeChartCanvas make = nullptr;
    static QString problem;
    static std::once_flag once;
    std::call_once(once, [] {
        const QString program = QCoreApplication::applicationDirPath();
        const QString places[] = {program + QStringLiteral("/" TAVORIN_MODULE_DIR), program,
                                  QStringLiteral(TAVORIN_BUILD_MODULE_DIR)};
        for (const QString &place : places) {
            QLibrary module(QDir(place).filePath(QStringLiteral(TAVORIN_CHART_MODULE)));
            if (!module.load()) {
                if (problem.isEmpty() || QFile::exists(module.fileName()))
                    problem = module.errorString();
                continue;
            }
            make = reinterpret_cast<MakeChartCanvas>(module.resolve(TAVORIN_CHART_CANVAS_ENTRY));
            if (make)
                return;
            problem = module.errorString();
            module.unload();
        }
    });
    if (!make)
        throw Failure(QStringLiteral("走势图打不开：找不到它的绘图模块（%1）。请重新安装程序。").arg(problem));
    return make;
}

} // namespace

TrendChart::TrendChart(QWidget *parent) : QWidget(parent), m_canvas(chartModule()(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_canvas->widget());
}

TrendChart::~TrendChart() = default;

void TrendChart::plot(const QString &title, const QVector<QDate> &dates, const QStringList &memos,
                      const QVector<PlotLine> &lines)
{
    m_title = title;
    m_dates = dates;
    m_memos = memos;
    m_lines = lines;
    m_shape = m_canvas->show(content(), [this](int line, qint64 at, bool entered) { hovered(line, at, entered); });
}

ChartContent TrendChart::content() const
{
    ChartContent c{m_title, m_dates, m_memos, m_lines, {}};
    if (!m_dates.isEmpty()) {
        QDate first = m_dates.first(), last = m_dates.last();
        if (first == last) {
            first = first.addDays(-1);
            last = last.addDays(1);
        }
        c.ticks = ticks(first, last);
    }
    return c;
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

QImage TrendChart::image(const QSize &size) const { return m_canvas->image(content(), size); }

void TrendChart::render(QPainter *painter, const QRectF &target, const QSize &layoutSize, const QFont &font) const
{
    m_canvas->render(content(), painter, target, layoutSize, font);
}

QStringList TrendChart::lineNames() const { return m_shape.names; }

int TrendChart::segmentCount(const QString &name) const
{
    const qsizetype i = m_shape.names.indexOf(name);
    return i < 0 ? 0 : m_shape.segments[i];
}

bool TrendChart::hasReversedAxis() const { return m_shape.reversed; }
bool TrendChart::hasNormalAxis() const { return m_shape.normal; }
int TrendChart::memoMarkerCount() const { return m_shape.markers; }

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

void TrendChart::hovered(int line, qint64 at, bool entered)
{
    if (!entered) {
        QToolTip::hideText();
        return;
    }
    QString text;
    if (line < 0)
        text = memoToolTip(nearestRow(at, nullptr));
    else if (line < m_lines.size())
        text = pointToolTip(m_lines[line].name, nearestRow(at, &m_lines[line].values));
    if (!text.isEmpty())
        QToolTip::showText(QCursor::pos(), text, m_canvas->widget());
}
