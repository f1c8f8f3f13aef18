#include "report/ClientReport.h"

#include "core/NotesTables.h"
#include "core/Database.h"
#include "core/DateText.h"
#include "core/db/Catalog.h"
#include "core/db/DbError.h"
#include "png/LoadPNG.h"
#include "png/qt/WidgetTarget.h"

#include <QDir>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSet>
#include <QTextLayout>
#include <cmath>

namespace report {

namespace {

// Page geometry in millimetres; the writer works in dots of Dpi.
constexpr int Dpi = 600;
constexpr qreal PageWidth = 210, PageHeight = 297, Margin = 15, FooterRoom = 12;
constexpr qreal LogoWidth = 45, LogoHeight = 18;
constexpr qreal ChartHeight = 85;
// Room inside a table cell on each side, and the least the memo column keeps.
constexpr qreal CellPad = 1.2, MemoWidth = 45;
// The chart is laid out as on a screen this wide (pixels) and scaled onto the page.
constexpr int ChartLayoutWidth = 760;

qreal mm(qreal v) { return v * Dpi / 25.4; }

enum Role { Title, Site, Heading, Body, Cell, CellBold, RoleCount };

// One thing drawn on a page, laid out once and painted once the page count is known.
struct Op {
    enum Kind { Text, Rule, Fill, Logo, Chart } kind;
    QRectF rect; // Text: the baseline's start in topLeft; Rule: from topLeft to bottomRight
    QString text;
    Role role = Body;
};

} // namespace

QImage logoImage(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return {};
    png::LoadPNG loader;
    loader.setUseAlpha(true);
    loader.setUseTransparency(true);
    loader.setOwnBackgroundColor(0xFFFFFF); // the page is white
    loader.openData(reinterpret_cast<const uint8_t *>(bytes.constData()), size_t(bytes.size()));
    if (loader.errorNumber() != 0 || !loader.bitmap())
        return {};
    return png::WidgetTarget::toImage(*loader.bitmap());
}

namespace {

class Layout {
public:
    explicit Layout(QPaintDevice *device) : m_device(device)
    {
        const qreal sizes[RoleCount] = {16, 14, 12, 9.5, 8, 8};
        for (int r = 0; r < RoleCount; ++r) {
            m_fonts[r] = QFont(fontFamily());
            m_fonts[r].setPointSizeF(sizes[r]);
            m_fonts[r].setBold(r == Title || r == Site || r == Heading || r == CellBold);
            m_metrics.append(QFontMetricsF(m_fonts[r], device));
        }
        newPage();
    }

    QVector<QVector<Op>> pages;
    qreal y = 0;
    const qreal left = mm(Margin), right = mm(PageWidth - Margin), top = mm(Margin),
                bottom = mm(PageHeight - Margin - FooterRoom);

    const QFont &font(Role role) const { return m_fonts[role]; }
    qreal lineHeight(Role role) const { return m_metrics[role].lineSpacing(); }
    // The width a text takes unwrapped (its longest line).
    qreal advance(const QString &text, Role role) const
    {
        qreal widest = 0;
        for (const QString &line : text.split(QLatin1Char('\n')))
            widest = std::max(widest, m_metrics[role].horizontalAdvance(line));
        return widest;
    }

    void newPage()
    {
        pages.append(QVector<Op>());
        y = top;
    }
    // Starts a new page unless there is room for this much.
    void ensure(qreal height)
    {
        if (y + height > bottom && y > top)
            newPage();
    }
    void add(Op::Kind kind, const QRectF &rect, const QString &text = {}, Role role = Body)
    {
        pages.last().append(Op{kind, rect, text, role});
    }
    void text(qreal x, qreal lineTop, const QString &line, Role role)
    {
        if (!line.isEmpty())
            add(Op::Text, QRectF(QPointF(x, lineTop + m_metrics[role].ascent()), QSizeF()), line, role);
    }
    void rule(qreal x1, qreal y1, qreal x2, qreal y2) { add(Op::Rule, QRectF(QPointF(x1, y1), QPointF(x2, y2))); }

    // The lines a text takes in a width: its own line breaks kept, long
    // lines broken between words or, failing that, anywhere; never cut.
    QStringList wrap(const QString &text, Role role, qreal width) const
    {
        QStringList out;
        QString plain = text;
        plain.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));
        plain.replace(QLatin1Char('\t'), QLatin1Char(' '));
        for (const QString &paragraph : plain.split(QLatin1Char('\n'))) {
            if (paragraph.isEmpty()) {
                out << QString();
                continue;
            }
            QTextLayout layout(paragraph, m_fonts[role], m_device);
            QTextOption option;
            option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
            layout.setTextOption(option);
            layout.beginLayout();
            for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
                line.setLineWidth(width);
                out << paragraph.mid(line.textStart(), line.textLength()).trimmed();
            }
            layout.endLayout();
        }
        return out;
    }

    void paragraph(const QString &text, Role role, qreal indent = 0)
    {
        for (const QString &line : wrap(text, role, right - left - indent)) {
            ensure(lineHeight(role));
            this->text(left + indent, y, line, role);
            y += lineHeight(role);
        }
    }

    void heading(const QString &caption)
    {
        y += mm(5);
        // A heading never stands alone at the foot of a page.
        ensure(lineHeight(Heading) + mm(2) + 3 * lineHeight(Cell));
        text(left, y, caption, Heading);
        y += lineHeight(Heading) + mm(2);
    }

    // A table whose rows may run over pages: the header row (when there is
    // one) repeated on every page, a row that does not fit moved to the next
    // page whole, and one taller than a page split between its lines.
    void table(const QStringList &headers, const QVector<qreal> &widths, const QVector<QStringList> &rows, bool grid)
    {
        const qreal pad = mm(CellPad), line = lineHeight(Cell);
        QVector<QStringList> headerLines;
        int headerCount = 0;
        for (int c = 0; c < headers.size(); ++c) {
            headerLines << wrap(headers[c], CellBold, widths[c] - 2 * pad);
            headerCount = std::max(headerCount, int(headerLines.last().size()));
        }
        const qreal headerHeight = headers.isEmpty() ? 0 : headerCount * lineHeight(CellBold) + 2 * pad;
        const auto drawHeader = [&] {
            if (headers.isEmpty())
                return;
            add(Op::Fill, QRectF(left, y, right - left, headerHeight));
            qreal x = left;
            for (int c = 0; c < headers.size(); ++c) {
                for (int l = 0; l < headerLines[c].size(); ++l)
                    text(x + pad, y + pad + l * lineHeight(CellBold), headerLines[c][l], CellBold);
                rule(x, y, x, y + headerHeight);
                x += widths[c];
            }
            rule(right, y, right, y + headerHeight);
            rule(left, y, right, y);
            rule(left, y + headerHeight, right, y + headerHeight);
            y += headerHeight;
        };
        ensure(headerHeight + line + 2 * pad);
        drawHeader();
        const qreal freshRoom = bottom - top - headerHeight;
        for (const QStringList &row : rows) {
            QVector<QStringList> cells;
            int count = 1;
            for (int c = 0; c < widths.size(); ++c) {
                cells << wrap(row.value(c), Cell, widths[c] - 2 * pad);
                count = std::max(count, int(cells.last().size()));
            }
            for (int from = 0; from < count;) {
                const int fit = int((bottom - y - 2 * pad) / line);
                const int remaining = count - from;
                if (fit < 1 || (fit < remaining && remaining * line + 2 * pad <= freshRoom)) {
                    newPage();
                    drawHeader();
                    continue;
                }
                const int take = std::min(fit, remaining);
                const qreal height = take * line + 2 * pad;
                qreal x = left;
                for (int c = 0; c < widths.size(); ++c) {
                    for (int l = from; l < from + take && l < cells[c].size(); ++l)
                        text(x + pad, y + pad + (l - from) * line, cells[c][l], Cell);
                    if (grid)
                        rule(x, y, x, y + height);
                    x += widths[c];
                }
                if (grid) {
                    rule(right, y, right, y + height);
                    rule(left, y + height, right, y + height);
                }
                y += height;
                from += take;
                if (from < count) {
                    newPage();
                    drawHeader();
                }
            }
        }
    }

private:
    QPaintDevice *m_device;
    QFont m_fonts[RoleCount];
    QVector<QFontMetricsF> m_metrics;
};

QString dayText(const QDate &day) { return DateText::toText(day); }

QString periodText(const QDate &from, const QDate &to) { return dayText(from) + QStringLiteral(" 至 ") + dayText(to); }

void layOut(Layout &page, const Content &content, const QImage &logo)
{
    const qreal width = page.right - page.left;
    // Header: the studio at the left, its logo at the right.
    qreal textRight = page.right;
    qreal logoBottom = page.top;
    if (!logo.isNull()) {
        const QRectF box = logoBox(logo.size());
        const QRectF dots(mm(box.left()), mm(box.top()), mm(box.width()), mm(box.height()));
        page.add(Op::Logo, dots);
        textRight = dots.left() - mm(5);
        logoBottom = dots.bottom();
    }
    for (const QString &line : page.wrap(content.studio.name, Title, textRight - page.left)) {
        page.text(page.left, page.y, line, Title);
        page.y += page.lineHeight(Title);
    }
    for (const QString &line : page.wrap(content.studio.contact, Body, textRight - page.left)) {
        page.text(page.left, page.y, line, Body);
        page.y += page.lineHeight(Body);
    }
    page.y = std::max(page.y, logoBottom) + mm(3);
    page.rule(page.left, page.y, page.right, page.y);
    page.y += mm(4);
    page.paragraph(content.website.name, Site);
    page.paragraph(content.website.url, Body);
    page.y += mm(1);
    page.paragraph(QStringLiteral("报告期：") + periodText(content.from, content.to) + QStringLiteral("　　制表日期：")
                       + dayText(content.made),
                   Body);

    const TrendData &rows = content.rows;
    if (rows.dates().isEmpty()) {
        page.y += mm(6);
        page.paragraph(QStringLiteral("本期（") + periodText(content.from, content.to) + QStringLiteral("）没有观察记录。"), Site);
        return;
    }

    if (!content.summary.isEmpty()) {
        page.heading(QStringLiteral("观察项目摘要"));
        QVector<QStringList> lines;
        for (const SummaryLine &s : content.summary)
            lines << QStringList{s.item + (s.rank ? QStringLiteral("（名次）") : QString()),
                                 numberText(s.first) + QLatin1Char('\n') + dayText(s.firstDay),
                                 numberText(s.last) + QLatin1Char('\n') + dayText(s.lastDay),
                                 changeText(s.first, s.last, s.rank)};
        page.table({QStringLiteral("项目"), QStringLiteral("期初"), QStringLiteral("期末"), QStringLiteral("变化")},
                   {width * 0.4, width * 0.2, width * 0.2, width * 0.2}, lines, true);
    }
    if (!content.lines.isEmpty()) {
        page.heading(QStringLiteral("走势图"));
        page.ensure(mm(ChartHeight));
        page.add(Op::Chart, QRectF(page.left, page.y, width, mm(ChartHeight)));
        page.y += mm(ChartHeight);
    }

    page.heading(QStringLiteral("本期工作"));
    QVector<QStringList> work;
    for (int r = 0; r < rows.dates().size(); ++r)
        if (!rows.memos()[r].isEmpty())
            work << QStringList{dayText(rows.dates()[r]), rows.memos()[r]};
    if (work.isEmpty())
        page.paragraph(QStringLiteral("本期没有备注。"), Body);
    else
        page.table({}, {mm(24), width - mm(24)}, work, false);

    page.heading(QStringLiteral("观察记录"));
    const QStringList &columns = rows.columns();
    QStringList headers{QStringLiteral("时间"), QStringLiteral("备注")};
    headers << columns;
    QVector<QStringList> table;
    table.reserve(rows.dates().size());
    for (int r = 0; r < rows.dates().size(); ++r) {
        QStringList cells{dayText(rows.dates()[r]), rows.memos()[r]};
        for (const QStringList &column : rows.cells())
            cells << column.value(r);
        table << cells;
    }
    // Day and items as wide as their widest cell, so that "收入155/反向31"
    // stays whole (a header may wrap); the memo takes the rest. When the items
    // leave the memo too little, they give up room in proportion.
    const qreal slack = 2 * mm(CellPad) + mm(0.5);
    QVector<qreal> widths(headers.size(), 0);
    widths[0] = page.advance(headers[0], CellBold);
    for (int c = 2; c < headers.size(); ++c)
        widths[c] = std::min(page.advance(headers[c], CellBold), mm(16));
    for (const QStringList &cells : std::as_const(table))
        for (int c = 0; c < cells.size(); ++c)
            if (c != 1)
                widths[c] = std::max(widths[c], page.advance(cells[c], Cell));
    qreal items = 0;
    for (int c = 0; c < headers.size(); ++c)
        if (c != 1)
            items += (widths[c] += slack);
    const qreal room = width - mm(MemoWidth);
    if (items > room)
        for (int c = 2; c < headers.size(); ++c)
            widths[c] *= (room - widths[0]) / (items - widths[0]);
    widths[1] = width;
    for (int c = 0; c < headers.size(); ++c)
        if (c != 1)
            widths[1] -= widths[c];
    page.table(headers, widths, table, true);
}

} // namespace

QString numberText(double value) { return QString::number(value, 'g', 12); }

QString changeText(double first, double last, bool rank)
{
    const double change = last - first;
    if (change == 0)
        return QStringLiteral("持平");
    // A rank climbs as its number falls.
    const bool better = rank ? change < 0 : change > 0;
    return (better ? QStringLiteral("上升 ") : QStringLiteral("下降 ")) + numberText(std::abs(change));
}

QString fontFamily()
{
    // Qt 6.4 writes a text map for Noto Sans CJK that turns some ideographs
    // (入 工 网 首 页) into Kangxi radicals, so a client's search misses them;
    // WenQuanYi Micro Hei maps every one to itself.
    static const QString family = [] {
        const QString wanted = QStringLiteral("WenQuanYi Micro Hei");
        return QFontDatabase::families().contains(wanted) ? wanted : QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
    }();
    return family;
}

QRectF logoBox(const QSize &logoPixels)
{
    QSizeF size(LogoWidth, LogoHeight);
    if (!logoPixels.isEmpty())
        size = QSizeF(logoPixels).scaled(size, Qt::KeepAspectRatio);
    return QRectF(QPointF(PageWidth - Margin - size.width(), Margin), size);
}

void summarize(Content &content)
{
    content.summary.clear();
    content.lines.clear();
    const TrendData &rows = content.rows;
    for (const QString &item : content.items) {
        if (!rows.columns().contains(item))
            continue;
        const bool rank = TrendData::rankSetting(rows.table(), item);
        for (const TrendSeries &s : rows.series(item)) {
            int first = -1, last = -1;
            for (int r = 0; r < s.values.size(); ++r)
                if (!std::isnan(s.values[r])) {
                    if (first < 0)
                        first = r;
                    last = r;
                }
            content.summary.append({s.name, rank, s.values[first], s.values[last], rows.dates()[first], rows.dates()[last]});
            content.lines.append({s.name, s.values, rank});
        }
    }
}

Content readContent(const Website &website, const QDate &from, const QDate &to, const QStringList *items)
{
    Content content;
    content.studio = studio();
    content.website = website;
    content.from = from;
    content.to = to;
    content.made = QDate::currentDate();
    const QString table = NotesTables::name(website.id);
    if (db::Catalog(Database::notebook).hasTable(table)) {
        TrendData all;
        all.load(table);
        content.rows = all.period(from, to);
    } else {
        content.rows.setRows(table, {}, {}, {}, {});
    }
    bool remembered = false;
    const QStringList chosen = items ? *items : chosenItems(table, &remembered);
    for (const QString &column : content.rows.columns())
        if ((items || remembered) ? chosen.contains(column) : !content.rows.series(column).isEmpty())
            content.items << column;
    summarize(content);
    return content;
}

bool writePdf(const Content &content, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    QPdfWriter writer(&file);
    writer.setPageSize(QPageSize(QPageSize::A4));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setResolution(Dpi);
    writer.setTitle(content.website.name + QLatin1Char(' ') + periodText(content.from, content.to));
    writer.setCreator(QStringLiteral("Tavorin"));

    const QImage logo = logoImage(content.studio.logo);
    Layout page(&writer);
    layOut(page, content, logo);

    QPainter painter(&writer);
    const QPen rulePen(QColor(0x80, 0x80, 0x80), mm(0.2));
    const int pageCount = int(page.pages.size());
    for (int p = 0; p < pageCount; ++p) {
        if (p > 0)
            writer.newPage();
        for (const Op &op : std::as_const(page.pages[p])) {
            switch (op.kind) {
            case Op::Text:
                painter.setFont(page.font(op.role));
                painter.setPen(Qt::black);
                painter.drawText(op.rect.topLeft(), op.text);
                break;
            case Op::Rule:
                painter.setPen(rulePen);
                painter.drawLine(op.rect.topLeft(), op.rect.bottomRight());
                break;
            case Op::Fill:
                painter.fillRect(op.rect, QColor(0xEE, 0xEE, 0xEE));
                break;
            case Op::Logo:
                painter.drawImage(op.rect, logo);
                break;
            case Op::Chart: {
                TrendChart chart;
                chart.plot(QString(), content.rows.dates(), content.rows.memos(), content.lines);
                QFont font(fontFamily());
                font.setPointSizeF(8);
                const QSize layoutSize(ChartLayoutWidth, int(ChartLayoutWidth * op.rect.height() / op.rect.width()));
                chart.render(&painter, op.rect, layoutSize, font);
                break;
            }
            }
        }
        // Footer: the studio's name at the left, the page at the right.
        const qreal footTop = mm(PageHeight - Margin - FooterRoom / 2);
        painter.setPen(rulePen);
        painter.drawLine(QPointF(page.left, footTop), QPointF(page.right, footTop));
        painter.setFont(page.font(Cell));
        painter.setPen(Qt::black);
        const QFontMetricsF metrics(page.font(Cell), &writer);
        const qreal baseline = footTop + mm(1.5) + metrics.ascent();
        const QString pageText = QStringLiteral("第 %1 页 / 共 %2 页").arg(p + 1).arg(pageCount);
        const qreal pageWidth = metrics.horizontalAdvance(pageText);
        painter.drawText(QPointF(page.left, baseline),
                         metrics.elidedText(content.studio.name.simplified(), Qt::ElideRight, page.right - page.left - pageWidth - mm(5)));
        painter.drawText(QPointF(page.right - pageWidth, baseline), pageText);
    }
    if (!painter.end() || !file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

QString fileName(const QString &websiteName, const QDate &from, const QDate &to)
{
    QString name = websiteName.simplified();
    static const QString refused = QStringLiteral("/\\:*?\"<>|");
    for (QChar &c : name)
        if (refused.contains(c) || c.category() == QChar::Other_Control)
            c = QLatin1Char('_');
    while (name.startsWith(QLatin1Char('.')))
        name.remove(0, 1);
    if (name.isEmpty())
        name = QStringLiteral("网站");
    return name.left(100) + QLatin1Char(' ') + from.toString(Qt::ISODate) + QStringLiteral(" 至 ") + to.toString(Qt::ISODate)
           + QStringLiteral(".pdf");
}

QVector<Website> websites(const QString &query)
{
    QVector<Website> out;
    const auto rs = Database::query(query);
    for (int r = 0; r < rs->recordCount(); ++r)
        out.append({rs->valueAt(r, 0).toInt(), rs->valueAt(r, 1).toString().trimmed(), rs->valueAt(r, 2).toString().trimmed()});
    return out;
}

QStringList writeAll(const QVector<Website> &websites, const QDate &from, const QDate &to, const QString &folder,
                     const std::function<bool(int, int)> &progress, QStringList *failures)
{
    QStringList written;
    const int total = int(websites.size());
    if (!QDir().mkpath(folder)) {
        if (failures)
            *failures << QStringLiteral("%1：无法创建文件夹").arg(folder);
        return written;
    }
    QSet<QString> taken;
    for (int i = 0; i < total; ++i) {
        if (progress && !progress(i, total))
            return written;
        const Website &site = websites[i];
        QString name = fileName(site.name, from, to);
        // Two names may come out the same once refused characters are replaced.
        if (taken.contains(name.toLower()))
            name.insert(name.size() - 4, QStringLiteral(" (%1)").arg(site.id));
        taken.insert(name.toLower());
        const QString path = QDir(folder).filePath(name);
        QString error;
        try {
            if (writePdf(readContent(site, from, to), path, &error)) {
                written << path;
                continue;
            }
        } catch (const db::DbError &e) {
            error = e.message();
        }
        if (failures)
            *failures << site.name + QStringLiteral("：") + error;
    }
    if (progress)
        progress(total, total);
    return written;
}

} // namespace report
