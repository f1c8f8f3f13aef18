#pragma once

#include "core/Failure.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

namespace db {
class Connection;
}

// The version of a database's layout, kept in PRAGMA user_version.
//   0  every file made before versions were kept: passwords in clear text.
//   1  passwords stored as Argon2id hash strings.
//   2  one account per user name, letter case aside (a unique index).
// A file of an older version is upgraded when it is first opened, after a
// backup, in one transaction; a newer one is refused and left untouched.
namespace Schema {

constexpr int CurrentVersion = 2;

// The file's version; throws Failure with the reason when it cannot be read.
int version(const QString &path);

// Runs a query of a notebook file and gives its rows, each column as text.
using Rows = std::function<QList<QStringList>(const QString &sql)>;

// Why a notebook file is not one of this program's (empty when it is): the
// tables Users and Website with the columns the program reads, Website's
// columns of the types the program gives them, and nothing else than what
// the program makes: its tables Users, Website and biji<N>, their indexes and
// sqlite_sequence. A trigger, a view, a virtual table or another table could
// run or hold what the program never wrote; each one found is named.
// With Names::Checked, also notes columns named as the field manager would
// not name them: a file brought in by restore or migrate is refused for
// one; a notebook already in use keeps working with it (every name is
// quoted, so it runs nothing).
enum class Names { Unchecked, Checked };
QString checkStructure(const Rows &rows, Names names = Names::Unchecked);
// The same for a file, opened for reading, and for an open connection.
QString checkFileStructure(const QString &path, Names names = Names::Unchecked);
QString checkOpenStructure(db::Connection &conn);

// Why these account names cannot be made unique (two fold to one name,
// letter case aside in any script; each such group listed), or empty.
QString userNameClashes(const QStringList &names);

// The refusal text for a version newer than this program knows.
QString tooNewMessage(const QString &path, int version);
// The refusal text for a version other than the current one where only the
// current one will do (moving a notebook onto a server).
QString notCurrentMessage(const QString &path, int version);

enum class Outcome { Current, Upgraded, Failed };

// Brings a database to the current version: an older file is backed up
// (into its backups folder), then upgraded in one transaction (the Users
// table rebuilt when its password column cannot hold a hash, clear-text
// passwords replaced by their hashes, user names made unique, the version
// set) and, from version 0, VACUUMed so that no clear text stays in free
// pages. A file in which two accounts share a name (letter case aside, in
// any script) is refused with the names listed. A newer version is refused with nothing
// written. Failed comes with the reason in error; the file is then unchanged.
Outcome prepare(const QString &path, QString *error, int busyWaitMs = 5000);

} // namespace Schema
