#include "core/db/DataControl.h"

namespace db {

void DataControl::refresh()
{
    if (!m_conn.isOpen()) {
        m_conn.open(m_location);
        if (m_pageCacheKiB > 0 && m_conn.engine() == Connection::Engine::Sqlite)
            m_conn.execute(QStringLiteral("PRAGMA cache_size = -%1").arg(m_pageCacheKiB), Connection::Dialect::Native);
    }
    m_recordset.open(m_recordSource, m_conn);
}

} // namespace db
