#include "notes/NoteRecord.h"

#include "core/Database.h"
#include "core/LastStatement.h"

void NoteRecord::remove(qint32 id, const QString &notesTable)
{
    lastStatement = QStringLiteral("DELETE FROM  ") + notesTable + QStringLiteral(" WHERE AutoId =") + QString::number(id);
    Database::execute(lastStatement);
}

void NoteRecord::insertRecord(const QString &notesTable, const QString &columnList, const QString &valueList)
{
    lastStatement = QStringLiteral("INSERT INTO ") + notesTable + QLatin1Char('(') + columnList + QStringLiteral(") VALUES(")
             + valueList + QLatin1Char(')');
    Database::execute(lastStatement);
}

void NoteRecord::updateRecord(qint32 id, const QString &notesTable, const QString &setList)
{
    lastStatement = QStringLiteral("UPDATE ") + notesTable + QStringLiteral(" SET ") + setList + QStringLiteral(" WHERE AutoId =")
             + QString::number(id);
    Database::execute(lastStatement);
}

bool NoteRecord::exists(qint32 id, const QString &notesTable)
{
    lastStatement = QStringLiteral("SELECT AutoId FROM ") + notesTable + QStringLiteral(" WHERE AutoId =") + QString::number(id);
    const auto rs = Database::query(lastStatement);
    return !rs->eof();
}

NoteRecord &CurRecord()
{
    static NoteRecord item;
    return item;
}
