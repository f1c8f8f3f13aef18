#include "notes/NotesTable.h"

#include "charts/ChartWindow.h"

#include "core/DateText.h"
#include "core/Database.h"
#include "core/Forms.h"
#include "core/MessageBox.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/TableList.h"
#include "notes/FieldManager.h"
#include "notes/RecordEditor.h"
#include "notes/NotesWindow.h"
#include "notes/MemoEditor.h"

bool notesTableExists(const QString &notesTable)
{
    db::Connection conn;
    conn.open(Database::notebook);
    return db::TableList(conn).contains(notesTable);
}

bool ensureNotesTable(const QString &notesTable, bool *created)
{
    if (created)
        *created = false;
    // The lookup's connection is closed before the question, so nothing holds
    // the file open while the user decides.
    if (notesTableExists(notesTable))
        return true;
    if (MessageBox::show(QStringLiteral("表名不存在，是否要创建？"), MessageBox::OkCancel, MessageBox::Question,
                         QStringLiteral("提示"))
        != MessageBox::Ok)
        return false;
    createNotesTable(notesTable);
    if (created)
        *created = true;
    return true;
}

namespace {

db::ColumnDef textColumn(const QString &name, int size, const QString &defaultText)
{
    db::ColumnDef col;
    col.name = name;
    col.type = db::ColumnType::Text;
    col.size = size;
    col.defaultText = defaultText;
    return col;
}

} // namespace

void openWebsiteNotes(const QString &notesTable, const WebsiteRow &row)
{
    bool created = false;
    if (!ensureNotesTable(notesTable, &created) || created)
        return;

    NotesWindow *notes = Forms::get<NotesWindow>();
    notes->notesTable = notesTable;
    notes->websiteId = row.Webid;
    notes->setHeader(row.Webname, row.Weburl, row.Webtime);
    notes->openNotes();
}

void closeWebsiteNotes(const QString &notesTable)
{
    const auto closeOver = [&notesTable](auto *window) {
        if (window && window->notesTable.compare(notesTable, Qt::CaseInsensitive) == 0)
            window->close();
    };
    // The dialogs first: the field manager refreshes the notes grid as it closes.
    closeOver(Forms::loaded<RecordEditor>());
    closeOver(Forms::loaded<MemoEditor>());
    closeOver(Forms::loaded<FieldManager>());
    closeOver(Forms::loaded<ChartWindow>());
    closeOver(Forms::loaded<NotesWindow>());
}

void createNotesTable(const QString &notesTable)
{
    db::ColumnDef autoId;
    autoId.name = QStringLiteral("AutoId");
    autoId.type = db::ColumnType::LongInteger;
    autoId.autoIncrement = true;

    db::ColumnDef when;
    when.name = QStringLiteral("时间");
    when.type = db::ColumnType::DateTime;
    when.defaultText = DateText::toPlainText(QDate::currentDate());

    db::ColumnDef memo;
    memo.name = QStringLiteral("备注");
    memo.type = db::ColumnType::Memo;
    memo.nullable = true;

    const QString counts = QStringLiteral("收入*/反向*");
    const QVector<db::ColumnDef> columns{
        autoId,
        when,
        memo,
        textColumn(QStringLiteral("百度收入量"), 50, counts),
        textColumn(QStringLiteral("谷歌收入量"), 50, counts),
        textColumn(QStringLiteral("雅虎收入量"), 50, counts),
        textColumn(QStringLiteral("PR"), 10, QStringLiteral("0")),
        textColumn(QStringLiteral("◆关键词1"), 50, QStringLiteral("百度*/谷歌*")),
    };

    // One statement: the table appears whole or not at all.
    db::Catalog catalog(Database::notebook);
    catalog.createTable(notesTable, columns);

    MessageBox::show(QStringLiteral("创建完毕!"));
}
