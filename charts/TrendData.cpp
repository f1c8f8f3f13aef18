#include "charts/TrendData.h"

#include "core/Database.h"
#include "exchange/CellNumbers.h"

#include <QSettings>
#include <QUrl>
#include <cmath>
#include <limits>

namespace {

// The program's settings store, section Settings; names are escaped since
// an item's name may hold a slash.
QString rankKey(const QString &table, const QString &column)
{
    return QStringLiteral("Settings/ChartRank/") + QString::fromLatin1(QUrl::toPercentEncoding(table.toLower())) + QLatin1Char('/')
           + QString::fromLatin1(QUrl::toPercentEncoding(column));
}

} // namespace

bool TrendData::rankSetting(const QString &table, const QString &column)
{
    return QSettings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin")).value(rankKey(table, column), false).toBool();
}

void TrendData::setRankSetting(const QString &table, const QString &column, bool rank)
{
    QSettings settings(QStringLiteral("Tavorin"), QStringLiteral("Tavorin"));
    if (rank)
        settings.setValue(rankKey(table, column), true);
    else
        settings.remove(rankKey(table, column));
}

void TrendData::load(const QString &table)
{
    const auto rs = Database::query(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" ORDER BY [时间], AutoId"));
    QVector<QDate> dates;
    QStringList memos;
    QStringList columns;
    QVector<QStringList> cells;
    const int fields = rs->fieldCount();
    // Columns 0 to 2 are the row key, the day and the memo in every notes table.
    for (int f = 3; f < fields; ++f)
        columns << rs->fieldName(f);
    cells.resize(columns.size());
    const int rows = rs->recordCount();
    for (int r = 0; r < rows; ++r) {
        const QDate day = fields > 1 ? rs->valueAt(r, 1).toDate() : QDate();
        if (!day.isValid())
            continue;
        dates << day;
        memos << (fields > 2 ? rs->valueAt(r, 2).toString().trimmed() : QString());
        for (int f = 3; f < fields; ++f)
            cells[f - 3] << rs->valueAt(r, f).toString();
    }
    setRows(table, dates, memos, columns, cells);
}

void TrendData::setRows(const QString &table, const QVector<QDate> &dates, const QStringList &memos,
                        const QStringList &columns, const QVector<QStringList> &cells)
{
    m_table = table;
    m_dates = dates;
    m_memos = memos;
    m_columns = columns;
    m_cells = cells;
}

QVector<TrendSeries> TrendData::series(const QString &column) const
{
    const qsizetype c = m_columns.indexOf(column);
    if (c < 0)
        return {};
    QVector<TrendSeries> out;
    const QStringList &cells = m_cells[c];
    for (qsizetype row = 0; row < cells.size(); ++row) {
        for (const exchange::CellNumber &n : exchange::cellNumbers(cells[row])) {
            auto s = std::find_if(out.begin(), out.end(), [&](const TrendSeries &t) { return t.label == n.label; });
            if (s == out.end()) {
                out.append({column, n.label, exchange::seriesName(column, n.label),
                            QVector<double>(cells.size(), std::numeric_limits<double>::quiet_NaN())});
                s = out.end() - 1;
            }
            s->values[row] = n.value;
        }
    }
    return out;
}

TrendData TrendData::period(const QDate &from, const QDate &to) const
{
    // Days are in order: the period is one run of rows.
    const auto begin = std::lower_bound(m_dates.begin(), m_dates.end(), from) - m_dates.begin();
    const auto end = std::upper_bound(m_dates.begin(), m_dates.end(), to) - m_dates.begin();
    const qsizetype count = std::max<qsizetype>(0, end - begin);
    QVector<QStringList> cells;
    for (const QStringList &column : m_cells)
        cells << column.mid(begin, count);
    TrendData out;
    out.setRows(m_table, m_dates.mid(begin, count), m_memos.mid(begin, count), m_columns, cells);
    return out;
}
