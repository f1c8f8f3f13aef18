#include "tests/support/TestDb.h"

#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/NewDatabase.h"
#include "core/Password.h"
#include "core/Program.h"
#include "core/db/Catalog.h"
#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

// The server's maintenance database, where test databases are made and dropped.
db::Location maintenanceConnection()
{
    const QByteArray name = qgetenv("PGDATABASE");
    return db::Location::server(
        QStringLiteral("postgres:dbname=%1").arg(name.isEmpty() ? QStringLiteral("postgres") : QString::fromUtf8(name)));
}

void onMaintenance(const QString &sql)
{
    db::Connection conn;
    try {
        conn.open(maintenanceConnection());
        conn.execute(sql, db::Connection::Dialect::Native);
    } catch (const db::DbError &e) {
        qFatal("PostgreSQL test server: %s (the PostgreSQL tests run inside pg_virtualenv, see scripts/test)", qPrintable(e.message()));
    }
}

// Every row of `sql`, read over a connection of its own.
QList<QVariantList> rowsOf(const db::Location &at, const QString &sql)
{
    db::Connection conn;
    conn.open(at);
    db::Recordset rs;
    rs.open(sql, conn);
    QList<QVariantList> rows;
    for (; !rs.eof(); rs.moveNext()) {
        rows.append(QVariantList());
        for (int i = 0; i < rs.fieldCount(); ++i)
            rows.last() << rs.value(i);
    }
    return rows;
}

} // namespace

bool TestDb::onServer() { return qgetenv("TAVORIN_TEST_ENGINE") == "postgresql"; }

TestDb::TestDb(bool createDatabase)
    : m_previous(QDir::currentPath()), m_previousNotebook(Database::notebook)
{
    if (!m_dir.isValid())
        qFatal("cannot make a temporary folder");
    QDir::setCurrent(m_dir.path());
    // Without a database the server string names one that does not exist:
    // connecting fails as opening a missing file does.
    const QString missing = QStringLiteral("postgres:dbname=tavorin_missing_%1").arg(QCoreApplication::applicationPid());
    m_location = !onServer() ? db::Location::file(QStringLiteral("data/mybook.mdb"))
                 : createDatabase ? makeServerDatabase() : db::Location::server(missing);
    Database::useDatabase(m_location);
    if (createDatabase)
        NewDatabase::create(own()); // throws Failure, which fails the test
    MessageBox::setTestMode(true);
    MessageBox::clearShown();
    Program::setEndHandler([](int code) { throw Program::Ended{code}; });
    Database::resetConnection();
}

TestDb::~TestDb()
{
    Database::resetConnection();
    Database::useDatabase(m_previousNotebook);
    QDir::setCurrent(m_previous);
    // FORCE: windows of the test may still hold connections of their own.
    for (const QString &name : std::as_const(m_serverDatabases))
        onMaintenance(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name));
}

db::Location TestDb::makeServerDatabase()
{
    static int counter = 0;
    const QString name = QStringLiteral("tavorin_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(++counter);
    // UTF-8 with a UTF-8 ctype, so that names fold like Café and CAFÉ.
    onMaintenance(QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name));
    onMaintenance(QStringLiteral("CREATE DATABASE \"%1\" TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8'").arg(name));
    m_serverDatabases << name;
    return db::Location::server(QStringLiteral("postgres:dbname=%1").arg(name));
}

db::Location TestDb::extraServerDatabase() { return makeServerDatabase(); }

db::Location TestDb::own() const { return onServer() ? m_location : db::Location::file(dbPath()); }

QString TestDb::dbPath() const { return m_dir.filePath(QStringLiteral("data/mybook.mdb")); }

void TestDb::exec(const QString &sql) const
{
    db::Connection conn;
    conn.open(own());
    conn.execute(sql);
    // Rows put in with explicit ids: the program's next insert gets a fresh one.
    if (onServer() && sql.trimmed().startsWith(QLatin1String("INSERT"), Qt::CaseInsensitive))
        db::Catalog(m_location).syncAutoIncrement();
}

QString TestDb::joined(const QString &sql, const QString &sep) const
{
    QStringList cells;
    for (const QVariantList &row : rowsOf(own(), sql))
        cells << row.value(0).toString();
    return cells.join(sep);
}

bool TestDb::hasTable(const QString &name) const { return db::Catalog(own()).hasTable(name); }

QVariant TestDb::scalar(const QString &sql) const { return rowsOf(own(), sql).value(0).value(0); }

void TestDb::addUser(const QString &name, const QString &password) const
{
    exec(QStringLiteral("INSERT INTO Users VALUES ('%1', '%2')").arg(QString(name).replace("'", "''"), Password::hash(password)));
}

QString TestDb::accounts(const QStringList &candidates) const
{
    QStringList result;
    for (const QVariantList &user : rowsOf(own(), QStringLiteral("SELECT UserName, UserPwd FROM Users"))) {
        const auto matched = std::find_if(candidates.begin(), candidates.end(),
                                          [&](const QString &c) { return Password::verify(user[1].toString(), c); });
        result << user[0].toString() + ':' + (matched == candidates.end() ? QStringLiteral("?") : *matched);
    }
    // Rows have no order of their own on every engine: sorted by name.
    result.sort();
    return result.join(QLatin1Char(','));
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}
