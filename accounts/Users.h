#pragma once

#include <QString>

// One login account in memory, and the only code that reads or writes the
// table Users (UserName, UserPwd in that order). UserPwd holds the stored
// form of the password: an Argon2id hash string (see core/Password.h).
class Users {
public:
    QString UserName() const { return m_userName; }
    void setUserName(const QString &name) { m_userName = name; }
    QString UserPwd() const { return m_userPwd; }
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
    void insert();
    void update(const QString &userName);

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
Users &LoginUser();
Users &CurUser();
