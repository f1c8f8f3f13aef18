#include "exchange/NotesImport.h"

#include "core/ColumnName.h"
#include "core/NotesTables.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "exchange/ExchangeError.h"

#include <QHash>

namespace exchange {

namespace {

const QString DateColumn = QStringLiteral("时间");
const QString RowKey = QStringLiteral("AutoId");

QString place(const CsvRecord &record, const QString &column)
{
    return QStringLiteral("第 %1 行“%2”列").arg(record.line).arg(column);
}

qsizetype characters(const QString &text) { return text.toUcs4().size(); }

struct Target {
    int csvColumn;
    db::ColumnDef column;
    bool created;
};

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

int importNotes(const QString &connectionString, const QString &table, const CsvTable &csv, const ImportPlan &plan)
{
    if (plan.targets.size() != csv.header.size())
        throw ExchangeError(QStringLiteral("对应关系与文件的列数不符"));

    db::Catalog catalog(connectionString);
    const QVector<db::ColumnDef> existing = catalog.columns(table);
    QStringList names;
    for (const db::ColumnDef &c : existing)
        names << c.name;

    // Resolve the plan against the table as it is now.
    QVector<Target> targets;
    QStringList used;
    for (int i = 0; i < plan.targets.size(); ++i) {
        const ImportTarget &t = plan.targets[i];
        if (t.action == ImportTarget::Skip)
            continue;
        const QString header = csv.header[i];
        for (const QString &u : std::as_const(used))
            if (u.compare(t.column, Qt::CaseInsensitive) == 0)
                throw ExchangeError(QStringLiteral("“%1”列被对应了两次，请把其中一列改为跳过。").arg(t.column));
        used << t.column;
        if (t.action == ImportTarget::Existing) {
            const auto c = std::find_if(existing.begin(), existing.end(), [&](const db::ColumnDef &d) {
                return d.name.compare(t.column, Qt::CaseInsensitive) == 0;
            });
            if (c == existing.end())
                throw ExchangeError(QStringLiteral("表中没有“%1”列。").arg(t.column));
            if (c->autoIncrement)
                throw ExchangeError(QStringLiteral("“%1”是自动编号，不能导入，请改为跳过。").arg(c->name));
            targets.append({i, *c, false});
        } else {
            QStringList others = names;
            for (const Target &earlier : std::as_const(targets))
                if (earlier.created)
                    others << earlier.column.name;
            if (const QString problem = ColumnName::lengthProblem(t.column); !problem.isEmpty())
                throw ExchangeError(problem);
            if (!ColumnName::acceptable(t.column, others))
                throw ExchangeError(QStringLiteral("新字段名“%1”使用了不规范的字符或和其它字段名称重复。").arg(t.column));
            db::ColumnDef col;
            col.name = t.column;
            col.type = db::ColumnType::Text;
            col.size = NewColumnSize;
            col.nullable = true;
            for (const CsvRecord &r : csv.records)
                col.size = qMax<int>(col.size, int(qMin<qsizetype>(characters(r.fields[i]), 255)));
            targets.append({i, col, true});
        }
    }
    const bool hasDate = std::any_of(targets.begin(), targets.end(), [](const Target &t) {
        return t.column.name.compare(DateColumn, Qt::CaseInsensitive) == 0;
    });
    if (!hasDate)
        throw ExchangeError(QStringLiteral("文件中没有对应到“时间”的列：每条记录都要有日期。"));

    // Every value is checked and turned into what is stored before anything
    // is written, by the rule the record editor follows too.
    QStringList columnNames;
    for (const Target &t : std::as_const(targets))
        columnNames << db::quoteIdentifier(t.column.name);
    const QString insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(db::quoteIdentifier(table), columnNames.join(QStringLiteral(", ")),
                                    QStringList(targets.size(), QStringLiteral("?")).join(QStringLiteral(", ")));
    QVector<db::Values> rows;
    rows.reserve(csv.records.size());
    for (const CsvRecord &r : csv.records) {
        db::Values values;
        for (const Target &t : std::as_const(targets)) {
            QString problem;
            const auto value = NotesTables::value(t.column, r.fields[t.csvColumn], &problem);
            if (!value)
                throw ExchangeError(place(r, t.column.name) + QStringLiteral("：") + problem + QStringLiteral("。"));
            values << *value;
        }
        rows << values;
    }

    db::Connection &conn = catalog.connection();
    // On a file the write lock is taken at once, so that nobody slips in
    // between the checks above and the rows; a server locks row by row.
    conn.execute(db::Connection::isServer(connectionString) ? QStringLiteral("BEGIN") : QStringLiteral("BEGIN IMMEDIATE"));
    int line = 0;
    try {
        for (const Target &t : std::as_const(targets))
            if (t.created)
                catalog.appendColumn(table, t.column);
        for (int k = 0; k < rows.size(); ++k) {
            line = csv.records[k].line;
            conn.execute(insert, rows[k]);
        }
        line = 0;
        conn.execute(QStringLiteral("COMMIT"));
    } catch (const db::DbError &e) {
        try {
            conn.execute(QStringLiteral("ROLLBACK"));
        } catch (const db::DbError &) {
            // The engine ended the transaction itself; nothing is left to undo.
        }
        const QString where = line > 0 ? QStringLiteral("第 %1 行：").arg(line) : QString();
        throw ExchangeError(where + QStringLiteral("数据库拒绝写入（%1），没有导入任何记录。").arg(e.message()));
    }
    return int(rows.size());
}

} // namespace exchange
