#include "core/Database.h"

#include "core/DatabaseProblems.h"
#include "core/Backups.h"
#include "core/MessageBox.h"
#include "core/Program.h"
#include "core/Schema.h"
#include "core/ServerWaitDialog.h"
#include "core/db/DbError.h"
#include "core/db/ServerEngine.h"

#include <QAccessible>
#include <QLabel>
#include <QPointer>

namespace Database {

namespace {
db::Location CurrentNotebook = db::Location::file(QStringLiteral("data/mybook.mdb"));
}
const db::Location &notebook = CurrentNotebook;

namespace {

constexpr int RecycleAfter = 1000;
// A signed 16-bit count that only a statement or resetConnection sets back to 0;
// a long run of queries stops counting at the top instead of wrapping.
constexpr int MaxUses = 32767;

std::unique_ptr<db::Connection> Conn;
bool ConnOpen = false;
int ConnUses = 0;
QPointer<QLabel> StatusPanel;
// Set once the shared connection has opened: after that a server that cannot
// be reached is an error of the command that needed it, not the program's end.
bool ConnectedOnce = false;
QString Description;
int RowsAffected = 0;

int userVersion(db::Connection &conn)
{
    db::Recordset rs;
    rs.open(QStringLiteral("PRAGMA user_version"), conn, db::Connection::Dialect::Native);
    return rs.eof() ? -1 : rs.value(0).toInt();
}

} // namespace

void useDatabase(const db::Location &newNotebook)
{
    closeConnection();
    // Another database: failing to reach it is a start-up failure again.
    ConnectedOnce = false;
    CurrentNotebook = newNotebook;
}

void openConnection()
{
    if (ConnOpen)
        return;
    auto conn = std::make_unique<db::Connection>();
    try {
        conn->open(notebook);
        // Another program's SQLite file opens too; without our tables and
        // their columns it is not a database of this program.
        DatabaseProblems::requireNotebook(*conn);
    } catch (const db::DbError &e) {
        const bool server = notebook.onServer();
        // A server that went away mid-session: this command fails, the next one tries again.
        if (server && ConnectedOnce)
            throw db::DbError(e.message(), db::DbError::Unreachable);
        MessageBox::show(server ? DatabaseProblems::serverStartupFailure(db::server::label(notebook.serverString()), e)
                                : DatabaseProblems::startupFailure(notebook.path(), e));
        Program::end(1);
    }
    // A file of an older layout is upgraded (after a backup) before anything
    // reads it; a newer one is refused untouched. A server's notebook is made
    // hashed from the start, and its backups are the server's business.
    const bool server = notebook.onServer();
    if (!server && userVersion(*conn) != Schema::CurrentVersion) {
        const QString path = conn->path();
        conn.reset();
        QString error;
        if (Schema::prepare(path, &error) == Schema::Outcome::Failed) {
            MessageBox::show(error);
            Program::end(1);
        }
        conn = std::make_unique<db::Connection>();
        conn->open(notebook);
    }
    if (!server)
        Backups::markCleanIfUnmarked(conn->path());
    else if (!MessageBox::testMode())
        ServerWaitDialog::install(); // tests that want it install it themselves
    Conn = std::move(conn);
    ConnOpen = true;
    ConnectedOnce = true;
    Description = Conn->description();
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
    ConnectedOnce = false;
    closeConnection();
}

namespace {

// A command that found the server connection broken: the connection is
// dropped so that the next command connects afresh.
template <typename F>
auto onShared(F &&work)
{
    try {
        return work();
    } catch (const db::DbError &e) {
        if (e.kind() == db::DbError::Kind::ConnectionLost || e.kind() == db::DbError::Kind::Unreachable)
            closeConnection();
        throw;
    }
}

} // namespace

int execute(const QString &sql, const db::Values &values)
{
    acquireConnection();
    RowsAffected = 0;
    RowsAffected = onShared([&] { return Conn->execute(sql, values); });
    releaseConnection();
    return RowsAffected;
}

std::unique_ptr<db::Recordset> query(const QString &sql, const db::Values &values)
{
    acquireConnection();
    auto rs = std::make_unique<db::Recordset>();
    onShared([&] { rs->open(sql, *Conn, values); });
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

bool onServer() { return notebook.onServer(); }

QString serverBackupNotice()
{
    if (!onServer())
        return {};
    const QString where = Description.isEmpty() ? QStringLiteral("数据库服务器") : Description;
    return QStringLiteral("这是团队数据库，保存在%1上。\n备份和恢复由服务器管理员用 pg_dump / pg_restore 完成，"
                          "本程序不复制数据库文件。")
        .arg(where);
}

QString databaseDescription() { return Description; }

int rowsAffected() { return RowsAffected; }

bool connOpen() { return ConnOpen; }
int connUses() { return ConnUses; }
db::Connection *sharedConnection() { return Conn.get(); }

} // namespace Database
