#pragma once

#include "core/db/DbError.h"

struct sqlite3;

namespace db {

// kindOfSqliteCode for a failure on a connection: a failed write is told
// apart by the system's reason, as SQLite says "full" only for ENOSPC and a
// quota or a file-size limit leaves no more room either.
DbError::Kind kindOfSqliteFailure(int resultCode, sqlite3 *db);

} // namespace db
