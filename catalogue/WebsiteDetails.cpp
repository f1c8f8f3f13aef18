#include "catalogue/WebsiteDetails.h"

#include "catalogue/Website.h"
#include "core/Database.h"
#include "core/DateText.h"
#include "core/MessageBox.h"
#include "core/db/DbError.h"
#include "core/ui/Widgets.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

WebsiteDetails::WebsiteDetails(QWidget *parent) : QGroupBox(QStringLiteral("基本信息"), parent)
{
    setObjectName(QStringLiteral("Frame2"));
    nameBox = ui::lineBox(this, QStringLiteral("Webname"), QStringLiteral("网站名称"));
    addressBox = ui::lineBox(this, QStringLiteral("Weburl"), QStringLiteral("网址"));
    dateBox = ui::lineBox(this, QStringLiteral("Webtime"), QStringLiteral("接单日期"));
    memoBox = new QPlainTextEdit(this);
    memoBox->setObjectName(QStringLiteral("Webmemos"));
    memoBox->setAccessibleName(QStringLiteral("网站备注信息"));
    memoBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memoBox->setTabChangesFocus(true);
    modifyButton = ui::button(this, QStringLiteral("Cmd_XG"), QStringLiteral("修改"));
    openNotesButton = ui::button(this, QStringLiteral("Cmd_goto"), QStringLiteral("Goto ->"));
    storedIdBox = ui::lineBox(this, QStringLiteral("WebOriId"), QStringLiteral("编号"));
    storedIdBox->hide();
    storedNameBox = ui::lineBox(this, QStringLiteral("WebOriName"), QStringLiteral("原网站名称"));
    storedNameBox->hide();

    auto *layout = new QGridLayout(this);
    layout->addWidget(ui::labelFor(this, QStringLiteral("网站名称"), nameBox), 0, 0);
    layout->addWidget(nameBox, 0, 1);
    layout->addWidget(ui::labelFor(this, QStringLiteral("网　　址"), addressBox), 1, 0);
    layout->addWidget(addressBox, 1, 1);
    layout->addWidget(ui::labelFor(this, QStringLiteral("接单日期"), dateBox), 2, 0);
    layout->addWidget(dateBox, 2, 1);
    layout->addWidget(ui::labelFor(this, QStringLiteral("网站备注信息"), memoBox), 3, 0, 1, 2);
    layout->addWidget(memoBox, 4, 0, 1, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(modifyButton);
    buttons->addWidget(openNotesButton);
    layout->addLayout(buttons, 5, 0, 1, 2);
}

void WebsiteDetails::showWebsite(const Website &site)
{
    nameBox->setText(site.Webname);
    addressBox->setText(site.Weburl);
    addressBox->setCursorPosition(0);
    dateBox->setText(DateText::toText(site.Webtime));
    showMemo(site.Webmemos);
    setTitle(QStringLiteral("编号：") + QString::number(site.Webid));
    storedIdBox->setText(QString::number(site.Webid));
    storedNameBox->setText(site.Webname);
}

void WebsiteDetails::clear()
{
    storedIdBox->clear();
    nameBox->clear();
    storedNameBox->clear();
    addressBox->clear();
    dateBox->clear();
    memoBox->clear();
}

void WebsiteDetails::showMemo(const QString &text)
{
    // Straight into the document: the box's own setPlainText also selects the
    // whole text to reset its format, which lays the memo out three times on
    // every step through the list. The caret and the view go to the top, and
    // there is nothing to undo, as after setPlainText.
    memoBox->document()->setPlainText(text);
    memoBox->moveCursor(QTextCursor::Start);
    memoBox->document()->setModified(false);
}

void WebsiteDetails::setCommandsEnabled(bool enabled)
{
    modifyButton->setEnabled(enabled);
    openNotesButton->setEnabled(enabled);
}

bool WebsiteDetails::saveChanges()
{
    if (!WebsiteInput::fillCurWebsite(boxes()))
        return false;
    const QString name = nameBox->text().trimmed();
    if (name != storedNameBox->text() && WebsiteInput::refuseTakenName(boxes(), name))
        return false;
    const qint32 id = storedIdBox->text().trimmed().toInt();
    if (WebsiteInput::refuseVanished(id))
        return false;
    try {
        currentWebsite().update(id);
    } catch (const db::DbError &e) {
        // Another worker took the name between the check above and the write.
        if (e.kind() == db::DbError::UniqueViolation && WebsiteInput::refuseTakenName(boxes(), name))
            return false;
        throw;
    }
    // Deleted by another worker between the check and the write: nothing was written.
    if (Database::rowsAffected() == 0) {
        WebsiteInput::tellVanished();
        return false;
    }
    MessageBox::show(QStringLiteral("修改成功"));
    return true;
}
