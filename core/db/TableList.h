#pragma once

#include <QString>
#include <QStringList>

namespace db {

class Connection;

// The list of tables of a database, searched like a provider's schema rowset:
// find("TABLE_NAME= 'biji12'") moves forward from the first row to the table
// of exactly that name, or leaves the list after its last row.
class TableList {
public:
    explicit TableList(Connection &conn);

    bool find(const QString &criterion);
    // True when the database has a table of that name (letter case aside).
    bool contains(const QString &name) const;
    bool eof() const { return m_pos >= m_names.size(); }
    QString currentName() const;
    const QStringList &names() const { return m_names; }
    void close() { m_names.clear(); m_pos = 0; }

private:
    QStringList m_names;
    qsizetype m_pos = 0;
};

} // namespace db
