#include "notes/FrmWebmemos.h"

#include "core/DbFunc.h"
#include "core/MessageBox.h"
#include "core/SqlText.h"
#include "core/Twips.h"
#include "core/db/DbError.h"
#include "notes/ChargeItem.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

FrmWebmemos::FrmWebmemos(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FrmWebmemos"));
    setWindowTitle(QStringLiteral("备注"));
    resize(Twips::toPixels(9885), Twips::toPixels(5370));

    Label1 = new QLabel(QStringLiteral("日    期："), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(twipsRect(240, 300, 1000, 270));
    m_date = new QLineEdit(this);
    m_date->setObjectName(QStringLiteral("Webworld_1"));
    m_date->setAccessibleName(QStringLiteral("日期"));
    // Display only: the date of a row is changed in the record editor.
    m_date->setReadOnly(true);
    QPalette face = m_date->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Window));
    m_date->setPalette(face);
    m_date->setGeometry(twipsRect(1200, 270, 1815, 315));
    Label1->setBuddy(m_date);

    Frame3 = new QGroupBox(QStringLiteral("备注信息"), this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setGeometry(twipsRect(240, 825, 9500, 3400));
    Label2 = new QLabel(QStringLiteral("记录今日所做工作/网站情况"), Frame3);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(twipsRect(1400, 0, 5000, 250));
    m_memo = new QPlainTextEdit(QStringLiteral("无"), Frame3);
    m_memo->setObjectName(QStringLiteral("Webworld_2"));
    m_memo->setAccessibleName(QStringLiteral("备注"));
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setTabChangesFocus(true);
    m_memo->setGeometry(twipsRect(200, 250, 9100, 3030));

    Cmd_OK = new QPushButton(QStringLiteral("更 新"), this);
    Cmd_OK->setObjectName(QStringLiteral("Cmd_OK"));
    Cmd_OK->setAccessibleName(Cmd_OK->text());
    Cmd_OK->setGeometry(twipsRect(3000, 4500, 1215, 400));
    Cmd_Cancel = new QPushButton(QStringLiteral("关 闭"), this);
    Cmd_Cancel->setObjectName(QStringLiteral("Cmd_Cancel"));
    Cmd_Cancel->setAccessibleName(Cmd_Cancel->text());
    Cmd_Cancel->setGeometry(twipsRect(5700, 4500, 1215, 400));
    connect(Cmd_OK, &QPushButton::clicked, this, &FrmWebmemos::Cmd_OK_Click);
    connect(Cmd_Cancel, &QPushButton::clicked, this, &QWidget::close);

    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.left() + (screen.width() - width()) / 2, screen.top() + (screen.height() - height()) / 2);
}

void FrmWebmemos::setTexts(const QString &date, const QString &memo)
{
    m_date->setText(date.trimmed());
    m_memo->setPlainText(memo.trimmed());
}

void FrmWebmemos::Cmd_OK_Click()
{
    Bijiname = Bijiname.trimmed();
    const QString set = QStringLiteral("[备注]='") + sqlText(m_memo->toPlainText()) + QLatin1Char('\'');
    try {
        if (!CurItem().In_DB(OriId, Bijiname)) {
            MessageBox::show(QStringLiteral("这条记录已经不存在（可能已被删除），备注没有保存。"), MessageBox::OkOnly,
                             MessageBox::Exclamation);
            return;
        }
        CurItem().gaojiUpdate(OriId, Bijiname, set);
        if (DbFunc::rowsAffected() == 0) {
            MessageBox::show(QStringLiteral("这条记录已经不存在（可能已被删除），备注没有保存。"), MessageBox::OkOnly,
                             MessageBox::Exclamation);
            return;
        }
    } catch (const db::DbError &e) {
        MessageBox::show(QStringLiteral("更新失败：") + e.message(), MessageBox::OkOnly, MessageBox::Critical);
        return;
    }
    MessageBox::show(QStringLiteral("更新成功"));
    close();
}
