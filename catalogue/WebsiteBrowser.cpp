#include "catalogue/WebsiteBrowser.h"

#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/RecordsetModel.h"
#include "core/Twips.h"
#include "core/db/DbError.h"
#include "core/ui/Widgets.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QWheelEvent>

namespace {

// Grid column widths in twips; the memo column is carried but not shown.
constexpr int ColumnWidths[] = {600, 3010, 3500, 1500, 0};
constexpr int GridHeight = 7500;
// The list and every search read the whole website table: a page cache that
// holds it (10,000 websites with their memos take about 7 MiB) answers them
// from memory instead of reading the file again page by page.
constexpr int ListPageCacheKiB = 16 * 1024;

} // namespace

const QString WebsiteBrowser::ListSelect = QStringLiteral("SELECT Webid As 编号, Webname As 网站名称,")
                                         + QStringLiteral(" Weburl As 网址, Webtime As 接单日期, Webmemos As 备注信息");
const QString WebsiteBrowser::ListQuery = ListSelect + QStringLiteral(" FROM Website ORDER BY Webtime Desc");

WebsiteBrowser::WebsiteBrowser(QWidget *parent) : QObject(parent)
{
    grid = new QTableView(parent);
    grid->setObjectName(QStringLiteral("DataGrid1"));
    grid->setAccessibleName(QStringLiteral("网站列表"));
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(true);
    grid->setFixedHeight(Twips::toPixels(GridHeight));
    websiteList.setPageCacheKiB(ListPageCacheKiB);
    m_model = new RecordsetModel(this);
    m_model->setRecordset(&websiteList.recordset());
    grid->setModel(m_model);
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current, const QModelIndex &previous) {
                gridRowChanged(current.row(), previous.row());
            });
    connect(grid, &QTableView::clicked, this, [this] { gridClicked(); });

    firstButton = ui::button(parent, QStringLiteral("Fii1"), QStringLiteral("首条记录"));
    previousButton = ui::button(parent, QStringLiteral("Fii2"), QStringLiteral("<上一条"));
    nextButton = ui::button(parent, QStringLiteral("Fii3"), QStringLiteral("下一条>"));
    lastButton = ui::button(parent, QStringLiteral("Fii4"), QStringLiteral("末条记录"));
    idBox = ui::lineBox(parent, QStringLiteral("Cmdbianhao"), QStringLiteral("编号"));
    idBox->setReadOnly(true);
    idBox->setFixedWidth(Twips::toPixels(900));
    stepUpButton = ui::button(parent, QStringLiteral("cmdlast"), QStringLiteral("∧"));
    stepDownButton = ui::button(parent, QStringLiteral("cmdnext"), QStringLiteral("∨"));
    stepUpButton->setAccessibleName(QStringLiteral("上一条"));
    stepDownButton->setAccessibleName(QStringLiteral("下一条"));
    stepUpButton->setFixedWidth(Twips::toPixels(360));
    stepDownButton->setFixedWidth(Twips::toPixels(360));

    connect(firstButton, &QPushButton::clicked, this, &WebsiteBrowser::firstRecord);
    connect(previousButton, &QPushButton::clicked, this, &WebsiteBrowser::previousRecord);
    connect(nextButton, &QPushButton::clicked, this, &WebsiteBrowser::nextRecord);
    connect(lastButton, &QPushButton::clicked, this, &WebsiteBrowser::lastRecord);
    connect(stepUpButton, &QPushButton::clicked, this, &WebsiteBrowser::stepUp);
    connect(stepDownButton, &QPushButton::clicked, this, &WebsiteBrowser::stepDown);
}

WebsiteBrowser::~WebsiteBrowser()
{
    // The grid may outlive the data control while the window tears down.
    m_model->setRecordset(nullptr);
}

void WebsiteBrowser::load(const QString &query)
{
    websiteList.setLocation(Database::notebook);
    websiteList.setRecordSource(query);
    try {
        websiteList.refresh();
    } catch (const db::DbError &) {
        // Never leave the grid over a recordset that was closed under it.
        m_model->reset();
        throw;
    }
}

void WebsiteBrowser::resetGrid()
{
    m_following = true;
    m_model->reset();
    m_following = false;
    for (int column = 0; column < 5; ++column)
        grid->setColumnWidth(column, Twips::toPixels(ColumnWidths[column]));
    if (m_model->columnCount() > 4)
        grid->setColumnHidden(4, true);
}

bool WebsiteBrowser::hasCurrentRow() const
{
    const db::Recordset &rs = websiteList.recordset();
    return rs.isOpen() && !rs.bof() && !rs.eof();
}

QString WebsiteBrowser::currentIdText() const
{
    return RecordsetModel::displayText(websiteList.recordset().value(0));
}

int WebsiteBrowser::currentPosition() const
{
    const db::Recordset &rs = websiteList.recordset();
    return rs.isOpen() ? rs.absolutePosition() : 0;
}

void WebsiteBrowser::followRecordset()
{
    QItemSelectionModel *selection = grid->selectionModel();
    if (!hasCurrentRow()) {
        m_following = true;
        selection->clearSelection();
        selection->clearCurrentIndex();
        m_following = false;
        return;
    }
    const QModelIndex index = m_model->index(websiteList.recordset().absolutePosition() - 1, 0);
    // A changed row reaches gridRowChanged, which shows the website.
    if (grid->currentIndex().row() != index.row())
        grid->setCurrentIndex(index);
    else
        grid->selectRow(index.row());
    grid->scrollTo(index);
}

void WebsiteBrowser::restoreWebsite(qint32 id, int position)
{
    // The website may have moved (a new date, a list no longer searched):
    // find it by id, so that the next command acts on the same website.
    db::Recordset &rs = websiteList.recordset();
    if (id > 0 && rs.isOpen()) {
        const int rows = rs.recordCount();
        for (int row = 0; row < rows; ++row) {
            if (rs.valueAt(row, 0).toLongLong() == id) {
                rs.setAbsolutePosition(row + 1);
                followRecordset();
                return;
            }
        }
    }
    restorePosition(position);
}

void WebsiteBrowser::restorePosition(int position)
{
    if (position > 1 && websiteList.recordset().isOpen()) {
        websiteList.recordset().move(position - 1);
        followRecordset();
    }
}

void WebsiteBrowser::gridRowChanged(int row, int previousRow)
{
    if (m_following || row < 0 || row == previousRow || m_model->rowCount() < 1)
        return;
    db::Recordset &rs = websiteList.recordset();
    if (rs.absolutePosition() != row + 1)
        rs.setAbsolutePosition(row + 1);
    emit rowChosen(currentIdText());
}

void WebsiteBrowser::gridClicked()
{
    if (m_model->rowCount() < 1 || !hasCurrentRow())
        return;
    emit rowChosen(currentIdText());
}

bool WebsiteBrowser::wheel(QWheelEvent *event)
{
    const bool plain = event->modifiers() == Qt::NoModifier && event->buttons() == Qt::NoButton;
    const QPoint delta = event->angleDelta();
    const bool down = plain && delta == QPoint(0, -120);
    const bool up = plain && delta == QPoint(0, 120);
    if (!down && !up)
        return false; // other turns scroll the grid as usual

    db::Recordset &rs = websiteList.recordset();
    if (hasCurrentRow()) {
        if (down && rs.absolutePosition() < rs.recordCount())
            rs.moveNext();
        else if (up && rs.absolutePosition() > 1)
            rs.movePrevious();
        followRecordset();
    }
    return true;
}

void WebsiteBrowser::setNavigationEnabled(bool enabled)
{
    for (QPushButton *button : {firstButton, previousButton, nextButton, lastButton, stepUpButton, stepDownButton})
        button->setEnabled(enabled);
    emit browseEnabledChanged(enabled);
}

void WebsiteBrowser::changeBrowseState()
{
    db::Recordset &rs = websiteList.recordset();
    if (!rs.isOpen()) {
        websiteList.refresh();
        m_following = true;
        m_model->reset();
        m_following = false;
    }
    const bool empty = rs.bof() && rs.eof();
    setNavigationEnabled(!empty);
    if (rs.bof()) {
        if (!empty)
            rs.moveFirst();
        for (QWidget *w : std::initializer_list<QWidget *>{stepUpButton, firstButton, previousButton})
            w->setEnabled(false);
    }
    if (rs.eof()) {
        if (!empty)
            rs.moveLast();
        for (QWidget *w : std::initializer_list<QWidget *>{stepDownButton, nextButton, lastButton})
            w->setEnabled(false);
    }
    idBox->setText(hasCurrentRow() ? currentIdText() : QString());
    followRecordset();
}

void WebsiteBrowser::browse(const QString &status, void (*move)(db::Recordset &))
{
    if (!hasCurrentRow()) {
        MessageBox::show(QStringLiteral("没有记录了"));
        return;
    }
    Database::showStatus(status);
    move(websiteList.recordset());
    changeBrowseState();
}

// First and last step one beyond the end, so that the bounce of
// changeBrowseState lands on the end row and disables that direction.
void WebsiteBrowser::firstRecord()
{
    browse(QStringLiteral("首条记录"), [](db::Recordset &rs) { rs.moveFirst(); rs.movePrevious(); });
}

void WebsiteBrowser::previousRecord()
{
    browse(QStringLiteral("上一条记录"), [](db::Recordset &rs) { rs.movePrevious(); });
}

void WebsiteBrowser::nextRecord()
{
    browse(QStringLiteral("下一条记录"), [](db::Recordset &rs) { rs.moveNext(); });
}

void WebsiteBrowser::lastRecord()
{
    browse(QStringLiteral("最一条记录"), [](db::Recordset &rs) { rs.moveLast(); rs.moveNext(); });
}

void WebsiteBrowser::stepUp()
{
    if (websiteList.recordset().isOpen())
        websiteList.recordset().movePrevious();
    changeBrowseState();
}

void WebsiteBrowser::stepDown()
{
    if (websiteList.recordset().isOpen())
        websiteList.recordset().moveNext();
    changeBrowseState();
}
