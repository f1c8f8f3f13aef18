#include "core/db/SqliteErrors.h"

#include <cerrno>
#include <sqlite3.h>

namespace db {

DbError::Kind kindOfSqliteCode(int resultCode)
{
    switch (resultCode & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return DbError::Locked;
    case SQLITE_READONLY:
    case SQLITE_PERM:
        return DbError::ReadOnly;
    case SQLITE_FULL:
        return DbError::DiskFull;
    case SQLITE_CORRUPT:
        return DbError::Damaged;
    case SQLITE_CONSTRAINT:
        return (resultCode == SQLITE_CONSTRAINT_UNIQUE || resultCode == SQLITE_CONSTRAINT_PRIMARYKEY) ? DbError::UniqueViolation
                                                                                                      : DbError::Other;
    case SQLITE_NOTADB:
        return DbError::Foreign;
    case SQLITE_CANTOPEN:
        // The journal beside the file could not be made: its folder is not writable.
        return DbError::ReadOnly;
    case SQLITE_IOERR:
        return (resultCode == SQLITE_IOERR_SHORT_READ) ? DbError::Damaged : DbError::Other;
    default:
        return DbError::Other;
    }
}

DbError::Kind kindOfSqliteFailure(int resultCode, sqlite3 *db)
{
    if ((resultCode & 0xff) == SQLITE_IOERR && resultCode != SQLITE_IOERR_SHORT_READ && db) {
        // The system's reason stays with the file whose write failed (errno is long gone).
        int why = 0;
        sqlite3_file_control(db, "main", SQLITE_FCNTL_LAST_ERRNO, &why);
        if (why == ENOSPC || why == EDQUOT || why == EFBIG)
            return DbError::DiskFull;
    }
    return kindOfSqliteCode(resultCode);
}

} // namespace db
