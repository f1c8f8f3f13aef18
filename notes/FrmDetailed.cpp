#include "notes/FrmDetailed.h"

#include "core/BackupGuard.h"
#include "core/DateText.h"
#include "core/DbFunc.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/RecordsetModel.h"
#include "core/Twips.h"
#include "notes/Controls.h"
#include "core/db/Catalog.h"
#include "core/db/DbError.h"
#include "notes/ChargeItem.h"
#include "notes/FrmBasicEdit.h"
#include "notes/FrmChargeItemEdit.h"
#include "notes/FrmWebmemos.h"

#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTableView>

namespace {

// A cell as the editors show it: dates in the short form, text trimmed.
QString cellText(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDate)
        return DateText::toText(value.toDate());
    return value.toString().trimmed();
}

const QString NoRowMessage = QStringLiteral("请选择记录");

} // namespace

FrmDetailed::FrmDetailed(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("FrmDetailed"));
    setWindowTitle(QStringLiteral("网站详情"));

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);

    const QPalette highlight = [this] {
        QPalette pal = palette();
        pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
        pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
        return pal;
    }();

    Webname = makeLabel(Frame1, QStringLiteral("Webname"), QStringLiteral("网站名称"));
    QFont nameFont(QStringLiteral("宋体"));
    nameFont.setPointSizeF(14.25);
    nameFont.setBold(true);
    Webname->setFont(nameFont);
    Webname->setAutoFillBackground(true);
    Webname->setPalette(highlight);

    Weburl = makeLabel(Frame1, QStringLiteral("Weburl"), QStringLiteral("  http://  "));
    Weburl->setAutoFillBackground(true);
    Weburl->setPalette(highlight);

    Webtime = makeLabel(Frame1, QStringLiteral("Webtime"), QStringLiteral("「2011.10.1 动手」"));
    QPalette red = Webtime->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    Webtime->setPalette(red);

    Cmd_Add = makeButton(this, QStringLiteral("Cmd_Add"), QStringLiteral("添 加"));
    Cmd_Modi = makeButton(this, QStringLiteral("Cmd_Modi"), QStringLiteral("修 改"));
    Cmd_Del = makeButton(this, QStringLiteral("Cmd_Del"), QStringLiteral("删 除"));
    Cmd_Del->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    Cmd_memos = makeButton(this, QStringLiteral("Cmd_memos"), QStringLiteral("↓查看备注"));
    Basecset = makeButton(this, QStringLiteral("Basecset"), QStringLiteral("基本设置"));
    Basecset->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));

    DataGrid1 = new QTableView(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setAccessibleName(QStringLiteral("优化记录"));
    DataGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    DataGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    DataGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_model = new RecordsetModel(this);
    m_model->setRecordset(&Adodc1.recordset());
    DataGrid1->setModel(m_model);
    connect(DataGrid1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { gridRowChanged(current.row()); });

    Frame2 = new QFrame(this);
    Frame2->setObjectName(QStringLiteral("Frame2"));
    Frame2->setFrameShape(QFrame::StyledPanel);
    const QString fiiCaptions[] = {{}, QStringLiteral("首条记录"), QStringLiteral("<上一条"), QStringLiteral("下一条>"),
                                   QStringLiteral("末条记录")};
    for (int i = 1; i <= 4; ++i) {
        Fii[i] = makeButton(Frame2, QStringLiteral("Fii%1").arg(i), fiiCaptions[i]);
        connect(Fii[i], &QPushButton::clicked, this, [this, i] { navigate(i); });
    }
    Cmd_Back = makeButton(Frame2, QStringLiteral("Cmd_Back"), QStringLiteral("返 回"));

    connect(Cmd_Add, &QPushButton::clicked, this, &FrmDetailed::Cmd_Add_Click);
    connect(Cmd_Modi, &QPushButton::clicked, this, &FrmDetailed::Cmd_Modi_Click);
    connect(Cmd_Del, &QPushButton::clicked, this, &FrmDetailed::Cmd_Del_Click);
    connect(Cmd_memos, &QPushButton::clicked, this, &FrmDetailed::Cmd_memos_Click);
    connect(Basecset, &QPushButton::clicked, this, &FrmDetailed::Basecset_Click);
    connect(Cmd_Back, &QPushButton::clicked, this, &QWidget::close);

    // Fixed band geometry; the widths follow the window in layoutControls().
    const int buttonTop = 930;
    Cmd_Add->setGeometry(twipsRect(150, buttonTop, 1215, 400));
    Cmd_Modi->setGeometry(twipsRect(1485, buttonTop, 1215, 400));
    Cmd_Del->setGeometry(twipsRect(2820, buttonTop, 1215, 400));
    Cmd_memos->setGeometry(twipsRect(4635, buttonTop, 1455, 400));
    Basecset->setGeometry(twipsRect(6210, buttonTop, 1455, 400));
    for (int i = 1; i <= 4; ++i)
        Fii[i]->setGeometry(twipsRect(120 + (i - 1) * 1335, 150, 1215, 400));

    // The window takes the screen less 1000 twips each way, centred.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const int w = Twips::fromPixels(screen.width()) - 1000;
    const int h = Twips::fromPixels(screen.height()) - 1000;
    resize(Twips::toPixels(w), Twips::toPixels(h));
    move(screen.left() + (screen.width() - width()) / 2, screen.top() + (screen.height() - height()) / 2);
    layoutControls();
}

FrmDetailed::~FrmDetailed()
{
    // The recordset is a member and goes before the grid: let the grid stop reading it.
    m_model->setRecordset(nullptr);
}

void FrmDetailed::setHeader(const QString &name, const QString &url, const QDate &taken)
{
    Webname->setText(name.trimmed());
    Weburl->setText(QStringLiteral("  ") + url + QLatin1Char(' '));
    Webtime->setText(QStringLiteral("「") + DateText::toText(taken) + QStringLiteral(" 动手」"));
    placeHeader();
}

void FrmDetailed::openNotes()
{
    // A fresh table or another website: every command starts available.
    for (int i = 1; i <= 4; ++i)
        Fii[i]->setEnabled(true);
    Cmd_Modi->setEnabled(true);
    Cmd_Del->setEnabled(true);
    RefreshGrid();
    show();
    raise();
    activateWindow();
}

void FrmDetailed::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutControls();
}

void FrmDetailed::layoutControls()
{
    const int w = Twips::fromPixels(width());
    const int h = Twips::fromPixels(height());
    const int bandWidth = w - 300;
    Frame1->setGeometry(twipsRect(150, 60, bandWidth, 800));
    const int gridHeight = h > 2880 ? h - 2880 : Twips::fromPixels(DataGrid1->height());
    DataGrid1->setGeometry(twipsRect(150, 1440, bandWidth, gridHeight));
    Frame2->setGeometry(twipsRect(150, gridHeight + 1440, bandWidth, 700));
    Cmd_Back->setGeometry(twipsRect(bandWidth - 1215 - 120, 150, 1215, 400));
    placeHeader();
}

void FrmDetailed::placeHeader()
{
    // Name, address and date on one line, each label as wide as its text.
    for (QLabel *l : {Webname, Weburl, Webtime})
        l->adjustSize();
    const int nameWidth = Twips::fromPixels(Webname->width());
    const int urlWidth = Twips::fromPixels(Weburl->width());
    Webname->move(Twips::toPixels(120), Twips::toPixels(240));
    Weburl->move(Twips::toPixels(nameWidth + 195), Twips::toPixels(330));
    Webtime->move(Twips::toPixels(nameWidth + urlWidth + 800), Twips::toPixels(330));
}

void FrmDetailed::setGridWidths()
{
    DataGrid1->setColumnHidden(0, true);
    DataGrid1->setColumnHidden(2, true);
    DataGrid1->setColumnWidth(1, Twips::toPixels(1500));
}

void FrmDetailed::RefreshGrid()
{
    Adodc1.setConnectionString(DbFunc::ConnString);
    Adodc1.setRecordSource(QStringLiteral("SELECT * FROM ") + Bijiname + QStringLiteral(" ORDER BY [时间] Desc"));
    requery();
}

void FrmDetailed::RefreshNotesGrid()
{
    if (Adodc1.recordSource().isEmpty())
        return;
    requery();
}

void FrmDetailed::requery()
{
    // One model reset around the new snapshot; the recordset sees columns
    // that another connection has added, renamed or dropped meanwhile.
    m_model->beginReset();
    try {
        Adodc1.refresh();
    } catch (...) {
        m_model->endReset();
        throw;
    }
    m_model->endReset();
    setGridWidths();
    syncGridToRecordset();
}

void FrmDetailed::restorePosition()
{
    db::Recordset &rs = recordset();
    if (rs.isOpen() && p - 1 > 0) {
        rs.moveFirst();
        rs.move(p - 1);
    }
    syncGridToRecordset();
}

void FrmDetailed::syncGridToRecordset()
{
    m_syncing = true;
    const db::Recordset &rs = recordset();
    const int pos = rs.isOpen() ? rs.absolutePosition() : 0;
    if (pos > 0) {
        const QModelIndex index = m_model->index(pos - 1, 1);
        DataGrid1->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect
                                                                 | QItemSelectionModel::Rows);
        DataGrid1->scrollTo(index);
    } else {
        DataGrid1->selectionModel()->clearSelection();
        DataGrid1->selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    m_syncing = false;
}

void FrmDetailed::gridRowChanged(int row)
{
    if (m_syncing || row < 0 || !recordset().isOpen())
        return;
    recordset().setAbsolutePosition(row + 1);
}

void FrmDetailed::ChangeBrowseState()
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen()) {
        Adodc1.refresh();
        m_model->reset();
        setGridWidths();
    }
    const bool empty = rs.bof() && rs.eof();
    for (int i = 1; i <= 4; ++i)
        Fii[i]->setEnabled(!empty);
    Cmd_Modi->setEnabled(!empty);
    Cmd_Del->setEnabled(!empty);
    if (rs.bof()) {
        if (!rs.eof())
            rs.moveFirst();
        Fii[1]->setEnabled(false);
        Fii[2]->setEnabled(false);
    } else {
        Fii[1]->setEnabled(true);
        Fii[2]->setEnabled(true);
    }
    if (rs.eof()) {
        if (!rs.bof())
            rs.moveLast();
        Fii[3]->setEnabled(false);
        Fii[4]->setEnabled(false);
    } else {
        Fii[3]->setEnabled(true);
        Fii[4]->setEnabled(true);
    }
    syncGridToRecordset();
}

void FrmDetailed::navigate(int button)
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen() || rs.eof()) {
        MessageBox::show(QStringLiteral("没有记录了"));
        return;
    }
    switch (button) {
    case 1:
        DbFunc::ShowStatus(QStringLiteral("首条记录"));
        rs.moveFirst();
        rs.movePrevious();
        break;
    case 2:
        DbFunc::ShowStatus(QStringLiteral("上一条记录"));
        rs.movePrevious();
        break;
    case 3:
        DbFunc::ShowStatus(QStringLiteral("下一条记录"));
        rs.moveNext();
        break;
    case 4:
        DbFunc::ShowStatus(QStringLiteral("最一条记录"));
        rs.moveLast();
        rs.moveNext();
        break;
    }
    ChangeBrowseState();
}

bool FrmDetailed::editorMayBeRebuilt()
{
    // The record editor is not modal: rebuilding it while it is open would
    // throw away what was typed there, so the user decides.
    FrmChargeItemEdit *open = Forms::loaded<FrmChargeItemEdit>();
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

void FrmDetailed::Cmd_Add_Click()
{
    if (!editorMayBeRebuilt())
        return;
    FrmChargeItemEdit *editor = Forms::get<FrmChargeItemEdit>();
    editor->Modify = false;
    editor->OriId = 0;
    editor->Bijiname = Bijiname;
    editor->Load();
    editor->updateCaption();
    editor->show();
    editor->raise();
}

void FrmDetailed::Cmd_Modi_Click()
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen() || rs.eof() || rs.bof()) {
        MessageBox::show(NoRowMessage);
        return;
    }
    if (!editorMayBeRebuilt())
        return;
    p = rs.absolutePosition();

    FrmChargeItemEdit *editor = Forms::get<FrmChargeItemEdit>();
    editor->Bijiname = Bijiname;
    editor->OriId = qint32(rs.value(0).toLongLong());
    editor->Load();
    // Inputs are matched to the row by column name, so a grid read before a
    // column change still fills the right boxes; a null keeps the default.
    for (int i = 1; i < editor->n; ++i) {
        const int field = rs.fieldIndex(editor->columnName(i));
        if (field < 0)
            continue;
        const QVariant value = rs.value(field);
        if (value.isNull())
            continue;
        editor->setInputText(i, cellText(value));
    }
    editor->Modify = true;
    editor->updateCaption();
    editor->show();
    editor->raise();
}

void FrmDetailed::Cmd_Del_Click()
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen() || rs.eof() || rs.bof()) {
        MessageBox::show(NoRowMessage);
        return;
    }
    p = rs.absolutePosition();
    const qint32 id = qint32(rs.value(0).toLongLong());
    if (MessageBox::show(QStringLiteral("是否删除当前行?"), MessageBox::YesNo, MessageBox::NoIcon, QStringLiteral("确认"))
        != MessageBox::Yes)
        return;
    if (!BackupGuard::beforeDestructiveStep(QStringLiteral("删除记录")))
        return;
    CurItem().Delete(id, Bijiname);
    MessageBox::show(QStringLiteral("删除成功"));
    RefreshGrid();
    restorePosition();
}

void FrmDetailed::Cmd_memos_Click()
{
    db::Recordset &rs = recordset();
    if (!rs.isOpen() || rs.eof() || rs.bof()) {
        MessageBox::show(NoRowMessage);
        return;
    }
    p = rs.absolutePosition();
    const bool fresh = !Forms::loaded<FrmWebmemos>();
    FrmWebmemos *memos = Forms::get<FrmWebmemos>();
    memos->Bijiname = Bijiname;
    memos->OriId = qint32(rs.value(0).toLongLong());
    memos->setTexts(cellText(rs.value(1)), cellText(rs.value(2)));
    // Modal for the user, but not a nested event loop: the grid is brought
    // back when the memo editor is gone.
    // On `finished`, not `destroyed`: a failing refresh must reach the error
    // boundary, which it cannot from inside a destructor.
    if (fresh)
        connect(memos, &QDialog::finished, this, [this] {
            RefreshGrid();
            restorePosition();
        });
    memos->setWindowModality(Qt::ApplicationModal);
    memos->show();
    memos->raise();
}

void FrmDetailed::Basecset_Click()
{
    FrmBasicEdit *fields = Forms::get<FrmBasicEdit>();
    fields->Modify = false;
    fields->OriId = 0;
    fields->Bijiname = Bijiname;
    fields->Load();
    fields->show();
    fields->raise();
    RefreshGrid();
}
