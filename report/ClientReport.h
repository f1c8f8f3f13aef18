#pragma once

#include "charts/TrendChart.h"
#include "charts/TrendData.h"
#include "report/ReportSettings.h"

#include <QDate>
#include <QImage>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

// The client report: for one website and a period, an A4 PDF under the
// studio's name with the summary of the chosen number items, their trend
// chart, the period's memos (本期工作) and the table of its rows.
namespace report {

struct Website {
    qint32 id = 0;
    QString name;
    QString url;
};

// One line of the summary: an item's first and last value in the period and
// the change, judged by the item's direction ("上升 6" for a rank 9 -> 3).
struct SummaryLine {
    QString item; // "百度收入量·收入"
    bool rank = false;
    double first = 0;
    double last = 0;
    QDate firstDay;
    QDate lastDay;
};
QString changeText(double first, double last, bool rank);
QString numberText(double value);

// Everything one report shows.
struct Content {
    Studio studio;
    Website website;
    QDate from;
    QDate to;
    QDate made;
    TrendData rows; // the period's rows
    QStringList items;
    QVector<SummaryLine> summary;
    QVector<PlotLine> lines;
};

// The summary and the chart's lines of the chosen items over a period's rows,
// ranks as the chart remembers them for the table.
void summarize(Content &content);

// Reads a website's rows over the shared connection; a website without a
// notes table has no rows. Without items given, the items remembered for the
// table, or else every item with a number in the period. Throws db::DbError.
Content readContent(const Website &website, const QDate &from, const QDate &to, const QStringList *items = nullptr);

// Writes the PDF beside the path and renames it into place; false with the
// reason when it cannot be written.
bool writePdf(const Content &content, const QString &path, QString *error);

// The report's file name for a website and a period: "优化网 2011-10-01 至 2011-10-31.pdf",
// characters a file system refuses replaced.
QString fileName(const QString &websiteName, const QDate &from, const QDate &to);

// The websites of a query's rows (id, name, address in the first three columns).
QVector<Website> websites(const QString &query);

// One file per website into a folder; progress(done, total) is called before
// each website and stops the run when it returns false. Returns the files
// written; failures collects "name: reason" for those that were not.
QStringList writeAll(const QVector<Website> &websites, const QDate &from, const QDate &to, const QString &folder,
                     const std::function<bool(int, int)> &progress, QStringList *failures);

// The logo as the program's PNG decoder reads it, over the page's white;
// null when the bytes are not a PNG it can draw.
QImage logoImage(const QByteArray &png);

// The family the report is set in: one whose text extracts exactly as written.
QString fontFamily();
// Where the logo stands on the first page, in millimetres from the page's top left.
QRectF logoBox(const QSize &logoPixels);

} // namespace report
