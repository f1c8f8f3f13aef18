// Moves a notebook from its SQLite file onto a PostgreSQL server: the
// accounts (passwords as stored), the websites with their ids, and every notes
// table with its columns, types, sizes, defaults and rows, in one transaction.
#include "tools/db/Commands.h"

#include "core/NewDatabase.h"
#include "core/Schema.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "core/db/ServerEngine.h"
#include "core/db/SqlTranslate.h"
#include "core/db/TableList.h"

#include <QDate>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>
#include <algorithm>

namespace {

using db::Connection;

// Rows go over in INSERTs of this many rows each.
constexpr int BatchRows = 500;

bool isNotesTable(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^biji\\d+$"), QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

// The value the server quoted when it refused one (the engine keeps it in
// its message between “ and ”), found in the rows of the refused batch:
// "table biji3, column 时间, row 17 (AutoId 17)".
QString whereRefused(const QString &message, const QString &table, const QStringList &columns,
                     const QVector<QVector<QVariant>> &batch, int firstRow)
{
    const qsizetype open = message.indexOf(QChar(0x201C));
    const qsizetype close = message.indexOf(QChar(0x201D), open + 1);
    if (open >= 0 && close > open) {
        const QString value = message.mid(open + 1, close - open - 1);
        for (int r = 0; r < batch.size(); ++r)
            for (int c = 0; c < columns.size(); ++c)
                if (!batch[r][c].isNull() && batch[r][c].toString() == value)
                    return QStringLiteral("table %1, column %2, row %3 (%4 %5)")
                        .arg(table, columns[c])
                        .arg(firstRow + r + 1)
                        .arg(columns[0], batch[r][0].toString());
        // A column the server named (a NULL where none may be).
        if (columns.contains(value))
            return QStringLiteral("table %1, column %2, rows %3 to %4").arg(table, value).arg(firstRow + 1).arg(firstRow + batch.size());
    }
    return QStringLiteral("table %1, rows %2 to %3").arg(table).arg(firstRow + 1).arg(firstRow + batch.size());
}

// Copies every row of a source table into the target table of the same
// columns; returns the number of rows. A value the server refuses is named
// with its table, column and row.
int copyRows(Connection &source, Connection &target, const QString &table, const QStringList &columns)
{
    const QString targetTable = db::serverTableName(table);
    QStringList quoted;
    for (const QString &c : columns)
        quoted << db::quoteIdentifier(db::serverColumnName(targetTable, c));
    QStringList sourceColumns;
    for (const QString &c : columns)
        sourceColumns << db::quoteIdentifier(c);
    db::Recordset rs;
    rs.open(QStringLiteral("SELECT %1 FROM %2").arg(sourceColumns.join(QStringLiteral(", ")), db::quoteIdentifier(table)),
            source, Connection::Dialect::Native);
    const QString head = QStringLiteral("INSERT INTO %1 (%2) VALUES ").arg(db::quoteIdentifier(targetTable), quoted.join(QStringLiteral(", ")));
    // Many rows to one statement, every value a parameter; the server takes
    // at most 65535 of them.
    const int batch = std::max(1, std::min<int>(BatchRows, 65535 / int(std::max<qsizetype>(1, columns.size()))));
    QStringList rows;
    db::Values values;
    QVector<QVector<QVariant>> cellsOfBatch;
    int firstRow = 0;
    auto flush = [&](int next) {
        if (!rows.isEmpty()) {
            try {
                target.execute(head + rows.join(QStringLiteral(", ")), values, Connection::Dialect::Native);
            } catch (const db::DbError &e) {
                if (e.kind() == db::DbError::ConnectionLost)
                    throw;
                throw db::DbError(whereRefused(e.message(), table, columns, cellsOfBatch, firstRow) + QStringLiteral(": ") + e.message(),
                                  e.kind());
            }
        }
        rows.clear();
        values.clear();
        cellsOfBatch.clear();
        firstRow = next;
    };
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList placeholders;
        QVector<QVariant> cells;
        for (int c = 0; c < columns.size(); ++c) {
            cells << rs.valueAt(r, c);
            values << cells.last();
            placeholders << QLatin1Char('$') + QString::number(values.size());
        }
        rows << QLatin1Char('(') + placeholders.join(QStringLiteral(", ")) + QLatin1Char(')');
        cellsOfBatch << cells;
        if (rows.size() == batch)
            flush(r + 1);
    }
    flush(rs.recordCount());
    return rs.recordCount();
}

qint64 countRows(Connection &conn, const QString &table)
{
    const QString name = db::quoteIdentifier(conn.engine() == Connection::Engine::Server ? db::serverTableName(table) : table);
    db::Recordset rs;
    rs.open(QStringLiteral("SELECT count(*) FROM %1").arg(name), conn, Connection::Dialect::Native);
    return rs.value(0).toLongLong();
}

QStringList columnNames(const QVector<db::ColumnDef> &columns)
{
    QStringList names;
    for (const db::ColumnDef &c : columns)
        names << c.name;
    return names;
}

// The names the server would cut short without a word (and two names alike
// in their first 63 bytes would collide), listed before anything is made.
QStringList tooLongNames(db::Catalog &catalog, const QStringList &notesTables)
{
    QStringList tooLong;
    for (const QString &table : notesTables) {
        if (!db::nameLengthProblem(table).isEmpty())
            tooLong << table;
        for (const db::ColumnDef &c : catalog.columns(table))
            if (!db::nameLengthProblem(c.name).isEmpty())
                tooLong << QStringLiteral("%1.%2（%3 字节）").arg(table, c.name).arg(c.name.toUtf8().size());
    }
    return tooLong;
}

struct Moved {
    int users = 0;
    int websites = 0;
    qint64 notesRows = 0;
    qint64 checkedNotes = 0;
};

// Replaces what the target held and copies every table, inside the
// target's open transaction.
Moved copyTables(Connection &source, db::Catalog &sourceCatalog, Connection &target, const QStringList &existing,
                 const QStringList &notesTables)
{
    for (const QString &t : existing)
        target.execute(QStringLiteral("DROP TABLE %1").arg(db::quoteIdentifier(t)), Connection::Dialect::Native);
    for (const QString &statement : NewDatabase::serverSchema())
        target.execute(statement, Connection::Dialect::Native);
    // Users and Website keep their column order; the schema fixes their types.
    const QStringList userColumns{QStringLiteral("UserName"), QStringLiteral("UserPwd")};
    const QStringList websiteColumns{QStringLiteral("Webid"), QStringLiteral("Webname"), QStringLiteral("Weburl"),
                                     QStringLiteral("Webtime"), QStringLiteral("Webmemos")};
    Moved moved;
    moved.users = copyRows(source, target, QStringLiteral("Users"), userColumns);
    moved.websites = copyRows(source, target, QStringLiteral("Website"), websiteColumns);
    for (const QString &table : notesTables) {
        const QVector<db::ColumnDef> columns = sourceCatalog.columns(table);
        QStringList defs;
        for (db::ColumnDef c : columns) {
            c.name = db::serverColumnName(table, c.name);
            defs << db::serverColumnDdl(c);
        }
        target.execute(QStringLiteral("CREATE TABLE %1 (%2)").arg(db::quoteIdentifier(db::serverTableName(table)), defs.join(QStringLiteral(", "))),
                       Connection::Dialect::Native);
        moved.notesRows += copyRows(source, target, table, columnNames(columns));
    }
    db::syncServerAutoIncrement(target);
    return moved;
}

// Counted on the target inside the transaction, against the source; throws
// when any table differs. Gives the notes rows counted on the target.
qint64 checkCounts(Connection &source, Connection &target, const QStringList &notesTables)
{
    QStringList mismatches;
    const auto check = [&](const QString &table) {
        const qint64 from = countRows(source, table);
        const qint64 to = countRows(target, table);
        if (from != to)
            mismatches << QStringLiteral("%1: %2 in the file, %3 on the server").arg(table).arg(from).arg(to);
        return to;
    };
    check(QStringLiteral("Users"));
    check(QStringLiteral("Website"));
    qint64 checkedNotes = 0;
    for (const QString &table : notesTables)
        checkedNotes += check(table);
    if (!mismatches.isEmpty())
        throw db::DbError(QStringLiteral("the counts differ, nothing was kept: ") + mismatches.join(QStringLiteral("; ")));
    return checkedNotes;
}

// Whether the arguments name a current notebook file and a server; says why
// not on err. Gives the exit code, or 0 when the move can start.
int checkArguments(const QStringList &positional, QTextStream &err)
{
    if (positional.size() != 2 || positional[0].startsWith(QLatin1Char('-'))) {
        err << "usage: tavorin-db migrate SQLITE_PATH postgresql://USER@HOST/DBNAME [--replace]\n"
               "  The password comes from ~/.pgpass or PGPASSWORD.\n";
        return 2;
    }
    const QString &sourcePath = positional[0];
    const QString &targetString = positional[1];
    if (!Connection::isServer(targetString)) {
        err << "tavorin-db migrate: the target must be a PostgreSQL connection string (postgresql://...), not "
            << db::server::withoutSecrets(targetString) << "\n";
        return 2;
    }
    if (Connection::isServer(sourcePath) || !QFileInfo(sourcePath).isFile()) {
        err << "tavorin-db migrate: " << db::server::withoutSecrets(sourcePath) << " is not a notebook file\n";
        return 1;
    }
    // An older file holds clear-text passwords: on a server every worker
    // could read them, and nobody could log in with them.
    try {
        if (const int version = Schema::version(sourcePath); version != Schema::CurrentVersion) {
            err << "tavorin-db migrate: " << Schema::notCurrentMessage(sourcePath, version) << "\n";
            return 1;
        }
    } catch (const Failure &e) {
        err << "tavorin-db migrate: " << e.message() << "\n";
        return 1;
    }
    // What the program would not make (a trigger, a column name that takes
    // SQL apart) is not carried onto the server where every worker meets it.
    if (const QString structure = Schema::checkFileStructure(sourcePath, Schema::Names::Checked); !structure.isEmpty()) {
        err << "tavorin-db migrate: " << sourcePath << " 不是本程序的数据库：" << structure
            << "\nNothing was changed on the server.\n";
        return 1;
    }
    return 0;
}

} // namespace

std::function<void(db::Connection &)> migrateBeforeCountCheck;

int migrateCommand(const QStringList &args)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    const bool replace = args.contains(QStringLiteral("--replace"));
    QStringList positional = args;
    positional.removeAll(QStringLiteral("--replace"));
    if (const int code = checkArguments(positional, err))
        return code;
    const QString sourcePath = positional[0];
    const QString targetString = positional[1];

    QElapsedTimer timer;
    timer.start();
    bool committing = false;
    try {
        Connection source;
        source.open(db::Location::file(sourcePath));
        db::Catalog sourceCatalog(db::Location::file(sourcePath));
        const db::TableList sourceTables(source);
        if (!sourceTables.contains(QStringLiteral("Users")) || !sourceTables.contains(QStringLiteral("Website"))) {
            err << "tavorin-db migrate: " << sourcePath << " holds no notebook (no Users and Website tables)\n";
            return 1;
        }
        QStringList notesTables;
        for (const QString &t : sourceTables.names())
            if (isNotesTable(t))
                notesTables << t;
        if (const QStringList tooLong = tooLongNames(sourceCatalog, notesTables); !tooLong.isEmpty()) {
            err << "tavorin-db migrate: 以下名称超过数据库服务器能保存的 " << db::MaxNameBytes
                << " 个字节，请先在程序中缩短：\n  " << tooLong.join(QStringLiteral("\n  ")) << "\nNothing was changed on the server.\n";
            return 1;
        }

        Connection target;
        target.open(db::Location::server(targetString));
        QStringList existing;
        const db::TableList targetTables(target);
        for (const QString &t : targetTables.names())
            if (t == QLatin1String("Users") || t == QLatin1String("Website") || isNotesTable(t))
                existing << t;
        if (!existing.isEmpty() && !replace) {
            err << "tavorin-db migrate: " << target.description() << " already holds a notebook ("
                << existing.join(QStringLiteral(", ")) << "); nothing was changed. Give --replace to replace it.\n";
            return 1;
        }

        target.execute(QStringLiteral("BEGIN"), Connection::Dialect::Native);
        try {
            Moved moved = copyTables(source, sourceCatalog, target, existing, notesTables);
            if (migrateBeforeCountCheck)
                migrateBeforeCountCheck(target);
            moved.checkedNotes = checkCounts(source, target, notesTables);
            committing = true;
            target.execute(QStringLiteral("COMMIT"), Connection::Dialect::Native);

            out << "Moved " << sourcePath << " to " << target.description() << (existing.isEmpty() ? "" : " (replaced)") << "\n"
                << "  Users:        " << moved.users << " accounts\n"
                << "  Website:      " << moved.websites << " websites\n"
                << "  notes tables: " << notesTables.size() << " with " << moved.notesRows << " rows\n"
                << "Counts checked against the file: equal (" << moved.users << ", " << moved.websites << ", "
                << moved.checkedNotes << ").\n"
                << "Took " << timer.elapsed() << " ms.\n";
        } catch (const db::DbError &e) {
            // A failed statement has ended the transaction already (the
            // engine rolls it back); a failed check or a refused source value
            // has not.
            if (e.kind() != db::DbError::ConnectionLost && db::server::inTransaction(target)) {
                try {
                    target.execute(QStringLiteral("ROLLBACK"), Connection::Dialect::Native);
                } catch (const db::DbError &) {
                }
            }
            throw;
        }
    } catch (const db::DbError &e) {
        if (e.kind() == db::DbError::ConnectionLost && committing) {
            // Only a COMMIT whose answer was lost leaves the outcome open.
            err << "tavorin-db migrate: the connection to the server was lost while the copy was being committed: "
                   "whether it was kept cannot be known. Run tavorin-db check on the server notebook; "
                   "run migrate again with --replace if it is incomplete.\n";
        } else if (e.kind() == db::DbError::ConnectionLost) {
            // The server drops a transaction whose session ended.
            err << "tavorin-db migrate: the connection to the server was lost before the copy was committed. "
                   "Nothing was changed on the server.\n";
        } else {
            err << "tavorin-db migrate: " << e.message() << "\nNothing was changed on the server.\n";
        }
        return 1;
    }
    return 0;
}
