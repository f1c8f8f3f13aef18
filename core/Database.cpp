#include "core/Database.h"

#include "core/DatabaseProblems.h"
#include "core/Backups.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "core/Schema.h"
#include "core/db/DbError.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>
#include <sqlite3.h>

namespace Database {

namespace {
QString CurrentConnectionString = QStringLiteral("Data Source=data/mybook.mdb;");
}
const QString &connectionString = CurrentConnectionString;

void useDatabase(const QString &newConnectionString)
{
    closeConnection();
    CurrentConnectionString = newConnectionString;
}

namespace {

constexpr int RecycleAfter = 1000;
// A signed 16-bit count that only a statement or resetConnection sets back to 0;
// a long run of queries stops counting at the top instead of wrapping.
constexpr int MaxUses = 32767;

std::unique_ptr<db::Connection> Conn;
bool ConnOpen = false;
int ConnUses = 0;
QPointer<QLabel> StatusPanel;

int userVersion(db::Connection &conn)
{
    sqlite3_stmt *stmt = nullptr;
    int version = -1;
    if (sqlite3_prepare_v2(conn.handle(), "PRAGMA user_version", -1, &stmt, nullptr) == SQLITE_OK
        && sqlite3_step(stmt) == SQLITE_ROW)
        version = sqlite3_column_int(stmt, 0);
    sqlite3_finalize(stmt);
    return version;
}

} // namespace

void openConnection()
{
    if (ConnOpen)
        return;
    auto conn = std::make_unique<db::Connection>();
    try {
        conn->open(connectionString);
        // Another program's SQLite file opens too; without our tables and
        // their columns it is not a database of this program.
        DatabaseProblems::requireNotebook(*conn);
    } catch (const db::DbError &e) {
        MessageBox::show(DatabaseProblems::startupFailure(db::Connection::dataSource(connectionString), e));
        Program::end(1);
    }
    // A file of an older layout is upgraded (after a backup) before anything
    // reads it; a newer one is refused untouched.
    if (userVersion(*conn) != Schema::CurrentVersion) {
        const QString path = conn->path();
        conn.reset();
        QString error;
        if (Schema::prepare(path, &error) == Schema::Outcome::Failed) {
            MessageBox::show(error);
            Program::end(1);
        }
        conn = std::make_unique<db::Connection>();
        conn->open(connectionString);
    }
    Backups::markCleanIfUnmarked(conn->path());
    Conn = std::move(conn);
    ConnOpen = true;
}

void closeConnection()
{
    if (!ConnOpen)
        return;
    Conn->close();
    Conn.reset();
    ConnOpen = false;
}

void acquireConnection()
{
    if (ConnUses < MaxUses)
        ++ConnUses;
    openConnection();
}

void releaseConnection()
{
    if (ConnUses < RecycleAfter)
        return;
    ConnUses = 0;
    closeConnection();
}

void resetConnection()
{
    ConnUses = 0;
    closeConnection();
}

void execute(const QString &sql)
{
    acquireConnection();
    Conn->execute(sql);
    releaseConnection();
}

std::unique_ptr<db::Recordset> query(const QString &sql)
{
    acquireConnection();
    auto rs = std::make_unique<db::Recordset>();
    rs->open(sql, *Conn);
    // The shared connection may be recycled while the caller still reads.
    rs->forgetConnection();
    return rs;
}

void showStatus(const QString &text)
{
    if (!StatusPanel)
        return;
    StatusPanel->setText(text);
    // The panel keeps its name; what it says reaches screen readers as its
    // description, announced when it changes.
    StatusPanel->setAccessibleDescription(text);
    QAccessibleEvent changed(StatusPanel.data(), QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&changed);
}

bool readOnly() { return ConnOpen && Conn->isReadOnly(); }

void executeTogether(const QStringList &statements)
{
    acquireConnection();
    Conn->executeTogether(statements);
    releaseConnection();
}

void registerStatusPanel(QLabel *panel) { StatusPanel = panel; }

QString statusText() { return StatusPanel ? StatusPanel->text() : QString(); }

bool connOpen() { return ConnOpen; }
int connUses() { return ConnUses; }
db::Connection *sharedConnection() { return Conn.get(); }

} // namespace Database
