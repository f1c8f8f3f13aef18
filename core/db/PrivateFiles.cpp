#include "core/db/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace db::privateFiles {

namespace {

void say(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

} // namespace

bool makeFolder(const QString &path, QString *error)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    QStringList missing;
    for (QString f = clean; !QFileInfo::exists(f); f = QFileInfo(f).absolutePath()) {
        missing.prepend(f);
        if (QFileInfo(f).absolutePath() == f)
            break;
    }
    for (const QString &f : std::as_const(missing)) {
        // Made with its final rights, so that it is never open to others.
#ifdef Q_OS_UNIX
        if (::mkdir(QFile::encodeName(f).constData(), S_IRWXU) != 0 && errno != EEXIST) {
            say(error, QString::fromLocal8Bit(std::strerror(errno)));
            return false;
        }
#else
        if (!QDir().mkdir(f, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) && !QFileInfo(f).isDir()) {
            say(error, QStringLiteral("无法建立文件夹 %1").arg(QDir::toNativeSeparators(f)));
            return false;
        }
#endif
    }
    if (!QFileInfo(clean).isDir()) {
        say(error, QStringLiteral("不是文件夹"));
        return false;
    }
    return true;
}

bool createFile(const QString &path, QString *error)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          S_IRUSR | S_IWUSR);
    if (fd < 0) {
        say(error, QStringLiteral("无法建立文件 %1：%2")
                       .arg(QDir::toNativeSeparators(path), QString::fromLocal8Bit(std::strerror(errno))));
        return false;
    }
    // The umask may have taken bits away, never added: the mode is exact.
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    ::close(fd);
    return true;
#else
    QFile file(path);
    if (QFileInfo(path).isSymLink()
        || !file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFile::ReadOwner | QFile::WriteOwner)) {
        say(error, QStringLiteral("无法建立文件 %1：%2").arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    return true;
#endif
}

bool isPrivateFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat st;
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
#else
    const QFileInfo info(path);
    return info.isDir() && !info.isSymLink();
#endif
}

bool renameNoReplace(const QString &from, const QString &to)
{
#ifdef Q_OS_LINUX
    const QByteArray source = QFile::encodeName(from), target = QFile::encodeName(to);
    if (::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    // A file system without it: a hard link fails on an existing name too.
    if (::link(source.constData(), target.constData()) == 0)
    {
        ::unlink(source.constData());
        return true;
    }
    if (errno == EEXIST)
        return false;
#endif
    // Elsewhere the check and the rename are two steps.
    return !QFileInfo::exists(to) && QDir().rename(from, to);
}

bool processAlive(qint64 pid)
{
#ifdef Q_OS_UNIX
    if (pid <= 0)
        return false;
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
#else
    Q_UNUSED(pid);
    return true;
#endif
}

QStringList removeDeadPartials(const QString &folder, const QRegularExpression &owned,
                               const QRegularExpression &ownerless)
{
    QStringList removed;
    const QFileInfoList files = QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &file : files) {
        const QString name = file.fileName();
        const auto match = owned.match(name);
        const bool gone = match.hasMatch() ? !processAlive(match.captured(1).toLongLong())
                                           : ownerless.match(name).hasMatch();
        if (gone && QFile::remove(file.absoluteFilePath()))
            removed << file.absoluteFilePath();
    }
    return removed;
}

} // namespace db::privateFiles
