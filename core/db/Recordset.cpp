#include "core/db/Recordset.h"

#include "core/db/Connection.h"
#include "core/db/DbError.h"

#include <QDate>
#include <bit>
#include <cstring>
#include <libpq-fe.h>
#include <sqlite3.h>

namespace db {

namespace {

FieldType typeFromDeclaration(const char *decl)
{
    if (!decl)
        return FieldType::Other;
    const QByteArray t = QByteArray(decl).toUpper();
    if (t.contains("DATE") || t.contains("TIME"))
        return FieldType::Date;
    if (t.contains("INT"))
        return FieldType::Integer;
    if (t.contains("CHAR"))
        return FieldType::Text;
    if (t.contains("TEXT") || t.contains("CLOB") || t.contains("MEMO"))
        return FieldType::Memo;
    if (t.contains("REAL") || t.contains("FLOA") || t.contains("DOUB"))
        return FieldType::Real;
    if (t.contains("BLOB"))
        return FieldType::Blob;
    return FieldType::Other;
}

// Dates are stored as ISO text; rows written by hand or by a column default
// may hold yyyy-m-d, or carry a time of day that the program does not use.
QVariant storedDate(const QString &text)
{
    QDate d = QDate::fromString(text.left(10), Qt::ISODate);
    if (!d.isValid()) {
        const QString day = text.section(QLatin1Char(' '), 0, 0);
        d = QDate::fromString(day, QStringLiteral("yyyy-M-d"));
        if (!d.isValid())
            d = QDate::fromString(day, QStringLiteral("yyyy/M/d"));
    }
    return d.isValid() ? QVariant(d) : QVariant(text);
}

// Built-in type ids of the server (pg_type.oid); any other type, such as
// citext, is read as text.
enum ServerType : Oid {
    BoolOid = 16, ByteaOid = 17, Int8Oid = 20, Int2Oid = 21, Int4Oid = 23, TextOid = 25, OidOid = 26,
    Float4Oid = 700, Float8Oid = 701, BpcharOid = 1042, VarcharOid = 1043, DateOid = 1082,
    TimestampOid = 1114, TimestampTzOid = 1184, NumericOid = 1700,
};

FieldType typeFromServer(Oid type)
{
    switch (type) {
    case Int2Oid: case Int4Oid: case Int8Oid: case OidOid: case BoolOid:
        return FieldType::Integer;
    case Float4Oid: case Float8Oid: case NumericOid:
        return FieldType::Real;
    case DateOid: case TimestampOid: case TimestampTzOid:
        return FieldType::Date;
    case BpcharOid: case VarcharOid:
        return FieldType::Text;
    case ByteaOid:
        return FieldType::Blob;
    default:
        return FieldType::Memo;
    }
}

} // namespace

void Recordset::openServer(const QString &sql, Connection &conn)
{
    PGresult *result = conn.runOnServer(sql, m_sourceValues, m_dialect);
    const int columns = PQnfields(result);
    const int rows = PQntuples(result);
    QStringList names;
    std::vector<FieldType> types;
    for (int c = 0; c < columns; ++c) {
        names << QString::fromUtf8(PQfname(result, c));
        types.push_back(typeFromServer(PQftype(result, c)));
    }
    m_slots.reserve(size_t(rows) * size_t(columns));
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(result, r, c)) {
                m_slots.push_back(quint64(Kind::Null));
                continue;
            }
            const char *value = PQgetvalue(result, r, c);
            const Oid type = PQftype(result, c);
            switch (type) {
            case Int2Oid: case Int4Oid: case Int8Oid: case OidOid:
                addInteger(strtoll(value, nullptr, 10));
                break;
            case BoolOid:
                addInteger(value[0] == 't' ? 1 : 0);
                break;
            case Float4Oid: case Float8Oid: case NumericOid:
                addReal(strtod(value, nullptr));
                break;
            case ByteaOid: {
                size_t length = 0;
                unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(value), &length);
                addBytes(Kind::Blob, bytes, bytes ? qsizetype(length) : 0);
                PQfreemem(bytes);
                break;
            }
            default:
                addBytes(Kind::Text, value, PQgetlength(result, r, c));
            }
        }
    }
    PQclear(result);

    m_conn = &conn;
    m_source = sql;
    m_names = names;
    m_types = std::move(types);
    m_rows = rows;
    m_pos = rows > 0 ? 1 : 0;
    m_open = true;
}

void Recordset::open(const QString &sql, Connection &conn, Connection::Dialect dialect)
{
    open(sql, conn, Values(), dialect);
}

void Recordset::open(const QString &sql, Connection &conn, const Values &values, Connection::Dialect dialect)
{
    clearRows();
    if (!conn.isOpen())
        throw DbError(QStringLiteral("数据库连接没有打开"));
    m_dialect = dialect;
    m_sourceValues = values;
    if (conn.engine() == Connection::Engine::Server) {
        openServer(sql, conn);
        return;
    }
    sqlite3_stmt *stmt = conn.prepare(sql, values, dialect);
    int rc = SQLITE_OK;
    // The columns are read after the first step, not after preparing: a
    // connection that has been open for a while prepares "SELECT *" against
    // the schema it knew, and only the first step notices that another
    // connection has changed it since and prepares the statement anew.
    rc = sqlite3_step(stmt);
    const int columns = sqlite3_column_count(stmt);
    for (int c = 0; c < columns; ++c) {
        m_names << QString::fromUtf8(sqlite3_column_name(stmt, c));
        m_types.push_back(typeFromDeclaration(sqlite3_column_decltype(stmt, c)));
    }
    // The cells go straight into the storage of the last snapshot, which a
    // requery reuses: a grid of a hundred thousand rows is read again without
    // faulting in and copying tens of megabytes of fresh memory.
    int rows = 0;
    for (; rc == SQLITE_ROW; rc = sqlite3_step(stmt)) {
        for (int c = 0; c < columns; ++c) {
            switch (sqlite3_column_type(stmt, c)) {
            case SQLITE_NULL:
                m_slots.push_back(quint64(Kind::Null));
                break;
            case SQLITE_INTEGER:
                addInteger(sqlite3_column_int64(stmt, c));
                break;
            case SQLITE_FLOAT:
                addReal(sqlite3_column_double(stmt, c));
                break;
            case SQLITE_BLOB: {
                const void *bytes = sqlite3_column_blob(stmt, c);
                addBytes(Kind::Blob, bytes, sqlite3_column_bytes(stmt, c));
                break;
            }
            default: {
                const unsigned char *cellText = sqlite3_column_text(stmt, c);
                addBytes(Kind::Text, cellText, sqlite3_column_bytes(stmt, c));
            }
            }
        }
        ++rows;
    }
    if (rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(conn.handle()));
        sqlite3_finalize(stmt);
        clearRows();
        throw DbError(message, kindOfSqliteCode(rc));
    }
    sqlite3_finalize(stmt);

    m_conn = &conn;
    m_source = sql;
    m_rows = rows;
    m_pos = rows > 0 ? 1 : 0;
    m_open = true;
}

// A cell in one 8-byte slot: the low three bits say what it holds, the rest
// is the value. An integer of up to 61 bits is kept in the slot itself; a
// text or blob as its offset in the arena (37 bits) and its length (24 bits,
// all ones for a longer one, whose 8-byte length then leads its bytes); a
// real or a wider integer as the arena offset of its 8 bytes.
namespace {
constexpr int KindBits = 3;
constexpr int LengthBits = 24;
constexpr quint64 LongLength = (quint64(1) << LengthBits) - 1;
} // namespace

void Recordset::addInteger(qint64 value)
{
    if (value >= -(qint64(1) << 60) && value < (qint64(1) << 60)) {
        m_slots.push_back(quint64(value) << KindBits | quint64(Kind::Integer));
        return;
    }
    m_slots.push_back(quint64(keepWord(quint64(value))) << KindBits | quint64(Kind::WideInteger));
}

void Recordset::addReal(double value)
{
    m_slots.push_back(quint64(keepWord(std::bit_cast<quint64>(value))) << KindBits | quint64(Kind::Real));
}

qsizetype Recordset::keepWord(quint64 word)
{
    const qsizetype offset = m_arena.size();
    m_arena.resize(offset + qsizetype(sizeof word));
    memcpy(m_arena.data() + offset, &word, sizeof word);
    return offset;
}

void Recordset::addBytes(Kind kind, const void *bytes, qsizetype size)
{
    const quint64 length = quint64(size);
    const qsizetype offset = length < LongLength ? m_arena.size() : keepWord(length);
    // One resize per cell; the arena grows by doubling.
    m_arena.resize(offset + (length < LongLength ? 0 : qsizetype(sizeof length)) + size);
    if (size > 0)
        memcpy(m_arena.data() + m_arena.size() - size, bytes, size_t(size));
    m_slots.push_back((quint64(offset) << LengthBits | std::min(length, LongLength)) << KindBits | quint64(kind));
}

QByteArrayView Recordset::bytesOf(quint64 slot) const
{
    const qsizetype offset = qsizetype(slot >> (KindBits + LengthBits));
    quint64 length = (slot >> KindBits) & LongLength;
    if (length < LongLength)
        return QByteArrayView(m_arena.constData() + offset, qsizetype(length));
    memcpy(&length, m_arena.constData() + offset, sizeof length);
    return QByteArrayView(m_arena.constData() + offset + sizeof length, qsizetype(length));
}

quint64 Recordset::wordOf(quint64 slot) const
{
    quint64 word = 0;
    memcpy(&word, m_arena.constData() + (slot >> KindBits), sizeof word);
    return word;
}

void Recordset::clearRows()
{
    m_open = false;
    m_names.clear();
    m_types.clear();
    m_slots.clear();
    m_arena.resize(0);
    m_rows = 0;
    m_pos = 0;
}

void Recordset::close()
{
    clearRows();
    // Closed for good: the storage goes too.
    std::vector<quint64>().swap(m_slots);
    m_arena = QByteArray();
}

void Recordset::requery()
{
    if (!m_conn || m_source.isEmpty())
        throw DbError(QStringLiteral("记录集没有可以重新执行的查询"));
    const QString source = m_source;
    const Values values = m_sourceValues;
    open(source, *m_conn, values, m_dialect);
}

void Recordset::forgetConnection() { m_conn = nullptr; }

void Recordset::requireOpen() const
{
    if (!m_open)
        throw DbError(QStringLiteral("记录集已经关闭"));
}

void Recordset::requireCurrent() const
{
    requireOpen();
    if (m_pos < 1 || m_pos > m_rows)
        throw DbError(QStringLiteral("没有当前记录"));
}

bool Recordset::bof() const { return m_rows == 0 || m_pos == 0; }
bool Recordset::eof() const { return m_rows == 0 || m_pos > m_rows; }
int Recordset::recordCount() const { return m_rows; }
int Recordset::absolutePosition() const { return (m_pos >= 1 && m_pos <= m_rows) ? m_pos : 0; }

void Recordset::setAbsolutePosition(int position)
{
    requireOpen();
    m_pos = std::clamp(position, 0, m_rows + 1);
}

void Recordset::moveFirst()
{
    requireOpen();
    m_pos = m_rows > 0 ? 1 : 0;
}

void Recordset::moveLast()
{
    requireOpen();
    m_pos = m_rows;
}

void Recordset::moveNext() { move(1); }
void Recordset::movePrevious() { move(-1); }

void Recordset::move(int count)
{
    requireOpen();
    if (m_rows == 0)
        return;
    const qint64 target = qint64(m_pos) + count;
    m_pos = int(std::clamp<qint64>(target, 0, qint64(m_rows) + 1));
}

int Recordset::fieldCount() const { return int(m_names.size()); }

QString Recordset::fieldName(int index) const { return m_names.value(index); }

FieldType Recordset::fieldType(int index) const
{
    return (index >= 0 && size_t(index) < m_types.size()) ? m_types[size_t(index)] : FieldType::Other;
}

int Recordset::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_names.size(); ++i)
        if (m_names[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Recordset::value(int index) const
{
    requireCurrent();
    if (index < 0 || index >= fieldCount())
        throw DbError(QStringLiteral("字段序号超出范围：%1").arg(index));
    return cell(size_t(m_pos - 1) * m_names.size() + size_t(index));
}

QVariant Recordset::value(const QString &name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw DbError(QStringLiteral("没有这个字段：%1").arg(name));
    return value(index);
}

QVariant Recordset::valueAt(int row, int index) const
{
    if (!m_open || row < 0 || row >= m_rows || index < 0 || index >= fieldCount())
        return {};
    return cell(size_t(row) * m_names.size() + size_t(index));
}

QByteArrayView Recordset::textAt(int row, int index) const
{
    if (!m_open || row < 0 || row >= m_rows || index < 0 || index >= fieldCount())
        return {};
    const quint64 slot = m_slots[size_t(row) * m_names.size() + size_t(index)];
    if (Kind(slot & ((1u << KindBits) - 1)) != Kind::Text)
        return {};
    return bytesOf(slot);
}

QVariant Recordset::cell(size_t index) const
{
    const quint64 slot = m_slots[index];
    switch (Kind(slot & ((1u << KindBits) - 1))) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return qint64(slot) >> KindBits;
    case Kind::WideInteger:
        return qint64(wordOf(slot));
    case Kind::Real:
        return std::bit_cast<double>(wordOf(slot));
    case Kind::Blob:
        return bytesOf(slot).toByteArray();
    case Kind::Text:
        break;
    }
    const QByteArrayView bytes = bytesOf(slot);
    const QString text = QString::fromUtf8(bytes);
    if (m_types[index % m_names.size()] == FieldType::Date)
        return storedDate(text);
    return text;
}

} // namespace db

namespace db {

namespace {

bool serverTextType(Oid type)
{
    switch (type) {
    case Int2Oid: case Int4Oid: case Int8Oid: case OidOid: case BoolOid:
    case Float4Oid: case Float8Oid: case NumericOid: case ByteaOid:
        return false;
    default:
        return true;
    }
}

} // namespace

ForwardCursor::ForwardCursor(const QString &sql, Connection &conn, Connection::Dialect dialect) : m_conn(conn)
{
    if (!conn.isOpen())
        throw DbError(QStringLiteral("数据库连接没有打开"));
    if (conn.engine() == Connection::Engine::Server) {
        m_result = conn.runOnServer(sql, Values(), dialect);
        m_rows = PQntuples(m_result);
        for (int c = 0; c < PQnfields(m_result); ++c) {
            m_names << QString::fromUtf8(PQfname(m_result, c));
            m_types.push_back(typeFromServer(PQftype(m_result, c)));
        }
        return;
    }
    m_stmt = conn.prepare(sql, Values(), dialect);
    // Columns after the first step, as a Recordset reads them.
    m_rc = sqlite3_step(m_stmt);
    if (m_rc != SQLITE_ROW && m_rc != SQLITE_DONE) {
        const QString message = QString::fromUtf8(sqlite3_errmsg(conn.handle()));
        sqlite3_finalize(m_stmt);
        throw DbError(message, kindOfSqliteCode(m_rc));
    }
    for (int c = 0; c < sqlite3_column_count(m_stmt); ++c) {
        m_names << QString::fromUtf8(sqlite3_column_name(m_stmt, c));
        m_types.push_back(typeFromDeclaration(sqlite3_column_decltype(m_stmt, c)));
    }
}

ForwardCursor::~ForwardCursor()
{
    if (m_stmt)
        sqlite3_finalize(m_stmt);
    if (m_result)
        PQclear(m_result);
}

FieldType ForwardCursor::fieldType(int index) const
{
    return (index >= 0 && size_t(index) < m_types.size()) ? m_types[size_t(index)] : FieldType::Other;
}

bool ForwardCursor::next()
{
    if (m_result) {
        m_row = std::min(m_row + 1, m_rows);
        return m_row < m_rows;
    }
    if (!m_stepped)
        m_rc = sqlite3_step(m_stmt);
    m_stepped = false;
    if (m_rc == SQLITE_ROW) {
        ++m_row;
        return true;
    }
    if (m_rc != SQLITE_DONE)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(m_conn.handle())), kindOfSqliteCode(m_rc));
    return false;
}

QByteArrayView ForwardCursor::textAt(int index) const
{
    if (index < 0 || index >= fieldCount())
        return {};
    if (m_result) {
        if (m_row < 0 || m_row >= m_rows || PQgetisnull(m_result, m_row, index)
            || !serverTextType(PQftype(m_result, index)))
            return {};
        return QByteArrayView(PQgetvalue(m_result, m_row, index), PQgetlength(m_result, m_row, index));
    }
    if (m_rc != SQLITE_ROW || sqlite3_column_type(m_stmt, index) != SQLITE_TEXT)
        return {};
    const char *text = reinterpret_cast<const char *>(sqlite3_column_text(m_stmt, index));
    return QByteArrayView(text, sqlite3_column_bytes(m_stmt, index));
}

QVariant ForwardCursor::value(int index) const
{
    if (index < 0 || index >= fieldCount())
        return {};
    const bool date = m_types[size_t(index)] == FieldType::Date;
    if (m_result) {
        if (m_row < 0 || m_row >= m_rows || PQgetisnull(m_result, m_row, index))
            return {};
        const char *value = PQgetvalue(m_result, m_row, index);
        switch (PQftype(m_result, index)) {
        case Int2Oid: case Int4Oid: case Int8Oid: case OidOid:
            return qint64(strtoll(value, nullptr, 10));
        case BoolOid:
            return qint64(value[0] == 't' ? 1 : 0);
        case Float4Oid: case Float8Oid: case NumericOid:
            return strtod(value, nullptr);
        case ByteaOid: {
            size_t length = 0;
            unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(value), &length);
            const QByteArray blob(reinterpret_cast<const char *>(bytes), bytes ? qsizetype(length) : 0);
            PQfreemem(bytes);
            return blob;
        }
        default: {
            const QString text = QString::fromUtf8(value, PQgetlength(m_result, m_row, index));
            return date ? storedDate(text) : QVariant(text);
        }
        }
    }
    if (m_rc != SQLITE_ROW)
        return {};
    switch (sqlite3_column_type(m_stmt, index)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_INTEGER:
        return qint64(sqlite3_column_int64(m_stmt, index));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt, index);
    case SQLITE_BLOB: {
        const char *bytes = static_cast<const char *>(sqlite3_column_blob(m_stmt, index));
        return QByteArray(bytes, sqlite3_column_bytes(m_stmt, index));
    }
    default: {
        const QString text = QString::fromUtf8(textAt(index));
        return date ? storedDate(text) : QVariant(text);
    }
    }
}

} // namespace db
