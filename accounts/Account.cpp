#include "accounts/Account.h"

#include "core/Database.h"
#include "core/NameCompare.h"
#include "core/Password.h"
#include "core/db/DbError.h"

void Account::clear()
{
    m_userName.clear();
    m_userPwd.clear();
}

QString Account::storedName(const QString &userName)
{
    // The database folds ASCII letters only; "ＴＯＭ" is "ｔｏｍ" and "CAFÉ" is
    // "café" all the same. A name not stored comes back as typed, trimmed.
    const QString typed = userName.trimmed();
    const QString key = NameCompare::key(typed);
    for (auto rs = Database::query(QStringLiteral("SELECT UserName FROM Users")); !rs->eof(); rs->moveNext()) {
        const QString stored = rs->value(0).toString();
        if (stored == typed || NameCompare::key(stored) == key)
            return stored;
    }
    return QString();
}

namespace {

// A name taken meanwhile by another worker, or by a second window: the
// database's unique constraint refuses it, in the words the dialogs use.
template <typename F>
auto refusingTakenNames(F &&write)
{
    try {
        return write();
    } catch (const db::DbError &e) {
        if (e.kind() == db::DbError::UniqueViolation)
            throw db::DbError(QStringLiteral("用户名已经存在"), db::DbError::UniqueViolation);
        throw;
    }
}

} // namespace

bool Account::isAdminName(const QString &name) { return NameCompare::same(name.trimmed(), QStringLiteral("admin")); }

void Account::remove(const QString &userName)
{
    // The account named admin, in any letter case, is never deleted.
    if (isAdminName(userName))
        return;
    const QString stored = storedName(userName);
    Database::execute(QStringLiteral("DELETE FROM Users WHERE UserName=?"), {stored.isNull() ? userName.trimmed() : stored});
}

bool Account::load(const QString &userName)
{
    m_userName = userName;
    const QString stored = storedName(userName);
    const auto rs = Database::query(QStringLiteral("SELECT UserName, UserPwd FROM Users WHERE UserName=?"),
                                    {stored.isNull() ? userName.trimmed() : stored});
    if (rs->eof()) {
        clear();
        return false;
    }
    m_userPwd = rs->value(1).toString().trimmed();
    return true;
}

bool Account::exists(const QString &userName)
{
    const QString stored = storedName(userName);
    if (stored.isNull())
        return false;
    return !Database::query(QStringLiteral("SELECT UserName FROM Users WHERE UserName=?"), {stored})->eof();
}

void Account::insert()
{
    if (isAdminName(m_userName))
        throw db::DbError(QStringLiteral("用户名已经存在"), db::DbError::UniqueViolation);
    refusingTakenNames([&] {
        return Database::execute(QStringLiteral("INSERT INTO Users (UserName, UserPwd) VALUES (?, ?)"),
                                 {m_userName.trimmed(), storedPassword()});
    });
}

int Account::update(const QString &userName)
{
    // Whoever holds the name admin has the user manager: the name stays with
    // the one administrator account.
    const QString stored = storedName(userName);
    const QString current = stored.isNull() ? userName.trimmed() : stored;
    if (isAdminName(current) && m_userName.trimmed() != current)
        throw db::DbError(QStringLiteral("admin 帐号不能改名"));
    if (!isAdminName(current) && isAdminName(m_userName))
        throw db::DbError(QStringLiteral("用户名已经存在"), db::DbError::UniqueViolation);
    return refusingTakenNames([&] {
        return Database::execute(QStringLiteral("UPDATE Users SET UserName=?, UserPwd=? WHERE UserName=?"),
                                 {m_userName.trimmed(), storedPassword(), current});
    });
}

void Account::setPassword(const QString &password) { m_userPwd = Password::hash(password.trimmed()); }

QString Account::storedPassword() const
{
    return Password::isHash(m_userPwd) ? m_userPwd : Password::hash(m_userPwd.trimmed());
}

bool Account::checkPassword(const QString &typed)
{
    if (!Password::verify(m_userPwd, typed.trimmed()))
        return false;
    if (Password::needsRehash(m_userPwd)) {
        setPassword(typed);
        const QString stored = storedName(m_userName);
        Database::execute(QStringLiteral("UPDATE Users SET UserPwd=? WHERE UserName=?"),
                          {m_userPwd, stored.isNull() ? m_userName.trimmed() : stored});
    }
    return true;
}

Account &loginUser()
{
    static Account user;
    return user;
}

Account &currentUser()
{
    static Account user;
    return user;
}
