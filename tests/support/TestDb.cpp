#include "tests/support/TestDb.h"

#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/NewDatabase.h"
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
