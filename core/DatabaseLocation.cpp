// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/DatabaseLocation.h"

#include "core/NewDatabase.h"
#include "core/db/Connection.h"
#include "core/db/PrivateFiles.h"
#include "core/db/ServerEngine.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

const QString DatabaseLocation::RelativePath = QStringLiteral("data/mybook.mdb");

namespace {

QString absoluteIn(const QString &folder, const QString &path)
{
    return QDir::cleanPath(QDir(folder).absoluteFilePath(path));
}

// The folder that holds data/ for a file in a data folder; else the file's own.
QString workingFolderOf(const QString &file)
{
    // The folders need not exist yet: work on the names alone.
    const QString folder = QFileInfo(file).absolutePath();
    if (QFileInfo(folder).fileName() == QLatin1String("data"))
        return QFileInfo(folder).absolutePath();
    return folder;
}

// Folders from the outermost missing one down to `folder` itself, so that a
// failure can take away exactly what it made.
QStringList missingFolders(const QString &folder)
{
    QStringList missing;
    QString f = QDir::cleanPath(folder);
    while (!f.isEmpty() && !QFileInfo::exists(f)) {
        missing.prepend(f);
        const QString up = QFileInfo(f).absolutePath();
        if (up == f)
            break;
        f = up;
    }
    return missing;
}

void removeMade(const QStringList &made)
{
    for (auto it = made.crbegin(); it != made.crend(); ++it)
        QDir().rmdir(*it);
}

} // namespace

DatabaseLocation::Inputs DatabaseLocation::processInputs(const QString &commandLinePath)
{
    return Inputs{commandLinePath, qEnvironmentVariable("TAVORIN_DATABASE"), QDir::currentPath(),
                  QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)};
}

DatabaseLocation DatabaseLocation::find(const Inputs &in)
{
    DatabaseLocation loc;
    if (!in.commandLine.isEmpty() || !in.environment.isEmpty()) {
        const bool fromCommandLine = !in.commandLine.isEmpty();
        loc.m_source = fromCommandLine ? CommandLine : Environment;
        const QString named = fromCommandLine ? in.commandLine : in.environment;
        if (db::Connection::isServer(named)) {
            // Not a file: nothing to look for on disk; the artwork and the
            // instructions page come from where the program was started.
            loc.m_server = named.trimmed();
            loc.m_workingFolder = QDir::cleanPath(QDir(in.currentFolder).absolutePath());
            return loc;
        }
        loc.m_path = absoluteIn(in.currentFolder, named);
        loc.m_workingFolder = workingFolderOf(loc.m_path);
        return loc;
    }
    const QString local = absoluteIn(in.currentFolder, RelativePath);
    if (QFileInfo::exists(local)) {
        loc.m_source = CurrentFolder;
        loc.m_path = local;
        loc.m_workingFolder = QDir::cleanPath(QDir(in.currentFolder).absolutePath());
        return loc;
    }
    loc.m_source = UserData;
    loc.m_workingFolder = QDir::cleanPath(QDir(in.currentFolder).absoluteFilePath(in.userDataFolder));
    loc.m_path = absoluteIn(loc.m_workingFolder, RelativePath);
    return loc;
}

db::Location DatabaseLocation::notebook() const
{
    return onServer() ? db::Location::server(m_server) : db::Location::file(m_path);
}

QString DatabaseLocation::displayName() const
{
    return onServer() ? db::server::label(m_server) : QDir::toNativeSeparators(m_path);
}

DatabaseLocation::Readiness DatabaseLocation::prepare(QString *message) const
{
    auto say = [message](const QString &text) {
        if (message)
            *message = text;
    };
    // A server database is checked by connecting to it, at the first login.
    if (onServer())
        return Ready;
    if (QFileInfo::exists(m_path))
        return Ready;
    if (!mayCreate()) {
        say(QStringLiteral("数据库连接失败\n\n数据库文件不存在：%1").arg(QDir::toNativeSeparators(m_path)));
        return Missing;
    }

    const QString folder = QFileInfo(m_path).absolutePath();
    const QStringList made = missingFolders(folder);
    // Folders 0700: the notebook holds client data and password hashes.
    QString why;
    if (!db::privateFiles::makeFolder(folder, &why)) {
        removeMade(made);
        say(QStringLiteral("无法建立存放记事本的文件夹 %1：%2").arg(QDir::toNativeSeparators(folder), why));
        return Failed;
    }
    // The engine's own text for an unwritable folder says little; a plain file
    // write names the reason (permission, read-only file system, disk full).
    {
        QTemporaryFile probe(folder + QStringLiteral("/.tavorin-XXXXXX"));
        if (!probe.open()) {
            removeMade(made);
            say(QStringLiteral("无法在文件夹 %1 中建立记事本：%2")
                    .arg(QDir::toNativeSeparators(folder), probe.errorString()));
            return Failed;
        }
    }
    QString reason;
    try {
        NewDatabase::create(db::Location::file(m_path));
        return Created;
    } catch (const Failure &e) {
        reason = e.message();
    }
    // Another program starting at the same moment may have made it first.
    if (QFileInfo::exists(m_path))
        return Ready;
    removeMade(made);
    say(QStringLiteral("无法在文件夹 %1 中建立记事本：%2").arg(QDir::toNativeSeparators(folder), reason));
    return Failed;
}

bool DatabaseLocation::readOnly() const
{
    // The server enforces its own rights, statement by statement.
    if (onServer())
        return false;
    const QFileInfo file(m_path);
    return !file.isWritable() || !QFileInfo(file.absolutePath()).isWritable();
}

QString DatabaseLocation::statusText() const
{
    // A server's label begins with "数据库" already.
    if (onServer())
        return displayName();
    QString text = QStringLiteral("数据库：") + displayName();
    if (readOnly())
        text += QStringLiteral("（只读）");
    return text;
}

QString DatabaseLocation::instanceKey() const
{
    const QFileInfo file(m_path);
    QString canonical = file.canonicalFilePath();
    if (canonical.isEmpty()) {
        const QString folder = QFileInfo(file.absolutePath()).canonicalFilePath();
        canonical = (folder.isEmpty() ? file.absolutePath() : folder) + QLatin1Char('/') + file.fileName();
    }
    const QByteArray hash = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("tavorin-") + QString::fromLatin1(hash.left(24));
}
