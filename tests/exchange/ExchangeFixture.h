#pragma once

// Shared by the exchange tests: a database of the test's own holding a notes
// table with the default columns, and files read back.

#include "core/Database.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/Recordset.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TestDb.h"

#include <QFile>
#include <memory>

class ExchangeFixture {
protected:
    std::unique_ptr<TestDb> m_db;

    void start()
    {
        m_db = std::make_unique<TestDb>();
        makeNotesTable(QStringLiteral("biji1"));
    }
    void stop() { m_db.reset(); }

    static db::ColumnDef column(const QString &name, db::ColumnType type, int size = 0,
                                std::optional<QString> defaultText = std::nullopt)
    {
        db::ColumnDef c;
        c.name = name;
        c.type = type;
        c.size = size;
        c.defaultText = defaultText;
        c.autoIncrement = type == db::ColumnType::LongInteger;
        c.nullable = type == db::ColumnType::Memo;
        return c;
    }

    // The eight columns every new notes table starts with.
    static void makeNotesTable(const QString &name)
    {
        using db::ColumnType;
        const QString counts = QStringLiteral("收入*/反向*");
        db::Catalog(Database::notebook)
            .createTable(name, {column("AutoId", ColumnType::LongInteger), column("时间", ColumnType::DateTime, 0, "2011-9-5"),
                                column("备注", ColumnType::Memo), column("百度收入量", ColumnType::Text, 50, counts),
                                column("谷歌收入量", ColumnType::Text, 50, counts),
                                column("雅虎收入量", ColumnType::Text, 50, counts),
                                column("PR", ColumnType::Text, 10, "0"),
                                column("◆关键词1", ColumnType::Text, 50, "百度*/谷歌*")});
    }

    // Every row of a query as text, columns joined by | and rows by newlines.
    static QString rows(const QString &sql, const db::Location &where = Database::notebook)
    {
        db::Connection conn;
        conn.open(where);
        db::Recordset rs;
        rs.open(sql, conn);
        QStringList out;
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList cells;
            for (int f = 0; f < rs.fieldCount(); ++f) {
                const QVariant v = rs.valueAt(r, f);
                cells << (v.isNull() ? QStringLiteral("<null>")
                          : v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate) : v.toString());
            }
            out << cells.join(QLatin1Char('|'));
        }
        return out.join(QLatin1Char('\n'));
    }

    static QStringList columnNames(const QString &table)
    {
        QStringList names;
        for (const db::ColumnDef &c : db::Catalog(Database::notebook).columns(table))
            names << c.name;
        return names;
    }

};
