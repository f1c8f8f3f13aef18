#include "exchange/NotesImport.h"

#include "core/ColumnName.h"
#include "core/DateText.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/SqliteErrors.h"
#include "core/db/SqlTranslate.h"
#include "core/db/TextCheck.h"
#include "exchange/ExchangeError.h"

#include <QFile>
#include <QFileInfo>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <vector>

namespace exchange {

namespace {

const QString DateColumn = QStringLiteral("时间");
const QString RowKey = QStringLiteral("AutoId");
// PostgreSQL's MaxHeapAttributeNumber.
constexpr int ServerColumnLimit = 1600;
// Rows between two looks at the cancel flag and two progress reports.
constexpr int ReportEvery = 512;

QString place(int line, const QString &column) { return QStringLiteral("第 %1 行“%2”列").arg(line).arg(column); }

qsizetype characters(const QString &text)
{
    qsizetype n = text.size();
    for (const QChar c : text)
        n -= c.isLowSurrogate();
    return n;
}

// The forms a spreadsheet writes (2011-9-5, 2011/09/05) read straight from
// the digits; anything else goes through the program's date rules.
std::optional<QDate> importDate(const QString &raw)
{
    const auto number = [&raw](qsizetype &i, int most) {
        int value = 0, digits = 0;
        while (i < raw.size() && digits < most && raw[i] >= u'0' && raw[i] <= u'9') {
            value = value * 10 + (raw[i++].unicode() - u'0');
            ++digits;
        }
        return digits ? value : -1;
    };
    qsizetype i = 0;
    const int year = number(i, 4);
    if (i == 4 && year > 0 && i < raw.size() && (raw[i] == u'-' || raw[i] == u'/')) {
        const QChar sep = raw[i++];
        const int month = number(i, 2);
        if (month > 0 && i < raw.size() && raw[i++] == sep) {
            const int day = number(i, 2);
            if (day > 0 && i == raw.size() && QDate::isValid(year, month, day))
                return QDate(year, month, day);
        }
    }
    return DateText::fromText(raw);
}

// One prepared INSERT with its values bound, run once per row: the same
// statement text for every row of the import on either engine.
class RowInserter {
public:
    RowInserter(db::Connection &conn, const QString &table, const QStringList &columns) : m_conn(conn)
    {
        const bool server = conn.engine() == db::Connection::Engine::Server;
        QStringList names, marks;
        for (int i = 0; i < columns.size(); ++i) {
            names << db::quoteIdentifier(columns[i]);
            marks << (server ? QStringLiteral("$%1").arg(i + 1) : QStringLiteral("?"));
        }
        const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                   .arg(db::quoteIdentifier(server ? db::serverTableName(table) : table),
                                        names.join(QLatin1Char(',')), marks.join(QLatin1Char(',')))
                                   .toUtf8();
        m_values.resize(columns.size());
        m_null.resize(columns.size());
        if (server) {
            m_pg = conn.serverHandle();
            check(PQprepare(m_pg, "", sql.constData(), int(columns.size()), nullptr));
        } else if (sqlite3_prepare_v2(conn.handle(), sql.constData(), int(sql.size()), &m_stmt, nullptr) != SQLITE_OK) {
            throw db::DbError(QString::fromUtf8(sqlite3_errmsg(conn.handle())));
        }
    }
    ~RowInserter() { sqlite3_finalize(m_stmt); }
    RowInserter(const RowInserter &) = delete;
    RowInserter &operator=(const RowInserter &) = delete;

    void setNull(int i) { m_null[i] = true; }
    void setText(int i, QByteArray utf8)
    {
        m_null[i] = false;
        m_values[i] = std::move(utf8);
    }

    void insert()
    {
        const int n = int(m_values.size());
        if (m_pg) {
            std::vector<const char *> params(size_t(n), nullptr);
            for (int i = 0; i < n; ++i)
                params[size_t(i)] = m_null[i] ? nullptr : m_values[i].constData();
            check(PQexecPrepared(m_pg, "", n, params.data(), nullptr, nullptr, 0));
            return;
        }
        for (int i = 0; i < n; ++i) {
            if (m_null[i])
                sqlite3_bind_null(m_stmt, i + 1);
            else
                sqlite3_bind_text(m_stmt, i + 1, m_values[i].constData(), int(m_values[i].size()), SQLITE_STATIC);
        }
        const int rc = sqlite3_step(m_stmt);
        sqlite3_reset(m_stmt);
        if (rc != SQLITE_DONE)
            throw db::DbError(QString::fromUtf8(sqlite3_errmsg(m_conn.handle())), db::kindOfSqliteFailure(rc, m_conn.handle()));
    }

private:
    static void check(PGresult *result)
    {
        const ExecStatusType status = PQresultStatus(result);
        const QString message = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        const bool full = qstrcmp(PQresultErrorField(result, PG_DIAG_SQLSTATE), "53100") == 0;
        PQclear(result);
        if (status != PGRES_COMMAND_OK)
            throw db::DbError(message.isEmpty() ? QStringLiteral("服务器没有回应") : message,
                              full ? db::DbError::DiskFull : db::DbError::Other);
    }

    db::Connection &m_conn;
    pg_conn *m_pg = nullptr;
    sqlite3_stmt *m_stmt = nullptr;
    QVector<QByteArray> m_values;
    QVector<bool> m_null;
};

struct Target {
    int csvColumn;
    db::ColumnDef column;
    bool created;
};

// The longest value of each new column, for its size.
void sizeNewColumns(QIODevice *csv, Encoding encoding, QVector<Target> &targets, Progress *progress)
{
    CsvReader reader(csv, encoding);
    CsvRecord record;
    reader.next(record);
    for (qint64 row = 1; reader.next(record); ++row) {
        for (Target &t : targets)
            if (t.created && t.column.size < 255)
                t.column.size = qMax<int>(t.column.size, int(qMin<qsizetype>(characters(record.fields[t.csvColumn]), 255)));
        if (progress && row % ReportEvery == 0) {
            progress->done = reader.position();
            if (progress->cancel)
                throw Cancelled(QStringLiteral("导入已取消，没有导入任何记录。"));
        }
    }
    if (!csv->seek(0))
        throw Failure(QStringLiteral("无法再次读取文件：%1").arg(csv->errorString()));
}

} // namespace

ImportPlan defaultPlan(const QStringList &csvHeader, const QVector<db::ColumnDef> &tableColumns)
{
    ImportPlan plan;
    QStringList taken;
    for (const db::ColumnDef &c : tableColumns)
        taken << c.name;
    for (const QString &raw : csvHeader) {
        const QString name = raw.trimmed();
        ImportTarget target;
        const auto same = std::find_if(tableColumns.begin(), tableColumns.end(), [&](const db::ColumnDef &c) {
            return c.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (name.compare(RowKey, Qt::CaseInsensitive) == 0) {
            target.action = ImportTarget::Skip;
        } else if (same != tableColumns.end()) {
            target.action = ImportTarget::Existing;
            target.column = same->name;
        } else if (ColumnName::acceptable(name, taken)) {
            target.action = ImportTarget::Create;
            target.column = name;
            taken << name;
        }
        // A column already taken by an earlier CSV column stays skipped.
        if (target.action == ImportTarget::Existing) {
            const bool again = std::any_of(plan.targets.begin(), plan.targets.end(), [&](const ImportTarget &t) {
                return t.action == ImportTarget::Existing && t.column == target.column;
            });
            if (again)
                target = ImportTarget();
        }
        plan.targets << target;
    }
    return plan;
}

int columnLimit(db::Connection &conn)
{
    if (conn.engine() == db::Connection::Engine::Server)
        return ServerColumnLimit;
    return sqlite3_limit(conn.handle(), SQLITE_LIMIT_COLUMN, -1);
}

namespace {

QStringList readHeader(QIODevice *csv, Encoding encoding)
{
    CsvReader reader(csv, encoding);
    CsvRecord record;
    if (!reader.next(record))
        throw Failure(QStringLiteral("文件是空的：没有标题行。"));
    if (!csv->seek(0))
        throw Failure(QStringLiteral("无法再次读取文件：%1").arg(csv->errorString()));
    return record.fields;
}

// The plan resolved against the table as it is now: where each used CSV
// column goes, and which columns are new.
QVector<Target> resolvePlan(const ImportPlan &plan, const QVector<db::ColumnDef> &existing)
{
    QStringList names;
    for (const db::ColumnDef &c : existing)
        names << c.name;
    QVector<Target> targets;
    QStringList used;
    for (int i = 0; i < plan.targets.size(); ++i) {
        const ImportTarget &t = plan.targets[i];
        if (t.action == ImportTarget::Skip)
            continue;
        for (const QString &u : std::as_const(used))
            if (u.compare(t.column, Qt::CaseInsensitive) == 0)
                throw Failure(QStringLiteral("“%1”列被对应了两次，请把其中一列改为跳过。").arg(t.column));
        used << t.column;
        if (t.action == ImportTarget::Existing) {
            const auto c = std::find_if(existing.begin(), existing.end(), [&](const db::ColumnDef &d) {
                return d.name.compare(t.column, Qt::CaseInsensitive) == 0;
            });
            if (c == existing.end())
                throw Failure(QStringLiteral("表中没有“%1”列。").arg(t.column));
            if (c->autoIncrement)
                throw Failure(QStringLiteral("“%1”是自动编号，不能导入，请改为跳过。").arg(c->name));
            targets.append({i, *c, false});
        } else {
            if (const QString problem = ColumnName::lengthProblem(t.column); !problem.isEmpty())
                throw Failure(problem);
            if (!ColumnName::acceptable(t.column, names))
                throw Failure(QStringLiteral("新字段名“%1”使用了不规范的字符或和其它字段名称重复。").arg(t.column));
            names << t.column;
            db::ColumnDef col;
            col.name = t.column;
            col.type = db::ColumnType::Text;
            col.size = NewColumnSize;
            col.nullable = true;
            targets.append({i, col, true});
        }
    }
    const bool hasDate = std::any_of(targets.begin(), targets.end(), [](const Target &t) {
        return t.column.name.compare(DateColumn, Qt::CaseInsensitive) == 0;
    });
    if (!hasDate)
        throw Failure(QStringLiteral("文件中没有对应到“时间”的列：每条记录都要有日期。"));
    return targets;
}

int countCreated(const QVector<Target> &targets)
{
    return int(std::count_if(targets.begin(), targets.end(), [](const Target &t) { return t.created; }));
}

// One CSV cell as the column's value, or the reason it cannot be one.
void bindCell(RowInserter &insert, int k, const Target &t, const QString &raw, int line, QString &value)
{
    switch (t.column.type) {
    case db::ColumnType::DateTime: {
        const auto date = importDate(raw);
        if (!date)
            throw Failure(place(line, t.column.name) + QStringLiteral("：无法识别的日期“%1”。").arg(raw));
        insert.setText(k, date->toString(Qt::ISODate).toLatin1());
        break;
    }
    case db::ColumnType::LongInteger: {
        bool ok = false;
        const QString trimmed = raw.trimmed();
        const qint64 n = trimmed.toLongLong(&ok);
        if (trimmed.isEmpty() && t.column.nullable)
            insert.setNull(k);
        else if (!ok)
            throw Failure(place(line, t.column.name) + QStringLiteral("：“%1”不是整数。").arg(raw));
        else
            insert.setText(k, QByteArray::number(n));
        break;
    }
    case db::ColumnType::Text:
    case db::ColumnType::Memo: {
        value = raw;
        if (value.contains(QLatin1Char('\r')))
            value.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        if (t.column.type == db::ColumnType::Text && characters(value) > t.column.size)
            throw Failure(place(line, t.column.name)
                                + QStringLiteral("：内容有 %1 个字，超过了该字段的长度 %2。")
                                      .arg(characters(value))
                                      .arg(t.column.size));
        if (const QString problem = db::textProblem(value); !problem.isEmpty())
            throw Failure(place(line, t.column.name) + QStringLiteral("：文字") + problem + QStringLiteral("。"));
        // An empty cell is empty (NULL) where the column allows
        // it, as in the record editor (NotesTables::value).
        if (value.isEmpty() && t.column.nullable)
            insert.setNull(k);
        else
            insert.setText(k, value.toUtf8());
        break;
    }
    }
}

// Adds the new columns and every row in one transaction: all or nothing.
int writeRows(db::Catalog &catalog, const QString &table, QIODevice *csv, Encoding encoding,
              const QVector<Target> &targets, Progress *progress, qint64 passStart)
{
    db::Connection &conn = catalog.connection();
    // On a file the write lock is taken at once, so that nobody slips in
    // between the checks above and the rows; a server locks row by row.
    conn.execute(conn.engine() == db::Connection::Engine::Server ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    int line = 0;
    int rows = 0;
    try {
        QVector<db::ColumnDef> added;
        QStringList columns;
        for (const Target &t : targets) {
            if (t.created)
                added << t.column;
            columns << t.column.name;
        }
        catalog.appendColumns(table, added);
        RowInserter insert(conn, table, columns);
        CsvReader reader(csv, encoding);
        CsvRecord r;
        reader.next(r);
        QString value;
        while (reader.next(r)) {
            line = r.line;
            for (int k = 0; k < targets.size(); ++k)
                bindCell(insert, k, targets[k], r.fields[targets[k].csvColumn], line, value);
            insert.insert();
            if (++rows % ReportEvery == 0 && progress) {
                progress->done = passStart + reader.position();
                if (progress->cancel)
                    throw Cancelled(QStringLiteral("导入已取消，没有导入任何记录。"));
            }
        }
        line = 0;
        if (progress && progress->cancel)
            throw Cancelled(QStringLiteral("导入已取消，没有导入任何记录。"));
        conn.execute(QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            conn.execute(QStringLiteral("ROLLBACK"));
        } catch (const db::DbError &) {
            // The engine ended the transaction itself; nothing is left to undo.
        }
        try {
            throw;
        } catch (const db::DbError &e) {
            // No row is to blame for a full disk; the engine's words would be English.
            if (e.kind() == db::DbError::DiskFull)
                throw Failure(QStringLiteral("磁盘已满，没有导入任何记录。请腾出空间后再试。"));
            const QString where = line > 0 ? QStringLiteral("第 %1 行：").arg(line) : QString();
            throw Failure(where + QStringLiteral("数据库拒绝写入（%1），没有导入任何记录。").arg(e.message()));
        }
    }
    return rows;
}

} // namespace

int importNotes(const db::Location &notebook, const QString &table, QIODevice *csv, Encoding encoding,
                const ImportPlan &plan, Progress *progress)
{
    if (plan.targets.size() != readHeader(csv, encoding).size())
        throw Failure(QStringLiteral("对应关系与文件的列数不符"));

    db::Catalog catalog(notebook);
    const QVector<db::ColumnDef> existing = catalog.columns(table);
    QVector<Target> targets = resolvePlan(plan, existing);
    const int created = countCreated(targets);
    if (const int limit = columnLimit(catalog.connection()); existing.size() + created > limit)
        throw Failure(QStringLiteral("表中已有 %1 列，文件要新建 %2 列，合计超过了数据库一个表最多 %3 列的限制。"
                                           "请把多余的列改为跳过，或把文件拆开后再导入。")
                                .arg(existing.size())
                                .arg(created)
                                .arg(limit));

    const qint64 size = csv->size();
    if (progress)
        progress->total = created ? 2 * size : size;
    if (created)
        sizeNewColumns(csv, encoding, targets, progress);
    const int rows = writeRows(catalog, table, csv, encoding, targets, progress, created ? size : 0);
    if (progress)
        progress->done = progress->total.load();
    return rows;
}

int importFile(const db::Location &notebook, const QString &table, const QString &path, Encoding encoding,
               const ImportPlan &plan, Progress *progress)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("无法打开文件 %1：%2").arg(QFileInfo(path).fileName(), file.errorString()));
    return importNotes(notebook, table, &file, encoding, plan, progress);
}

} // namespace exchange
