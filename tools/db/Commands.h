#pragma once

#include <QStringList>

// The commands of tavorin-db, one per file; each takes the arguments after
// its name and returns the process exit code (0 done, 1 failed, 2 misused).

// export PATH --website ID|--catalogue --format csv|xlsx OUT
int exportCommand(const QStringList &args);
