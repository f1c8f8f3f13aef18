#include "core/db/Backup.h"

#include "core/db/DbError.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <filesystem>
#include <sqlite3.h>
#include <system_error>

namespace db {

namespace {

// Closes a handle however its function ends.
struct Handle {
    sqlite3 *db = nullptr;
    ~Handle() { close(); }
    void close()
    {
        if (db)
            sqlite3_close_v2(db);
        db = nullptr;
    }
};

QString message(sqlite3 *db, int rc)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(rc));
}

std::filesystem::path fsPath(const QString &path) { return std::filesystem::path(path.toStdU16String()); }

// Writes a checked copy of sourcePath into dest, which must not exist yet.
// On failure dest is removed and DbError thrown.
void copyChecked(const QString &sourcePath, const QString &dest, int busyWaitMs)
{
    if (!QFileInfo(sourcePath).isFile())
        throw DbError(QStringLiteral("数据库文件不存在：%1").arg(sourcePath));

    Handle source;
    int rc = sqlite3_open_v2(sourcePath.toUtf8().constData(), &source.db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(QStringLiteral("无法打开数据库 %1：%2").arg(sourcePath, message(source.db, rc)));
    // Short waits inside each step; the loop below makes up the whole wait.
    sqlite3_busy_timeout(source.db, 100);

    Handle target;
    rc = sqlite3_open_v2(dest.toUtf8().constData(), &target.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = message(target.db, rc);
        target.close();
        QFile::remove(dest);
        throw DbError(QStringLiteral("无法写入备份文件 %1：%2").arg(dest, why));
    }

    auto fail = [&](const QString &text) {
        target.close();
        QFile::remove(dest);
        QFile::remove(dest + QStringLiteral("-journal"));
        throw DbError(text);
    };

    sqlite3_backup *backup = sqlite3_backup_init(target.db, "main", source.db, "main");
    if (!backup)
        fail(QStringLiteral("无法备份数据库 %1：%2").arg(sourcePath, message(target.db, SQLITE_ERROR)));

    // One step copies every page under one read lock of the source, so a
    // writer elsewhere can only delay the copy, never tear it.
    QElapsedTimer waited;
    waited.start();
    do {
        rc = sqlite3_backup_step(backup, -1);
        if (rc != SQLITE_BUSY && rc != SQLITE_LOCKED)
            break;
        QThread::msleep(50);
    } while (waited.elapsed() < busyWaitMs);
    sqlite3_backup_finish(backup);

    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        fail(QStringLiteral("无法备份数据库 %1：另一个程序正在写入它，等待 %2 秒后仍未结束")
                 .arg(sourcePath)
                 .arg(busyWaitMs / 1000.0, 0, 'g', 2));
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("无法备份数据库 %1 到 %2：%3").arg(sourcePath, dest, QString::fromUtf8(sqlite3_errstr(rc))));
    target.close();

    const QString problem = checkDatabase(dest, false);
    if (!problem.isEmpty())
        fail(QStringLiteral("备份 %1 未通过检查，已删除：%2").arg(dest, problem));
}

} // namespace

QString checkDatabase(const QString &path, bool full)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("文件不存在");
    Handle h;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &h.db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        return message(h.db, rc);
    sqlite3_busy_timeout(h.db, 2000);
    sqlite3_stmt *stmt = nullptr;
    rc = sqlite3_prepare_v2(h.db, full ? "PRAGMA integrity_check(20)" : "PRAGMA quick_check(20)", -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        return message(h.db, rc);
    QStringList lines;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW)
        lines << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
    const QString error = message(h.db, rc);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return error;
    if (lines == QStringList{QStringLiteral("ok")})
        return {};
    return lines.isEmpty() ? QStringLiteral("检查没有结果") : lines.join(QStringLiteral("; "));
}

void backupDatabase(const QString &sourcePath, const QString &destPath, int busyWaitMs)
{
    if (QFileInfo::exists(destPath))
        throw DbError(QStringLiteral("备份文件 %1 已经存在").arg(destPath));
    const QString partial = destPath + QStringLiteral(".partial");
    QFile::remove(partial);
    copyChecked(sourcePath, partial, busyWaitMs);
    // A plain rename never replaces an existing file; the partial copy is
    // closed, so moving it is safe.
    if (!QFile::rename(partial, destPath)) {
        QFile::remove(partial);
        throw DbError(QStringLiteral("无法把备份改名为 %1").arg(destPath));
    }
}

void replaceDatabase(const QString &sourcePath, const QString &targetPath, int busyWaitMs)
{
    // A journal beside the target would be replayed into the new file.
    for (const char *suffix : {"-journal", "-wal"}) {
        if (QFileInfo::exists(targetPath + QLatin1String(suffix)))
            throw DbError(QStringLiteral("数据库 %1 仍在使用中（存在 %2），未作任何更改")
                              .arg(targetPath, targetPath + QLatin1String(suffix)));
    }
    const QString partial = targetPath + QStringLiteral(".restoring");
    QFile::remove(partial);
    copyChecked(sourcePath, partial, busyWaitMs);
    std::error_code ec;
    std::filesystem::rename(fsPath(partial), fsPath(targetPath), ec);
    if (ec) {
        QFile::remove(partial);
        throw DbError(QStringLiteral("无法用 %1 替换 %2：%3")
                          .arg(sourcePath, targetPath, QString::fromLocal8Bit(ec.message().c_str())));
    }
}

} // namespace db
