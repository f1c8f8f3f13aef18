#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

// One line of the trend chart: the numbers one label takes in one column,
// row by row (oldest first); NaN where a row has no such number, which the
// chart leaves as a gap.
struct TrendSeries {
    QString column;
    QString label;
    QString name; // "百度收入量·收入", or the column alone for bare numbers
    QVector<double> values;
};

// A notes table read for the chart: its days oldest first, their memos, its
// observed items, and the series each item gives.
class TrendData {
public:
    // Reads the table over the shared connection; rows without a date are left out.
    void load(const QString &table);

    const QString &table() const { return m_table; }
    const QVector<QDate> &dates() const { return m_dates; }
    const QStringList &memos() const { return m_memos; }
    // Observed items in table order (every column after 时间 and 备注).
    const QStringList &columns() const { return m_columns; }
    // The series of one observed item, in the order their labels first appear.
    QVector<TrendSeries> series(const QString &column) const;
    // The cells of every observed item, per item, per row (as dates()).
    const QVector<QStringList> &cells() const { return m_cells; }
    // The rows from one day to another, both included.
    TrendData period(const QDate &from, const QDate &to) const;

    // The remembered 名次 choice of an item of a table: smaller is better,
    // drawn with 1 at the top and judged so in the client report.
    static bool rankSetting(const QString &table, const QString &column);
    static void setRankSetting(const QString &table, const QString &column, bool rank);

    // For building the data by hand (tests, the chart's own picture).
    void setRows(const QString &table, const QVector<QDate> &dates, const QStringList &memos, const QStringList &columns,
                 const QVector<QStringList> &cells);

private:
    QString m_table;
    QVector<QDate> m_dates;
    QStringList m_memos;
    QStringList m_columns;
    QVector<QStringList> m_cells; // per column, per row
};
