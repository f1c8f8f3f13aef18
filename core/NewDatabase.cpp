#include "core/NewDatabase.h"

#include "core/Password.h"
#include "core/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sqlite3.h>
#include <stdexcept>

namespace NewDatabase {

const QString FirstUser = QStringLiteral("admin");
const QString FirstPassword = QStringLiteral("123456");

namespace {

// Names are compared without regard to letter case, as users expect of
// account and website names. Dates are ISO text, so ordering is by date.
const char *const Schema = R"sql(
BEGIN;
CREATE TABLE Users (
    UserName TEXT COLLATE NOCASE,
    UserPwd  TEXT
);
CREATE TABLE Website (
    Webid    INTEGER PRIMARY KEY AUTOINCREMENT,
    Webname  TEXT COLLATE NOCASE,
    Weburl   TEXT,
    Webtime  DATETIME,
    Webmemos LONGTEXT
);
CREATE INDEX Website_Webtime ON Website (Webtime);
)sql";

bool fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

bool create(const QString &path, QString *error)
{
    const QFileInfo info(path);
    if (info.exists())
        return fail(error, QStringLiteral("%1 already exists; it is left as it is.").arg(path));
    if (!QDir().mkpath(info.absolutePath()))
        return fail(error, QStringLiteral("Cannot create the folder %1.").arg(info.absolutePath()));

    // Build the file under a temporary name and move it into place whole, so
    // that a failure never leaves a half-made database where the program looks.
    const QString partial = path + QStringLiteral(".new");
    QFile::remove(partial);
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(partial.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char *message = nullptr;
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(db, Schema, nullptr, nullptr, &message);
    QString reason = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
    sqlite3_free(message);
    // The first account's password goes in only as its hash, bound rather
    // than written into the statement.
    if (rc == SQLITE_OK) {
        sqlite3_stmt *stmt = nullptr;
        try {
            const QByteArray hashed = Password::hash(FirstPassword).toLatin1();
            rc = sqlite3_prepare_v2(db, "INSERT INTO Users (UserName, UserPwd) VALUES ('admin', ?1)", -1, &stmt, nullptr);
            if (rc == SQLITE_OK) {
                sqlite3_bind_text(stmt, 1, hashed.constData(), int(hashed.size()), SQLITE_TRANSIENT);
                rc = sqlite3_step(stmt) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
            }
            reason = QString::fromUtf8(sqlite3_errmsg(db));
        } catch (const std::exception &e) {
            rc = SQLITE_ERROR;
            reason = QString::fromUtf8(e.what());
        }
        sqlite3_finalize(stmt);
    }
    if (rc == SQLITE_OK) {
        const QByteArray finish = "PRAGMA user_version = " + QByteArray::number(::Schema::CurrentVersion) + "; COMMIT;";
        rc = sqlite3_exec(db, finish.constData(), nullptr, nullptr, &message);
        reason = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errstr(rc));
        sqlite3_free(message);
    }
    if (sqlite3_close(db) != SQLITE_OK && rc == SQLITE_OK) {
        rc = SQLITE_ERROR;
        reason = QStringLiteral("cannot close the new file");
    }
    if (rc != SQLITE_OK) {
        QFile::remove(partial);
        return fail(error, QStringLiteral("Cannot create %1: %2").arg(path, reason));
    }
    if (QFileInfo::exists(path) || !QFile::rename(partial, path)) {
        QFile::remove(partial);
        return fail(error, QStringLiteral("Cannot move the new database into place at %1.").arg(path));
    }
    return true;
}

} // namespace NewDatabase
