#include "catalogue/CatalogueCommands.h"

#include "catalogue/Website.h"
#include "catalogue/WebsiteBrowser.h"
#include "catalogue/WebsiteDialog.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/RecordsetModel.h"
#include "core/SqlText.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/TableList.h"
#include "notes/NotesTable.h"

#include <algorithm>

#include <QLineEdit>
#include <QPlainTextEdit>

CatalogueCommands::CatalogueCommands(WebsiteBrowser *browser, std::function<void(int)> reloadAt, QObject *parent)
    : QObject(parent), m_browser(browser), m_reloadAt(std::move(reloadAt))
{
}

void CatalogueCommands::deleteWebsite()
{
    if (!m_browser->hasCurrentRow()) {
        MessageBox::show(QStringLiteral("请选择记录"));
        return;
    }
    const int position = m_browser->currentPosition();
    const qint32 id = m_browser->currentIdText().toInt();
    if (MessageBox::show(QStringLiteral("是否删除当前行?"), MessageBox::YesNo, MessageBox::NoIcon,
                         QStringLiteral("确认"))
        != MessageBox::Yes)
        return;

    // The website's notes go with it: first the windows over them, then the
    // website, and its notes table last, so that a failure on the way never
    // leaves a website whose notes are already gone.
    const QString name = QStringLiteral("biji") + QString::number(id);
    CloseWebsiteNotes(name);
    if (Database::onServer()) {
        // On a server both go in one transaction: another worker sees the
        // website with its notes, or neither.
        Database::execute(QStringLiteral("DELETE FROM Website WHERE Webid=%1; DROP TABLE IF EXISTS %2").arg(id).arg(name));
        MessageBox::show(QStringLiteral("删除成功"));
        m_reloadAt(position);
        return;
    }
    CurWebsite().remove(id);
    try {
        db::Connection conn;
        conn.open(Database::connectionString);
        db::TableList tables(conn);
        if (tables.find(QStringLiteral("TABLE_NAME= '") + sqlText(name) + QStringLiteral("'")))
            conn.execute(QStringLiteral("drop table ") + name);
    } catch (const db::DbError &e) {
        // The website is gone already; its leftover table harms nothing.
        MessageBox::show(QStringLiteral("网站已删除，但它的优化记录表 %1 未能删除：%2").arg(name, e.message()),
                         MessageBox::OkOnly, MessageBox::Exclamation);
    }
    MessageBox::show(QStringLiteral("删除成功"));
    m_reloadAt(position);
}

void CatalogueCommands::openNotes()
{
    if (!m_browser->hasCurrentRow()) {
        MessageBox::show(QStringLiteral("没有任何网站信息"));
        return;
    }
    const db::Recordset &rs = m_browser->websiteList.recordset();
    const int position = m_browser->currentPosition();
    WebsiteRow row;
    row.Webid = m_browser->currentIdText().toInt();
    row.Webname = rs.value(1).toString().trimmed();
    row.Weburl = rs.value(2).toString();
    row.Webtime = rs.value(3).toDate();
    QString name = QStringLiteral("biji") + m_browser->currentIdText();
    OpenWebsiteNotes(name, row);
    m_reloadAt(position);
}

void CatalogueCommands::addWebsite()
{
    WebsiteDialog *dialog = Forms::get<WebsiteDialog>();
    dialog->modifying = false;
    dialog->editedId = 0;
    dialog->exec(); // unloads itself when it closes
    m_reloadAt(0);
}

void CatalogueCommands::modifyWebsite()
{
    if (!m_browser->hasCurrentRow()) {
        MessageBox::show(QStringLiteral("请选择记录"));
        return;
    }
    const db::Recordset &rs = m_browser->websiteList.recordset();
    const int position = m_browser->currentPosition();
    WebsiteDialog *dialog = Forms::get<WebsiteDialog>();
    dialog->editedId = m_browser->currentIdText().toInt();
    dialog->originalName = rs.value(1).toString().trimmed();
    // A value stored longer than the dialog's limit (typed in the details
    // frame) must not be cut short by merely opening and saving the dialog.
    const auto fill = [](QLineEdit *box, const QString &text) {
        box->setMaxLength(std::max(box->maxLength(), int(text.size())));
        box->setText(text);
    };
    fill(dialog->nameBox, dialog->originalName);
    fill(dialog->addressBox, rs.value(2).toString());
    dialog->dateBox->setText(RecordsetModel::displayText(rs.value(3)));
    const QString memos = rs.value(4).toString().trimmed();
    if (!memos.isEmpty())
        dialog->memoBox->setPlainText(memos);
    dialog->modifying = true;
    dialog->exec();
    m_reloadAt(position);
}
