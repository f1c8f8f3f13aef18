#include "catalogue/Website.h"

#include "core/DateText.h"
#include "core/DbFunc.h"
#include "core/SqlText.h"
#include "core/Variable.h"

void Website::Init()
{
    Webid = 0;
    Webname.clear();
    Weburl.clear();
    Webtime = resetDate();
    Webmemos.clear();
}

void Website::GetInfo(qint32 TmpId)
{
    Webid = TmpId;
    if (TmpId == 0) {
        Init();
        return;
    }
    SqlStr = QStringLiteral("SELECT * FROM Website WHERE Webid=") + QString::number(TmpId);
    const auto rs = DbFunc::OpenQuery(SqlStr);
    if (rs->eof()) {
        Init();
        return;
    }
    Webid = rs->value(0).toString().trimmed().toInt();
    Webname = rs->value(1).toString().trimmed();
    Weburl = rs->value(2).toString();
    Webtime = rs->value(3).toDate();
    Webmemos = rs->value(4).toString().trimmed();
}

bool Website::In_DB(const QString &TmpwebName)
{
    SqlStr = QStringLiteral("SELECT Webid FROM Website WHERE webName='") + sqlText(TmpwebName.trimmed())
           + QStringLiteral("'");
    return !DbFunc::OpenQuery(SqlStr)->eof();
}

void Website::Insert()
{
    SqlStr = QStringLiteral("INSERT INTO Website ([webName], [Weburl],") + QStringLiteral(" [Webtime], [WebMemos])")
           + QStringLiteral(" VALUES('") + sqlText(Webname.trimmed()) + QStringLiteral("','")
           + sqlText(Weburl.trimmed()) + QStringLiteral("',#") + DateText::toText(Webtime) + QStringLiteral("#,'")
           + sqlText(Webmemos.trimmed()) + QStringLiteral("')");
    DbFunc::ExecuteSql(SqlStr);
}

void Website::Update(qint32 TmpId)
{
    SqlStr = QStringLiteral("UPDATE Website SET [webName]='") + sqlText(Webname.trimmed())
           + QStringLiteral("', [Weburl]='") + sqlText(Weburl.trimmed()) + QStringLiteral("', [Webtime]=#")
           + DateText::toText(Webtime) + QStringLiteral("#,[WebMemos]='") + sqlText(Webmemos.trimmed())
           + QStringLiteral("' WHERE Webid=") + QString::number(TmpId);
    DbFunc::ExecuteSql(SqlStr);
}

void Website::Delete(qint32 TmpId)
{
    SqlStr = QStringLiteral("DELETE FROM Website WHERE Webid=") + QString::number(TmpId);
    DbFunc::ExecuteSql(SqlStr);
}

Website &CurWebsite()
{
    static Website website;
    return website;
}
