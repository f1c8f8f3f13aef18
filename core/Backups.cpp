#include "core/Backups.h"

#include "core/Schema.h"
#include "core/db/Backup.h"
#include "core/db/DbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <sqlite3.h>

namespace Backups {

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH-mm-ss");

QString baseName(const QString &databasePath) { return QFileInfo(databasePath).completeBaseName(); }

QString suffix(const QString &databasePath)
{
    const QString s = QFileInfo(databasePath).suffix();
    return s.isEmpty() ? QString() : QStringLiteral(".") + s;
}

QRegularExpression namePattern(const QString &databasePath)
{
    return QRegularExpression(QStringLiteral("^%1-(\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-\\d\\d)(?:-(\\d+))?%2$")
                                  .arg(QRegularExpression::escape(baseName(databasePath)),
                                       QRegularExpression::escape(suffix(databasePath))));
}

// SQLite's file change counter (header bytes 24..27): every committed write
// transaction changes it. -1 when the header cannot be read.
qint64 changeCounter(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray header = file.read(100);
    if (header.size() < 100)
        return -1;
    const auto *b = reinterpret_cast<const uchar *>(header.constData());
    return (qint64(b[24]) << 24) | (b[25] << 16) | (b[26] << 8) | b[27];
}

QHash<QString, qint64> &marks()
{
    static QHash<QString, qint64> m;
    return m;
}

QString key(const QString &path) { return QFileInfo(path).absoluteFilePath(); }

} // namespace

QString folder(const QString &databasePath)
{
    return QFileInfo(databasePath).absoluteDir().filePath(QStringLiteral("backups"));
}

namespace {

// A checked copy without pruning: restore prunes only once the chosen copy
// has been used, so that the copy made first cannot push it out.
QString copy(const QString &databasePath, QString *error, const QString &destFolder, int busyWaitMs)
{
    const QString dir = destFolder.isEmpty() ? folder(databasePath) : destFolder;
    if (!QDir().mkpath(dir)) {
        if (error)
            *error = QStringLiteral("无法创建备份文件夹 %1").arg(dir);
        return {};
    }
    const qint64 counter = changeCounter(databasePath);
    const QString stamp = QDateTime::currentDateTime().toString(TimeFormat);
    QString name = QStringLiteral("%1-%2%3").arg(baseName(databasePath), stamp, suffix(databasePath));
    for (int n = 2; QFileInfo::exists(QDir(dir).filePath(name)); ++n)
        name = QStringLiteral("%1-%2-%3%4").arg(baseName(databasePath), stamp).arg(n).arg(suffix(databasePath));
    const QString dest = QDir(dir).filePath(name);
    try {
        db::backupDatabase(databasePath, dest, busyWaitMs);
    } catch (const db::DbError &e) {
        if (error)
            *error = e.message();
        return {};
    }
    // The copy holds at least what the file held when the copy began.
    if (counter >= 0)
        marks().insert(key(databasePath), counter);
    return dest;
}

} // namespace

QString make(const QString &databasePath, QString *error, const QString &destFolder, int busyWaitMs)
{
    const QString dest = copy(databasePath, error, destFolder, busyWaitMs);
    if (!dest.isEmpty())
        prune(databasePath, QDateTime::currentDateTime(), QFileInfo(dest).absolutePath());
    return dest;
}

QList<Entry> list(const QString &databasePath, const QString &inFolder)
{
    const QDir dir(inFolder.isEmpty() ? folder(databasePath) : inFolder);
    const QRegularExpression pattern = namePattern(databasePath);
    QList<Entry> entries;
    const QFileInfoList files = dir.entryInfoList(QDir::Files);
    for (const QFileInfo &file : files) {
        const auto match = pattern.match(file.fileName());
        if (!match.hasMatch())
            continue;
        Entry e;
        e.path = file.absoluteFilePath();
        e.time = QDateTime::fromString(match.captured(1), TimeFormat);
        if (!e.time.isValid())
            continue;
        e.sequence = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
        e.size = file.size();
        entries << e;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.time != b.time ? a.time > b.time : a.sequence > b.sequence;
    });
    return entries;
}

QStringList prune(const QString &databasePath, const QDateTime &now, const QString &inFolder)
{
    const QList<Entry> entries = list(databasePath, inFolder);
    const QDate firstKeptDay = now.date().addDays(-(KeepDays - 1));
    QSet<QDate> daysKept;
    QStringList removed;
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry &e = entries.at(i);
        const QDate day = e.time.date();
        // Newest first: the first copy met of a day is that day's newest.
        const bool dayCopy = day >= firstKeptDay && !daysKept.contains(day);
        if (dayCopy)
            daysKept.insert(day);
        if (i < KeepLatest || dayCopy)
            continue;
        if (QFile::remove(e.path))
            removed << e.path;
    }
    return removed;
}

int websiteCount(const QString &path)
{
    sqlite3 *db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt *stmt = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT count(*) FROM Website", -1, &stmt, nullptr) == SQLITE_OK
            && sqlite3_step(stmt) == SQLITE_ROW)
            count = sqlite3_column_int(stmt, 0);
        sqlite3_finalize(stmt);
    }
    sqlite3_close_v2(db);
    return count;
}

QString checkRestorable(const QString &backupPath)
{
    if (!QFileInfo(backupPath).isFile())
        return QStringLiteral("%1 不存在").arg(backupPath);
    const QString problem = db::checkDatabase(backupPath, true);
    if (!problem.isEmpty())
        return QStringLiteral("%1 已损坏：%2").arg(backupPath, problem);
    QString error;
    const int version = Schema::version(backupPath, &error);
    if (version < 0)
        return error;
    if (version > Schema::CurrentVersion)
        return Schema::tooNewMessage(backupPath, version);
    sqlite3 *db = nullptr;
    QString structure;
    if (sqlite3_open_v2(backupPath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK)
        structure = Schema::checkStructure(db);
    else
        structure = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_close_v2(db);
    if (!structure.isEmpty())
        return QStringLiteral("%1 不是本程序的数据库：%2").arg(backupPath, structure);
    return {};
}

bool restore(const QString &backupPath, const QString &databasePath, QString *savedCurrent, QString *error)
{
    auto fail = [&](const QString &text) {
        if (error)
            *error = text;
        return false;
    };
    const QString problem = checkRestorable(backupPath);
    if (!problem.isEmpty())
        return fail(QStringLiteral("未恢复，%1 保持原样。%2").arg(databasePath, problem));

    // What is there now is kept first, like any other step that discards data.
    if (QFileInfo::exists(databasePath)) {
        QString why;
        const QString saved = copy(databasePath, &why, {}, 5000);
        if (saved.isEmpty())
            return fail(QStringLiteral("未恢复，%1 保持原样：当前数据库无法备份。%2").arg(databasePath, why));
        if (savedCurrent)
            *savedCurrent = saved;
    }
    try {
        db::replaceDatabase(backupPath, databasePath);
    } catch (const db::DbError &e) {
        return fail(QStringLiteral("未恢复，%1 保持原样。%2").arg(databasePath, e.message()));
    }
    markClean(databasePath);
    prune(databasePath, QDateTime::currentDateTime());
    return true;
}

void markClean(const QString &databasePath) { marks().insert(key(databasePath), changeCounter(databasePath)); }

void markCleanIfUnmarked(const QString &databasePath)
{
    if (!marks().contains(key(databasePath)))
        markClean(databasePath);
}

bool writtenSinceMark(const QString &databasePath)
{
    const auto it = marks().constFind(key(databasePath));
    // No mark: the program never opened the file, so it wrote nothing.
    return it != marks().constEnd() && *it != changeCounter(databasePath);
}

} // namespace Backups
