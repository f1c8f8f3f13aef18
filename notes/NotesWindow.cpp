#include "notes/NotesWindow.h"

#include "core/BackupGuard.h"
#include "core/DateText.h"
#include "core/InputText.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/RecordsetModel.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"
#include "charts/ChartWindow.h"
#include "notes/ExportCommands.h"
#include "notes/ReportCommands.h"
#include "notes/NoteRecord.h"
#include "notes/FieldManager.h"
#include "notes/RecordEditor.h"
#include "notes/MemoEditor.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>

namespace {

// A cell as the editors show it: dates in the short form, text without
// leading and trailing blanks (a memo's line breaks stay).
QString cellText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDate)
        return DateText::toText(value.toDate());
    return InputText::trimBlanks(value.toString());
}

const QString NoRowMessage = QStringLiteral("请选择记录");

} // namespace

NotesWindow::NotesWindow(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmDetailed"));
    setWindowTitle(QStringLiteral("网站详情"));

    headerFrame = new QFrame(this);
    headerFrame->setObjectName(QStringLiteral("Frame1"));
    headerFrame->setFrameShape(QFrame::StyledPanel);

    const QPalette highlight = [this] {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
        pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
        return pal;
    }();

    nameLabel = ui::label(headerFrame, QStringLiteral("Webname"), QStringLiteral("网站名称"));
    QFont nameFont(QStringLiteral("宋体"));
    nameFont.setPointSizeF(14.25);
    nameFont.setBold(true);
    nameLabel->setFont(nameFont);
    nameLabel->setAutoFillBackground(true);
    nameLabel->setPalette(highlight);

    addressLabel = ui::label(headerFrame, QStringLiteral("Weburl"), QStringLiteral("  http://  "));
    addressLabel->setAutoFillBackground(true);
    addressLabel->setPalette(highlight);

    dateLabel = ui::label(headerFrame, QStringLiteral("Webtime"), QStringLiteral("「2011.10.1 动手」"));
    QPalette red = dateLabel->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    dateLabel->setPalette(red);

    addButton = ui::button(this, QStringLiteral("Cmd_Add"), QStringLiteral("添 加"));
    modifyButton = ui::button(this, QStringLiteral("Cmd_Modi"), QStringLiteral("修 改"));
    deleteButton = ui::button(this, QStringLiteral("Cmd_Del"), QStringLiteral("删 除"));
    deleteButton->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    memoButton = ui::button(this, QStringLiteral("Cmd_memos"), QStringLiteral("↓查看备注"));
    fieldsButton = ui::button(this, QStringLiteral("Basecset"), QStringLiteral("基本设置"));
    fieldsButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    chartButton = ui::button(this, QStringLiteral("Cmd_Chart"), QStringLiteral("走势图"));
    exportButton = ui::button(this, QStringLiteral("Cmd_Export"), QStringLiteral("导 出"));
    exportButton->setToolTip(QStringLiteral("把这些记录导出为 Excel 或 CSV 文件"));
    reportButton = ui::button(this, QStringLiteral("Cmd_Report"), QStringLiteral("客户报告"));
    reportButton->setToolTip(QStringLiteral("把一段时间的观察和工作生成给客户的 PDF 报告"));

    notesGrid = new QTableView(this);
    notesGrid->setObjectName(QStringLiteral("DataGrid1"));
    notesGrid->setAccessibleName(QStringLiteral("优化记录"));
    notesGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    notesGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    notesGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_model = new RecordsetModel(this);
    m_model->setRecordset(&notesList.recordset());
    notesGrid->setModel(m_model);
    connect(notesGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { gridRowChanged(current.row()); });

    navigationFrame = new QFrame(this);
    navigationFrame->setObjectName(QStringLiteral("Frame2"));
    navigationFrame->setFrameShape(QFrame::StyledPanel);
    const QString fiiCaptions[] = {{}, QStringLiteral("首条记录"), QStringLiteral("<上一条"), QStringLiteral("下一条>"),
                                   QStringLiteral("末条记录")};
    for (int i = 1; i <= 4; ++i) {
        navigationButtons[i] = ui::button(navigationFrame, QStringLiteral("Fii%1").arg(i), fiiCaptions[i]);
        connect(navigationButtons[i], &QPushButton::clicked, this, [this, i] { navigate(i); });
    }
    backButton = ui::button(navigationFrame, QStringLiteral("Cmd_Back"), QStringLiteral("返 回"));

    connect(addButton, &QPushButton::clicked, this, &NotesWindow::onAdd);
    connect(modifyButton, &QPushButton::clicked, this, &NotesWindow::onModify);
    connect(deleteButton, &QPushButton::clicked, this, &NotesWindow::onDelete);
    connect(memoButton, &QPushButton::clicked, this, &NotesWindow::onMemo);
    connect(fieldsButton, &QPushButton::clicked, this, &NotesWindow::onManageFields);
    connect(chartButton, &QPushButton::clicked, this, &NotesWindow::onChart);
    connect(exportButton, &QPushButton::clicked, this, &NotesWindow::onExport);
    connect(reportButton, &QPushButton::clicked, this, &NotesWindow::onReport);
    connect(backButton, &QPushButton::clicked, this, &QWidget::close);

    // Fixed band geometry; the widths follow the window in layoutControls().
    const int buttonTop = 930;
    addButton->setGeometry(twipsRect(150, buttonTop, 1215, 400));
    modifyButton->setGeometry(twipsRect(1485, buttonTop, 1215, 400));
    deleteButton->setGeometry(twipsRect(2820, buttonTop, 1215, 400));
    memoButton->setGeometry(twipsRect(4635, buttonTop, 1455, 400));
    fieldsButton->setGeometry(twipsRect(6210, buttonTop, 1455, 400));
    // The trend and the way out stand apart, after the same gap as before 查看备注.
    chartButton->setGeometry(twipsRect(8265, buttonTop, 1215, 400));
    exportButton->setGeometry(twipsRect(9600, buttonTop, 1215, 400));
    reportButton->setGeometry(twipsRect(10935, buttonTop, 1215, 400));
    for (int i = 1; i <= 4; ++i)
        navigationButtons[i]->setGeometry(twipsRect(120 + (i - 1) * 1335, 150, 1215, 400));

    // The window takes the screen less 1000 twips each way, centred.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int w = Twips::fromPixels(screen.width()) - 1000;
    const int h = Twips::fromPixels(screen.height()) - 1000;
    resize(Twips::toPixels(w), Twips::toPixels(h));
    move(screen.left() + (screen.width() - width()) / 2, screen.top() + (screen.height() - height()) / 2);
    layoutControls();
}

NotesWindow::~NotesWindow()
{
    // The recordset is a member and goes before the grid: let the grid stop reading it.
    m_model->setRecordset(nullptr);
}

void NotesWindow::setHeader(const QString &name, const QString &url, const QDate &taken)
{
    nameLabel->setText(name.trimmed());
    addressLabel->setText(QStringLiteral("  ") + url + QLatin1Char(' '));
    dateLabel->setText(QStringLiteral("「") + DateText::toText(taken) + QStringLiteral(" 动手」"));
    // A screen reader reads the website shown, not the captions of design time.
    for (QLabel *label : {nameLabel, addressLabel, dateLabel})
        label->setAccessibleName(label->text().trimmed());
    placeHeader();
}

void NotesWindow::openNotes()
{
    // A fresh table or another website: every command starts available.
    for (int i = 1; i <= 4; ++i)
        navigationButtons[i]->setEnabled(true);
    modifyButton->setEnabled(true);
    deleteButton->setEnabled(true);
    refreshGrid();
    show();
    raise();
    activateWindow();
}

void NotesWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void NotesWindow::layoutControls()
{
    const int w = Twips::fromPixels(width());
    const int h = Twips::fromPixels(height());
    const int bandWidth = w - 300;
    headerFrame->setGeometry(twipsRect(150, 60, bandWidth, 800));
    const int gridHeight = h > 2880 ? h - 2880 : Twips::fromPixels(notesGrid->height());
    notesGrid->setGeometry(twipsRect(150, 1440, bandWidth, gridHeight));
    navigationFrame->setGeometry(twipsRect(150, gridHeight + 1440, bandWidth, 700));
    backButton->setGeometry(twipsRect(bandWidth - 1215 - 120, 150, 1215, 400));
    placeHeader();
}

void NotesWindow::placeHeader()
{
    // Name, address and date on one line, each label as wide as its text.
    for (QLabel *l : {nameLabel, addressLabel, dateLabel})
        l->adjustSize();
    const int nameWidth = Twips::fromPixels(nameLabel->width());
    const int urlWidth = Twips::fromPixels(addressLabel->width());
    nameLabel->move(Twips::toPixels(120), Twips::toPixels(240));
    addressLabel->move(Twips::toPixels(nameWidth + 195), Twips::toPixels(330));
    dateLabel->move(Twips::toPixels(nameWidth + urlWidth + 800), Twips::toPixels(330));
}

void NotesWindow::setGridWidths()
{
    notesGrid->setColumnHidden(0, true);
    notesGrid->setColumnHidden(2, true);
    notesGrid->setColumnWidth(1, Twips::toPixels(1500));
}

void NotesWindow::refreshGrid()
{
    notesList.setLocation(Database::notebook);
    notesList.setRecordSource(QStringLiteral("SELECT * FROM ") + notesTable + QStringLiteral(" ORDER BY [时间] Desc"));
    requery();
}

void NotesWindow::requeryGrid()
{
    if (notesList.recordSource().isEmpty())
        return;
    requery();
}

void NotesWindow::requery()
{
    // One model reset around the new snapshot; the recordset sees columns
    // that another connection has added, renamed or dropped meanwhile.
    m_model->beginReset();
    try {
        notesList.refresh();
    } catch (...) {
        m_model->endReset();
        throw;
    }
    m_model->endReset();
    setGridWidths();
    syncGridToRecordset();
    emit gridRefreshed(notesTable, websiteName());
}

void NotesWindow::restorePosition()
{
    db::Recordset &rs = recordset();
    if (rs.isOpen() && savedPosition - 1 > 0) {
        rs.moveFirst();
        rs.move(savedPosition - 1);
    }
    syncGridToRecordset();
}

void NotesWindow::syncGridToRecordset()
{
    m_syncing = true;
    const db::Recordset &rs = recordset();
    const int pos = rs.isOpen() ? rs.absolutePosition() : 0;
    if (pos > 0) {
        const QModelIndex index = m_model->index(pos - 1, 1);
        notesGrid->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect
                                                                 | QItemSelectionModel::Rows);
        notesGrid->scrollTo(index);
    } else {
        notesGrid->selectionModel()->clearSelection();
        notesGrid->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    m_syncing = false;
}

void NotesWindow::gridRowChanged(int row)
{
    if (m_syncing || row < 0 || !recordset().isOpen())
        return;
    recordset().setAbsolutePosition(row + 1);
}

void NotesWindow::changeBrowseState()
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen()) {
        notesList.refresh();
        m_model->reset();
        setGridWidths();
    }
    const bool empty = rs.bof() && rs.eof();
    for (int i = 1; i <= 4; ++i)
        navigationButtons[i]->setEnabled(!empty);
    modifyButton->setEnabled(!empty);
    deleteButton->setEnabled(!empty);
    if (rs.bof()) {
        if (!rs.eof())
            rs.moveFirst();
        navigationButtons[1]->setEnabled(false);
        navigationButtons[2]->setEnabled(false);
    } else {
        navigationButtons[1]->setEnabled(true);
        navigationButtons[2]->setEnabled(true);
    }
    if (rs.eof()) {
        if (!rs.bof())
            rs.moveLast();
        navigationButtons[3]->setEnabled(false);
        navigationButtons[4]->setEnabled(false);
    } else {
        navigationButtons[3]->setEnabled(true);
        navigationButtons[4]->setEnabled(true);
    }
    syncGridToRecordset();
}

void NotesWindow::navigate(int button)
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen() || rs.eof()) {
        MessageBox::show(QStringLiteral("没有记录了"));
        return;
    }
    switch (button) {
    case 1:
        Database::showStatus(QStringLiteral("首条记录"));
        rs.moveFirst();
        rs.movePrevious();
        break;
    case 2:
        Database::showStatus(QStringLiteral("上一条记录"));
        rs.movePrevious();
        break;
    case 3:
        Database::showStatus(QStringLiteral("下一条记录"));
        rs.moveNext();
        break;
    case 4:
        Database::showStatus(QStringLiteral("最一条记录"));
        rs.moveLast();
        rs.moveNext();
        break;
    }
    changeBrowseState();
}

bool NotesWindow::editorMayBeRebuilt()
{
    // The record editor is not modal: rebuilding it while it is open would
    // throw away what was typed there, so the user decides.
    RecordEditor *open = Forms::loaded<RecordEditor>();
    if (!open || !open->isVisible())
        return true;
    if (MessageBox::show(QStringLiteral("记录编辑窗口还开着，其中没有保存的内容将被放弃。是否继续？"), MessageBox::YesNo,
                         MessageBox::Question, QStringLiteral("确认"), MessageBox::No)
        == MessageBox::Yes)
        return true;
    open->raise();
    open->activateWindow();
    return false;
}

RecordEditor *NotesWindow::recordEditor()
{
    RecordEditor *editor = Forms::get<RecordEditor>();
    connect(editor, &RecordEditor::saved, this, &NotesWindow::rowSaved, Qt::UniqueConnection);
    return editor;
}

void NotesWindow::rowSaved(const QString &table, bool modified)
{
    // The window may show another website's table by now.
    if (notesTable.compare(table, Qt::CaseInsensitive) != 0)
        return;
    requeryGrid();
    if (modified)
        restorePosition();
}

void NotesWindow::onAdd()
{
    if (!editorMayBeRebuilt())
        return;
    RecordEditor *editor = recordEditor();
    editor->modifying = false;
    editor->editedId = 0;
    editor->notesTable = notesTable;
    editor->load();
    editor->updateCaption();
    editor->show();
    editor->raise();
}

void NotesWindow::onModify()
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen() || rs.eof() || rs.bof()) {
        MessageBox::show(NoRowMessage);
        return;
    }
    if (!editorMayBeRebuilt())
        return;
    savedPosition = rs.absolutePosition();

    RecordEditor *editor = recordEditor();
    editor->notesTable = notesTable;
    editor->editedId = qint32(rs.value(0).toLongLong());
    editor->load();
    // Inputs are matched to the row by column name, so a grid read before a
    // column change still fills the right boxes; a null keeps the default.
    for (int i = 1; i < editor->columnCount; ++i) {
        const int field = rs.fieldIndex(editor->columnName(i));
        if (field < 0)
            continue;
        const QVariant value = rs.value(field);
        if (value.isNull())
            continue;
        editor->setInputText(i, cellText(value));
    }
    editor->modifying = true;
    editor->updateCaption();
    editor->show();
    editor->raise();
}

void NotesWindow::onDelete()
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen() || rs.eof() || rs.bof()) {
        MessageBox::show(NoRowMessage);
        return;
    }
    savedPosition = rs.absolutePosition();
    const qint32 id = qint32(rs.value(0).toLongLong());
    const QString detail = QStringLiteral("日期：") + cellText(rs.value(1)) + QLatin1Char('\n')
                           + BackupGuard::beforeDestructiveStepNote();
    if (MessageBox::show(QStringLiteral("是否删除当前行?"), MessageBox::YesNo, MessageBox::NoIcon, QStringLiteral("确认"),
                         MessageBox::Button(0), detail)
        != MessageBox::Yes)
        return;
    if (!BackupGuard::beforeDestructiveStep(QStringLiteral("删除记录")))
        return;
    currentRecord().remove(id, notesTable);
    MessageBox::show(QStringLiteral("删除成功"));
    refreshGrid();
    restorePosition();
}

void NotesWindow::onMemo()
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen() || rs.eof() || rs.bof()) {
        MessageBox::show(NoRowMessage);
        return;
    }
    savedPosition = rs.absolutePosition();
    const bool fresh = !Forms::loaded<MemoEditor>();
    MemoEditor *memos = Forms::get<MemoEditor>();
    memos->notesTable = notesTable;
    memos->editedId = qint32(rs.value(0).toLongLong());
    memos->setTexts(cellText(rs.value(1)), cellText(rs.value(2)));
    // Modal for the user, but not a nested event loop: the grid is brought
    // back when the memo editor is gone.
    // On `finished`, not `destroyed`: a failing refresh must reach the error
    // boundary, which it cannot from inside a destructor.
    if (fresh)
        connect(memos, &QDialog::finished, this, [this] {
            refreshGrid();
            restorePosition();
        });
    memos->setWindowModality(Qt::ApplicationModal);
    memos->show();
    memos->raise();
}

void NotesWindow::onManageFields()
{
    FieldManager *fields = Forms::get<FieldManager>();
    fields->modifying = false;
    fields->editedId = 0;
    fields->notesTable = notesTable;
    fields->load();
    fields->show();
    fields->raise();
    refreshGrid();
}

QString NotesWindow::websiteName() const { return nameLabel->text(); }

void NotesWindow::onChart()
{
    ChartWindow *chart = Forms::get<ChartWindow>();
    // The chart follows this grid from now on, also to another website.
    connect(this, &NotesWindow::gridRefreshed, chart, &ChartWindow::follow, Qt::UniqueConnection);
    chart->showTable(notesTable, websiteName());
    chart->show();
    chart->raise();
    chart->activateWindow();
}

void NotesWindow::onExport() { ExportCommands::exportNotes(this, notesTable, websiteName()); }

void NotesWindow::onReport()
{
    ReportCommands::reportForWebsite(this, {websiteId, websiteName(), addressLabel->text().trimmed()});
}
