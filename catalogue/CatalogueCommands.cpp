#include "catalogue/CatalogueCommands.h"

#include "catalogue/Website.h"
#include "catalogue/WebsiteBrowser.h"
#include "catalogue/WebsiteDialog.h"
#include "core/BackupGuard.h"
#include "core/Database.h"
#include "core/DatabaseProblems.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/RecordsetModel.h"
#include "core/NotesTables.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Quote.h"
#include "notes/ExportCommands.h"
#include "notes/ImportDialog.h"
#include "notes/NotesTable.h"
#include "notes/NotesWindow.h"
#include "notes/ReportCommands.h"

#include <algorithm>

#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

// The observations in a website's notes table (0 without one), or -1 when
// they cannot be counted: the question is asked all the same.
int observationCount(const QString &table)
{
    try {
        if (!notesTableExists(table))
            return 0;
        return Database::query(QStringLiteral("SELECT count(*) FROM ") + db::quoteIdentifier(table))->value(0).toInt();
    } catch (const db::DbError &) {
        return -1;
    }
}

} // namespace

CatalogueCommands::CatalogueCommands(WebsiteBrowser *browser, std::function<void(int, qint32)> reloadAt, QObject *parent)
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
    // The question stays as it always was; what goes with the website is said under it.
    QString detail = QStringLiteral("网站：") + m_browser->websiteList.recordset().value(1).toString().trimmed();
    if (const int observations = observationCount(NotesTables::name(id)); observations >= 0)
        detail += QStringLiteral("\n一并删除的优化记录：%1 条").arg(observations);
    detail += QLatin1Char('\n') + BackupGuard::beforeDestructiveStepNote();
    if (MessageBox::show(QStringLiteral("是否删除当前行?"), MessageBox::YesNo, MessageBox::NoIcon,
                         QStringLiteral("确认"), MessageBox::Button(0), detail)
        != MessageBox::Yes)
        return;

    // The website's notes go with it: first the windows over them, then the
    // website and its notes table in one transaction, so that a failure
    // leaves both as they were. Nothing is deleted without a backup to come
    // back to.
    const QString websiteName = m_browser->websiteList.recordset().value(1).toString();
    if (!BackupGuard::beforeDestructiveStep(QStringLiteral("删除网站"), websiteName))
        return;
    const QString name = NotesTables::name(id);
    closeWebsiteNotes(name);
    try {
        currentWebsite().remove(id, notesTableExists(name) ? name : QString());
    } catch (const db::DbError &e) {
        MessageBox::show(QStringLiteral("删除失败，网站和它的优化记录都没有改动：") + DatabaseProblems::duringWork(e),
                         MessageBox::OkOnly, MessageBox::Exclamation);
        m_reloadAt(position, id);
        return;
    }
    MessageBox::show(QStringLiteral("删除成功"));
    m_reloadAt(position, 0);
}

void CatalogueCommands::openNotes()
{
    if (!m_browser->hasCurrentRow()) {
        MessageBox::show(QStringLiteral("没有任何网站信息"));
        return;
    }
    const db::Recordset &rs = m_browser->websiteList.recordset();
    const int position = m_browser->currentPosition();
    // Removed elsewhere since the list was read: a notes table made now
    // would have no website behind it.
    if (!currentWebsite().isStored(m_browser->currentIdText().toInt())) {
        MessageBox::show(QStringLiteral("该网站已被删除（可能是在别处删除的），无法查看它的优化记录。"), MessageBox::OkOnly,
                         MessageBox::Exclamation);
        m_reloadAt(position, 0);
        return;
    }
    WebsiteRow row;
    row.Webid = m_browser->currentIdText().toInt();
    row.Webname = rs.value(1).toString().trimmed();
    row.Weburl = rs.value(2).toString();
    row.Webtime = rs.value(3).toDate();
    QString name = NotesTables::name(row.Webid);
    openWebsiteNotes(name, row);
    m_reloadAt(position, row.Webid);
}

void CatalogueCommands::exportWebsites()
{
    auto *window = qobject_cast<QWidget *>(parent());
    const db::DataControl &list = m_browser->websiteList;
    QString query = WebsiteBrowser::ListQuery;
    if (!list.recordSource().isEmpty() && list.recordSource() != WebsiteBrowser::ListQuery) {
        const int shown = list.recordset().isOpen() ? list.recordset().recordCount() : 0;
        if (MessageBox::show(QStringLiteral("列表中是搜索到的 %1 个网站。是否只导出这些网站？（选“否”导出全部网站）").arg(shown),
                             MessageBox::YesNo, MessageBox::Question, QStringLiteral("导出网站列表"))
            == MessageBox::Yes)
            query = list.recordSource();
    }
    const auto target = ExportCommands::chooseFile(window, QStringLiteral("导出网站列表"), QStringLiteral("网站列表"));
    if (!target)
        return;
    const db::Location notebook = Database::notebook;
    ExportCommands::run(window, *target, [&query, &notebook](const ExportCommands::Target &t, exchange::Progress &progress) {
        db::Connection conn;
        conn.open(notebook);
        return exchange::exportWebsites(conn, query, t.format, t.path, &progress);
    });
}

void CatalogueCommands::importNotes()
{
    if (!m_browser->hasCurrentRow()) {
        MessageBox::show(QStringLiteral("没有任何网站信息"));
        return;
    }
    const QString name = m_browser->websiteList.recordset().value(1).toString().trimmed();
    ImportDialog *dialog = importNotesFromCsv(qobject_cast<QWidget *>(parent()), m_browser->currentIdText().toInt(), name);
    if (!dialog)
        return;
    // An open notes window over that table shows the new rows (and its chart follows).
    connect(dialog, &ImportDialog::imported, this, [](const QString &table) {
        NotesWindow *notes = Forms::loaded<NotesWindow>();
        if (notes && notes->notesTable.compare(table, Qt::CaseInsensitive) == 0)
            notes->requeryGrid();
    });
}

void CatalogueCommands::clientReport()
{
    const db::DataControl &list = m_browser->websiteList;
    QVector<report::Website> listed;
    report::Website current;
    if (list.recordset().isOpen()) {
        const db::Recordset &rs = list.recordset();
        for (int r = 0; r < rs.recordCount(); ++r)
            listed.append({rs.valueAt(r, 0).toInt(), rs.valueAt(r, 1).toString().trimmed(), rs.valueAt(r, 2).toString().trimmed()});
        if (m_browser->hasCurrentRow())
            current = {m_browser->currentIdText().toInt(), rs.value(1).toString().trimmed(), rs.value(2).toString().trimmed()};
    }
    if (listed.isEmpty()) {
        MessageBox::show(QStringLiteral("没有任何网站信息"));
        return;
    }
    const bool searched = !list.recordSource().isEmpty() && list.recordSource() != WebsiteBrowser::ListQuery;
    ReportCommands::reportFromList(qobject_cast<QWidget *>(parent()), current, listed, searched);
}

void CatalogueCommands::addWebsite()
{
    WebsiteDialog *dialog = Forms::get<WebsiteDialog>();
    dialog->modifying = false;
    dialog->editedId = 0;
    dialog->exec(); // unloads itself when it closes
    m_reloadAt(0, 0);
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
    const qint32 id = dialog->editedId;
    dialog->exec();
    m_reloadAt(position, id);
}
