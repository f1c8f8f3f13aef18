#pragma once

#include <QString>
#include <QStringList>

class QRegularExpression;

// Files that hold client data and password hashes (the notebook, its
// backups, every partial or temporary copy) are readable by their owner
// alone: folders 0700, files 0600, whatever the umask says. A file is made
// by the program before any library opens it, never through a symbolic
// link and never over an existing file. The one place that knows how the
// system does that.
namespace db::privateFiles {

// Makes the folder and any missing parents; the folders it makes are 0700.
// An existing folder is left as it is. False with the reason (not naming
// the folder) in *error.
bool makeFolder(const QString &path, QString *error);

// Makes an empty file, 0600, that did not exist (not even as a dangling
// symbolic link). False with the reason in *error.
bool createFile(const QString &path, QString *error);

// True when the folder belongs to this user and nobody else may write to it
// or list it (0700 or stricter), and it is no symbolic link.
bool isPrivateFolder(const QString &path);

// Gives the file `from` the name `to` in one step, never over an existing
// file (two programs may race for one name); false when `to` exists or the
// rename fails.
bool renameNoReplace(const QString &from, const QString &to);

// True when the process that had this id is still running (on systems
// without that knowledge: true, so that nothing of a live program is taken).
bool processAlive(qint64 pid);

// Removes from the folder what killed copies left behind: files whose name
// matches `owned` (its first group the id of the process that made it) when
// that process is gone, and files whose name matches `ownerless` (older
// versions named theirs without an owner). Returns the paths removed.
QStringList removeDeadPartials(const QString &folder, const QRegularExpression &owned,
                               const QRegularExpression &ownerless);

} // namespace db::privateFiles
