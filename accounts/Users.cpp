#include "accounts/Users.h"

#include "core/Database.h"
#include "core/Password.h"
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
           + sqlText(storedPassword()) + QStringLiteral("')");
    Database::execute(lastStatement);
}

void Users::update(const QString &userName)
{
    lastStatement = QStringLiteral("Update Users Set UserName='") + sqlText(m_userName.trimmed())
           + QStringLiteral("',UserPwd='") + sqlText(storedPassword()) + QStringLiteral("' WHERE UserName='")
           + sqlText(userName.trimmed()) + QStringLiteral("'");
    Database::execute(lastStatement);
}

void Users::setPassword(const QString &password) { m_userPwd = Password::hash(password.trimmed()); }

QString Users::storedPassword() const
{
    return Password::isHash(m_userPwd) ? m_userPwd : Password::hash(m_userPwd.trimmed());
}

bool Users::checkPassword(const QString &typed)
{
    if (!Password::verify(m_userPwd, typed.trimmed()))
        return false;
    if (Password::needsRehash(m_userPwd)) {
        setPassword(typed);
        lastStatement = QStringLiteral("Update Users Set UserPwd='") + sqlText(m_userPwd)
                      + QStringLiteral("' WHERE UserName='") + sqlText(m_userName.trimmed()) + QStringLiteral("'");
        Database::execute(lastStatement);
    }
    return true;
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
