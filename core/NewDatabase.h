#pragma once

#include <QString>

// Makes a new, empty program database: tables Users and Website and the
// account admin / 123456. Refuses (returns false, with the reason) when the
// file exists already. The folder is created when missing.
namespace NewDatabase {

extern const QString FirstUser;
extern const QString FirstPassword;

bool create(const QString &path, QString *error = nullptr);

} // namespace NewDatabase
