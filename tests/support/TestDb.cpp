#include "tests/support/TestDb.h"

#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/NewDatabase.h"
#include "core/Password.h"
#include "core/Program.h"
#include "core/db/Connection.h"
#include "core/db/Recordset.h"

#include <QDir>
#include <QTest>

TestDb::TestDb(bool createDatabase) : m_previous(QDir::currentPath())
{
    if (!m_dir.isValid())
        qFatal("cannot make a temporary folder");
    QDir::setCurrent(m_dir.path());
    QString error;
    if (createDatabase && !NewDatabase::create(dbPath(), &error))
        qFatal("%s", qPrintable(error));
    MessageBox::setTestMode(true);
    MessageBox::clearShown();
    Program::setEndHandler([](int code) { throw Program::Ended{code}; });
    Database::resetConnection();
}

TestDb::~TestDb()
{
    Database::resetConnection();
    QDir::setCurrent(m_previous);
}

QString TestDb::dbPath() const { return m_dir.filePath(QStringLiteral("data/mybook.mdb")); }

void TestDb::exec(const QString &sql) const
{
    db::Connection conn;
    conn.open(QStringLiteral("Data Source=%1;").arg(dbPath()));
    conn.execute(sql);
}

QVariant TestDb::scalar(const QString &sql) const
{
    db::Connection conn;
    conn.open(QStringLiteral("Data Source=%1;").arg(dbPath()));
    db::Recordset rs;
    rs.open(sql, conn);
    return rs.eof() ? QVariant() : rs.value(0);
}

void TestDb::addUser(const QString &name, const QString &password) const
{
    QString quoted = name;
    quoted.replace(QLatin1Char('\''), QLatin1String("''"));
    exec(QStringLiteral("INSERT INTO Users VALUES ('%1', '%2')").arg(quoted, Password::hash(password)));
}

QString TestDb::accounts(const QStringList &candidates) const
{
    db::Connection conn;
    conn.open(QStringLiteral("Data Source=%1;").arg(dbPath()));
    db::Recordset rs;
    rs.open(QStringLiteral("SELECT UserName, UserPwd FROM Users ORDER BY rowid"), conn);
    QStringList result;
    for (; !rs.eof(); rs.moveNext()) {
        QString matched = QStringLiteral("?");
        for (const QString &candidate : candidates) {
            if (Password::verify(rs.value(1).toString(), candidate)) {
                matched = candidate;
                break;
            }
        }
        result << rs.value(0).toString() + QLatin1Char(':') + matched;
    }
    return result.join(QLatin1Char(','));
}
