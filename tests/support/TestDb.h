#pragma once

#include "core/db/Location.h"

#include <QString>
#include <QTemporaryDir>
#include <QVariant>

// A test's own working folder: a temporary folder made current, holding
// data/mybook.mdb made by the new-database code. While it lives, message boxes
// are answered by the test (MessageBox test mode), ending the program throws
// Program::Ended instead of leaving the process, and the shared connection
// starts closed with no uses counted. The previous folder is restored after.
//
// With TAVORIN_TEST_ENGINE=postgresql in the environment the same test runs
// against a PostgreSQL server (the one PGHOST, PGPORT, PGUSER name, e.g. a
// pg_virtualenv cluster): each TestDb makes a database of its own there,
// with the same new-database code, points the program's connection string at
// it, and drops it at the end. A server that cannot be reached fails the
// test with the reason.
// A file's bytes; empty when it cannot be read.
QByteArray fileBytes(const QString &path);
// Makes `path` hold exactly `bytes`, making its folder first; the test stops
// when it cannot. Returns the path.
QString writeFile(const QString &path, const QByteArray &bytes);

class TestDb {
public:
    explicit TestDb(bool createDatabase = true);
    ~TestDb();
    TestDb(const TestDb &) = delete;
    TestDb &operator=(const TestDb &) = delete;

    QString dir() const { return m_dir.path(); }
    QString dbPath() const;
    // The test's database, file or server.
    db::Location location() const { return m_location; }

    // True when the tests run against a PostgreSQL server.
    static bool onServer();
    // A further, empty server database of the test's own (dropped with the
    // TestDb); for tests that need a second one.
    db::Location extraServerDatabase();

    // Direct access over a connection of the test's own, bypassing the stores.
    void exec(const QString &sql) const;
    QVariant scalar(const QString &sql) const;
    // Adds an account the way the program stores one: the password hashed.
    void addUser(const QString &name, const QString &password) const;
    // The accounts as "name:password,..." sorted by name, each password
    // given as the first of the candidates its stored hash matches ("?" for
    // none): what a person could log in with.
    QString accounts(const QStringList &candidates) const;
    // The first column of every row, as text, joined by sep (the engines'
    // own aggregates differ); write ORDER BY where the order matters.
    QString joined(const QString &sql, const QString &sep = QStringLiteral(",")) const;
    bool hasTable(const QString &name) const;

private:
    db::Location makeServerDatabase();
    // The test's database by its absolute path, for connections of the test's own.
    db::Location own() const;

    QTemporaryDir m_dir;
    QString m_previous;
    db::Location m_previousNotebook;
    db::Location m_location;
    QStringList m_serverDatabases;
};
