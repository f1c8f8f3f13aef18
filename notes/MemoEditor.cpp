#include "notes/MemoEditor.h"

#include "core/Database.h"
#include "core/DatabaseProblems.h"
#include "core/InputText.h"
#include "core/MessageBox.h"
#include "core/NotesTables.h"
#include "core/Twips.h"
#include "core/db/DbError.h"
#include "notes/NoteRecord.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

MemoEditor::MemoEditor(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmWebmemos"));
    setWindowTitle(QStringLiteral("备注"));
    resize(Twips::toPixels(9885), Twips::toPixels(5370));

    dateLabel = new QLabel(QStringLiteral("日    期："), this);
    dateLabel->setObjectName(QStringLiteral("Label1"));
    dateLabel->setGeometry(twipsRect(240, 300, 1000, 270));
    m_date = new QLineEdit(this);
    m_date->setObjectName(QStringLiteral("Webworld_1"));
    m_date->setAccessibleName(QStringLiteral("日期"));
    // Display only: the date of a row is changed in the record editor.
    m_date->setReadOnly(true);
    QPalette face = m_date->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Window));
    m_date->setPalette(face);
    m_date->setGeometry(twipsRect(1200, 270, 1815, 315));
    dateLabel->setBuddy(m_date);

    memoFrame = new QGroupBox(QStringLiteral("备注信息"), this);
    memoFrame->setObjectName(QStringLiteral("Frame3"));
    memoFrame->setGeometry(twipsRect(240, 825, 9500, 3400));
    memoHint = new QLabel(QStringLiteral("记录今日所做工作/网站情况"), memoFrame);
    memoHint->setObjectName(QStringLiteral("Label2"));
    memoHint->setGeometry(twipsRect(1400, 0, 5000, 250));
    m_memo = new QPlainTextEdit(QStringLiteral("无"), memoFrame);
    m_memo->setObjectName(QStringLiteral("Webworld_2"));
    m_memo->setAccessibleName(QStringLiteral("备注"));
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setTabChangesFocus(true);
    m_memo->setGeometry(twipsRect(200, 250, 9100, 3030));

    okButton = new QPushButton(QStringLiteral("更 新"), this);
    okButton->setObjectName(QStringLiteral("Cmd_OK"));
    okButton->setAccessibleName(okButton->text());
    okButton->setGeometry(twipsRect(3000, 4500, 1215, 400));
    cancelButton = new QPushButton(QStringLiteral("关 闭"), this);
    cancelButton->setObjectName(QStringLiteral("Cmd_Cancel"));
    cancelButton->setAccessibleName(cancelButton->text());
    cancelButton->setGeometry(twipsRect(5700, 4500, 1215, 400));
    connect(okButton, &QPushButton::clicked, this, &MemoEditor::onOk);
    connect(cancelButton, &QPushButton::clicked, this, &QWidget::close);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.left() + (screen.width() - width()) / 2, screen.top() + (screen.height() - height()) / 2);
}

void MemoEditor::setTexts(const QString &date, const QString &memo)
{
    // Blanks only: a memo that begins or ends with a line break keeps it.
    m_date->setText(InputText::trimBlanks(date));
    m_memo->setPlainText(InputText::trimBlanks(memo));
}

void MemoEditor::onOk()
{
    notesTable = notesTable.trimmed();
    if (!InputText::acceptable(m_memo->toPlainText(), QStringLiteral("备注"), m_memo))
        return;
    db::ColumnDef memo;
    memo.name = QStringLiteral("备注");
    memo.type = db::ColumnType::Memo;
    memo.nullable = true;
    const QVariant value = *NotesTables::value(memo, m_memo->toPlainText());
    try {
        if (!currentRecord().exists(editedId, notesTable)) {
            MessageBox::show(QStringLiteral("这条记录已经不存在（可能已被删除），备注没有保存。"), MessageBox::OkOnly,
                             MessageBox::Exclamation);
            return;
        }
        if (currentRecord().updateRecord(editedId, notesTable, {memo.name}, {value}) == 0) {
            MessageBox::show(QStringLiteral("这条记录已经不存在（可能已被删除），备注没有保存。"), MessageBox::OkOnly,
                             MessageBox::Exclamation);
            return;
        }
    } catch (const db::DbError &e) {
        MessageBox::show(QStringLiteral("更新失败：") + DatabaseProblems::duringWork(e), MessageBox::OkOnly, MessageBox::Critical);
        return;
    }
    MessageBox::show(QStringLiteral("更新成功"));
    close();
}
