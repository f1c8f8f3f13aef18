#include "accounts/Users.h"

#include "core/DbFunc.h"
#include "core/Password.h"
#include "core/SqlText.h"
#include "core/Variable.h"

void Users::Init()
{
    m_userName.clear();
    m_userPwd.clear();
}

void Users::Delete(const QString &TmpUser)
{
    // The account named admin, in any letter case, is never deleted.
    if (TmpUser.trimmed().toLower() == QLatin1String("admin"))
        return;
    SqlStr = QStringLiteral("DELETE FROM Users WHERE UserName='") + sqlText(TmpUser.trimmed()) + QStringLiteral("'");
    DbFunc::ExecuteSql(SqlStr);
}

bool Users::GetInfo(const QString &TmpUser)
{
    m_userName = TmpUser;
    SqlStr = QStringLiteral("SELECT * FROM Users WHERE UserName='") + sqlText(TmpUser.trimmed()) + QStringLiteral("'");
    const auto rs = DbFunc::OpenQuery(SqlStr);
    if (rs->eof()) {
        Init();
        return false;
    }
    m_userPwd = rs->value(1).toString().trimmed();
    return true;
}

bool Users::In_DB(const QString &TmpUser)
{
    SqlStr = QStringLiteral("SELECT * FROM Users WHERE UserName='") + sqlText(TmpUser.trimmed()) + QStringLiteral("'");
    return !DbFunc::OpenQuery(SqlStr)->eof();
}

void Users::Insert()
{
    SqlStr = QStringLiteral("INSERT INTO Users Values('") + sqlText(m_userName.trimmed()) + QStringLiteral("','")
           + sqlText(storedPassword()) + QStringLiteral("')");
    DbFunc::ExecuteSql(SqlStr);
}

void Users::Update(const QString &TmpUser)
{
    SqlStr = QStringLiteral("Update Users Set UserName='") + sqlText(m_userName.trimmed())
           + QStringLiteral("',UserPwd='") + sqlText(storedPassword()) + QStringLiteral("' WHERE UserName='")
           + sqlText(TmpUser.trimmed()) + QStringLiteral("'");
    DbFunc::ExecuteSql(SqlStr);
}

void Users::setPassword(const QString &password) { m_userPwd = Password::hash(password.trimmed()); }

QString Users::storedPassword() const
{
    return Password::isHash(m_userPwd) ? m_userPwd : Password::hash(m_userPwd.trimmed());
}

bool Users::CheckPassword(const QString &typed)
{
    if (!Password::verify(m_userPwd, typed.trimmed()))
        return false;
    if (Password::needsRehash(m_userPwd)) {
        setPassword(typed);
        SqlStr = QStringLiteral("Update Users Set UserPwd='") + sqlText(m_userPwd) + QStringLiteral("' WHERE UserName='")
               + sqlText(m_userName.trimmed()) + QStringLiteral("'");
        DbFunc::ExecuteSql(SqlStr);
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
