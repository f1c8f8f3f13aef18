#include "core/db/Location.h"

#include "core/db/ServerEngine.h"

namespace db {

bool Location::isServerText(const QString &text) { return server::isConnectionString(text); }

} // namespace db
