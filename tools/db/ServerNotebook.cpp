// tavorin-db on a notebook kept on a PostgreSQL server: check, reset-password
// and export work on it as on a file; backup and restore are the server's
// own tools' work, and the commands say exactly which.
#include "tools/db/ServerNotebook.h"

#include "core/DatabaseProblems.h"
#include "core/Password.h"
#include "core/Schema.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "core/db/ServerEngine.h"
#include "core/db/Quote.h"
#include "core/db/SqlTranslate.h"
#include "core/db/TableList.h"
#include "tools/db/Commands.h"

#include <QDateTime>
#include <QRegularExpression>

namespace {

using db::Connection;

QVariant scalar(Connection &conn, const QString &sql)
{
    db::Recordset rs;
    rs.open(sql, conn, Connection::Dialect::Native);
    return rs.eof() ? QVariant() : rs.value(0);
}

// True when the table has a unique index (or constraint) over the column.
bool uniqueOn(Connection &conn, const QString &table, const QString &column)
{
    return scalar(conn, QStringLiteral("SELECT count(*) FROM pg_index i JOIN pg_class c ON c.oid = i.indrelid "
                                       "JOIN pg_namespace n ON n.oid = c.relnamespace "
                                       "WHERE n.nspname = current_schema() AND c.relname = %1 AND i.indisunique "
                                       "AND pg_get_indexdef(i.indexrelid) LIKE %2")
                                .arg(db::quoteText(table), db::quoteText(QStringLiteral("%\"") + column + QStringLiteral("\"%"))))
               .toInt()
        > 0;
}

// A shell word: single quotes, with any single quote inside spelled out.
QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

} // namespace

int checkServerNotebook(const QString &connectionString)
{
    const QString label = db::server::label(connectionString);
    Connection conn;
    try {
        conn.open(db::Location::server(connectionString));
    } catch (const db::DbError &e) {
        return failed(QStringLiteral("%1: %2").arg(label, e.message()));
    }
    const QString where = conn.description();
    try {
        DatabaseProblems::requireNotebook(conn);
    } catch (const db::DbError &e) {
        return failed(QStringLiteral("%1: not a Tavorin database: %2").arg(where, e.message()));
    }
    out() << where << ": reachable, tables Users and Website with every column the program uses\n";
    // The rules the program leaves to the server: one name per website and
    // per account, ids that are never given twice.
    QStringList missing;
    if (!uniqueOn(conn, QStringLiteral("Website"), QStringLiteral("Webname")))
        missing << QStringLiteral("website names are not kept unique (no unique index on Website.Webname)");
    if (!uniqueOn(conn, QStringLiteral("Website"), QStringLiteral("Webid")))
        missing << QStringLiteral("website ids are not kept unique (no primary key on Website.Webid)");
    if (!uniqueOn(conn, QStringLiteral("Users"), QStringLiteral("UserName")))
        missing << QStringLiteral("user names are not kept unique (no unique index on Users.UserName; run tavorin-db upgrade)");
    if (!missing.isEmpty())
        return failed(QStringLiteral("%1: %2").arg(where, missing.join(QStringLiteral("; "))));
    out() << "constraints: website names, website ids and user names unique\n";

    qint64 accounts = 0, clear = 0;
    db::Recordset users;
    users.open(QStringLiteral("SELECT \"UserPwd\" FROM \"Users\""), conn, Connection::Dialect::Native);
    for (; !users.eof(); users.moveNext(), ++accounts)
        if (!Password::isHash(users.value(0).toString()))
            ++clear;
    out() << "accounts: " << accounts;
    if (clear)
        out() << " (" << clear << " with a clear-text password)";
    out() << "\n";
    out() << "websites: " << scalar(conn, QStringLiteral("SELECT count(*) FROM \"Website\"")).toLongLong() << "\n";
    static const QRegularExpression notesTable(QStringLiteral("^biji\\d+$"));
    qint64 tables = 0, rows = 0;
    const QStringList names = db::TableList(conn).names();
    for (const QString &name : names) {
        if (!notesTable.match(name).hasMatch())
            continue;
        ++tables;
        rows += scalar(conn, QStringLiteral("SELECT count(*) FROM %1").arg(db::quoteIdentifier(name))).toLongLong();
    }
    out() << "notes tables: " << tables << ", notes rows: " << rows << "\n";
    out() << "backups: kept by the server (tavorin-db backup prints the pg_dump command)\n";
    return Exit::Ok;
}

int upgradeServerNotebook(const QString &connectionString)
{
    const QString label = db::server::label(connectionString);
    Connection conn;
    try {
        conn.open(db::Location::server(connectionString));
        DatabaseProblems::requireNotebook(conn);
        if (uniqueOn(conn, QStringLiteral("Users"), QStringLiteral("UserName"))) {
            out() << conn.description() << " already keeps user names unique; nothing to do\n";
            return Exit::Ok;
        }
        QStringList names;
        db::Recordset users;
        users.open(QStringLiteral("SELECT \"UserName\" FROM \"Users\""), conn, Connection::Dialect::Native);
        for (; !users.eof(); users.moveNext())
            names << users.value(0).toString();
        if (const QString clashes = Schema::userNameClashes(names); !clashes.isEmpty())
            return failed(QStringLiteral("%1: %2 Nothing was changed on the server.").arg(conn.description(), clashes));
        // citext folds letter case as the program's check does for the names it lets in.
        conn.execute(QStringLiteral("BEGIN"), Connection::Dialect::Native);
        conn.execute(QStringLiteral("ALTER TABLE \"Users\" ALTER COLUMN \"UserName\" TYPE citext"), Connection::Dialect::Native);
        conn.execute(QStringLiteral("ALTER TABLE \"Users\" ADD CONSTRAINT \"Users_UserName_unique\" UNIQUE (\"UserName\")"),
                     Connection::Dialect::Native);
        conn.execute(QStringLiteral("COMMIT"), Connection::Dialect::Native);
    } catch (const db::DbError &e) {
        return failed(QStringLiteral("%1: %2 Nothing was changed on the server.").arg(label, e.message()));
    }
    out() << "Upgraded " << label << ": user names are kept unique\n";
    return Exit::Ok;
}

int resetPasswordOnServer(const QString &connectionString, const QString &user, const QString &hashed)
{
    const QString label = db::server::label(connectionString);
    try {
        Connection conn;
        conn.open(db::Location::server(connectionString));
        // The name compares as the program compares account names (citext).
        conn.execute(QStringLiteral("UPDATE Users SET UserPwd = ? WHERE UserName = ?"), {hashed, user});
        if (conn.changes() == 0)
            return failed(QStringLiteral("%1: there is no account named \"%2\"; nothing was changed").arg(label, user));
    } catch (const db::DbError &e) {
        return failed(QStringLiteral("%1: cannot set the password: %2").arg(label, e.message()));
    }
    out() << "The password of " << user << " in " << label << " was changed\n";
    return Exit::Ok;
}

int backupServerNotebook(const QString &connectionString, const QString &destination)
{
    const QString file = destination.isEmpty()
        ? QStringLiteral("tavorin-%1.dump").arg(QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss'Z'")))
        : destination;
    err() << "tavorin-db: " << db::server::label(connectionString)
          << " is kept by its server: tavorin-db copies no server data, and no backup was made.\n"
             "Make one with the server's own tool (the password from ~/.pgpass or PGPASSWORD):\n";
    out() << "pg_dump --format=custom --file=" << shellQuoted(file) << " --dbname="
          << shellQuoted(db::server::libpqString(connectionString)) << "\n";
    err().flush();
    out().flush();
    return Exit::Failed;
}

int restoreServerNotebook(const QString &backup, const QString &connectionString)
{
    err() << "tavorin-db: " << db::server::label(connectionString)
          << " is kept by its server: tavorin-db restores no server data, and nothing was changed.\n"
             "Restore a pg_dump copy with the server's own tool; every worker closes the program first. "
             "Into the notebook's own database (its tables replaced in one transaction):\n";
    out() << "pg_restore --clean --if-exists --no-owner --single-transaction --dbname="
          << shellQuoted(db::server::libpqString(connectionString)) << " " << shellQuoted(backup) << "\n";
    err().flush();
    out().flush();
    return Exit::Failed;
}
