#include "core/db/Connection.h"

#include "core/db/DbError.h"
#include "core/db/ServerEngine.h"
#include "core/db/SqlTranslate.h"

#include <QFileInfo>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace db {

namespace {

QString errorText(sqlite3 *handle, int rc)
{
    return handle ? QString::fromUtf8(sqlite3_errmsg(handle)) : QString::fromUtf8(sqlite3_errstr(rc));
}

DbError engineError(sqlite3 *handle, int rc)
{
    return DbError(errorText(handle, rc), kindOfSqliteCode(rc));
}

} // namespace

Connection::~Connection() { close(); }

QString Connection::dataSource(const QString &connectionString)
{
    const auto parts = connectionString.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &part : parts) {
        const qsizetype eq = part.indexOf(QLatin1Char('='));
        if (eq < 0)
            continue;
        if (part.left(eq).trimmed().compare(QLatin1String("Data Source"), Qt::CaseInsensitive) == 0)
            return part.mid(eq + 1).trimmed();
    }
    return {};
}

bool Connection::isServer(const QString &connectionString)
{
    return server::isConnectionString(connectionString);
}

void Connection::openServer(const QString &connectionString)
{
    m_pg = server::connect(connectionString);
    m_path = server::label(m_pg);
}

pg_conn *Connection::serverHandle()
{
    if (!m_pg)
        throw DbError(QStringLiteral("数据库连接没有打开"));
    server::ensureConnected(m_pg);
    return m_pg;
}

QString Connection::description() const { return m_path; }

void Connection::open(const QString &connectionString)
{
    close();
    if (isServer(connectionString)) {
        openServer(connectionString);
        return;
    }
    const QString path = dataSource(connectionString);
    if (path.isEmpty())
        throw DbError(QStringLiteral("连接字符串中没有数据文件：%1").arg(connectionString));
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw DbError(QStringLiteral("数据库文件不存在：%1").arg(path), DbError::Missing);

    sqlite3 *handle = nullptr;
    // Never SQLITE_OPEN_CREATE: a missing database is an error, not a new file.
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString message = errorText(handle, rc);
        sqlite3_close(handle);
        throw DbError(QStringLiteral("无法打开数据库 %1：%2").arg(path, message), kindOfSqliteCode(rc));
    }
    sqlite3_extended_result_codes(handle, 1);
    sqlite3_busy_timeout(handle, 3000);

    // SQLite reads the header lazily: make it read now, so that a text file or
    // a file of another program fails here and not at the first statement.
    sqlite3_stmt *stmt = nullptr;
    int tables = -1;
    int step = sqlite3_prepare_v2(handle, "SELECT count(*) FROM sqlite_master WHERE type = 'table'", -1, &stmt, nullptr);
    if (step == SQLITE_OK) {
        step = sqlite3_step(stmt);
        if (step == SQLITE_ROW)
            tables = sqlite3_column_int(stmt, 0);
    }
    const QString message = errorText(handle, step);
    sqlite3_finalize(stmt);
    if (tables < 0) {
        sqlite3_close(handle);
        // A busy or locked file is ours all the same: say what keeps it shut.
        const DbError::Kind kind = kindOfSqliteCode(step);
        if (kind == DbError::Locked || kind == DbError::Damaged)
            throw DbError(QStringLiteral("无法打开数据库 %1：%2").arg(path, message), kind);
        throw DbError(QStringLiteral("%1 不是本程序的数据库：%2").arg(path, message), DbError::Foreign);
    }
    if (tables == 0) {
        sqlite3_close(handle);
        throw DbError(QStringLiteral("%1 不是本程序的数据库：其中没有任何表").arg(path), DbError::Foreign);
    }
    m_db = handle;
    m_path = path;
}

void Connection::close()
{
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
    if (m_pg) {
        server::disconnect(m_pg);
        m_pg = nullptr;
    }
}

void Connection::execute(const QString &sql, Dialect dialect)
{
    if (m_pg) {
        PQclear(server::run(*this, dialect == Dialect::Access ? translateServerSql(sql) : sql));
        return;
    }
    if (!m_db)
        throw DbError(QStringLiteral("数据库连接没有打开"));
    const QByteArray text = (dialect == Dialect::Access ? translateSql(sql) : sql).toUtf8();
    const char *tail = text.constData();
    const char *end = tail + text.size();
    while (tail < end) {
        sqlite3_stmt *stmt = nullptr;
        int rc = sqlite3_prepare_v2(m_db, tail, int(end - tail), &stmt, &tail);
        if (rc != SQLITE_OK)
            throw engineError(m_db, rc);
        if (!stmt)
            break; // only white space or a comment was left
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            throw engineError(m_db, rc);
    }
}

void Connection::executeTogether(const QStringList &statements)
{
    execute(QStringLiteral("BEGIN"));
    try {
        for (const QString &statement : statements)
            execute(statement);
        execute(QStringLiteral("COMMIT"));
    } catch (const DbError &) {
        // SQLite may have rolled back already (a full disk, for one).
        if (m_db && !sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

bool Connection::isReadOnly() const
{
    // A server enforces its own rights: a refused write reports ReadOnly.
    if (!m_db)
        return false;
    // SQLite opens a write-protected file for reading without a word; a
    // folder that is not writable lets it read but not make its journal.
    return sqlite3_db_readonly(m_db, "main") == 1 || !QFileInfo(QFileInfo(m_path).absolutePath()).isWritable();
}

int Connection::changes() const
{
    if (m_pg)
        return m_changes;
    return m_db ? sqlite3_changes(m_db) : 0;
}

} // namespace db
