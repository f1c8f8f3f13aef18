#include "core/db/Backup.h"

#include "core/db/DbError.h"
#include "core/db/SqliteErrors.h"
#include "core/db/PrivateFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>
#include <filesystem>
#include <optional>
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

// The engine's text, with the plain reason first where it is a common one.
QString reasonOf(sqlite3 *db, int rc)
{
    const QString engine = message(db, rc);
    if (kindOfSqliteFailure(rc, db) == DbError::DiskFull)
        return QStringLiteral("磁盘已满（%1）").arg(engine);
    return engine;
}

std::filesystem::path fsPath(const QString &path) { return std::filesystem::path(path.toStdU16String()); }

// A partial copy's name: hidden, owned by this process (its id in the name,
// so that leftovers of a killed one can be told from a copy under way).
QString partialName(const QString &folder, const QString &of, const char *kind)
{
    static int counter = 0;
    return QDir(folder).filePath(QStringLiteral(".%1.%2-%3.%4")
                                     .arg(QFileInfo(of).fileName())
                                     .arg(QCoreApplication::applicationPid())
                                     .arg(++counter)
                                     .arg(QLatin1String(kind)));
}

void removeWithJournals(const QString &path)
{
    for (const char *suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

int probe(sqlite3 *db) { return sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr); }

// Writes a checked copy of sourcePath into dest, an empty file made for it.
// On failure dest is removed and DbError thrown.
void copyChecked(const QString &sourcePath, const QString &dest, int busyWaitMs)
{
    auto fail = [&](const QString &text, DbError::Kind kind = DbError::Other) {
        removeWithJournals(dest);
        throw DbError(text, kind);
    };
    // Short waits inside each step; the loop below makes up the whole wait.
    std::optional<ReadOnlyFile> source;
    try {
        source.emplace(sourcePath, 100);
    } catch (const DbError &e) {
        fail(e.message(), e.kind());
    }

    Handle target;
    int rc = sqlite3_open_v2(dest.toUtf8().constData(), &target.db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc != SQLITE_OK) {
        const QString why = reasonOf(target.db, rc);
        target.close();
        fail(QStringLiteral("无法写入备份文件 %1：%2").arg(dest, why), kindOfSqliteCode(rc));
    }

    sqlite3_backup *backup = sqlite3_backup_init(target.db, "main", source->handle(), "main");
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
                 .arg(busyWaitMs / 1000.0, 0, 'g', 2),
             DbError::Locked);
    if (rc != SQLITE_DONE)
        fail(QStringLiteral("无法备份数据库 %1 到 %2：%3").arg(sourcePath, dest, reasonOf(target.db, rc)), kindOfSqliteFailure(rc, target.db));
    // A copy of a WAL-mode file would be one too, and leave -wal and -shm
    // files beside it: every copy uses the rollback journal, as notebooks do.
    rc = sqlite3_exec(target.db, "PRAGMA journal_mode = DELETE", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        fail(QStringLiteral("无法写入备份文件 %1：%2").arg(dest, reasonOf(target.db, rc)), kindOfSqliteFailure(rc, target.db));
    target.close();
    source.reset();

    const QString problem = checkDatabase(dest, false);
    if (!problem.isEmpty())
        fail(QStringLiteral("备份 %1 未通过检查，已删除：%2").arg(dest, problem), DbError::Damaged);
}

} // namespace

ReadOnlyFile::ReadOnlyFile(const QString &path, int busyWaitMs) : m_path(path)
{
    if (!QFileInfo(path).isFile())
        throw DbError(QStringLiteral("数据库文件不存在：%1").arg(path), DbError::Missing);
    auto openWith = [&](int flags) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        int rc = sqlite3_open_v2(path.toUtf8().constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK)
            return rc;
        sqlite3_extended_result_codes(m_db, 1);
        sqlite3_busy_timeout(m_db, busyWaitMs);
        return probe(m_db);
    };
    int rc = openWith(SQLITE_OPEN_READONLY);
    if (rc == SQLITE_READONLY_ROLLBACK) {
        // A hot journal: a writable open rolls it back, as the program's own
        // next open would; then the file reads as it was before that write.
        rc = openWith(SQLITE_OPEN_READWRITE);
        if (rc == SQLITE_OK)
            rc = openWith(SQLITE_OPEN_READONLY);
        else if (rc != SQLITE_BUSY) {
            const QString why = message(m_db, rc);
            sqlite3_close_v2(m_db);
            m_db = nullptr;
            throw DbError(QStringLiteral("数据库 %1 上次写入时被中断，留下了日志 %2，需要以可写方式打开一次才能还原：%3")
                              .arg(path, path + QStringLiteral("-journal"), why),
                          DbError::ReadOnly);
        }
    }
    // Another program's lock: reading waits for it, and says so, later.
    if (rc == SQLITE_OK || (rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
        return;
    const QString why = message(m_db, rc);
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    throw DbError(QStringLiteral("无法读取数据库 %1：%2").arg(path, why), kindOfSqliteCode(rc));
}

ReadOnlyFile::~ReadOnlyFile() { sqlite3_close_v2(m_db); }

QList<QStringList> ReadOnlyFile::rows(const QString &sql) const
{
    sqlite3_stmt *stmt = nullptr;
    int rc = sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &stmt, nullptr);
    QList<QStringList> result;
    if (rc == SQLITE_OK) {
        while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c)
                row << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, c)));
            result << row;
        }
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        throw DbError(QStringLiteral("无法读取数据库 %1：%2").arg(m_path, message(m_db, rc)), kindOfSqliteCode(rc));
    return result;
}

QStringList ReadOnlyFile::texts(const QString &sql) const
{
    QStringList result;
    for (const QStringList &row : rows(sql))
        result << row.value(0);
    return result;
}

qint64 ReadOnlyFile::number(const QString &sql) const
{
    const QList<QStringList> all = rows(sql);
    if (all.isEmpty() || all.first().isEmpty())
        throw DbError(QStringLiteral("无法读取数据库 %1：查询没有结果").arg(m_path));
    return all.first().first().toLongLong();
}

QString checkDatabase(const QString &path, bool full)
{
    if (!QFileInfo(path).isFile())
        return QStringLiteral("文件不存在");
    try {
        const ReadOnlyFile file(path);
        const QStringList lines = file.texts(full ? QStringLiteral("PRAGMA integrity_check(20)")
                                                  : QStringLiteral("PRAGMA quick_check(20)"));
        if (lines == QStringList{QStringLiteral("ok")})
            return {};
        return lines.isEmpty() ? QStringLiteral("检查没有结果") : lines.join(QStringLiteral("; "));
    } catch (const DbError &e) {
        return e.message();
    }
}

QString backupDatabase(const QString &sourcePath, const QString &destFolder,
                       const std::function<QString(int)> &destName, int busyWaitMs)
{
    QString error;
    if (!privateFiles::makeFolder(destFolder, &error))
        throw DbError(QStringLiteral("无法创建备份文件夹 %1：%2").arg(destFolder, error));
    const QString partial = partialName(destFolder, sourcePath, "partial");
    if (!privateFiles::createFile(partial, &error))
        throw DbError(error);
    copyChecked(sourcePath, partial, busyWaitMs);
    // Renaming never replaces an existing file: a name taken meanwhile (a
    // copy of another program in the same second) moves on to the next one.
    // The partial copy is closed, so moving it is safe.
    for (int n = 1; n < 1000; ++n) {
        const QString name = destName(n);
        const QString dest = QDir(destFolder).filePath(name);
        if (name.isEmpty() || QFileInfo::exists(dest))
            continue;
        if (privateFiles::renameNoReplace(partial, dest))
            return dest;
        if (!QFileInfo::exists(dest))
            break;
    }
    removeWithJournals(partial);
    throw DbError(QStringLiteral("无法把备份改名为 %1").arg(QDir(destFolder).filePath(destName(1))));
}

void createDatabase(const QString &path, const QString &script)
{
    const QString folder = QFileInfo(path).absolutePath();
    QString error;
    if (!privateFiles::makeFolder(folder, &error))
        throw DbError(QStringLiteral("Cannot create the folder %1: %2").arg(folder, error));
    removeLeftovers(folder);
    const QString partial = partialName(folder, path, "partial");
    if (!privateFiles::createFile(partial, &error))
        throw DbError(error);
    Handle h;
    int rc = sqlite3_open_v2(partial.toUtf8().constData(), &h.db, SQLITE_OPEN_READWRITE, nullptr);
    char *text = nullptr;
    if (rc == SQLITE_OK) {
        const QByteArray whole = "BEGIN;\n" + script.toUtf8() + "\nCOMMIT;";
        rc = sqlite3_exec(h.db, whole.constData(), nullptr, nullptr, &text);
    }
    QString why = text ? QString::fromUtf8(text) : reasonOf(h.db, rc);
    sqlite3_free(text);
    if ((rc & 0xff) == SQLITE_FULL)
        why = reasonOf(h.db, rc);
    if (rc == SQLITE_OK && sqlite3_close(h.db) != SQLITE_OK) {
        rc = SQLITE_ERROR;
        why = QStringLiteral("cannot close the new file");
    }
    h.db = rc == SQLITE_OK ? nullptr : h.db;
    h.close();
    if (rc != SQLITE_OK) {
        removeWithJournals(partial);
        throw DbError(QStringLiteral("Cannot create %1: %2").arg(path, why), kindOfSqliteCode(rc));
    }
    if (!privateFiles::renameNoReplace(partial, path)) {
        removeWithJournals(partial);
        throw DbError(QStringLiteral("Cannot move the new database into place at %1.").arg(path));
    }
}

QStringList removeLeftovers(const QString &folder)
{
    // ".<file>.<pid>-<n>.partial" and ".restoring", with their journals; the
    // same names without a process id come from older versions.
    static const QRegularExpression owned(QStringLiteral("\\.(\\d+)-\\d+\\.(partial|restoring)(-journal|-wal|-shm)?$"));
    static const QRegularExpression ownerless(QStringLiteral("\\.(partial|restoring)(-journal|-wal|-shm)?$"));
    return privateFiles::removeDeadPartials(folder, owned, ownerless);
}

void replaceDatabase(const QString &sourcePath, const QString &targetPath, int busyWaitMs)
{
    const QFileInfo target(targetPath);
    if (target.isFile()) {
        // A write lock for a moment: refused while another program holds one;
        // a hot journal is rolled back on the way, as any open would.
        Handle h;
        int rc = sqlite3_open_v2(targetPath.toUtf8().constData(), &h.db, SQLITE_OPEN_READWRITE, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(h.db, busyWaitMs);
            sqlite3_exec(h.db, "PRAGMA wal_checkpoint(TRUNCATE)", nullptr, nullptr, nullptr);
            rc = sqlite3_exec(h.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
            sqlite3_exec(h.db, "ROLLBACK", nullptr, nullptr, nullptr);
        }
        const QString why = message(h.db, rc);
        h.close();
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED || QFileInfo::exists(targetPath + QStringLiteral("-wal")))
            throw DbError(QStringLiteral("数据库 %1 仍在使用中（另一个程序正在写入它），未作任何更改").arg(targetPath),
                          DbError::Locked);
        if (rc != SQLITE_OK && (rc & 0xff) != SQLITE_NOTADB && (rc & 0xff) != SQLITE_CORRUPT)
            throw DbError(QStringLiteral("无法替换数据库 %1：%2").arg(targetPath, why), kindOfSqliteCode(rc));
    }
    const QString folder = target.absolutePath();
    removeLeftovers(folder);
    const QString partial = partialName(folder, targetPath, "restoring");
    QString error;
    if (!privateFiles::createFile(partial, &error))
        throw DbError(error);
    copyChecked(sourcePath, partial, busyWaitMs);
    // The restored file may be read by whoever could read the one it replaces.
    if (target.isFile())
        QFile::setPermissions(partial, QFile::permissions(targetPath));
    // What is left of a journal now is not hot (SQLite rolled back any that
    // was): nothing in it belongs to the file that comes.
    QFile::remove(targetPath + QStringLiteral("-journal"));
    std::error_code ec;
    std::filesystem::rename(fsPath(partial), fsPath(targetPath), ec);
    if (ec) {
        removeWithJournals(partial);
        throw DbError(QStringLiteral("无法用 %1 替换 %2：%3")
                          .arg(sourcePath, targetPath, QString::fromLocal8Bit(ec.message().c_str())));
    }
}

} // namespace db
