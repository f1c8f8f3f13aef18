#include "core/db/Connection.h"

#include "core/db/DbError.h"
#include "core/db/SqliteErrors.h"
#include "core/db/ServerEngine.h"
#include "core/db/SqlTranslate.h"

#include <QDate>

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
    return DbError(errorText(handle, rc), kindOfSqliteFailure(rc, handle));
}

} // namespace

Connection::~Connection() { close(); }

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

void Connection::open(const Location &location) { openWith(location, SQLITE_OPEN_READWRITE); }

void Connection::openForOneThread(const Location &location)
{
    openWith(location, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
}

void Connection::openWith(const Location &location, int sqliteFlags)
{
    close();
    if (location.onServer()) {
        openServer(location.serverString());
        return;
    }
    const QString path = location.path();
    if (path.isEmpty())
        throw DbError(QStringLiteral("没有指定数据库文件"), DbError::Missing);
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        throw DbError(QStringLiteral("数据库文件不存在：%1").arg(path), DbError::Missing);

    sqlite3 *handle = nullptr;
    // Never SQLITE_OPEN_CREATE: a missing database is an error, not a new file.
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &handle, sqliteFlags, nullptr);
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

namespace {

QString isoDate(const QDate &date)
{
    // An empty date box must not be stored as an empty text.
    if (!date.isValid())
        throw DbError(QStringLiteral("日期无效，不能写入数据库"));
    return date.toString(Qt::ISODate);
}

DbError oneStatementOnly()
{
    return DbError(QStringLiteral("一次只能执行一条语句，其后的文字没有执行"));
}

void bindValues(sqlite3 *db, sqlite3_stmt *stmt, const Values &values)
{
    if (sqlite3_bind_parameter_count(stmt) != values.size())
        throw DbError(QStringLiteral("语句需要 %1 个值，给出了 %2 个").arg(sqlite3_bind_parameter_count(stmt)).arg(values.size()));
    for (int k = 0; k < values.size(); ++k) {
        const QVariant &v = values[k];
        int rc = SQLITE_OK;
        switch (v.isNull() ? QMetaType::UnknownType : v.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(stmt, k + 1);
            break;
        case QMetaType::Bool:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
            rc = sqlite3_bind_int64(stmt, k + 1, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(stmt, k + 1, v.toDouble());
            break;
        case QMetaType::QByteArray: {
            const QByteArray bytes = v.toByteArray();
            rc = sqlite3_bind_blob64(stmt, k + 1, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
            break;
        }
        default: {
            const QString text = v.typeId() == QMetaType::QDate ? isoDate(v.toDate()) : v.toString();
            refuseBadText(text);
            const QByteArray utf8 = text.toUtf8();
            rc = sqlite3_bind_text64(stmt, k + 1, utf8.constData(), sqlite3_uint64(utf8.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        }
        }
        if (rc != SQLITE_OK)
            throw engineError(db, rc);
    }
}

} // namespace

sqlite3_stmt *Connection::prepare(const QString &sql, const Values &values, Dialect dialect)
{
    if (!m_db)
        throw DbError(QStringLiteral("数据库连接没有打开"));
    const QByteArray text = (dialect == Dialect::Access ? translateSql(sql) : sql).toUtf8();
    const char *tail = nullptr;
    sqlite3_stmt *stmt = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, text.constData(), int(text.size()), &stmt, &tail);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(stmt);
        throw engineError(m_db, rc);
    }
    if (!stmt)
        throw DbError(QStringLiteral("没有要执行的语句"));
    // Whatever follows the first statement is refused whole: a name or value
    // that closed the statement early must not get a second one run.
    for (const char *end = text.constData() + text.size(); tail && tail < end; ++tail) {
        if (!QChar::isSpace(uchar(*tail))) {
            sqlite3_finalize(stmt);
            throw oneStatementOnly();
        }
    }
    try {
        bindValues(m_db, stmt, values);
    } catch (...) {
        sqlite3_finalize(stmt);
        throw;
    }
    return stmt;
}

pg_result *Connection::runOnServer(const QString &sql, const Values &values, Dialect dialect)
{
    int parameters = int(values.size());
    const QString text = dialect == Dialect::Access ? translateServerSql(sql, &parameters) : sql;
    if (text.trimmed().isEmpty())
        throw DbError(QStringLiteral("没有要执行的语句"));
    if (parameters != values.size())
        throw DbError(QStringLiteral("语句需要 %1 个值，给出了 %2 个").arg(parameters).arg(values.size()));
    return server::run(*this, text, values);
}

int Connection::execute(const QString &sql, Dialect dialect) { return execute(sql, Values(), dialect); }

int Connection::execute(const QString &sql, const Values &values, Dialect dialect)
{
    m_changes = 0;
    if (m_pg) {
        PQclear(runOnServer(sql, values, dialect));
        return m_changes;
    }
    sqlite3_stmt *stmt = prepare(sql, values, dialect);
    const sqlite3_int64 before = sqlite3_total_changes64(m_db);
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        throw engineError(m_db, rc);
    // sqlite3_changes keeps the count of the last INSERT, UPDATE or DELETE
    // through other statements: a statement that changed nothing says 0.
    m_changes = sqlite3_total_changes64(m_db) == before ? 0 : sqlite3_changes(m_db);
    return m_changes;
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

bool Connection::inTransaction() const
{
    if (m_pg)
        return PQtransactionStatus(m_pg) != PQTRANS_IDLE;
    return m_db && !sqlite3_get_autocommit(m_db);
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

} // namespace db
