#include "core/db/TableList.h"

#include "core/db/Connection.h"
#include "core/db/Recordset.h"

namespace db {

TableList::TableList(Connection &conn)
{
    Recordset rs;
    if (conn.engine() == Connection::Engine::Server)
        rs.open(QStringLiteral("SELECT c.relname FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                               "WHERE n.nspname = current_schema() AND c.relkind IN ('r', 'p') ORDER BY c.relname"),
                conn, Connection::Dialect::Native);
    else
        rs.open(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table' "
                               "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY name"),
                conn);
    for (int row = 0; row < rs.recordCount(); ++row)
        m_names << rs.valueAt(row, 0).toString();
}

bool TableList::contains(const QString &name) const
{
    for (const QString &table : m_names)
        if (table.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace db
