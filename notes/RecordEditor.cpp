#include "notes/RecordEditor.h"

#include "core/DatabaseProblems.h"
#include "core/CalendarFold.h"
#include "core/DateText.h"
#include "core/InputText.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/NotesTables.h"
#include "core/Twips.h"
#include "core/ui/Widgets.h"
#include "core/db/Catalog.h"
#include "core/db/DbError.h"
#include "notes/NoteRecord.h"

#include <QCalendarWidget>
#include <QEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

namespace {

constexpr int DesignWidth = 9915;
constexpr int DesignHeight = 4650;

// Characters as the database counts them (a character outside the BMP is one).
int characterCount(const QString &text) { return int(text.toUcs4().size()); }

} // namespace

RecordEditor::RecordEditor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmChargeItemEdit"));
    setWindowTitle(QStringLiteral("编辑优化记录"));

    dateLabel = ui::label(this, QStringLiteral("Label1"), QStringLiteral("日    期："));
    dateLabel->setGeometry(twipsRect(240, 300, 1000, 270));
    m_date = new QLineEdit(this);
    m_date->setObjectName(QStringLiteral("Webworld_1"));
    m_date->setAccessibleName(QStringLiteral("日期"));
    m_date->setGeometry(twipsRect(1200, 270, 1815, 315));
    m_date->installEventFilter(this);
    dateLabel->setBuddy(m_date);

    itemsFrame = new QGroupBox(QStringLiteral("◆要观察的项目"), this);
    itemsFrame->setObjectName(QStringLiteral("Frame2"));
    itemsHint = ui::label(itemsFrame, QStringLiteral("Label3"),
                       QStringLiteral("所记录的关键词排名，均为自然排名。真实数据更有利于分析。"), true);
    itemsHint->setGeometry(twipsRect(2200, 0, 7100, 270));

    memoFrame = new QGroupBox(QStringLiteral("备注信息"), this);
    memoFrame->setObjectName(QStringLiteral("Frame3"));
    memoHint = ui::label(memoFrame, QStringLiteral("Label2"), QStringLiteral("记录今日所做工作/网站情况"), true);
    memoHint->setGeometry(twipsRect(1400, 0, 5000, 270));
    m_memo = new QPlainTextEdit(QStringLiteral("无"), memoFrame);
    m_memo->setObjectName(QStringLiteral("Webworld_2"));
    m_memo->setAccessibleName(QStringLiteral("备注"));
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setTabChangesFocus(true);
    m_memo->setGeometry(twipsRect(200, 300, 9500 - 330, 950));

    okButton = ui::button(this, QStringLiteral("Cmd_OK"), QStringLiteral("确 定"));
    cancelButton = ui::button(this, QStringLiteral("Cmd_Cancel"), QStringLiteral("取 消"));
    connect(okButton, &QPushButton::clicked, this, &RecordEditor::onOk);
    connect(cancelButton, &QPushButton::clicked, this, &QWidget::close);

    // Created last so that it lies over the frames when it pops up.
    calendar = new QCalendarWidget(this);
    calendar->setObjectName(QStringLiteral("MonthView1"));
    calendar->setAccessibleName(QStringLiteral("日历"));
    calendar->move(Twips::toPixels(1200), Twips::toPixels(585));
    calendar->adjustSize();
    calendar->hide();
    connect(calendar, &QCalendarWidget::clicked, this, &RecordEditor::datePicked);
    connect(calendar, &QCalendarWidget::activated, this, &RecordEditor::datePicked);
    // The same rule as the website dialog's date box: the calendar folds away
    // when the focus moves on, and on Esc, rather than covering the items.
    new CalendarFold(m_date, calendar, this);

    resize(Twips::toPixels(DesignWidth), Twips::toPixels(DesignHeight));
    itemsFrame->setGeometry(twipsRect(240, 800, 9500, 1215));
    memoFrame->setGeometry(twipsRect(240, 2500, 9500, 1350));
    okButton->setGeometry(twipsRect(3000, 4000, 1215, 400));
    cancelButton->setGeometry(twipsRect(5700, 4000, 1215, 400));
}

void RecordEditor::clearItems()
{
    qDeleteAll(m_items);
    m_items.clear();
    qDeleteAll(m_itemLabels);
    m_itemLabels.clear();
    if (m_grown > 0) {
        resize(width(), height() - Twips::toPixels(m_grown));
        itemsFrame->setGeometry(twipsRect(240, 800, 9500, 1215));
        memoFrame->move(memoFrame->x(), memoFrame->y() - Twips::toPixels(m_grown));
        okButton->move(okButton->x(), okButton->y() - Twips::toPixels(m_grown));
        cancelButton->move(cancelButton->x(), cancelButton->y() - Twips::toPixels(m_grown));
        m_grown = 0;
    }
}

void RecordEditor::followColumns(const QString &renamedFrom, const QString &renamedTo)
{
    QHash<QString, QString> typed;
    for (int i = 3; i < columnCount; ++i) {
        QString name = m_names.value(i);
        if (!renamedFrom.isEmpty() && name.compare(renamedFrom, Qt::CaseInsensitive) == 0)
            name = renamedTo;
        typed.insert(name.toLower(), inputText(i));
    }
    const QString date = m_date->text();
    const QString memo = m_memo->toPlainText();
    load();
    m_date->setText(date);
    m_memo->setPlainText(memo);
    for (int i = 3; i < columnCount; ++i) {
        const auto it = typed.constFind(m_names[i].toLower());
        if (it != typed.cend())
            setInputText(i, *it);
    }
}

void RecordEditor::load()
{
    // The columns are read before anything is cleared: a failed read leaves
    // the inputs and the column list as they were, matching each other.
    db::Catalog catalog(Database::notebook);
    const QVector<db::ColumnDef> columns = catalog.columns(notesTable);
    if (columns.size() < 3)
        throw db::DbError(QStringLiteral("表 %1 不是优化记录表").arg(notesTable));

    clearItems();
    m_names.clear();
    m_sizes.clear();
    m_columns = columns;
    columnCount = int(columns.size());
    for (const db::ColumnDef &col : columns)
        m_names << col.name;

    for (int i = 3; i < columnCount; ++i) {
        const db::ColumnDef &col = columns[i];
        auto *box = new QLineEdit(col.defaultText.value_or(QString()), itemsFrame);
        box->setObjectName(QStringLiteral("Webworld_%1").arg(i));
        box->setAccessibleName(col.name);
        auto *label = ui::label(itemsFrame, QStringLiteral("Webworldname_%1").arg(i), col.name);
        label->setBuddy(box);
        if (col.type == db::ColumnType::Text)
            m_sizes.insert(i, col.size);
        const QPoint at = ui::itemOffset(i - 3);
        const int left = 200 + at.x();
        const int r = at.y();
        box->setGeometry(twipsRect(left, r + 730, 1455, 270));
        label->setGeometry(twipsRect(left, r + 400, 1455, 270));
        box->show();
        label->show();
        m_items.insert(i, box);
        m_itemLabels << label;
    }
    const int L = columnCount > 3 ? ui::itemOffset(columnCount - 4).y() : 0; // top of the last row used

    m_date->setText(columns[1].defaultText.value_or(QString()));
    m_memo->setPlainText(QStringLiteral("无"));

    if (L >= 900) {
        m_grown = L;
        resize(width(), height() + Twips::toPixels(L));
        itemsFrame->setGeometry(twipsRect(240, 800, 9500, 1200 + L));
        memoFrame->move(memoFrame->x(), memoFrame->y() + Twips::toPixels(L));
        okButton->move(okButton->x(), okButton->y() + Twips::toPixels(L));
        cancelButton->move(cancelButton->x(), cancelButton->y() + Twips::toPixels(L));
    }

    calendar->setSelectedDate(QDate::currentDate());
    calendar->hide();

    // Tab walks the inputs by their index (date, memo, items 3 to n-1), then
    // the two buttons.
    QList<QWidget *> order{m_date, m_memo};
    for (int i = 3; i < columnCount; ++i)
        order << m_items.value(i);
    order << okButton << cancelButton;
    for (qsizetype k = 1; k < order.size(); ++k)
        setTabOrder(order[k - 1], order[k]);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.left() + (screen.width() - width()) / 2, screen.top() + (screen.height() - height()) / 2);
}

QString RecordEditor::inputText(int i) const
{
    if (i == 1)
        return m_date->text();
    if (i == 2)
        return m_memo->toPlainText();
    const QLineEdit *box = m_items.value(i);
    return box ? box->text() : QString();
}

void RecordEditor::setInputText(int i, const QString &text)
{
    if (i == 1)
        m_date->setText(text);
    else if (i == 2)
        m_memo->setPlainText(text);
    else if (QLineEdit *box = m_items.value(i))
        box->setText(text);
}

void RecordEditor::updateCaption()
{
    setWindowTitle(modifying ? QStringLiteral("修改优化记录") : QStringLiteral("添加优化记录"));
}

void RecordEditor::showEvent(QShowEvent *event)
{
    updateCaption();
    QDialog::showEvent(event);
}

void RecordEditor::resizeEvent(QResizeEvent *event)
{
    updateCaption();
    QDialog::resizeEvent(event);
}

bool RecordEditor::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_date && event->type() == QEvent::MouseButtonPress) {
        // Open on the box's own date; the box changes only when a day is picked.
        const auto current = DateText::fromText(m_date->text());
        calendar->setSelectedDate(current ? *current : QDate::currentDate());
        calendar->show();
        calendar->raise();
    }
    return QDialog::eventFilter(watched, event);
}

void RecordEditor::datePicked(const QDate &date)
{
    m_date->setText(DateText::toText(date));
    calendar->hide();
}

bool RecordEditor::validate()
{
    for (int i = 1; i < columnCount; ++i) {
        QWidget *box = i == 1 ? static_cast<QWidget *>(m_date) : i == 2 ? static_cast<QWidget *>(m_memo) : m_items.value(i);
        if (!InputText::acceptable(inputText(i), m_names.value(i), box))
            return false;
    }
    const QString dateText = m_date->text();
    if (!DateText::fromText(dateText)) {
        MessageBox::show(QStringLiteral("日期“%1”无法识别，请输入有效的日期，例如 %2。")
                             .arg(dateText.trimmed(), DateText::toText(QDate::currentDate())),
                         MessageBox::OkOnly, MessageBox::Exclamation);
        m_date->setFocus();
        return false;
    }
    for (auto it = m_sizes.cbegin(); it != m_sizes.cend(); ++it) {
        const int length = characterCount(inputText(it.key()));
        if (length > it.value()) {
            MessageBox::show(QStringLiteral("“%1”最多只能填写 %2 个字符，现在是 %3 个。")
                                 .arg(m_names[it.key()], QString::number(it.value()), QString::number(length)),
                             MessageBox::OkOnly, MessageBox::Exclamation);
            if (QLineEdit *box = m_items.value(it.key()))
                box->setFocus();
            return false;
        }
    }
    return true;
}

void RecordEditor::onOk()
{
    if (columnCount < 3 || !validate())
        return;

    notesTable = notesTable.trimmed();

    // Built afresh on every try: a refused write keeps the dialog open.
    QStringList names;
    db::Values values;
    for (int i = 1; i < columnCount; ++i) {
        QString problem;
        const auto value = NotesTables::value(m_columns[i], inputText(i), &problem);
        if (!value) {
            MessageBox::show(QStringLiteral("“%1”：%2。").arg(m_names[i], problem), MessageBox::OkOnly, MessageBox::Exclamation);
            return;
        }
        names << m_names[i];
        values << *value;
    }

    try {
        if (!modifying) {
            currentRecord().insertRecord(notesTable, names, values);
        } else {
            if (!currentRecord().exists(editedId, notesTable)) {
                MessageBox::show(QStringLiteral("这条记录已经不存在（可能已被删除），修改没有保存。"),
                                 MessageBox::OkOnly, MessageBox::Exclamation);
                return;
            }
            // Deleted by another worker between the check and the update.
            if (currentRecord().updateRecord(editedId, notesTable, names, values) == 0) {
                MessageBox::show(QStringLiteral("这条记录已经不存在（可能已被删除），修改没有保存。"),
                                 MessageBox::OkOnly, MessageBox::Exclamation);
                return;
            }
        }
    } catch (const db::DbError &e) {
        MessageBox::show(QStringLiteral("保存失败：") + DatabaseProblems::duringWork(e), MessageBox::OkOnly, MessageBox::Critical);
        return;
    }

    MessageBox::show(modifying ? QStringLiteral("修改成功") : QStringLiteral("添加成功"));
    // Closed before the grid is refreshed: should the refresh fail, a second
    // "确 定" must not write the row again.
    const bool modified = modifying;
    const QString table = notesTable;
    close();
    emit saved(table, modified);
}
