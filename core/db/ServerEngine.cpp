#include "core/db/ServerEngine.h"

#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/SqlTranslate.h"

#include <QDate>
#include <vector>

#include <libpq-fe.h>

namespace db::server {

namespace {

QString text(const char *s) { return s ? QString::fromUtf8(s).trimmed() : QString(); }

QString where(pg_conn *conn)
{
    const QString host = text(PQhost(conn));
    const QString port = text(PQport(conn));
    QString server = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (server.startsWith(QLatin1Char('/')))
        server = QStringLiteral("localhost（%1）").arg(server);
    if (!port.isEmpty())
        server += QLatin1Char(':') + port;
    return server;
}

// The settings every session needs, whatever the server's defaults: UTF-8
// text, a doubled quote as the only escape in a literal, ISO dates.
const char *const Options = "-c standard_conforming_strings=on -c datestyle=ISO,YMD -c client_min_messages=warning";

// The database must hold text as UTF-8: Chinese names and columns go in.
void checkEncoding(pg_conn *conn)
{
    const QString encoding = text(PQparameterStatus(conn, "server_encoding"));
    if (encoding.compare(QLatin1String("UTF8"), Qt::CaseInsensitive) != 0) {
        const QString message = QStringLiteral("无法使用%1：数据库的字符集是 %2，需要 UTF8").arg(label(conn), encoding);
        PQfinish(conn);
        throw DbError(message, DbError::Kind::Unreachable);
    }
}

// Account and website names are unique on the server through citext, which
// folds letters with lower() under the database's ctype. Under the C ctype
// lower() folds ASCII only, and Café / CAFÉ or ＡＢＣ / ａｂｃ would be two names
// to the server while the program takes them for one: such a database is
// refused, naming the settings that work.
void checkCaseFolding(pg_conn *conn)
{
    PGresult *result = PQexec(conn, "SELECT lower('CAFÉ ＡＢＣ') = 'café ａｂｃ', current_setting('lc_ctype')");
    const bool folds = result && PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) == 1
                    && qstrcmp(PQgetvalue(result, 0, 0), "t") == 0;
    const QString ctype = result && PQntuples(result) == 1 ? text(PQgetvalue(result, 0, 1)) : QString();
    PQclear(result);
    if (folds)
        return;
    const QString message = QStringLiteral("无法使用%1：数据库的字符分类（LC_CTYPE）是 %2，服务器比较名称时只把英文字母视为不分大小写，"
                                           "Café 与 CAFÉ、ＡＢＣ 与 ａｂｃ 会被当作不同的名称。请用 UTF-8 的字符分类新建数据库，例如："
                                           "CREATE DATABASE 名称 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8' TEMPLATE template0;")
                                .arg(label(conn), ctype.isEmpty() ? QStringLiteral("未知") : ctype);
    PQfinish(conn);
    throw DbError(message, DbError::Kind::Unreachable);
}

// The server's SQLSTATE on the kinds the file engine reports, where the
// words the user is then given fit a server too. Locks, rights and damage on
// a server are the server's business: its own message says more than the
// file engine's advice (close the other program, check the folder) would.
DbError::Kind kindOfState(const QByteArray &state)
{
    if (state == "23505")
        return DbError::UniqueViolation;
    if (state == "53100")
        return DbError::DiskFull;
    if (state == "22021" || state == "22P05")
        return DbError::BadText;
    return DbError::Other;
}

// "postgres:host=... dbname=..." carries libpq key=value settings; a URI
// goes to libpq as it is.
QString conninfoOf(const QString &connectionString)
{
    QString conninfo = connectionString.trimmed();
    for (const char *prefix : {"postgresql:", "postgres:"}) {
        const QLatin1String p(prefix);
        if (conninfo.startsWith(p, Qt::CaseInsensitive) && !conninfo.mid(p.size()).startsWith(QLatin1String("//"))) {
            conninfo = conninfo.mid(p.size()).trimmed();
            break;
        }
    }
    return conninfo;
}

} // namespace

QString label(const QString &connectionString)
{
    const QByteArray info = conninfoOf(connectionString).toUtf8();
    PQconninfoOption *options = PQconninfoParse(info.constData(), nullptr);
    QString host, port, dbname, user;
    if (options) {
        for (PQconninfoOption *o = options; o->keyword; ++o) {
            const QString value = o->val && *o->val ? text(o->val) : (o->envvar ? qEnvironmentVariable(o->envvar) : QString());
            if (qstrcmp(o->keyword, "host") == 0)
                host = value;
            else if (qstrcmp(o->keyword, "port") == 0)
                port = value;
            else if (qstrcmp(o->keyword, "dbname") == 0)
                dbname = value;
            else if (qstrcmp(o->keyword, "user") == 0)
                user = value;
        }
        PQconninfoFree(options);
    }
    // libpq's own defaults: the local socket, the user's name for the database.
    if (host.isEmpty() || host.startsWith(QLatin1Char('/')))
        host = host.isEmpty() ? QStringLiteral("localhost") : QStringLiteral("localhost（%1）").arg(host);
    if (!port.isEmpty())
        host += QLatin1Char(':') + port;
    if (dbname.isEmpty())
        dbname = user.isEmpty() ? qEnvironmentVariable("USER") : user;
    return QStringLiteral("数据库 %1（服务器 %2）").arg(dbname, host);
}

pg_conn *connect(const QString &connectionString)
{
    const QString conninfo = conninfoOf(connectionString);
    const QByteArray info = conninfo.toUtf8();
    char *parseError = nullptr;
    PQconninfoOption *options = PQconninfoParse(info.constData(), &parseError);
    if (!options) {
        const QString reason = text(parseError);
        PQfreemem(parseError);
        throw DbError(QStringLiteral("无法理解数据库服务器的连接字符串：%1").arg(reason), DbError::Kind::Unreachable);
    }
    bool hasPassword = false;
    for (PQconninfoOption *o = options; o->keyword; ++o)
        if (qstrcmp(o->keyword, "password") == 0 && o->val && *o->val)
            hasPassword = true;
    PQconninfoFree(options);
    if (hasPassword)
        throw DbError(QStringLiteral("连接字符串里不能写密码：请把密码放在 ~/.pgpass 或环境变量 PGPASSWORD 中"),
                      DbError::Kind::Unreachable);

    const char *keywords[] = {"dbname", "client_encoding", "options", "application_name", "connect_timeout", nullptr};
    const char *values[] = {info.constData(), "UTF8", Options, "Tavorin", "10", nullptr};
    pg_conn *conn = PQconnectdbParams(keywords, values, 1);
    if (!conn)
        throw DbError(QStringLiteral("无法连接数据库服务器：内存不足"), DbError::Kind::Unreachable);
    if (PQstatus(conn) != CONNECTION_OK) {
        const QString message = QStringLiteral("无法连接数据库服务器 %1：%2").arg(where(conn), text(PQerrorMessage(conn)));
        PQfinish(conn);
        throw DbError(message, DbError::Kind::Unreachable);
    }
    checkEncoding(conn);
    checkCaseFolding(conn);
    return conn;
}

void disconnect(pg_conn *conn) { PQfinish(conn); }

void ensureConnected(pg_conn *conn)
{
    if (PQstatus(conn) == CONNECTION_OK)
        return;
    PQreset(conn);
    if (PQstatus(conn) != CONNECTION_OK)
        throw DbError(QStringLiteral("无法连接数据库服务器 %1：%2").arg(where(conn), text(PQerrorMessage(conn))),
                      DbError::Kind::Unreachable);
}

QString label(pg_conn *conn)
{
    return QStringLiteral("数据库 %1（服务器 %2）").arg(text(PQdb(conn)), where(conn));
}

pg_result *run(Connection &conn, const QString &sql, const QVariantList &values)
{
    // Every value goes as text (the server infers its type from where it
    // stands), bytes in binary.
    std::vector<QByteArray> texts(size_t(values.size()));
    std::vector<const char *> pointers(size_t(values.size()), nullptr);
    std::vector<int> lengths(size_t(values.size()), 0);
    std::vector<int> formats(size_t(values.size()), 0);
    for (qsizetype k = 0; k < values.size(); ++k) {
        const QVariant &v = values[k];
        const size_t i = size_t(k);
        if (v.isNull())
            continue;
        switch (v.typeId()) {
        case QMetaType::Bool:
            texts[i] = v.toBool() ? "1" : "0";
            break;
        case QMetaType::Double:
            texts[i] = QByteArray::number(v.toDouble(), 'g', 17);
            break;
        case QMetaType::QByteArray:
            texts[i] = v.toByteArray();
            formats[i] = 1;
            break;
        case QMetaType::QDate:
            texts[i] = v.toDate().toString(Qt::ISODate).toUtf8();
            break;
        default: {
            const QString text = v.toString();
            refuseBadText(text);
            texts[i] = text.toUtf8();
        }
        }
        pointers[i] = texts[i].constData();
        lengths[i] = int(texts[i].size());
    }
    pg_conn *pg = conn.serverHandle();
    const QByteArray bytes = sql.toUtf8();
    PGresult *result = PQexecParams(pg, bytes.constData(), int(values.size()), nullptr, pointers.data(), lengths.data(),
                                    formats.data(), 0);
    const ExecStatusType status = result ? PQresultStatus(result) : PGRES_FATAL_ERROR;
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY) {
        conn.noteChanges(QByteArray(PQcmdTuples(result)).toInt());
        return result;
    }
    QString message = text(result ? PQresultErrorMessage(result) : PQerrorMessage(pg));
    if (message.isEmpty())
        message = text(PQerrorMessage(pg));
    const QByteArray state = result ? QByteArray(PQresultErrorField(result, PG_DIAG_SQLSTATE)) : QByteArray();
    PQclear(result);
    // A failure inside an explicit transaction leaves it open and aborted:
    // end it, so that the failed command leaves nothing behind and the
    // connection takes the next one.
    const PGTransactionStatusType transaction = PQtransactionStatus(pg);
    if (transaction == PQTRANS_INERROR || transaction == PQTRANS_INTRANS)
        PQclear(PQexec(pg, "ROLLBACK"));
    if (PQstatus(pg) != CONNECTION_OK)
        throw DbError(QStringLiteral("与数据库服务器 %1 的连接中断：%2\n这一步是否完成无法确认，请刷新后查看；下一次操作时会重新连接。")
                          .arg(where(pg), message),
                      DbError::Kind::ConnectionLost);
    // A session the server ended (admin shutdown, idle timeout) reports 57P01
    // and friends before the socket reads as closed.
    if (state.startsWith("57P") || state.startsWith("08"))
        throw DbError(QStringLiteral("与数据库服务器 %1 的连接中断：%2\n这一步没有完成；下一次操作时会重新连接。").arg(where(pg), message),
                      DbError::Kind::ConnectionLost);
    throw DbError(message, kindOfState(state));
}

} // namespace db::server
