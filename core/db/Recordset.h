#pragma once

#include "core/db/Connection.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <algorithm>
#include <vector>

namespace db {

enum class FieldType { Integer, Real, Date, Text, Memo, Blob, Other };

// A snapshot of a query's rows with the familiar cursor: before-first (bof),
// after-last (eof), a 1-based absolute position, moves by one or by a count.
// Moving past either end leaves the cursor in bof or eof; an empty result is
// both. Values are typed: integers as qint64, dates (columns declared as
// DATETIME or DATE) as QDate, text as QString, NULL as a null QVariant.
class Recordset {
public:
    Recordset() = default;

    // Runs the query on conn, with values bound to its parameters, and keeps
    // every row. The connection is remembered for requery() and must outlive
    // the recordset's use of it.
    void open(const QString &sql, Connection &conn, Connection::Dialect dialect = Connection::Dialect::Access);
    void open(const QString &sql, Connection &conn, const Values &values,
              Connection::Dialect dialect = Connection::Dialect::Access);
    void close();
    // Runs the same source again; the cursor goes to the first row.
    void requery();
    // Drops the reference to the connection (a connection that may be
    // recycled); requery() then fails instead of touching it.
    void forgetConnection();

    bool isOpen() const { return m_open; }
    const QString &source() const { return m_source; }

    bool bof() const;
    bool eof() const;
    int recordCount() const;
    // 1-based position of the current row; 0 when there is no current row.
    int absolutePosition() const;
    // Moves to the given 1-based row; out-of-range values give bof or eof.
    void setAbsolutePosition(int position);

    void moveFirst();
    void moveLast();
    void moveNext();
    void movePrevious();
    void move(int count);

    int fieldCount() const;
    QString fieldName(int index) const;
    FieldType fieldType(int index) const;
    int fieldIndex(const QString &name) const; // -1 when absent, names compared case-insensitively
    // Value of the current row; throws DbError when there is no current row.
    QVariant value(int index) const;
    QVariant value(const QString &name) const;
    // Any row, without moving; row is 0-based.
    QVariant valueAt(int row, int index) const;
    // A text cell of any row as stored, UTF-8, without making a QString (for
    // writing large results out); a null view for NULL and for other kinds.
    QByteArrayView textAt(int row, int index) const;

private:
    void openServer(const QString &sql, Connection &conn);
    void requireOpen() const;
    void requireCurrent() const;
    QVariant cell(size_t index) const;
    // Empties the snapshot but keeps its storage for the next one.
    void clearRows();

    // Cells are kept compactly and turned into QVariants only when read, so
    // that a grid of a hundred thousand rows costs about what the file does:
    // one 8-byte slot per cell, text as UTF-8 in one arena (see Recordset.cpp).
    enum class Kind : quint8 { Null, Integer, WideInteger, Real, Text, Blob };
    void addInteger(qint64 value);
    void addReal(double value);
    void addBytes(Kind kind, const void *bytes, qsizetype size);
    qsizetype keepWord(quint64 word);
    QByteArrayView bytesOf(quint64 slot) const;
    quint64 wordOf(quint64 slot) const;

    Connection *m_conn = nullptr;
    Connection::Dialect m_dialect = Connection::Dialect::Access;
    QString m_source;
    Values m_sourceValues;
    bool m_open = false;
    QStringList m_names;
    std::vector<FieldType> m_types;
    std::vector<quint64> m_slots; // row-major
    QByteArray m_arena;
    int m_rows = 0;
    int m_pos = 0; // 0 = bof, 1..m_rows = current row, m_rows + 1 = eof
};

// A query's rows read once, first to last, straight from the engine: nothing
// is kept, so a large result can be written out without a copy of it in
// memory. Values and text are what a Recordset of the same query gives. The
// query runs (and its first row is read) when the cursor is made; the
// connection must outlive the cursor. Throws DbError.
class ForwardCursor {
public:
    ForwardCursor(const QString &sql, Connection &conn, Connection::Dialect dialect = Connection::Dialect::Access);
    ~ForwardCursor();
    ForwardCursor(const ForwardCursor &) = delete;
    ForwardCursor &operator=(const ForwardCursor &) = delete;

    int fieldCount() const { return int(m_names.size()); }
    QString fieldName(int index) const { return m_names.value(index); }
    FieldType fieldType(int index) const;
    // The number of rows when the engine knows it before they are read (the
    // server), else -1.
    int knownRowCount() const { return m_result ? m_rows : -1; }
    // Moves to the next row, the first at the first call; false after the last.
    bool next();
    // A cell of the current row.
    QVariant value(int index) const;
    QByteArrayView textAt(int index) const;

private:
    Connection &m_conn;
    QStringList m_names;
    std::vector<FieldType> m_types;
    sqlite3_stmt *m_stmt = nullptr;
    pg_result *m_result = nullptr;
    int m_rc = 0;         // SQLite: the last step's code
    int m_rows = 0;       // server: the result's rows
    int m_row = -1;       // the current row, 0-based
    bool m_stepped = true; // SQLite: the row of the last step is not yet taken
};

} // namespace db
