#include "accounts/Users.h"

#include "core/Database.h"
#include "core/SqlText.h"
#include "core/LastStatement.h"

void Users::clear()
{
    m_userName.clear();
    m_userPwd.clear();
}

void Users::remove(const QString &userName)
{
    // The account named admin, in any letter case, is never deleted.
    if (userName.trimmed().toLower() == QLatin1String("admin"))
        return;
    lastStatement = QStringLiteral("DELETE FROM Users WHERE UserName='") + sqlText(userName.trimmed()) + QStringLiteral("'");
    Database::execute(lastStatement);
}

bool Users::load(const QString &userName)
{
    m_userName = userName;
    lastStatement = QStringLiteral("SELECT * FROM Users WHERE UserName='") + sqlText(userName.trimmed()) + QStringLiteral("'");
    const auto rs = Database::query(lastStatement);
    if (rs->eof()) {
        clear();
        return false;
    }
    m_userPwd = rs->value(1).toString().trimmed();
    return true;
}

bool Users::exists(const QString &userName)
{
    lastStatement = QStringLiteral("SELECT * FROM Users WHERE UserName='") + sqlText(userName.trimmed()) + QStringLiteral("'");
    return !Database::query(lastStatement)->eof();
}

void Users::insert()
{
    lastStatement = QStringLiteral("INSERT INTO Users Values('") + sqlText(m_userName.trimmed()) + QStringLiteral("','")
           + sqlText(m_userPwd.trimmed()) + QStringLiteral("')");
    Database::execute(lastStatement);
}

void Users::update(const QString &userName)
{
    lastStatement = QStringLiteral("Update Users Set UserName='") + sqlText(m_userName.trimmed())
           + QStringLiteral("',UserPwd='") + sqlText(m_userPwd.trimmed()) + QStringLiteral("' WHERE UserName='")
           + sqlText(userName.trimmed()) + QStringLiteral("'");
    Database::execute(lastStatement);
}

Users &LoginUser()
{
    static Users user;
    return user;
}

Users &CurUser()
{
    static Users user;
    return user;
}
