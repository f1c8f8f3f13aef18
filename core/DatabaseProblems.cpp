#include "core/DatabaseProblems.h"

#include "core/db/Connection.h"
#include "core/db/DbError.h"
#include "core/db/Recordset.h"
#include "core/db/ServerEngine.h"

#include <QDir>
#include <QFileInfo>

namespace DatabaseProblems {

namespace {

QString fullPath(const QString &path) { return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath()); }

QString reasonAtStart(db::DbError::Kind kind)
{
    switch (kind) {
    case db::DbError::Missing:
        return QStringLiteral("这个文件不存在。请检查它是否被移动、改名或删除。");
    case db::DbError::Foreign:
        return QStringLiteral("这个文件不是本程序的笔记本（它属于其他程序，或者缺少本程序需要的表和字段）。");
    case db::DbError::Damaged:
        return QStringLiteral("这个文件已经损坏（可能被截短或被改写），请用备份替换它。");
    case db::DbError::Locked:
        return QStringLiteral("这个文件正被其他程序锁定，请关闭正在使用它的程序后再试。");
    case db::DbError::ReadOnly:
        return QStringLiteral("这个文件不能写入，请检查文件和它所在文件夹的权限。");
    case db::DbError::DiskFull:
        return QStringLiteral("磁盘已满，请腾出空间后再试。");
    default:
        break;
    }
    return QStringLiteral("无法打开这个文件。");
}

QString reasonOnServer(db::DbError::Kind kind)
{
    switch (kind) {
    case db::DbError::Unreachable:
        return QStringLiteral("无法连接这个数据库服务器。请检查服务器是否在运行、地址和数据库名是否正确、是否有登录权限。");
    case db::DbError::ConnectionLost:
        return QStringLiteral("与数据库服务器的连接中断了，请稍后再试。");
    case db::DbError::Foreign:
        return QStringLiteral("这个数据库不是本程序的笔记本（缺少本程序需要的表和字段）。");
    default:
        break;
    }
    return QStringLiteral("无法使用这个数据库。");
}

} // namespace

void requireNotebook(db::Connection &conn)
{
    // A query that names every column fails when one is missing, in any
    // engine. Reading the newest website walks down to the last page of the
    // table, which is where a file cut short has lost its end.
    static const char *const probes[] = {
        "SELECT UserName, UserPwd FROM Users WHERE UserName = ''",
        "SELECT Webid, Webname, Weburl, Webtime, Webmemos FROM Website WHERE Webid = (SELECT max(Webid) FROM Website)",
    };
    for (const char *probe : probes) {
        db::Recordset rs;
        try {
            rs.open(QString::fromLatin1(probe), conn);
        } catch (const db::DbError &e) {
            if (e.kind() != db::DbError::Other)
                throw;
            throw db::DbError(QStringLiteral("%1 不是本程序的数据库：%2").arg(conn.path(), e.message()),
                              db::DbError::Foreign);
        }
    }
}

QString startupFailure(const QString &path, const db::DbError &error)
{
    return QStringLiteral("数据库连接失败\n\n数据库文件：%1\n%2\n\n详细信息：%3")
        .arg(fullPath(path), reasonAtStart(error.kind()), error.message());
}

QString serverStartupFailure(const QString &label, const db::DbError &error)
{
    // Whatever quoted the connection string, its password is never shown.
    return db::server::withoutSecrets(
        QStringLiteral("数据库连接失败\n\n%1\n%2\n\n详细信息：%3").arg(label, reasonOnServer(error.kind()), error.message()));
}

QString duringWork(const db::DbError &error)
{
    QString reason;
    switch (error.kind()) {
    case db::DbError::Locked:
        reason = QStringLiteral("数据库文件正被其他程序锁定，这次操作没有完成，请稍后再试。");
        break;
    case db::DbError::ReadOnly:
        reason = QStringLiteral("数据库文件不能写入（文件或它所在的文件夹是只读的），这次修改没有保存。");
        break;
    case db::DbError::DiskFull:
        reason = QStringLiteral("磁盘已满，这次修改没有保存。请腾出空间后再试。");
        break;
    case db::DbError::Damaged:
        reason = QStringLiteral("数据库文件已经损坏，请退出程序，用备份替换它。");
        break;
    default:
        return error.message();
    }
    return reason + QStringLiteral("（") + error.message() + QStringLiteral("）");
}

QString readOnlyNote(const QString &path)
{
    return QStringLiteral("只读：%1 不能写入，修改将无法保存").arg(fullPath(path));
}

} // namespace DatabaseProblems
