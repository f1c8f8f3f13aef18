#include "notes/NoteRecord.h"

#include "core/Database.h"
#include "core/db/Quote.h"

void NoteRecord::remove(qint32 id, const QString &notesTable)
{
    Database::execute(QStringLiteral("DELETE FROM %1 WHERE AutoId=?").arg(db::quoteIdentifier(notesTable)), {id});
}

void NoteRecord::insertRecord(const QString &notesTable, const QStringList &columns, const db::Values &values)
{
    QStringList names;
    for (const QString &column : columns)
        names << db::quoteIdentifier(column);
    Database::execute(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                          .arg(db::quoteIdentifier(notesTable), names.join(QStringLiteral(", ")),
                               QStringList(columns.size(), QStringLiteral("?")).join(QStringLiteral(", "))),
                      values);
}

int NoteRecord::updateRecord(qint32 id, const QString &notesTable, const QStringList &columns, const db::Values &values)
{
    QStringList sets;
    for (const QString &column : columns)
        sets << db::quoteIdentifier(column) + QStringLiteral("=?");
    return Database::execute(QStringLiteral("UPDATE %1 SET %2 WHERE AutoId=?").arg(db::quoteIdentifier(notesTable), sets.join(QStringLiteral(", "))),
                             db::Values(values) << id);
}

bool NoteRecord::exists(qint32 id, const QString &notesTable)
{
    return !Database::query(QStringLiteral("SELECT AutoId FROM %1 WHERE AutoId=?").arg(db::quoteIdentifier(notesTable)), {id})->eof();
}

NoteRecord &currentRecord()
{
    static NoteRecord item;
    return item;
}
