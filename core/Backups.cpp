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

namespace Backups {

namespace {

const QString TimeFormat = QStringLiteral("yyyy-MM-ddTHH-mm-ss");
// Characters no file system takes in a name; a reason is written without them.
const QRegularExpression Unsafe(QStringLiteral("[\\x00-\\x1f/\\\\:*?\"<>|]+"));
constexpr int ReasonLength = 40;

QString baseName(const QString &databasePath) { return QFileInfo(databasePath).completeBaseName(); }

QString suffix(const QString &databasePath)
{
    const QString s = QFileInfo(databasePath).suffix();
    return s.isEmpty() ? QString() : QStringLiteral(".") + s;
}

QRegularExpression namePattern(const QString &databasePath)
{
    return QRegularExpression(QStringLiteral("^%1-(\\d{4}-\\d\\d-\\d\\dT\\d\\d-\\d\\d-\\d\\d)(Z?)(?:-(\\d+))?(?: (.+))?%2$")
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

const QString ByHand = QStringLiteral("手动备份");
const QString AtExit = QStringLiteral("退出时");
const QString BeforeUpgrade = QStringLiteral("升级之前");
const QString BeforeRestore = QStringLiteral("恢复之前");

QString beforeStep(const QString &step, const QString &what)
{
    return what.isEmpty() ? step + QStringLiteral("之前") : QStringLiteral("%1“%2”之前").arg(step, what);
}

namespace {

// The reason as it can stand in a file name: no characters that a file
// system refuses, no leading or trailing blanks, not too long.
QString reasonForName(const QString &reason)
{
    QString text = reason;
    text.replace(Unsafe, QStringLiteral("_"));
    text = text.simplified();
    if (text.size() > ReasonLength)
        text = text.left(ReasonLength - 1) + QStringLiteral("…");
    return text;
}

// A checked copy without pruning: restore prunes only once the chosen copy
// has been used, so that the copy made first cannot push it out.
QString copy(const QString &databasePath, const QString &reason, QString *error, const QString &destFolder,
             int busyWaitMs)
{
    const QString dir = destFolder.isEmpty() ? folder(databasePath) : destFolder;
    // The program's own folder, made open by an older version or a loose
    // umask, is closed again: the copies hold what the notebook holds.
    if (destFolder.isEmpty() && QFileInfo(dir).isDir() && !QFileInfo(dir).isSymLink())
        QFile::setPermissions(dir, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const qint64 counter = changeCounter(databasePath);
    // UTC, so that the order of the names is the order in which copies were made.
    const QString stamp = QDateTime::currentDateTimeUtc().toString(TimeFormat) + QLatin1Char('Z');
    const QString why = reasonForName(reason);
    const QDir folderNow(dir);
    const auto name = [&](int n) {
        // Copies of one second are numbered whatever their reasons.
        const QString numbered = QStringLiteral("%1-%2%3").arg(baseName(databasePath), stamp,
                                                                  n > 1 ? QStringLiteral("-%1").arg(n) : QString());
        if (!folderNow.entryList({numbered + QStringLiteral(" *"), numbered + suffix(databasePath)}, QDir::Files).isEmpty())
            return QString();
        return QStringLiteral("%1-%2%3%4%5")
            .arg(baseName(databasePath), stamp, n > 1 ? QStringLiteral("-%1").arg(n) : QString(),
                 why.isEmpty() ? QString() : QLatin1Char(' ') + why, suffix(databasePath));
    };
    QString dest;
    try {
        db::removeLeftovers(dir);
        dest = db::backupDatabase(databasePath, dir, name, busyWaitMs);
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

QString make(const QString &databasePath, const QString &reason, QString *error, const QString &destFolder,
             int busyWaitMs)
{
    const QString dest = copy(databasePath, reason, error, destFolder, busyWaitMs);
    if (!dest.isEmpty())
        prune(databasePath, QDateTime::currentDateTimeUtc(), QFileInfo(dest).absolutePath(), dest);
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
        // Older copies were named in local time.
        e.time = match.captured(2).isEmpty() ? e.time.toUTC() : QDateTime(e.time.date(), e.time.time(), Qt::UTC);
        e.sequence = match.captured(3).isEmpty() ? 1 : match.captured(3).toInt();
        e.reason = match.captured(4);
        e.size = file.size();
        entries << e;
    }
    std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
        return a.time != b.time ? a.time > b.time : a.sequence > b.sequence;
    });
    return entries;
}

QStringList prune(const QString &databasePath, const QDateTime &now, const QString &inFolder, const QString &keep)
{
    const QList<Entry> entries = list(databasePath, inFolder);
    // Days as the user lives them.
    const QDate firstKeptDay = now.toLocalTime().date().addDays(-(KeepDays - 1));
    QSet<QDate> daysKept;
    QStringList removed;
    const QString kept = keep.isEmpty() ? QString() : QFileInfo(keep).absoluteFilePath();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Entry &e = entries.at(i);
        const QDate day = e.time.toLocalTime().date();
        // Newest first: the first copy met of a day is that day's newest.
        const bool dayCopy = day >= firstKeptDay && !daysKept.contains(day);
        if (dayCopy)
            daysKept.insert(day);
        if (i < KeepLatest || dayCopy || e.path == kept)
            continue;
        if (QFile::remove(e.path))
            removed << e.path;
    }
    return removed;
}

int websiteCount(const QString &path)
{
    try {
        return int(db::ReadOnlyFile(path).number(QStringLiteral("SELECT count(*) FROM Website")));
    } catch (const db::DbError &) {
        return -1;
    }
}

QString checkRestorable(const QString &backupPath)
{
    if (!QFileInfo(backupPath).isFile())
        return QStringLiteral("%1 不存在").arg(backupPath);
    const QString problem = db::checkDatabase(backupPath, true);
    if (!problem.isEmpty())
        return QStringLiteral("%1 已损坏：%2").arg(backupPath, problem);
    int version = 0;
    try {
        version = Schema::version(backupPath);
    } catch (const Failure &e) {
        return e.message();
    }
    if (version > Schema::CurrentVersion)
        return Schema::tooNewMessage(backupPath, version);
    const QString structure = Schema::checkFileStructure(backupPath, Schema::Names::Checked);
    if (!structure.isEmpty())
        return QStringLiteral("%1 不是本程序的数据库：%2").arg(backupPath, structure);
    return {};
}

QString restore(const QString &backupPath, const QString &databasePath)
{
    const QString problem = checkRestorable(backupPath);
    if (!problem.isEmpty())
        throw Failure(QStringLiteral("未恢复，%1 保持原样。%2").arg(databasePath, problem));

    // What is there now is kept first, like any other step that discards data.
    QString saved;
    if (QFileInfo::exists(databasePath)) {
        QString why;
        saved = copy(databasePath, BeforeRestore, &why, {}, 5000);
        if (saved.isEmpty())
            throw Failure(QStringLiteral("未恢复，%1 保持原样：当前数据库无法备份。%2").arg(databasePath, why));
    }
    try {
        db::replaceDatabase(backupPath, databasePath);
    } catch (const db::DbError &e) {
        throw Failure(QStringLiteral("未恢复，%1 保持原样。%2").arg(databasePath, e.message()));
    }
    markClean(databasePath);
    prune(databasePath, QDateTime::currentDateTime());
    return saved;
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
