#include "core/db/Catalog.h"

#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "core/db/TableList.h"

#include <QRegularExpression>

namespace db {

QString quoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

namespace {

QString quoteText(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

// A column default as SQLite reports it ('text', a number, NULL) back to text.
std::optional<QString> defaultFromSql(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    QString text = value.toString();
    if (text.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0)
        return std::nullopt;
    if (text.size() >= 2 && text.startsWith(QLatin1Char('\'')) && text.endsWith(QLatin1Char('\''))) {
        text = text.mid(1, text.size() - 2);
        text.replace(QStringLiteral("''"), QStringLiteral("'"));
    }
    return text;
}

ColumnDef columnFromPragma(const Recordset &info, int row)
{
    ColumnDef col;
    col.name = info.valueAt(row, 1).toString();
    const QString type = info.valueAt(row, 2).toString().toUpper();
    col.nullable = info.valueAt(row, 3).toInt() == 0;
    col.defaultText = defaultFromSql(info.valueAt(row, 4));
    const bool primaryKey = info.valueAt(row, 5).toInt() != 0;
    static const QRegularExpression sized(QStringLiteral("CHAR\\s*\\(\\s*(\\d+)\\s*\\)"));
    if (type.contains(QLatin1String("INT"))) {
        col.type = ColumnType::LongInteger;
        col.autoIncrement = primaryKey;
        if (primaryKey)
            col.nullable = false;
    } else if (type.contains(QLatin1String("DATE")) || type.contains(QLatin1String("TIME"))) {
        col.type = ColumnType::DateTime;
    } else if (const auto m = sized.match(type); m.hasMatch()) {
        col.type = ColumnType::Text;
        col.size = m.captured(1).toInt();
    } else {
        col.type = ColumnType::Memo;
    }
    return col;
}

} // namespace

QString columnDdl(const ColumnDef &column)
{
    const QString name = quoteIdentifier(column.name);
    QString ddl = name + QLatin1Char(' ');
    switch (column.type) {
    case ColumnType::LongInteger:
        ddl += column.autoIncrement ? QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT") : QStringLiteral("INTEGER");
        break;
    case ColumnType::DateTime:
        ddl += QStringLiteral("DATETIME");
        break;
    case ColumnType::Memo:
        // LONGTEXT gives text affinity: a memo of digits stays the text typed.
        ddl += QStringLiteral("LONGTEXT");
        break;
    case ColumnType::Text:
        if (column.size < 1 || column.size > 255)
            throw DbError(QStringLiteral("字段 %1 的长度必须是 1 到 255 之间的整数").arg(column.name));
        // The engine does not bound text by itself; the check keeps the declared size true.
        ddl += QStringLiteral("NVARCHAR(%1) CHECK (length(%2) <= %1)").arg(column.size).arg(name);
        break;
    }
    if (!column.nullable && !column.autoIncrement)
        ddl += QStringLiteral(" NOT NULL");
    if (column.defaultText && !column.autoIncrement)
        ddl += QStringLiteral(" DEFAULT ") + quoteText(*column.defaultText);
    return ddl;
}

Catalog::Catalog(const QString &connectionString) { m_conn.open(connectionString); }

QStringList Catalog::tables() { return TableList(m_conn).names(); }

bool Catalog::hasTable(const QString &table)
{
    QString criterion = table;
    criterion.replace(QLatin1Char('\''), QStringLiteral("''"));
    return TableList(m_conn).find(QStringLiteral("TABLE_NAME= '%1'").arg(criterion));
}

void Catalog::createTable(const QString &table, const QVector<ColumnDef> &columns)
{
    if (columns.isEmpty())
        throw DbError(QStringLiteral("表 %1 没有任何字段").arg(table));
    QStringList defs;
    for (const ColumnDef &col : columns)
        defs << columnDdl(col);
    m_conn.execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdentifier(table), defs.join(QStringLiteral(", "))));
}

void Catalog::dropTable(const QString &table)
{
    m_conn.execute(QStringLiteral("DROP TABLE %1").arg(quoteIdentifier(table)));
}

QVector<ColumnDef> Catalog::columns(const QString &table)
{
    Recordset info;
    info.open(QStringLiteral("PRAGMA table_info(%1)").arg(quoteIdentifier(table)), m_conn);
    if (info.recordCount() == 0)
        throw DbError(QStringLiteral("表不存在：%1").arg(table));
    QVector<ColumnDef> result;
    for (int row = 0; row < info.recordCount(); ++row)
        result << columnFromPragma(info, row);
    return result;
}

ColumnDef Catalog::column(const QString &table, int position)
{
    const auto cols = columns(table);
    if (position < 0 || position >= cols.size())
        throw DbError(QStringLiteral("表 %1 没有第 %2 个字段").arg(table).arg(position));
    return cols[position];
}

std::optional<ColumnDef> Catalog::column(const QString &table, const QString &name)
{
    for (const ColumnDef &col : columns(table))
        if (col.name.compare(name, Qt::CaseInsensitive) == 0)
            return col;
    return std::nullopt;
}

void Catalog::appendColumn(const QString &table, const ColumnDef &column)
{
    if (column.autoIncrement)
        throw DbError(QStringLiteral("不能给已有的表添加自动编号字段"));
    // Rows written before the column existed hold no value for it: they show
    // an empty cell, and only later writes take the default. SQLite would fill
    // every old row with the default (and insists on that for NOT NULL), so the
    // column is added nullable and the old rows are emptied again, in one step.
    ColumnDef added = column;
    added.nullable = true;
    m_conn.execute(QStringLiteral("SAVEPOINT append_column"));
    try {
        m_conn.execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(quoteIdentifier(table), columnDdl(added)));
        if (added.defaultText)
            m_conn.execute(QStringLiteral("UPDATE %1 SET %2 = NULL").arg(quoteIdentifier(table), quoteIdentifier(added.name)));
        m_conn.execute(QStringLiteral("RELEASE append_column"));
    } catch (const DbError &) {
        m_conn.execute(QStringLiteral("ROLLBACK TO append_column"));
        m_conn.execute(QStringLiteral("RELEASE append_column"));
        throw;
    }
}

void Catalog::renameColumn(const QString &table, const QString &oldName, const QString &newName)
{
    m_conn.execute(QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                       .arg(quoteIdentifier(table), quoteIdentifier(oldName), quoteIdentifier(newName)));
}

void Catalog::dropColumn(const QString &table, const QString &name)
{
    m_conn.execute(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2").arg(quoteIdentifier(table), quoteIdentifier(name)));
}

void Catalog::refresh()
{
    // Every read goes to the database file, so there is nothing cached to drop.
}

} // namespace db
