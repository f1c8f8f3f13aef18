#pragma once

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A test's own working folder: a temporary folder made current, holding
// data/mybook.mdb made by the new-database code. While it lives, message boxes
// are answered by the test (MessageBox test mode), ending the program throws
// Program::Ended instead of leaving the process, and the shared connection
// starts closed with no uses counted. The previous folder is restored after.
class TestDb {
public:
    explicit TestDb(bool createDatabase = true);
    ~TestDb();
    TestDb(const TestDb &) = delete;
    TestDb &operator=(const TestDb &) = delete;

    QString dir() const { return m_dir.path(); }
    QString dbPath() const;

    // Direct access over a connection of the test's own, bypassing the stores.
    void exec(const QString &sql) const;
    QVariant scalar(const QString &sql) const;
    // Adds an account the way the program stores one: the password hashed.
    void addUser(const QString &name, const QString &password) const;
    // The accounts as "name:password,..." in table order, each password
    // given as the first of the candidates its stored hash matches ("?" for
    // none): what a person could log in with.
    QString accounts(const QStringList &candidates) const;

private:
    QTemporaryDir m_dir;
    QString m_previous;
};
