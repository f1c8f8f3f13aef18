#include "core/Database.h"

#include "core/MessageBox.h"
#include "core/Program.h"
#include "core/db/DbError.h"
#include "core/db/TableList.h"

#include <QLabel>
#include <QPointer>

namespace Database {

const QString connectionString = QStringLiteral("Data Source=data/mybook.mdb;");

namespace {

constexpr int RecycleAfter = 1000;
// A signed 16-bit count that only a statement or resetConnection sets back to 0;
// a long run of queries stops counting at the top instead of wrapping.
constexpr int MaxUses = 32767;

std::unique_ptr<db::Connection> Conn;
bool ConnOpen = false;
int ConnUses = 0;
QPointer<QLabel> StatusPanel;

} // namespace

void openConnection()
{
    if (ConnOpen)
        return;
    auto conn = std::make_unique<db::Connection>();
    try {
        conn->open(connectionString);
        // Another program's SQLite file opens too; without our two tables it
        // is not a database of this program.
        db::TableList tables(*conn);
        if (!tables.find(QStringLiteral("TABLE_NAME= 'Users'")) || !tables.find(QStringLiteral("TABLE_NAME= 'Website'")))
            conn.reset();
    } catch (const db::DbError &) {
        conn.reset();
    }
    if (!conn || conn->state() != db::Connection::Open) {
        MessageBox::show(QStringLiteral("数据库连接失败"));
        Program::end(1);
    }
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
    if (StatusPanel)
        StatusPanel->setText(text);
}

void registerStatusPanel(QLabel *panel) { StatusPanel = panel; }

QString statusText() { return StatusPanel ? StatusPanel->text() : QString(); }

bool connOpen() { return ConnOpen; }
int connUses() { return ConnUses; }
db::Connection *sharedConnection() { return Conn.get(); }

} // namespace Database
