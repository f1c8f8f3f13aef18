#include "core/Schema.h"

#include "core/Backups.h"
#include "core/NameCompare.h"
#include "core/Password.h"

#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QStringList>
#include <sqlite3.h>
#include <stdexcept>

namespace Schema {

namespace {

struct Handle {
    sqlite3 *db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
};

// A failed step of the upgrade, with the engine's reason.
struct StepFailed {
    QString reason;
};

void run(sqlite3 *db, const char *sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        StepFailed failure{QString::fromUtf8(message ? message : sqlite3_errmsg(db))};
        sqlite3_free(message);
        throw failure;
    }
}

QStringList columns(sqlite3 *db, const char *table)
{
    QStringList names;
    sqlite3_stmt *stmt = nullptr;
    const QByteArray sql = QByteArray("PRAGMA table_info(") + table + ")";
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1)));
    }
    sqlite3_finalize(stmt);
    return names;
}

// Whether the Users table, as created, can hold a hash string: files made by
// other tools may limit the password column (a CHECK on its length, or a
// declared width below a hash's length).
bool usersNeedRebuild(sqlite3 *db)
{
    sqlite3_stmt *stmt = nullptr;
    QString sql;
    if (sqlite3_prepare_v2(db, "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'Users'", -1, &stmt,
                           nullptr)
            == SQLITE_OK
        && sqlite3_step(stmt) == SQLITE_ROW)
        sql = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    sqlite3_finalize(stmt);
    if (sql.contains(QLatin1String("CHECK"), Qt::CaseInsensitive))
        return true;
    // UserPwd NVARCHAR(20) and the like: SQLite ignores widths, other tools do not.
    static const QRegularExpression width(QStringLiteral("UserPwd\\W*\\s+\\w+\\s*\\(\\s*(\\d+)"),
                                          QRegularExpression::CaseInsensitiveOption);
    const auto m = width.match(sql);
    return m.hasMatch() && m.captured(1).toInt() < 255;
}

// Version 2: one account per name. The index folds ASCII letters as the
// column's NOCASE does; the program's own check folds every script, and so
// does the refusal of a file that holds two spellings of one name.
void addUniqueUserNames(sqlite3 *db)
{
    QHash<QString, QStringList> byName;
    QStringList order;
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT UserName FROM Users ORDER BY rowid", -1, &stmt, nullptr) != SQLITE_OK)
        throw StepFailed{QString::fromUtf8(sqlite3_errmsg(db))};
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0));
        const QString name = QString::fromUtf8(text ? text : "");
        const QString key = NameCompare::key(name.trimmed());
        if (!byName.contains(key))
            order << key;
        byName[key] << name;
    }
    sqlite3_finalize(stmt);
    QStringList clashes;
    for (const QString &key : std::as_const(order))
        if (byName[key].size() > 1)
            clashes << byName[key].join(QStringLiteral("、"));
    if (!clashes.isEmpty())
        throw StepFailed{QStringLiteral("有几个帐号的用户名相同（不区分大小写）：%1。请先删除或改名，每个用户名只留一个帐号。")
                             .arg(clashes.join(QStringLiteral("；")))};
    run(db, "CREATE UNIQUE INDEX IF NOT EXISTS Users_UserName_unique ON Users (UserName COLLATE NOCASE)");
}

void upgradeFromOne(sqlite3 *db)
{
    run(db, "BEGIN IMMEDIATE");
    try {
        addUniqueUserNames(db);
        run(db, QByteArray("PRAGMA user_version = " + QByteArray::number(CurrentVersion)).constData());
        run(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void upgradeFromZero(sqlite3 *db)
{
    // Pages freed inside the transaction are zeroed; VACUUM afterwards
    // rebuilds the whole file.
    run(db, "PRAGMA secure_delete = ON");
    run(db, "BEGIN IMMEDIATE");
    try {
        if (usersNeedRebuild(db)) {
            run(db, "CREATE TABLE Users_upgrade (UserName TEXT COLLATE NOCASE, UserPwd TEXT)");
            run(db, "INSERT INTO Users_upgrade (rowid, UserName, UserPwd) SELECT rowid, UserName, UserPwd FROM Users");
            run(db, "DROP TABLE Users");
            run(db, "ALTER TABLE Users_upgrade RENAME TO Users");
        }
        struct Account {
            qint64 rowid;
            QString password;
        };
        QList<Account> accounts;
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT rowid, UserPwd FROM Users", -1, &stmt, nullptr) != SQLITE_OK)
            throw StepFailed{QString::fromUtf8(sqlite3_errmsg(db))};
        int rc;
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, 1));
            accounts.push_back({sqlite3_column_int64(stmt, 0), QString::fromUtf8(text ? text : "")});
        }
        sqlite3_finalize(stmt);
        if (rc != SQLITE_DONE)
            throw StepFailed{QString::fromUtf8(sqlite3_errmsg(db))};

        if (sqlite3_prepare_v2(db, "UPDATE Users SET UserPwd = ?1 WHERE rowid = ?2", -1, &stmt, nullptr) != SQLITE_OK)
            throw StepFailed{QString::fromUtf8(sqlite3_errmsg(db))};
        for (const Account &account : accounts) {
            if (Password::isHash(account.password))
                continue;
            // The login compared the stored password trimmed, so the trimmed
            // text is what the user types.
            QString hashed;
            try {
                hashed = Password::hash(account.password.trimmed());
            } catch (const std::exception &e) {
                sqlite3_finalize(stmt);
                throw StepFailed{QString::fromUtf8(e.what())};
            }
            const QByteArray bytes = hashed.toLatin1();
            sqlite3_bind_text(stmt, 1, bytes.constData(), int(bytes.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(stmt, 2, account.rowid);
            rc = sqlite3_step(stmt);
            sqlite3_reset(stmt);
            if (rc != SQLITE_DONE) {
                const QString reason = QString::fromUtf8(sqlite3_errmsg(db));
                sqlite3_finalize(stmt);
                throw StepFailed{reason};
            }
        }
        sqlite3_finalize(stmt);
        addUniqueUserNames(db);
        run(db, QByteArray("PRAGMA user_version = " + QByteArray::number(CurrentVersion)).constData());
        run(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    run(db, "VACUUM");
}

} // namespace

int version(const QString &path, QString *error)
{
    Handle h;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &h.db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *stmt = nullptr;
    int v = -1;
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(h.db, 2000);
        rc = sqlite3_prepare_v2(h.db, "PRAGMA user_version", -1, &stmt, nullptr);
        if (rc == SQLITE_OK && (rc = sqlite3_step(stmt)) == SQLITE_ROW)
            v = sqlite3_column_int(stmt, 0);
    }
    if (v < 0 && error)
        *error = QStringLiteral("无法读取 %1 的版本：%2")
                     .arg(path, h.db ? QString::fromUtf8(sqlite3_errmsg(h.db)) : QString::fromUtf8(sqlite3_errstr(rc)));
    sqlite3_finalize(stmt);
    return v;
}

QString checkStructure(sqlite3 *db)
{
    const struct {
        const char *table;
        QStringList needed;
    } tables[] = {
        {"Users", {QStringLiteral("UserName"), QStringLiteral("UserPwd")}},
        {"Website",
         {QStringLiteral("Webid"), QStringLiteral("Webname"), QStringLiteral("Weburl"), QStringLiteral("Webtime"),
          QStringLiteral("Webmemos")}},
    };
    for (const auto &t : tables) {
        const QStringList present = columns(db, t.table);
        if (present.isEmpty())
            return QStringLiteral("没有表 %1").arg(QLatin1String(t.table));
        for (const QString &column : t.needed) {
            if (!present.contains(column, Qt::CaseInsensitive))
                return QStringLiteral("表 %1 没有列 %2").arg(QLatin1String(t.table), column);
        }
    }
    return {};
}

QString tooNewMessage(const QString &path, int version)
{
    return QStringLiteral("数据库 %1 的版本是 %2，本程序只能打开版本 %3 及以前的数据库；请使用更新的程序。文件未作任何更改。")
        .arg(path)
        .arg(version)
        .arg(CurrentVersion);
}

Outcome prepare(const QString &path, QString *error, int busyWaitMs)
{
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return Outcome::Failed;
    };
    QString why;
    const int v = version(path, &why);
    if (v < 0)
        return fail(why);
    if (v == CurrentVersion)
        return Outcome::Current;
    if (v > CurrentVersion)
        return fail(tooNewMessage(path, v));

    const QString saved = Backups::make(path, &why, {}, busyWaitMs);
    if (saved.isEmpty())
        return fail(QStringLiteral("数据库 %1 需要升级，但升级前的备份失败，未作任何更改：%2").arg(path, why));

    Handle h;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &h.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK)
        return fail(QStringLiteral("无法打开数据库 %1：%2").arg(path, QString::fromUtf8(sqlite3_errmsg(h.db))));
    sqlite3_busy_timeout(h.db, busyWaitMs);
    const QString structure = checkStructure(h.db);
    if (!structure.isEmpty())
        return fail(QStringLiteral("%1 不是本程序的数据库：%2").arg(path, structure));
    try {
        if (v == 0)
            upgradeFromZero(h.db);
        else
            upgradeFromOne(h.db);
    } catch (const StepFailed &failure) {
        // Only a failed VACUUM comes after the commit; the data is upgraded then.
        if (version(path, nullptr) == CurrentVersion)
            return fail(QStringLiteral("数据库 %1 已升级，但整理文件失败：%2").arg(path, failure.reason));
        return fail(QStringLiteral("数据库 %1 升级失败，未作任何更改（升级前的备份：%2）：%3")
                        .arg(path, saved, failure.reason));
    }
    return Outcome::Upgraded;
}

} // namespace Schema
