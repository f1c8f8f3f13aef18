#include "charts/TrendData.h"

#include "core/Database.h"
#include "exchange/CellNumbers.h"

#include <cmath>
#include <limits>

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
