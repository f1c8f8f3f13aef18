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

    // Opens the connection when needed and runs the record source.
    void refresh();
    Recordset &recordset() { return m_recordset; }
    const Recordset &recordset() const { return m_recordset; }
    Connection &connection() { return m_conn; }

private:
    Location m_location;
    QString m_recordSource;
    Connection m_conn;
    Recordset m_recordset;
};

} // namespace db
