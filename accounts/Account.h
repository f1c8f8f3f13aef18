#pragma once

#include <QString>

// One login account in memory, and the only code that reads or writes the
// table Users (UserName, UserPwd in that order). UserPwd holds the stored
// form of the password: an Argon2id hash string (see core/Password.h).
class Account {
public:
    QString userName() const { return m_userName; }
    void setUserName(const QString &name) { m_userName = name; }
    QString userPwd() const { return m_userPwd; }
    void setUserPwd(const QString &pwd) { m_userPwd = pwd; }
    // Sets the password to store from the text typed: its hash, made from
    // the trimmed text.
    void setPassword(const QString &password);
    // Whether a typed password, trimmed, matches the loaded account. A hash
    // made with older limits is made again and stored.
    bool checkPassword(const QString &typed);

    void clear();
    void remove(const QString &userName);
    bool load(const QString &userName);
    bool exists(const QString &userName);
    // A name another account has (letter case aside, in any script) is
    // refused by the database too: DbError UniqueViolation "用户名已经存在".
    void insert();
    // Returns the rows changed: 0 when the account was deleted meanwhile.
    // The account admin keeps its name, and no other account takes that name
    // in any letter case: DbError "admin 帐号不能改名" / "用户名已经存在".
    int update(const QString &userName);
    // Whether name is the administrator's, admin, in any letter case or width.
    static bool isAdminName(const QString &name);

private:
    // The name as stored of the account that userName names, compared
    // without regard to letter case in any script; null when none.
    QString storedName(const QString &userName);
    // What insert and update write: never clear text, whatever was set.
    QString storedPassword() const;

    QString m_userName;
    QString m_userPwd;
};

// The account being checked or written, and the logged-in account.
Account &loginUser();
Account &currentUser();
