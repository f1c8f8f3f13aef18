#include "notes/FieldManager.h"

#include "core/DatabaseProblems.h"
#include "core/InputText.h"
#include "core/BackupGuard.h"
#include "core/ColumnName.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"
#include "core/db/Catalog.h"
#include "core/db/DbError.h"
#include "notes/RecordEditor.h"
#include "notes/NotesWindow.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int DesignWidth = 9885;
constexpr int DesignHeight = 5370;

const QString RefusedName = QStringLiteral("使用了不规范的字符或和其它字段名称重复。");

QLineEdit *makeInput(QWidget *parent, const QString &name, QLabel *label)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAccessibleName(label->text().remove(QStringLiteral("：")));
    label->setBuddy(e);
    return e;
}

} // namespace

FieldManager::FieldManager(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmBasicEdit"));
    setWindowTitle(QStringLiteral("基本设置"));
    resize(Twips::toPixels(DesignWidth), Twips::toPixels(DesignHeight));

    existingFrame = new QGroupBox(QStringLiteral("现有观察项目"), this);
    existingFrame->setObjectName(QStringLiteral("Frame2"));
    existingFrame->setGeometry(twipsRect(240, 225, 9500, 1335));

    addFrame = new QGroupBox(QStringLiteral("添加项目"), this);
    addFrame->setObjectName(QStringLiteral("Frame3"));
    addFrame->setGeometry(twipsRect(240, 1860, 9500, 2550));

    nameLabel = ui::label(addFrame, QStringLiteral("Label1"), QStringLiteral("字段名称："));
    defaultLabel = ui::label(addFrame, QStringLiteral("Label2"), QStringLiteral("默认值："));
    sizeLabel = ui::label(addFrame, QStringLiteral("Label3"), QStringLiteral("字段长段："));
    nameHint = ui::label(addFrame, QStringLiteral("Label4"), QStringLiteral("你要观察的项目。可以用汉字、字母、数字"), true);
    defaultHint = ui::label(addFrame, QStringLiteral("Label5"), QStringLiteral("写好格式方便今后添加数据。可以为空"), true);
    sizeHint = ui::label(addFrame, QStringLiteral("Label6"), QStringLiteral("范围0-255之间的数字。50代表25个汉字。"), true);
    nameBox = makeInput(addFrame, QStringLiteral("Ziduanz1"), nameLabel);
    defaultBox = makeInput(addFrame, QStringLiteral("Ziduanz2"), defaultLabel);
    sizeBox = makeInput(addFrame, QStringLiteral("Ziduanz3"), sizeLabel);
    sizeBox->setText(QStringLiteral("50"));
    const int rowTops[] = {420, 1000, 1580};
    QLabel *labels[] = {nameLabel, defaultLabel, sizeLabel};
    QLabel *hints[] = {nameHint, defaultHint, sizeHint};
    QLineEdit *inputs[] = {nameBox, defaultBox, sizeBox};
    for (int row = 0; row < 3; ++row) {
        labels[row]->setGeometry(twipsRect(200, rowTops[row], 1000, 300));
        inputs[row]->setGeometry(twipsRect(1200, rowTops[row], 2600, 300));
        hints[row]->setGeometry(twipsRect(4000, rowTops[row], 5300, 300));
    }
    okButton = ui::button(addFrame, QStringLiteral("Cmd_OK"), QStringLiteral("- 添 加 -"));
    okButton->setGeometry(twipsRect(1200, 2020, 1800, 400));
    cancelButton = ui::button(this, QStringLiteral("Cmd_Cancel"), QStringLiteral("关 闭"));
    cancelButton->setGeometry(twipsRect(4080, 4680, 1215, 400));

    // No button takes Enter from whichever box has the focus.
    okButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);
    connect(okButton, &QPushButton::clicked, this, &FieldManager::onOk);
    connect(cancelButton, &QPushButton::clicked, this, &QWidget::close);
}

void FieldManager::clearItems()
{
    // The list is rebuilt from the click handler of one of its own buttons:
    // take the old widgets out now and delete them once that click is done.
    for (QWidget *w : std::as_const(m_itemWidgets)) {
        w->hide();
        w->setParent(nullptr);
        w->deleteLater();
    }
    m_itemWidgets.clear();
    if (m_grown > 0) {
        resize(width(), height() - Twips::toPixels(m_grown));
        existingFrame->setGeometry(twipsRect(240, 225, 9500, 1335));
        addFrame->move(addFrame->x(), addFrame->y() - Twips::toPixels(m_grown));
        cancelButton->move(cancelButton->x(), cancelButton->y() - Twips::toPixels(m_grown));
        m_grown = 0;
    }
}

void FieldManager::load()
{
    clearItems();
    columnList.clear();
    m_names.clear();

    db::Catalog catalog(Database::notebook);
    for (const db::ColumnDef &col : catalog.columns(notesTable))
        m_names << col.name;
    columnCount = int(m_names.size());

    for (int i = 3; i < columnCount; ++i) {
        const QString &name = m_names[i];
        auto *box = new QLineEdit(name, existingFrame);
        box->setObjectName(QStringLiteral("Webworld_%1").arg(i));
        box->setAccessibleName(name);
        auto *del = ui::button(existingFrame, QStringLiteral("Webworlddel_%1").arg(i), QStringLiteral("删除"));
        auto *mod = ui::button(existingFrame, QStringLiteral("Webworldmod_%1").arg(i), QStringLiteral("修改"));
        del->setAccessibleName(QStringLiteral("删除 ") + name);
        mod->setAccessibleName(QStringLiteral("修改 ") + name);
        connect(mod, &QPushButton::clicked, this, [this, i] { rename(i); });
        connect(del, &QPushButton::clicked, this, [this, i] { remove(i); });
        // Enter in an item's box renames that item, never adds a column.
        connect(box, &QLineEdit::returnPressed, this, [this, i] { rename(i); });
        for (QPushButton *b : {del, mod})
            b->setAutoDefault(false);

        columnList = columnList.isEmpty() ? name : columnList.trimmed() + QLatin1Char(',') + name;
        const QPoint at = ui::itemOffset(i - 3);
        const int left = 200 + at.x();
        const int r = at.y();
        box->setGeometry(twipsRect(left, r + 400, 1455, 270));
        del->setGeometry(twipsRect(left, r + 800, 600, 300));
        mod->setGeometry(twipsRect(left + 700, r + 800, 600, 300));
        for (QWidget *w : {static_cast<QWidget *>(box), static_cast<QWidget *>(del), static_cast<QWidget *>(mod)}) {
            w->show();
            m_itemWidgets << w;
        }
    }
    const int L = columnCount > 3 ? ui::itemOffset(columnCount - 4).y() : 0; // top of the last row used

    if (L >= 900) {
        m_grown = L;
        resize(width(), height() + Twips::toPixels(L));
        existingFrame->setGeometry(twipsRect(240, 225, 9500, 1200 + L));
        addFrame->move(addFrame->x(), addFrame->y() + Twips::toPixels(L));
        cancelButton->move(cancelButton->x(), cancelButton->y() + Twips::toPixels(L));
    }

    // Centred when it opens; reloaded after a change, it stays where the user has it.
    if (isVisible())
        return;
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.left() + (screen.width() - width()) / 2, screen.top() + (screen.height() - height()) / 2);
}

bool FieldManager::acceptableName(const QString &name, const QStringList &others)
{
    // The same rule as the columns an import creates.
    return ColumnName::acceptable(name, others);
}

QStringList FieldManager::namesExcept(int position) const
{
    QStringList others = m_names;
    others.removeAt(position);
    return others;
}

void FieldManager::onOk()
{
    const QString name = nameBox->text();
    const QString defaultText = defaultBox->text();
    if (!InputText::acceptable(name, QStringLiteral("字段名称"), nameBox)
        || !InputText::acceptable(defaultText, QStringLiteral("默认值"), defaultBox))
        return;
    if (const QString problem = ColumnName::lengthProblem(name); !problem.isEmpty()) {
        MessageBox::show(problem);
        return;
    }
    bool isNumber = false;
    const int size = sizeBox->text().trimmed().toInt(&isNumber);
    if (!acceptableName(name, m_names) || !isNumber || size < 1 || size > 255) {
        MessageBox::show(RefusedName);
        return;
    }
    if (defaultText.toUcs4().size() > size) {
        MessageBox::show(QStringLiteral("默认值比字段长度（%1）还长，请缩短默认值或加大字段长度。").arg(size));
        return;
    }

    db::ColumnDef col;
    col.name = name;
    col.type = db::ColumnType::Text;
    col.size = size;
    col.defaultText = defaultText;
    try {
        db::Catalog catalog(Database::notebook);
        catalog.appendColumn(notesTable, col);
        catalog.refresh();
    } catch (const db::DbError &e) {
        MessageBox::show(QStringLiteral("添加失败：") + DatabaseProblems::duringWork(e));
        return;
    }
    MessageBox::show(QStringLiteral("添加成功！"));
    reopen();
}

void FieldManager::rename(int i)
{
    const auto *box = findChild<QLineEdit *>(QStringLiteral("Webworld_%1").arg(i));
    if (!box || i < 3 || i >= m_names.size())
        return;
    const QString newName = box->text();
    const QString oldName = m_names[i];
    if (const QString problem = ColumnName::lengthProblem(newName); !problem.isEmpty()) {
        MessageBox::show(problem);
        return;
    }
    if (!acceptableName(newName, namesExcept(i))) {
        MessageBox::show(RefusedName);
        return;
    }
    if (newName == oldName) {
        MessageBox::show(QStringLiteral("项目名称没有改变，无需修改。"));
        return;
    }
    try {
        db::Catalog catalog(Database::notebook);
        catalog.renameColumn(notesTable, oldName, newName);
        catalog.refresh();
    } catch (const db::DbError &) {
        MessageBox::show(RefusedName);
        return;
    }
    MessageBox::show(QStringLiteral("修改成功！"));
    reopen(oldName, newName);
}

void FieldManager::remove(int i)
{
    if (i < 3 || i >= m_names.size())
        return;
    const QString name = m_names[i];
    // One click would drop every observation of the item: ask first.
    if (MessageBox::show(QStringLiteral("是否删除该项目？该项目的所有记录将一并删除。"), MessageBox::YesNo,
                         MessageBox::Question, QStringLiteral("确认"), MessageBox::No,
                         QStringLiteral("项目：") + name + QLatin1Char('\n') + BackupGuard::beforeDestructiveStepNote())
        != MessageBox::Yes)
        return;
    if (!BackupGuard::beforeDestructiveStep(QStringLiteral("删除项目")))
        return;
    try {
        db::Catalog catalog(Database::notebook);
        catalog.dropColumn(notesTable, name);
    } catch (const db::DbError &e) {
        MessageBox::show(QStringLiteral("删除失败：") + DatabaseProblems::duringWork(e));
        return;
    }
    MessageBox::show(QStringLiteral("删除成功！"));
    reopen();
}

void FieldManager::refreshNotesGrid() const
{
    // The notes window may show another website's table by now.
    NotesWindow *notes = Forms::loaded<NotesWindow>();
    if (notes && notes->notesTable.compare(notesTable, Qt::CaseInsensitive) == 0)
        notes->requeryGrid();
}

void FieldManager::reopen(const QString &renamedFrom, const QString &renamedTo)
{
    refreshNotesGrid();
    RecordEditor *editor = Forms::loaded<RecordEditor>();
    if (editor && editor->notesTable.compare(notesTable, Qt::CaseInsensitive) == 0)
        editor->followColumns(renamedFrom, renamedTo);
    load();
    nameBox->clear();
    defaultBox->clear();
    sizeBox->setText(QStringLiteral("50"));
    // From the first change on the window keeps the user's attention.
    if (windowModality() != Qt::ApplicationModal) {
        const bool wasVisible = isVisible();
        hide();
        setWindowModality(Qt::ApplicationModal);
        if (wasVisible)
            show();
    }
}

void FieldManager::closeEvent(QCloseEvent *event)
{
    refreshNotesGrid();
    QDialog::closeEvent(event);
}
