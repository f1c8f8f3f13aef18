#include "accounts/Users.h"

#include "core/Database.h"
#include "core/NameCompare.h"
#include "core/Password.h"
#include "core/SqlText.h"
#include "core/LastStatement.h"

void Users::clear()
{
    m_userName.clear();
    m_userPwd.clear();
}

QString Users::storedName(const QString &userName)
{
    // The database folds ASCII letters only; "ＴＯＭ" is "ｔｏｍ" and "CAFÉ" is
    // "café" all the same. A name not stored comes back as typed, trimmed.
    const QString typed = userName.trimmed();
    const QString key = NameCompare::key(typed);
    lastStatement = QStringLiteral("SELECT UserName FROM Users");
    for (auto rs = Database::query(lastStatement); !rs->eof(); rs->moveNext()) {
        const QString stored = rs->value(0).toString();
        if (stored == typed || NameCompare::key(stored) == key)
            return stored;
    }
    return QString();
}

void Users::remove(const QString &userName)
{
    // The account named admin, in any letter case, is never deleted.
    if (NameCompare::same(userName.trimmed(), QStringLiteral("admin")))
        return;
    const QString stored = storedName(userName);
    lastStatement = QStringLiteral("DELETE FROM Users WHERE UserName='")
                  + sqlText(stored.isNull() ? userName.trimmed() : stored) + QStringLiteral("'");
    Database::execute(lastStatement);
}

bool Users::load(const QString &userName)
{
    m_userName = userName;
    const QString stored = storedName(userName);
    lastStatement = QStringLiteral("SELECT * FROM Users WHERE UserName='")
                  + sqlText(stored.isNull() ? userName.trimmed() : stored) + QStringLiteral("'");
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
    const QString stored = storedName(userName);
    if (stored.isNull())
        return false;
    lastStatement = QStringLiteral("SELECT * FROM Users WHERE UserName='") + sqlText(stored) + QStringLiteral("'");
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
    const QString stored = storedName(userName);
    lastStatement = QStringLiteral("Update Users Set UserName='") + sqlText(m_userName.trimmed())
           + QStringLiteral("',UserPwd='") + sqlText(storedPassword()) + QStringLiteral("' WHERE UserName='")
           + sqlText(stored.isNull() ? userName.trimmed() : stored) + QStringLiteral("'");
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
        const QString stored = storedName(m_userName);
        lastStatement = QStringLiteral("Update Users Set UserPwd='") + sqlText(m_userPwd) + QStringLiteral("' WHERE UserName='")
                      + sqlText(stored.isNull() ? m_userName.trimmed() : stored) + QStringLiteral("'");
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
