#pragma once

#include <QString>

// One login account in memory, and the only code that reads or writes the
// table Users (UserName, UserPwd in that order).
class Users {
public:
    QString UserName() const { return m_userName; }
    void setUserName(const QString &name) { m_userName = name; }
    QString UserPwd() const { return m_userPwd; }
    void setUserPwd(const QString &pwd) { m_userPwd = pwd; }

    void clear();
    void remove(const QString &userName);
    bool load(const QString &userName);
    bool exists(const QString &userName);
    void insert();
    void update(const QString &userName);

private:
    QString m_userName;
    QString m_userPwd;
};

// The account being checked or written, and the logged-in account.
Users &LoginUser();
Users &CurUser();
