#include "JetWriter.h"

#include <QDateTime>
#include <QtEndian>

namespace jetfile {
namespace {

constexpr int PageSize = 4096;
constexpr int DataHeader = 14; // type, 1, free space, owner, 4 unknown, row count
constexpr int MaxRow = PageSize - DataHeader - 2;

QByteArray le16(quint32 v)
{
    const char b[2] = {char(v), char(v >> 8)};
    return QByteArray(b, 2);
}
QByteArray le32(quint32 v) { return le16(v) + le16(v >> 16); }
void put(QByteArray &b, int at, const QByteArray &v) { b.replace(at, v.size(), v); }
QByteArray ucs2(const QString &s) { return QByteArray(reinterpret_cast<const char *>(s.utf16()), s.size() * 2); }

// UCS-2, or its compressed form (FF FE, one byte per character below U+0100,
// a 0 byte switching modes) when that is shorter.
QByteArray text(const QString &s, bool mayCompress)
{
    const QByteArray plain = ucs2(s);
    QByteArray packed("\xff\xfe", 2);
    bool narrow = true;
    for (const QChar ch : s) {
        const ushort u = ch.unicode();
        if ((u & 0xff) == 0)
            return plain;
        if ((u < 0x100) != narrow) {
            packed += '\0';
            narrow = !narrow;
        }
        packed += narrow ? QByteArray(1, char(u)) : le16(u);
    }
    return mayCompress && packed.size() < plain.size() ? packed : plain;
}

int fixedSize(Type t) { return t == Integer ? 2 : t == Long ? 4 : t == Double || t == DateTime ? 8 : 0; }

struct Writer {
    struct Packer {
        QByteArray owner;
        int page = -1, top = 0, rows = 0;
        QVector<int> pages;
    };
    QVector<QByteArray> pages;
    Packer lval{QByteArray("LVAL")};
    Packer maps{le32(0)};

    int newPage(char type)
    {
        pages << QByteArray(PageSize, 0);
        pages.last()[0] = type;
        pages.last()[1] = 1;
        return pages.size() - 1;
    }

    quint32 addRow(Packer &k, const QByteArray &row, bool deleted = false)
    {
        Q_ASSERT(row.size() <= MaxRow);
        if (k.page < 0 || k.top - row.size() < DataHeader + 2 * (k.rows + 1)) {
            k.page = newPage(1);
            put(pages[k.page], 4, k.owner);
            k.top = PageSize;
            k.rows = 0;
            k.pages << k.page;
        }
        QByteArray &p = pages[k.page];
        k.top -= row.size();
        put(p, k.top, row);
        put(p, DataHeader + 2 * k.rows, le16(k.top | (deleted ? 0x8000 : 0)));
        put(p, 12, le16(++k.rows));
        put(p, 2, le16(k.top - DataHeader - 2 * k.rows));
        return quint32(k.page) << 8 | (k.rows - 1);
    }

    // A memo or OLE value: inline, one LVAL row, or a chain of LVAL rows.
    QByteArray longValue(const QByteArray &data)
    {
        QByteArray head(12, 0);
        if (data.size() < 200) {
            put(head, 0, le32(data.size() | 0x80000000u));
            return head + data;
        }
        if (data.size() <= MaxRow) {
            put(head, 0, le32(data.size() | 0x40000000u));
            put(head, 4, le32(addRow(lval, data)));
            return head;
        }
        const int part = MaxRow - 4;
        quint32 next = 0;
        for (int i = (data.size() - 1) / part; i >= 0; --i)
            next = addRow(lval, le32(next) + data.mid(i * part, part));
        put(head, 0, le32(data.size()));
        put(head, 4, le32(next));
        return head;
    }

    QByteArray row(const Table &t, const QVariantList &values)
    {
        const int n = t.columns.size();
        int fixedArea = 0;
        for (const Column &c : t.columns)
            fixedArea += fixedSize(c.type);
        QByteArray fixed(fixedArea, 0), var, mask((n + 7) / 8, 0);
        QVector<int> offsets;
        int at = 0;
        for (int i = 0; i < n; ++i) {
            const Column &c = t.columns[i];
            const QVariant v = values.value(i);
            const bool null = v.isNull();
            if (!null)
                mask[i / 8] = char(mask[i / 8] | (1 << (i % 8)));
            if (const int size = fixedSize(c.type)) {
                if (!null) {
                    if (size == 8) {
                        const QDateTime t = v.toDateTime();
                        const double d = c.type == DateTime ? oleDate(t.date().year(), t.date().month(), t.date().day(),
                                                                      t.time().msecsSinceStartOfDay() / 1000)
                                                            : v.toDouble();
                        put(fixed, at, QByteArray(reinterpret_cast<const char *>(&d), 8));
                    } else {
                        put(fixed, at, le32(v.toUInt()).left(size));
                    }
                }
                at += size;
                continue;
            }
            offsets << 2 + fixedArea + var.size();
            if (null)
                continue;
            if (c.type == Text)
                var += text(v.toString(), true);
            else if (c.type == Memo)
                var += longValue(text(v.toString(), v.toString().size() <= 1024));
            else
                var += longValue(v.toByteArray());
        }
        QByteArray r = le16(n) + fixed + var;
        if (!offsets.isEmpty()) {
            r += le16(2 + fixedArea + var.size());
            for (int k = offsets.size() - 1; k >= 0; --k)
                r += le16(offsets[k]);
            r += le16(offsets.size());
        }
        return r + mask;
    }

    QByteArray definition(const Table &t, quint32 rows, quint32 nextId, quint32 map)
    {
        QByteArray b(55, 0), cols, names;
        int fixedAt = 0, varIndex = 0;
        for (int i = 0; i < t.columns.size(); ++i) {
            const Column &c = t.columns[i];
            const int size = fixedSize(c.type);
            QByteArray e(25, 0);
            e[0] = char(c.type);
            put(e, 5, le16(i));
            put(e, 7, le16(size ? 0 : varIndex++));
            put(e, 9, le16(i));
            if (c.type == Text || c.type == Memo) {
                put(e, 11, le16(0x409));
                e[16] = 1; // compressed unicode allowed
            }
            e[15] = char((size ? 1 : 0) | (c.autoNumber ? 4 : 2));
            put(e, 21, le16(size ? fixedAt : 0));
            put(e, 23, le16(size ? size : c.type == Text ? 2 * c.size : 0));
            fixedAt += size;
            cols += e;
            names += le16(2 * c.name.size()) + ucs2(c.name);
        }
        put(b, 8, le32(rows));
        put(b, 12, le32(nextId));
        b[16] = 1;
        b[32] = t.system ? 0x53 : 0x4e;
        put(b, 33, le16(t.columns.size()));
        put(b, 35, le16(varIndex));
        put(b, 37, le16(t.columns.size()));
        put(b, 47, le32(map));
        put(b, 51, le32(map));
        b += cols + names;
        put(b, 0, le32(b.size()));
        return b;
    }

    // The table's data pages as a type 0 usage map.
    quint32 usageMap(const QVector<int> &used)
    {
        const int first = used.isEmpty() ? 0 : used.first();
        QByteArray map = QByteArray(1, 0) + le32(first) + QByteArray(used.isEmpty() ? 1 : (used.last() - first) / 8 + 1, 0);
        for (int p : used)
            map[5 + (p - first) / 8] = char(map[5 + (p - first) / 8] | (1 << ((p - first) % 8)));
        return addRow(maps, map);
    }

    void writeTable(const Table &t, const QVector<int> &tdefPages)
    {
        Packer data{le32(tdefPages.first())};
        quint32 live = 0, nextId = 1;
        for (int r = 0; r < t.rows.size(); ++r) {
            addRow(data, row(t, t.rows[r]), t.deleted.contains(r));
            live += t.deleted.contains(r) ? 0 : 1;
            for (int c = 0; c < t.columns.size(); ++c)
                if (t.columns[c].autoNumber)
                    nextId = std::max(nextId, t.rows[r].value(c).toUInt() + 1);
        }
        const QByteArray def = definition(t, live, nextId, usageMap(data.pages));
        for (int i = 0; i < tdefPages.size(); ++i) {
            QByteArray &p = pages[tdefPages[i]];
            put(p, 8, def.mid(i * (PageSize - 8), PageSize - 8));
            put(p, 4, le32(i + 1 < tdefPages.size() ? tdefPages[i + 1] : 0));
        }
    }

    QVector<int> reserveDefinition(const Table &t)
    {
        int size = 55 + 25 * t.columns.size();
        for (const Column &c : t.columns)
            size += 2 + 2 * c.name.size();
        QVector<int> used;
        for (int i = 0; i <= size / (PageSize - 8); ++i)
            used << newPage(2);
        return used;
    }
};

// Column default values in the catalogue's property blob.
QByteArray properties(const Table &t)
{
    const QByteArray names = le16(24) + ucs2(QStringLiteral("DefaultValue"));
    QByteArray blob = "MR2" + QByteArray(1, 0) + le32(6 + names.size()) + le16(0x80) + names;
    const auto chunk = [&](int type, const QString &name, const QByteArray &props) {
        const QByteArray block = le32(6 + 2 * name.size() + props.size()) + le16(2 * name.size()) + ucs2(name) + props;
        blob += le32(6 + block.size()) + le16(type) + block;
    };
    chunk(0, t.name, {});
    bool any = false;
    for (const Column &c : t.columns) {
        if (c.defaultValue.isEmpty())
            continue;
        const QByteArray value = ucs2(c.defaultValue);
        chunk(1, c.name, le16(8 + value.size()) + QByteArray(1, 0) + char(Text) + le16(0) + le16(value.size()) + value);
        any = true;
    }
    return any ? blob : QByteArray();
}

} // namespace

double oleDate(int year, int month, int day, int seconds)
{
    const qint64 days = QDate(1899, 12, 30).daysTo(QDate(year, month, day));
    const double fraction = seconds / 86400.0;
    return days >= 0 ? days + fraction : days - fraction;
}

QByteArray write(const QVector<Table> &tables)
{
    Writer w;
    QByteArray &header = w.pages[w.newPage(0)];
    put(header, 0, QByteArray("\0\1\0\0Standard Jet DB\0", 20));
    header[0x14] = 1;
    // The header's RC4 key stream over zeros: no database key, no password.
    put(header, 0x18, QByteArray::fromHex("b56f03626108c255eba96772433f009c7a9f90ff809a31c579baed30bcdfcc9d63d9e4c37b42fb8abc4e86fbec375d449c"
                                          "fac65e28e613b68a6054947b36f572dfb177f41343cfafb1333461795b92b57c2a05f17c99011b98fd124f4a946c3e60"
                                          "265f95f8d089248567c61f2744d2eecf65edff07c746a178160cede92d62d4"));
    w.newPage(1); // the usage maps
    w.maps.page = 1;
    w.maps.top = PageSize;
    w.maps.pages << 1;
    const QVector<int> catalogPage = {w.newPage(2)};

    Table catalog{QStringLiteral("MSysObjects"),
                  {{QStringLiteral("Id"), Long}, {QStringLiteral("ParentId"), Long}, {QStringLiteral("Type"), Integer},
                   {QStringLiteral("Flags"), Long}, {QStringLiteral("Name"), Text, 128}, {QStringLiteral("LvProp"), Ole}},
                  {{2, 0x0F000000, 1, 0x80000002u, QStringLiteral("MSysObjects"), QVariant()}}, {}, true};
    for (const Table &t : tables) {
        const QVector<int> tdef = w.reserveDefinition(t);
        w.writeTable(t, tdef);
        const QByteArray props = properties(t);
        catalog.rows << QVariantList{tdef.first(), 0x0F000001, 1, t.system ? 0x80000002u : 0u, t.name,
                                     props.isEmpty() ? QVariant() : QVariant(props)};
    }
    w.writeTable(catalog, catalogPage);
    return w.pages.toList().join();
}

} // namespace jetfile
