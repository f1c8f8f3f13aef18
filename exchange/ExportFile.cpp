#include "exchange/ExportFile.h"

#include "core/db/PrivateFiles.h"
#include "exchange/ExchangeError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace exchange {

namespace {

std::filesystem::path fsPath(const QString &path) { return std::filesystem::path(path.toStdU16String()); }

QString reasonFor(int errorNumber, const QString &detail)
{
    switch (errorNumber) {
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("磁盘已满，请腾出空间后再试");
    case EFBIG:
        return QStringLiteral("文件超过了系统允许的大小");
    case 0:
        return detail;
    default:
        return QString::fromLocal8Bit(std::strerror(errorNumber));
    }
}

#ifdef Q_OS_UNIX
// The mode a new file of the user's gets. Read, not set and put back: an
// export runs beside other threads that create files.
mode_t userFileMode()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith("Umask:")) {
                bool ok = false;
                const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
                if (ok)
                    return mode_t(0666 & ~mask);
            }
        }
    }
    return 0644;
}
#endif

} // namespace

QStringList removeDeadExportParts(const QString &folder)
{
    static const QRegularExpression owned(QStringLiteral("^\\..+\\.(\\d+)-\\d+\\.part$"));
    // Older versions named theirs ".<name>.XXXXXX.part", without an owner.
    static const QRegularExpression ownerless(QStringLiteral("^\\..+\\.[A-Za-z0-9]{6}\\.part$"));
    return db::privateFiles::removeDeadPartials(folder, owned, ownerless);
}

ExportFile::ExportFile(const QString &target) : m_target(target)
{
    static std::atomic<int> counter{0};
    const QFileInfo info(target);
    removeDeadExportParts(info.absolutePath());
    const QString partial = info.absoluteDir().filePath(QStringLiteral(".%1.%2-%3.part")
                                                            .arg(info.fileName())
                                                            .arg(QCoreApplication::applicationPid())
                                                            .arg(++counter));
    QString why;
    if (!db::privateFiles::createFile(partial, &why))
        throw Failure(QStringLiteral("无法在 %1 写文件：%2").arg(QDir::toNativeSeparators(info.absolutePath()), why));
    m_partial = partial;
}

ExportFile::~ExportFile()
{
    if (!m_partial.isEmpty())
        QFile::remove(m_partial);
}

void ExportFile::fail(const QString &detail, int errorNumber)
{
    QFile::remove(m_partial);
    m_partial.clear();
    throw Failure(
        QStringLiteral("无法写入文件 %1：%2").arg(QDir::toNativeSeparators(m_target), reasonFor(errorNumber, detail)));
}

void ExportFile::commit()
{
#ifdef Q_OS_UNIX
    struct stat old;
    const mode_t mode = ::stat(QFile::encodeName(m_target).constData(), &old) == 0 && S_ISREG(old.st_mode)
                            ? mode_t(old.st_mode & 07777)
                            : userFileMode();
    // On the disk before it has the name: a crash never leaves an empty export.
    const int fd = ::open(QFile::encodeName(m_partial).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0 || ::fchmod(fd, mode) != 0) {
        const int why = errno;
        if (fd >= 0)
            ::close(fd);
        fail(QString(), why);
    }
    ::close(fd);
#endif
    // Replaces an older file in one step: the old one stays whole until then.
    std::error_code failed;
    std::filesystem::rename(fsPath(m_partial), fsPath(m_target), failed);
    if (failed)
        fail(QString::fromLocal8Bit(failed.message()), failed.value());
    m_partial.clear();
}

} // namespace exchange
