#include "charts/ChartWindow.h"

#include "charts/TrendChart.h"
#include "core/FileDialog.h"
#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageWriter>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// Asks for the size of the picture.
class ImageSizeDialog : public QDialog {
public:
    explicit ImageSizeDialog(QWidget *parent) : QDialog(parent)
    {
        setObjectName(QStringLiteral("ImageSizeDialog"));
        setWindowTitle(QStringLiteral("导出图片"));
        auto *form = new QFormLayout(this);
        width = spin(QStringLiteral("imageWidth"), QStringLiteral("宽度（像素）："), ChartWindow::defaultImageSize().width());
        height = spin(QStringLiteral("imageHeight"), QStringLiteral("高度（像素）："), ChartWindow::defaultImageSize().height());
        form->addRow(QStringLiteral("宽度（像素）："), width);
        form->addRow(QStringLiteral("高度（像素）："), height);
        auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        form->addRow(buttons);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    }
    QSpinBox *width;
    QSpinBox *height;

private:
    QSpinBox *spin(const QString &name, const QString &label, int value)
    {
        auto *s = new QSpinBox(this);
        s->setObjectName(name);
        s->setAccessibleName(label);
        s->setRange(200, 8000);
        s->setValue(value);
        return s;
    }
};

} // namespace

ChartWindow::ChartWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("ChartWindow"));
    setWindowTitle(QStringLiteral("走势图"));

    m_columns = new QTreeWidget(this);
    m_columns->setObjectName(QStringLiteral("columnList"));
    m_columns->setAccessibleName(QStringLiteral("观察项目"));
    m_columns->setHeaderLabels({QStringLiteral("观察项目"), QStringLiteral("名次")});
    m_columns->setRootIsDecorated(false);
    m_columns->header()->setStretchLastSection(false);
    m_columns->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_columns->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_columns->setToolTip(QStringLiteral("勾选要画的项目；“名次”表示数字越小越好，纵轴倒过来，1 在最上面"));
    connect(m_columns, &QTreeWidget::itemChanged, this, &ChartWindow::itemChanged);

    m_chart = new TrendChart(this);
    m_chart->setObjectName(QStringLiteral("trendChart"));
    m_exportImage = ui::button(this, QStringLiteral("exportImage"), QStringLiteral("导出图片"));
    m_close = ui::button(this, QStringLiteral("closeChart"), QStringLiteral("关 闭"));
    connect(m_exportImage, &QPushButton::clicked, this, &ChartWindow::exportImageClicked);
    connect(m_close, &QPushButton::clicked, this, &QWidget::close);

    auto *side = new QVBoxLayout;
    auto *caption = new QLabel(QStringLiteral("观察项目："), this);
    caption->setBuddy(m_columns);
    side->addWidget(caption);
    side->addWidget(m_columns, 1);
    side->addWidget(m_exportImage);
    side->addWidget(m_close);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(side);
    layout->addWidget(m_chart, 1);
    m_columns->setFixedWidth(Twips::toPixels(3000));

    resize(Twips::toPixels(14400), Twips::toPixels(8400));
}

ChartWindow::~ChartWindow() = default;

bool ChartWindow::rankSetting(const QString &table, const QString &column) { return TrendData::rankSetting(table, column); }

void ChartWindow::setRankSetting(const QString &table, const QString &column, bool rank)
{
    TrendData::setRankSetting(table, column, rank);
}

void ChartWindow::showTable(const QString &table, const QString &websiteName)
{
    notesTable = table;
    m_websiteName = websiteName;
    setWindowTitle(websiteName.isEmpty() ? QStringLiteral("走势图") : QStringLiteral("走势图 - ") + websiteName);
    m_data.load(table);
    QStringList ranks;
    for (const QString &c : m_data.columns())
        if (rankSetting(table, c))
            ranks << c;
    fillColumns(m_data.columns().mid(0, 1), ranks);
    replot();
}

void ChartWindow::refresh()
{
    if (notesTable.isEmpty())
        return;
    const QStringList before = m_data.columns();
    QStringList checked = checkedColumns();
    m_data.load(notesTable);
    const QStringList after = m_data.columns();
    // The field manager renames one item at a time and keeps its place: an
    // item renamed in place keeps its ticks and its remembered 名次.
    if (before.size() == after.size() && before != after) {
        for (int i = 0; i < before.size(); ++i) {
            if (before[i] == after[i])
                continue;
            if (checked.removeAll(before[i]) > 0)
                checked << after[i];
            if (rankSetting(notesTable, before[i])) {
                setRankSetting(notesTable, before[i], false);
                setRankSetting(notesTable, after[i], true);
            }
        }
    }
    QStringList ranks;
    for (const QString &c : after)
        if (rankSetting(notesTable, c))
            ranks << c;
    fillColumns(checked, ranks);
    replot();
}

void ChartWindow::follow(const QString &table, const QString &websiteName)
{
    if (table.compare(notesTable, Qt::CaseInsensitive) != 0) {
        showTable(table, websiteName);
        return;
    }
    m_websiteName = websiteName;
    setWindowTitle(websiteName.isEmpty() ? QStringLiteral("走势图") : QStringLiteral("走势图 - ") + websiteName);
    refresh();
}

void ChartWindow::fillColumns(const QStringList &checked, const QStringList &ranks)
{
    m_filling = true;
    m_columns->clear();
    for (const QString &c : m_data.columns()) {
        auto *item = new QTreeWidgetItem(m_columns, {c, QString()});
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        item->setCheckState(0, checked.contains(c) ? Qt::Checked : Qt::Unchecked);
        item->setCheckState(1, ranks.contains(c) ? Qt::Checked : Qt::Unchecked);
        item->setToolTip(1, QStringLiteral("名次：1 在最上面"));
    }
    m_filling = false;
}

void ChartWindow::itemChanged(QTreeWidgetItem *item, int column)
{
    if (m_filling)
        return;
    if (column == 1)
        setRankSetting(notesTable, item->text(0), item->checkState(1) == Qt::Checked);
    replot();
}

QStringList ChartWindow::checkedColumns() const
{
    QStringList out;
    for (int i = 0; i < m_columns->topLevelItemCount(); ++i)
        if (m_columns->topLevelItem(i)->checkState(0) == Qt::Checked)
            out << m_columns->topLevelItem(i)->text(0);
    return out;
}

void ChartWindow::setColumnChecked(const QString &column, bool checked)
{
    const auto items = m_columns->findItems(column, Qt::MatchExactly, 0);
    if (!items.isEmpty())
        items.first()->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

void ChartWindow::setCheckedColumns(const QStringList &columns)
{
    m_filling = true;
    for (int i = 0; i < m_columns->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = m_columns->topLevelItem(i);
        item->setCheckState(0, columns.contains(item->text(0)) ? Qt::Checked : Qt::Unchecked);
    }
    m_filling = false;
    replot();
}

bool ChartWindow::isRank(const QString &column) const
{
    const auto items = m_columns->findItems(column, Qt::MatchExactly, 0);
    return !items.isEmpty() && items.first()->checkState(1) == Qt::Checked;
}

void ChartWindow::setRank(const QString &column, bool rank)
{
    const auto items = m_columns->findItems(column, Qt::MatchExactly, 0);
    if (!items.isEmpty())
        items.first()->setCheckState(1, rank ? Qt::Checked : Qt::Unchecked);
}

void ChartWindow::replot()
{
    QVector<PlotLine> lines;
    for (const QString &column : checkedColumns()) {
        const bool rank = isRank(column);
        for (const TrendSeries &s : m_data.series(column))
            lines.append({s.name, s.values, rank});
    }
    m_chart->plot(m_websiteName, m_data.dates(), m_data.memos(), lines);
}

bool ChartWindow::exportImage(const QString &path, const QSize &size)
{
    QImageWriter writer(path, "png");
    if (!writer.write(m_chart->image(size))) {
        MessageBox::show(QStringLiteral("无法保存图片 %1：%2").arg(path, writer.errorString()));
        return false;
    }
    return true;
}

void ChartWindow::exportImageClicked()
{
    ImageSizeDialog sizes(this);
    if (sizes.exec() != QDialog::Accepted)
        return;
    QString path = FileDialog::saveFile(this, QStringLiteral("导出图片"),
                                        (m_websiteName.isEmpty() ? notesTable : m_websiteName) + QStringLiteral(" 走势图.png"),
                                        QStringLiteral("PNG 图片 (*.png)"));
    if (path.isEmpty())
        return;
    if (!path.endsWith(QLatin1String(".png"), Qt::CaseInsensitive))
        path += QStringLiteral(".png");
    if (exportImage(path, QSize(sizes.width->value(), sizes.height->value())))
        MessageBox::show(QStringLiteral("图片已保存：%1").arg(path));
}
