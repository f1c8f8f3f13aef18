#include "exchange/JetReader.h"

#include "exchange/ExchangeError.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QTime>
#include <cmath>
#include <cstring>
#include <mdbtools.h>
#include <memory>
#include <vector>

namespace exchange {

struct JetReader::Handle {
    MdbHandle *mdb = nullptr;
};

namespace {

// The low 13 bits of a row's place on its page; the high ones are flags.
constexpr int RowOffsetMask = 0x1fff;
constexpr int DeletedRow = 0x8000;
// The largest OLE date the engine accepts (9999-12-31) and the smallest (100-01-01).
constexpr double LastDate = 2958466.0;
constexpr double FirstDate = -657435.0;

struct TableFree {
    void operator()(MdbTableDef *t) const { mdb_free_tabledef(t); }
};
using TablePtr = std::unique_ptr<MdbTableDef, TableFree>;

Failure damaged(const QString &what)
{
    return Failure(QStringLiteral("文件已损坏，无法转换：%1").arg(what));
}

QString takeText(char *text)
{
    const QString result = QString::fromUtf8(text ? text : "");
    g_free(text);
    return result;
}

// An OLE date: whole days from 1899-12-30, the fraction the time of that
// day whatever the sign of the days.
QString dateText(double ole, const QString &where)
{
    if (!std::isfinite(ole) || ole > LastDate || ole < FirstDate)
        throw damaged(QStringLiteral("%1 中有一个不可能的日期").arg(where));
    const double days = std::trunc(ole);
    qint64 seconds = std::llround(std::fabs(ole - days) * 86400.0);
    QDate date = QDate(1899, 12, 30).addDays(qint64(days));
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds -= 86400;
    }
    const QString day = date.toString(Qt::ISODate);
    return seconds ? day + QLatin1Char(' ') + QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("HH:mm:ss")) : day;
}

// The engine keeps a default as an expression: "text" in quotes, #date# in
// hashes, a number as it is. A function (Date(), Now()) has no value of its
// own to carry over.
std::optional<QString> defaultValue(QString text, db::ColumnType type)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"')))
        return text.mid(1, text.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    if (type == db::ColumnType::DateTime && text.size() >= 2 && text.startsWith(QLatin1Char('#')) && text.endsWith(QLatin1Char('#'))) {
        const QDate date = QDate::fromString(text.mid(1, text.size() - 2), QStringLiteral("M/d/yyyy"));
        return date.isValid() ? QStringLiteral("%1-%2-%3").arg(date.year()).arg(date.month()).arg(date.day()) : text.mid(1, text.size() - 2);
    }
    if (text.isEmpty() || text.contains(QLatin1Char('(')))
        return std::nullopt;
    return text;
}

MdbColumn *columnAt(MdbTableDef *t, unsigned i) { return static_cast<MdbColumn *>(g_ptr_array_index(t->columns, i)); }

// Follows a memo's LVAL rows before libmdb reads them, which would carry on
// past a page that is not there, or round a loop, and hand back less than
// the whole memo with no more than a warning: the rows must be there and hold
// the memo's length.
bool longValueSound(MdbHandle *mdb, quint32 head, quint32 pointer, qint64 length, qint64 pages)
{
    void *buf = nullptr;
    int offset = 0;
    size_t size = 0;
    // libmdb reads a page past the end as whatever its buffer held before.
    const auto row = [&] { return (pointer >> 8) < pages && mdb_find_pg_row(mdb, int(pointer), &buf, &offset, &size) == 0; };
    if (head & 0x80000000u)
        return true;
    if (head & 0x40000000u)
        return row() && qint64(size) >= length;
    QSet<quint32> seen;
    qint64 total = 0;
    while (total < length) {
        if (seen.contains(pointer) || !row() || size < 4)
            return false;
        seen.insert(pointer);
        total += qint64(size) - 4;
        pointer = quint32(mdb_get_int32(buf, offset));
    }
    return true;
}

} // namespace

bool JetReader::looksLikeJet(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(19);
    return head == QByteArray("\0\1\0\0Standard Jet DB", 19) || head == QByteArray("\0\1\0\0Standard ACE DB", 19);
}

JetReader::JetReader(const QString &path)
    : m_path(path)
{
    const QFileInfo info(path);
    if (!info.isFile())
        throw Failure(QStringLiteral("找不到文件 %1").arg(path));
    if (!looksLikeJet(path))
        throw Failure(QStringLiteral("%1 不是 Access（Jet）数据库").arg(path));
    m_fileSize = info.size();
    // Text in Jet 3 files is in the code page of the system that wrote
    // them; the original program ran on Chinese ones.
    if (qEnvironmentVariableIsEmpty("MDB_JET3_CHARSET"))
        qputenv("MDB_JET3_CHARSET", "CP936");
    MdbHandle *mdb = mdb_open(QFile::encodeName(path).constData(), MDB_NOFLAGS);
    if (!mdb)
        throw damaged(QStringLiteral("无法读取文件头"));
    m_handle = new Handle{mdb};
    const qint64 pageSize = mdb->fmt->pg_size;
    const char *problem = nullptr;
    if (m_fileSize % pageSize != 0 || m_fileSize < 3 * pageSize)
        problem = "文件不完整（被截断）";
    else if (!mdb_read_catalog(mdb, MDB_TABLE))
        problem = "目录表无法读取（文件损坏或已加密）";
    if (problem) {
        mdb_close(mdb);
        delete m_handle;
        throw damaged(QString::fromUtf8(problem));
    }
    // The catalogue's rows hold the column defaults: libmdb drops those it
    // cannot read, so they are checked whole here.
    try {
        for (const Table &t : tables())
            if (t.name == QLatin1String("MSysObjects"))
                readRows(t.name, [](const QVariantList &) {});
    } catch (...) {
        mdb_close(mdb);
        delete m_handle;
        throw;
    }
}

JetReader::~JetReader()
{
    mdb_close(m_handle->mdb);
    delete m_handle;
}

QString JetReader::version() const
{
    switch (m_handle->mdb->f->jet_version) {
    case MDB_VER_JET3:
        return QStringLiteral("Jet 3 (Access 97)");
    case MDB_VER_JET4:
        return QStringLiteral("Jet 4 (Access 2000-2003)");
    default:
        return QStringLiteral("ACE (Access 2007 or later)");
    }
}

QVector<JetReader::Table> JetReader::tables() const
{
    QVector<Table> result;
    MdbHandle *mdb = m_handle->mdb;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE)
            result << Table{QString::fromUtf8(entry->object_name), mdb_is_system_table(entry) != 0};
    }
    return result;
}

MdbTableDef *JetReader::open(const QString &table)
{
    MdbHandle *mdb = m_handle->mdb;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE || QString::fromUtf8(entry->object_name) != table)
            continue;
        TablePtr t(mdb_read_table(entry));
        if (!t || !mdb_read_columns(t.get()) || t->columns->len != t->num_cols)
            throw damaged(QStringLiteral("表 %1 的定义无法读取").arg(table));
        return t.release();
    }
    throw damaged(QStringLiteral("找不到表 %1").arg(table));
}

QVector<JetReader::Column> JetReader::columns(const QString &table)
{
    const TablePtr t(open(table));
    const bool jet3 = m_handle->mdb->f->jet_version == MDB_VER_JET3;
    QVector<Column> result;
    for (unsigned i = 0; i < t->num_cols; ++i) {
        const MdbColumn *col = columnAt(t.get(), i);
        Column c;
        c.jetType = col->col_type;
        c.def.name = QString::fromUtf8(col->name);
        c.def.nullable = true;
        switch (col->col_type) {
        case MDB_BOOL:
        case MDB_BYTE:
        case MDB_INT:
        case MDB_LONGINT:
            c.def.type = db::ColumnType::LongInteger;
            c.def.autoIncrement = col->col_type == MDB_LONGINT && col->is_long_auto;
            c.def.nullable = !c.def.autoIncrement;
            break;
        case MDB_DATETIME:
            c.def.type = db::ColumnType::DateTime;
            break;
        case MDB_TEXT:
            c.def.type = db::ColumnType::Text;
            c.def.size = std::clamp(jet3 ? col->col_size : col->col_size / 2, 1, 255);
            break;
        case MDB_MEMO:
            c.def.type = db::ColumnType::Memo;
            break;
        case MDB_MONEY:
        case MDB_FLOAT:
        case MDB_DOUBLE:
        case MDB_NUMERIC:
        case MDB_REPID:
            // Numbers with a fraction and ids are kept as the text they show.
            c.def.type = db::ColumnType::Text;
            c.def.size = 50;
            break;
        default:
            throw Failure(QStringLiteral("表 %1 的字段 %2 存放二进制数据（类型 %3），本程序无法保存，未转换。")
                                    .arg(table, c.def.name)
                                    .arg(col->col_type));
        }
        if (const char *text = mdb_col_get_prop(col, "DefaultValue"); text && !c.def.autoIncrement)
            c.def.defaultText = defaultValue(QString::fromUtf8(text), c.def.type);
        result << c;
    }
    return result;
}

qint64 JetReader::readRows(const QString &table, const std::function<void(const QVariantList &)> &row)
{
    const TablePtr t(open(table));
    MdbHandle *mdb = m_handle->mdb;
    const int pageSize = int(mdb->fmt->pg_size);
    const unsigned n = t->num_cols;
    std::vector<MdbField> fields(n);
    std::vector<unsigned char> page(pageSize);
    mdb_rewind_table(t.get());
    qint64 count = 0, fetched = 0;
    QVariantList values;
    while (mdb_fetch_row(t.get())) {
        // Every row takes at least its two-byte place on a page: a table that
        // yields more than its file could hold, or than it says, is damaged.
        if (++fetched > m_fileSize / 2 || count > qint64(t->num_rows))
            throw damaged(QStringLiteral("表 %1 的行数与它的定义不符").arg(table));
        // The row libmdb just read, taken apart once more for the raw values.
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, int(t->cur_row) - 1, &start, &size) != 0)
            throw damaged(QStringLiteral("表 %1 的第 %2 行无法读取").arg(table).arg(count + 1));
        // libmdb hands out rows marked deleted as well: they are not data.
        if (start & DeletedRow)
            continue;
        if (mdb_crack_row(t.get(), start & RowOffsetMask, size, fields.data()) != int(n))
            throw damaged(QStringLiteral("表 %1 的第 %2 行无法读取").arg(table).arg(count + 1));
        std::memcpy(page.data(), mdb->pg_buf, pageSize);
        const guint32 pageNumber = mdb->cur_pg;
        values.clear();
        for (unsigned i = 0; i < n; ++i) {
            const MdbField &f = fields[i];
            const int type = columnAt(t.get(), i)->col_type;
            if (type == MDB_BOOL) {
                values << qint64(f.is_null ? 0 : 1);
                continue;
            }
            if (f.is_null) {
                values << QVariant();
                continue;
            }
            if (f.start < 0 || f.siz < 0 || f.start + f.siz > pageSize)
                throw damaged(QStringLiteral("表 %1 的第 %2 行超出了它的页").arg(table).arg(count + 1));
            const auto needs = [&](int bytes) {
                if (f.siz != bytes)
                    throw damaged(QStringLiteral("表 %1 的第 %2 行有一个长度不对的值").arg(table).arg(count + 1));
            };
            switch (type) {
            case MDB_BYTE:
                needs(1);
                values << qint64(mdb_get_byte(mdb->pg_buf, f.start));
                break;
            case MDB_INT:
                needs(2);
                values << qint64(qint16(mdb_get_int16(mdb->pg_buf, f.start)));
                break;
            case MDB_LONGINT:
                needs(4);
                values << qint64(qint32(mdb_get_int32(mdb->pg_buf, f.start)));
                break;
            case MDB_DATETIME:
                needs(8);
                values << dateText(mdb_get_double(mdb->pg_buf, f.start), table);
                break;
            case MDB_DOUBLE:
                needs(8);
                values << QString::number(mdb_get_double(mdb->pg_buf, f.start), 'g', QLocale::FloatingPointShortest);
                break;
            case MDB_FLOAT:
                needs(4);
                values << QString::number(mdb_get_single(mdb->pg_buf, f.start), 'g', QLocale::FloatingPointShortest);
                break;
            case MDB_MEMO:
            case MDB_OLE: {
                // The length is checked before libmdb allocates it: no memo
                // is longer than the file that holds it.
                if (f.siz < MDB_MEMO_OVERHEAD)
                    throw damaged(QStringLiteral("表 %1 中有一个损坏的备注").arg(table));
                const quint32 head = quint32(mdb_get_int32(mdb->pg_buf, f.start));
                const qint64 length = head & 0x3fffffff;
                if ((head & 0x80000000u) ? length > f.siz - MDB_MEMO_OVERHEAD : length > m_fileSize)
                    throw damaged(QStringLiteral("表 %1 中有一个长度不可能的备注").arg(table));
                const bool sound = longValueSound(mdb, head, quint32(mdb_get_int32(mdb->pg_buf, f.start + 4)), length,
                                                  m_fileSize / pageSize);
                // Following the rows moved libmdb's page: put the row's back.
                std::memcpy(mdb->pg_buf, page.data(), pageSize);
                mdb->cur_pg = pageNumber;
                if (!sound)
                    throw damaged(QStringLiteral("表 %1 中有一个备注缺了一部分").arg(table));
                if (type == MDB_OLE) { // only the catalogue's own properties: checked, not kept
                    values << QVariant();
                    break;
                }
                // Room for the whole memo as UTF-8: libmdb cuts it at this size.
                mdb_set_bind_size(mdb, size_t(2 * length + 16));
                values << takeText(mdb_col_to_string(mdb, mdb->pg_buf, f.start, MDB_MEMO, f.siz));
                mdb_set_bind_size(mdb, MDB_BIND_SIZE);
                std::memcpy(mdb->pg_buf, page.data(), pageSize);
                mdb->cur_pg = pageNumber;
                break;
            }
            case MDB_TEXT:
            case MDB_MONEY:
            case MDB_NUMERIC:
            case MDB_REPID:
                values << takeText(mdb_col_to_string(mdb, mdb->pg_buf, f.start, type, f.siz));
                break;
            default:
                throw damaged(QStringLiteral("表 %1 中有一个类型不明（%2）的字段").arg(table).arg(type));
            }
        }
        row(values);
        ++count;
    }
    if (count != qint64(t->num_rows))
        throw damaged(QStringLiteral("表 %1 应有 %2 行，只能读出 %3 行").arg(table).arg(t->num_rows).arg(count));
    return count;
}

} // namespace exchange
