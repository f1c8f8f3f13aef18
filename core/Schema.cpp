#include "core/Schema.h"

#include "core/Backups.h"
#include "core/ColumnName.h"
#include "core/NameCompare.h"
#include "core/Password.h"
#include "core/db/Backup.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "core/db/Quote.h"

#include <QHash>
#include <QRegularExpression>
#include <stdexcept>

namespace Schema {

namespace {

// A failed step of the upgrade, with the reason.
struct StepFailed {
    QString reason;
};

void run(db::Connection &conn, const QString &sql)
{
    try {
        conn.execute(sql, db::Connection::Dialect::Native);
    } catch (const db::DbError &e) {
        throw StepFailed{e.message()};
    }
}

QList<QStringList> rowsOf(db::Connection &conn, const QString &sql)
{
    db::Recordset rs;
    rs.open(sql, conn, db::Connection::Dialect::Native);
    QList<QStringList> rows;
    for (int r = 0; r < rs.recordCount(); ++r) {
        QStringList row;
        for (int c = 0; c < rs.fieldCount(); ++c)
            row << rs.valueAt(r, c).toString();
        rows << row;
    }
    return rows;
}

// Whether the Users table, as created, can hold a hash string: files made by
// other tools may limit the password column (a CHECK on its length, or a
// declared width below a hash's length).
bool usersNeedRebuild(db::Connection &conn)
{
    const auto found = rowsOf(conn, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = 'Users'"));
    const QString sql = found.isEmpty() ? QString() : found.first().value(0);
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
void addUniqueUserNames(db::Connection &conn)
{
    QStringList names;
    try {
        for (const QStringList &row : rowsOf(conn, QStringLiteral("SELECT UserName FROM Users ORDER BY rowid")))
            names << row.value(0);
    } catch (const db::DbError &e) {
        throw StepFailed{e.message()};
    }
    if (const QString clashes = userNameClashes(names); !clashes.isEmpty())
        throw StepFailed{clashes};
    run(conn, QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS Users_UserName_unique ON Users (UserName COLLATE NOCASE)"));
}

// Runs one upgrade in a transaction of its own, rolled back on any failure.
template <typename Step> void inTransaction(db::Connection &conn, Step step)
{
    run(conn, QStringLiteral("BEGIN IMMEDIATE"));
    try {
        step();
        run(conn, QStringLiteral("PRAGMA user_version = %1").arg(CurrentVersion));
        run(conn, QStringLiteral("COMMIT"));
    } catch (...) {
        try {
            conn.execute(QStringLiteral("ROLLBACK"), db::Connection::Dialect::Native);
        } catch (const db::DbError &) {
            // SQLite rolled back already (a full disk, for one).
        }
        throw;
    }
}

void upgradeFromOne(db::Connection &conn)
{
    inTransaction(conn, [&] { addUniqueUserNames(conn); });
}

void upgradeFromZero(db::Connection &conn)
{
    // Pages freed inside the transaction are zeroed; VACUUM afterwards
    // rebuilds the whole file.
    run(conn, QStringLiteral("PRAGMA secure_delete = ON"));
    inTransaction(conn, [&] {
        if (usersNeedRebuild(conn)) {
            run(conn, QStringLiteral("CREATE TABLE Users_upgrade (UserName TEXT COLLATE NOCASE, UserPwd TEXT)"));
            run(conn, QStringLiteral("INSERT INTO Users_upgrade (rowid, UserName, UserPwd) SELECT rowid, UserName, UserPwd FROM Users"));
            run(conn, QStringLiteral("DROP TABLE Users"));
            run(conn, QStringLiteral("ALTER TABLE Users_upgrade RENAME TO Users"));
        }
        QList<QStringList> accounts;
        try {
            accounts = rowsOf(conn, QStringLiteral("SELECT rowid, UserPwd FROM Users"));
        } catch (const db::DbError &e) {
            throw StepFailed{e.message()};
        }
        for (const QStringList &account : std::as_const(accounts)) {
            if (Password::isHash(account.value(1)))
                continue;
            // The login compared the stored password trimmed, so the trimmed
            // text is what the user types.
            QString hashed;
            try {
                hashed = Password::hash(account.value(1).trimmed());
            } catch (const std::exception &e) {
                throw StepFailed{QString::fromUtf8(e.what())};
            }
            try {
                conn.execute(QStringLiteral("UPDATE Users SET UserPwd = ? WHERE rowid = ?"),
                             {hashed, account.value(0).toLongLong()}, db::Connection::Dialect::Native);
            } catch (const db::DbError &e) {
                throw StepFailed{e.message()};
            }
        }
        addUniqueUserNames(conn);
    });
    run(conn, QStringLiteral("VACUUM"));
}

bool isNotesTable(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^biji[0-9]+$"), QRegularExpression::CaseInsensitiveOption);
    return pattern.match(name).hasMatch();
}

bool hasTextAffinity(const QString &type)
{
    const QString t = type.toUpper();
    return t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) || t.contains(QLatin1String("TEXT"));
}

// Website's columns as the program makes them: Webid the row's own number,
// the others text (Webtime holds ISO dates as text).
QString websiteTypeProblem(const QList<QStringList> &info)
{
    for (const QStringList &column : info) {
        const QString name = column.value(1);
        const QString type = column.value(2);
        bool right = true;
        if (name.compare(QLatin1String("Webid"), Qt::CaseInsensitive) == 0)
            right = type.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0 && column.value(5) == QLatin1String("1");
        else if (name.compare(QLatin1String("Webtime"), Qt::CaseInsensitive) == 0)
            right = hasTextAffinity(type) || type.contains(QLatin1String("DATE"), Qt::CaseInsensitive);
        else if (QStringList{QStringLiteral("Webname"), QStringLiteral("Weburl"), QStringLiteral("Webmemos")}.contains(name, Qt::CaseInsensitive))
            right = hasTextAffinity(type);
        if (!right)
            return QStringLiteral("表 Website 的列 %1 的类型 %2 不对").arg(name, type.isEmpty() ? QStringLiteral("（无）") : type);
    }
    return {};
}

} // namespace

QString userNameClashes(const QStringList &names)
{
    QHash<QString, QStringList> byName;
    QStringList order;
    for (const QString &name : names) {
        const QString key = NameCompare::key(name.trimmed());
        if (!byName.contains(key))
            order << key;
        byName[key] << name;
    }
    QStringList clashes;
    for (const QString &key : std::as_const(order))
        if (byName[key].size() > 1)
            clashes << byName[key].join(QStringLiteral("、"));
    if (clashes.isEmpty())
        return {};
    return QStringLiteral("有几个帐号的用户名相同（不区分大小写）：%1。请先删除或改名，每个用户名只留一个帐号。")
        .arg(clashes.join(QStringLiteral("；")));
}

int version(const QString &path)
{
    qint64 v = 0;
    try {
        v = db::ReadOnlyFile(path).number(QStringLiteral("PRAGMA user_version"));
    } catch (const db::DbError &e) {
        throw Failure(QStringLiteral("无法读取 %1 的版本：%2").arg(path, e.message()));
    }
    if (v < 0)
        throw Failure(QStringLiteral("数据库 %1 的版本号 %2 无效（本程序从不写入负的版本号），文件未作任何更改。").arg(path).arg(v));
    return int(v);
}

QString checkStructure(const Rows &rows, Names names)
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
        const QList<QStringList> info = rows(QStringLiteral("PRAGMA table_info(%1)").arg(QLatin1String(t.table)));
        QStringList present;
        for (const QStringList &column : info)
            present << column.value(1);
        if (present.isEmpty())
            return QStringLiteral("没有表 %1").arg(QLatin1String(t.table));
        for (const QString &column : t.needed) {
            if (!present.contains(column, Qt::CaseInsensitive))
                return QStringLiteral("表 %1 没有列 %2").arg(QLatin1String(t.table), column);
        }
        if (qstrcmp(t.table, "Website") == 0) {
            const QString problem = websiteTypeProblem(info);
            if (!problem.isEmpty())
                return problem;
        }
    }

    QStringList foreign;
    const QList<QStringList> objects = rows(QStringLiteral("SELECT type, name, tbl_name, coalesce(sql, '') FROM sqlite_master"));
    const auto ours = [](const QString &table) {
        return table == QLatin1String("Users") || table == QLatin1String("Website") || isNotesTable(table);
    };
    for (const QStringList &object : objects) {
        const QString type = object.value(0), name = object.value(1), table = object.value(2), sql = object.value(3);
        if (type == QLatin1String("table")) {
            if (sql.simplified().startsWith(QLatin1String("CREATE VIRTUAL TABLE"), Qt::CaseInsensitive))
                foreign << QStringLiteral("虚拟表 %1").arg(name);
            else if (!ours(name) && name != QLatin1String("sqlite_sequence") && !name.startsWith(QLatin1String("sqlite_stat")))
                foreign << QStringLiteral("表 %1").arg(name);
        } else if (type == QLatin1String("index")) {
            if (!ours(table))
                foreign << QStringLiteral("索引 %1（属于 %2）").arg(name, table);
        } else if (type == QLatin1String("trigger")) {
            foreign << QStringLiteral("触发器 %1").arg(name);
        } else if (type == QLatin1String("view")) {
            foreign << QStringLiteral("视图 %1").arg(name);
        } else {
            foreign << QStringLiteral("%1 %2").arg(type, name);
        }
    }
    if (!foreign.isEmpty())
        return QStringLiteral("其中有本程序不会建立的对象：%1").arg(foreign.join(QStringLiteral("、")));

    // A notes column's name as the field manager would take it: none of the
    // characters that SQL or a list of names would take apart. Such a name
    // can only have come from outside the program.
    for (const QStringList &object : objects) {
        if (names == Names::Unchecked || object.value(0) != QLatin1String("table") || !isNotesTable(object.value(1)))
            continue;
        for (const QStringList &column : rows(QStringLiteral("PRAGMA table_info(%1)").arg(db::quoteIdentifier(object.value(1))))) {
            const QString name = column.value(1);
            if (!ColumnName::acceptable(name, {}) && db::nameLengthProblem(name).isEmpty())
                return QStringLiteral("表 %1 的列名“%2”含有本程序不会使用的字符").arg(object.value(1), name);
        }
    }
    return {};
}

QString checkFileStructure(const QString &path, Names names)
{
    try {
        const db::ReadOnlyFile file(path);
        return checkStructure([&](const QString &sql) { return file.rows(sql); }, names);
    } catch (const db::DbError &e) {
        return e.message();
    }
}

QString checkOpenStructure(db::Connection &conn)
{
    return checkStructure([&](const QString &sql) { return rowsOf(conn, sql); });
}

QString tooNewMessage(const QString &path, int version)
{
    return QStringLiteral("数据库 %1 的版本是 %2，本程序只能打开版本 %3 及以前的数据库；请使用更新的程序。文件未作任何更改。")
        .arg(path)
        .arg(version)
        .arg(CurrentVersion);
}

QString notCurrentMessage(const QString &path, int version)
{
    if (version > CurrentVersion)
        return tooNewMessage(path, version);
    return QStringLiteral("数据库 %1 的版本是 %2（%3），请先运行 tavorin-db upgrade %1 升级到版本 %4。文件未作任何更改。")
        .arg(path)
        .arg(version)
        .arg(version == 0 ? QStringLiteral("密码未加密") : QStringLiteral("用户名未设为唯一"))
        .arg(CurrentVersion);
}

Outcome prepare(const QString &path, QString *error, int busyWaitMs)
{
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return Outcome::Failed;
    };
    int v = 0;
    try {
        v = version(path);
    } catch (const Failure &e) {
        return fail(e.message());
    }
    if (v == CurrentVersion)
        return Outcome::Current;
    if (v > CurrentVersion)
        return fail(tooNewMessage(path, v));
    const QString structure = checkFileStructure(path);
    if (!structure.isEmpty())
        return fail(QStringLiteral("%1 不是本程序的数据库：%2").arg(path, structure));

    QString why;
    const QString saved = Backups::make(path, Backups::BeforeUpgrade, &why, {}, busyWaitMs);
    if (saved.isEmpty())
        return fail(QStringLiteral("数据库 %1 需要升级，但升级前的备份失败，未作任何更改：%2").arg(path, why));

    db::Connection conn;
    try {
        conn.open(db::Location::file(path));
    } catch (const db::DbError &e) {
        return fail(QStringLiteral("无法打开数据库 %1：%2").arg(path, e.message()));
    }
    try {
        if (v == 0)
            upgradeFromZero(conn);
        else
            upgradeFromOne(conn);
    } catch (const StepFailed &failure) {
        conn.close();
        // Only a failed VACUUM comes after the commit; the data is upgraded then.
        bool upgraded = false;
        try {
            upgraded = version(path) == CurrentVersion;
        } catch (const Failure &) {
        }
        if (upgraded)
            return fail(QStringLiteral("数据库 %1 已升级，但整理文件失败：%2").arg(path, failure.reason));
        return fail(QStringLiteral("数据库 %1 升级失败，未作任何更改（升级前的备份：%2）：%3")
                        .arg(path, saved, failure.reason));
    }
    return Outcome::Upgraded;
}

} // namespace Schema
