#include "catalogue/Website.h"

#include "core/DateText.h"
#include "core/Database.h"
#include "core/SqlText.h"
#include "core/LastStatement.h"

void Website::clear()
{
    Webid = 0;
    Webname.clear();
    Weburl.clear();
    Webtime = resetDate();
    Webmemos.clear();
}

void Website::load(qint32 id)
{
    Webid = id;
    if (id == 0) {
        clear();
        return;
    }
    lastStatement = QStringLiteral("SELECT * FROM Website WHERE Webid=") + QString::number(id);
    const auto rs = Database::query(lastStatement);
    if (rs->eof()) {
        clear();
        return;
    }
    Webid = rs->value(0).toString().trimmed().toInt();
    Webname = rs->value(1).toString().trimmed();
    Weburl = rs->value(2).toString();
    Webtime = rs->value(3).toDate();
    Webmemos = rs->value(4).toString().trimmed();
}

bool Website::exists(const QString &name)
{
    lastStatement = QStringLiteral("SELECT Webid FROM Website WHERE webName='") + sqlText(name.trimmed())
           + QStringLiteral("'");
    return !Database::query(lastStatement)->eof();
}

void Website::insert()
{
    lastStatement = QStringLiteral("INSERT INTO Website ([webName], [Weburl],") + QStringLiteral(" [Webtime], [WebMemos])")
           + QStringLiteral(" VALUES('") + sqlText(Webname.trimmed()) + QStringLiteral("','")
           + sqlText(Weburl.trimmed()) + QStringLiteral("',#") + DateText::toText(Webtime) + QStringLiteral("#,'")
           + sqlText(Webmemos.trimmed()) + QStringLiteral("')");
    Database::execute(lastStatement);
}

void Website::update(qint32 id)
{
    lastStatement = QStringLiteral("UPDATE Website SET [webName]='") + sqlText(Webname.trimmed())
           + QStringLiteral("', [Weburl]='") + sqlText(Weburl.trimmed()) + QStringLiteral("', [Webtime]=#")
           + DateText::toText(Webtime) + QStringLiteral("#,[WebMemos]='") + sqlText(Webmemos.trimmed())
           + QStringLiteral("' WHERE Webid=") + QString::number(id);
    Database::execute(lastStatement);
}

void Website::remove(qint32 id)
{
    lastStatement = QStringLiteral("DELETE FROM Website WHERE Webid=") + QString::number(id);
    Database::execute(lastStatement);
}

Website &CurWebsite()
{
    static Website website;
    return website;
}
