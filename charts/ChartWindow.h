#pragma once

#include "charts/TrendData.h"

#include <QSize>
#include <QWidget>

class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
class TrendChart;

// 走势图: the trend of one website's observations. Beside the chart a list
// of the notes table's observed items: a tick draws the item, a second tick
// (名次) marks it as a rank, drawn with 1 at the top and remembered per table
// and item in the settings. The window follows the notes grid: refresh()
// reads the table again, keeping the ticks of items that are still there
// (a renamed item keeps its ticks).
class ChartWindow : public QWidget {
    Q_OBJECT
public:
    explicit ChartWindow(QWidget *parent = nullptr);
    ~ChartWindow() override;

    // The notes table shown, e.g. biji12.
    QString notesTable;

    // Shows the chart of a notes table, the first observed item ticked.
    void showTable(const QString &table, const QString &websiteName);
    void refresh();
    // The notes grid of a table was read again: the same table is read
    // again here, another one is shown instead.
    void follow(const QString &table, const QString &websiteName);

    QStringList checkedColumns() const;
    void setColumnChecked(const QString &column, bool checked);
    // Ticks exactly these items, drawing once.
    void setCheckedColumns(const QStringList &columns);
    bool isRank(const QString &column) const;
    void setRank(const QString &column, bool rank);

    // Saves the chart drawn at the given size as PNG; false (with a message
    // shown) when the file cannot be written.
    bool exportImage(const QString &path, const QSize &size);
    static QSize defaultImageSize() { return QSize(1600, 900); }

    TrendChart *chart() const { return m_chart; }

    // The remembered 名次 choice of an item of a table.
    static bool rankSetting(const QString &table, const QString &column);
    static void setRankSetting(const QString &table, const QString &column, bool rank);

private:
    void fillColumns(const QStringList &checked, const QStringList &ranks);
    void itemChanged(QTreeWidgetItem *item, int column);
    void replot();
    void exportImageClicked();

    TrendData m_data;
    QString m_websiteName;
    TrendChart *m_chart;
    QTreeWidget *m_columns;
    QPushButton *m_exportImage;
    QPushButton *m_close;
    bool m_filling = false;
};
