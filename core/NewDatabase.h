#pragma once

#include "core/Failure.h"
#include "core/db/Location.h"

#include <QString>
#include <QStringList>

// Makes a new, empty program database: tables Users and Website and the
// account admin / 123456. Refuses (throws Failure with the reason) when the
// file exists already. The folder is created when missing.
// Given a database on a PostgreSQL server instead of a file, it makes the same tables in that existing database on the server, in one
// transaction, and refuses a database that holds them already.
namespace NewDatabase {

extern const QString FirstUser;
extern const QString FirstPassword;

void create(const db::Location &notebook);

// The statements that make the two tables on a server, one per entry (no
// transaction around them, no account): also used to move a notebook onto a
// server.
QStringList serverSchema();

} // namespace NewDatabase
