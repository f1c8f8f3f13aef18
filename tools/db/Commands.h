#pragma once

#include <QStringList>

// The subcommands of tavorin-db. Each takes the arguments after its name and
// returns the process exit code: 0 done, 1 failed, 2 wrong use.

// tavorin-db migrate SQLITE_PATH postgresql://... [--replace]
int migrateCommand(const QStringList &args);
