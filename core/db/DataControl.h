#pragma once

#include "core/db/Connection.h"
#include "core/db/Recordset.h"

#include <QString>

namespace db {

// What a grid is bound to: a database, a record source and the
// recordset that refresh() produces over a connection of its own.
class DataControl {
public:
    void setLocation(const Location &location) { m_location = location; }
    const Location &location() const { return m_location; }
    void setRecordSource(const QString &sql) { m_recordSource = sql; }
    const QString &recordSource() const { return m_recordSource; }
    // The most an SQLite connection of this control keeps of the file's pages
    // in memory between queries (the engine's own default: 2 MiB); it takes
    // only what the queries read.
    void setPageCacheKiB(int kib) { m_pageCacheKiB = kib; }

    // Opens the connection when needed and runs the record source.
    void refresh();
    Recordset &recordset() { return m_recordset; }
    const Recordset &recordset() const { return m_recordset; }
    Connection &connection() { return m_conn; }

private:
    Location m_location;
    QString m_recordSource;
    Connection m_conn;
    int m_pageCacheKiB = 0;
    Recordset m_recordset;
};

} // namespace db
