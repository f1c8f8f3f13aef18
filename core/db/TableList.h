#pragma once

#include <QString>
#include <QStringList>

namespace db {

class Connection;

// The names of a database's own tables (not the engine's), read once.
class TableList {
public:
    explicit TableList(Connection &conn);

    // True when the database has a table of that name: matched whole and,
    // like the engine's, without regard to letter case.
    bool contains(const QString &name) const;
    const QStringList &names() const { return m_names; }

private:
    QStringList m_names;
};

} // namespace db
