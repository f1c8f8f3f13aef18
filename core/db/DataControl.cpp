#include "core/db/DataControl.h"

namespace db {

void DataControl::refresh()
{
    if (!m_conn.isOpen())
        m_conn.open(m_location);
    m_recordset.open(m_recordSource, m_conn);
}

} // namespace db
