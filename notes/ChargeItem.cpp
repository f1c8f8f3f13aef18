#include "notes/ChargeItem.h"

#include "core/DbFunc.h"
#include "core/Variable.h"

void ChargeItem::Init()
{
    // Holds no row of its own: nothing to reset.
}

void ChargeItem::Delete(qint32 TmpId, const QString &Bijiname)
{
    SqlStr = QStringLiteral("DELETE FROM  ") + Bijiname + QStringLiteral(" WHERE AutoId =") + QString::number(TmpId);
    DbFunc::ExecuteSql(SqlStr);
}

void ChargeItem::gaojiInsert(const QString &Bijiname, const QString &Webziduanm, const QString &Webziduanz)
{
    SqlStr = QStringLiteral("INSERT INTO ") + Bijiname + QLatin1Char('(') + Webziduanm + QStringLiteral(") VALUES(")
             + Webziduanz + QLatin1Char(')');
    DbFunc::ExecuteSql(SqlStr);
}

void ChargeItem::gaojiUpdate(qint32 TmpId, const QString &Bijiname, const QString &ziduangx)
{
    SqlStr = QStringLiteral("UPDATE ") + Bijiname + QStringLiteral(" SET ") + ziduangx + QStringLiteral(" WHERE AutoId =")
             + QString::number(TmpId);
    DbFunc::ExecuteSql(SqlStr);
}

bool ChargeItem::In_DB(qint32 TmpId, const QString &Bijiname)
{
    SqlStr = QStringLiteral("SELECT AutoId FROM ") + Bijiname + QStringLiteral(" WHERE AutoId =") + QString::number(TmpId);
    const auto rs = DbFunc::OpenQuery(SqlStr);
    return !rs->eof();
}

ChargeItem &CurItem()
{
    static ChargeItem item;
    return item;
}
