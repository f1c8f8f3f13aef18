#include "core/BackupGuard.h"

#include "core/Backups.h"
#include "core/Database.h"
#include "core/MessageBox.h"
#include "core/db/Connection.h"

#include <QFileInfo>

namespace BackupGuard {

QString databasePath() { return Database::notebook.path(); }

bool beforeDestructiveStep(const QString &step, const QString &what)
{
    const QString error = backupBeforeStep(step, what);
    if (error.isEmpty())
        return true;
    reportFailedBackup(step, error);
    return false;
}

QString backupBeforeStep(const QString &step, const QString &what)
{
    // A team notebook is backed up on the server (pg_dump), not by copying a file.
    if (Database::onServer())
        return {};
    QString error;
    if (!Backups::make(databasePath(), Backups::beforeStep(step, what), &error).isEmpty())
        return {};
    return error.isEmpty() ? QStringLiteral("原因不明") : error;
}

void reportFailedBackup(const QString &step, const QString &error)
{
    MessageBox::show(QStringLiteral("备份数据库失败，%1未执行。\n%2").arg(step, error), MessageBox::OkOnly,
                     MessageBox::Exclamation);
}

QString beforeDestructiveStepNote()
{
    return Database::onServer() ? QStringLiteral("团队数据库由服务器管理员备份。") : QStringLiteral("删除前会自动备份。");
}

void atExit()
{
    if (Database::onServer())
        return;
    const QString path = databasePath();
    if (!QFileInfo::exists(path) || !Backups::writtenSinceMark(path))
        return;
    QString error;
    if (Backups::make(path, Backups::AtExit, &error).isEmpty())
        MessageBox::show(QStringLiteral("退出前备份数据库失败：%1").arg(error), MessageBox::OkOnly,
                         MessageBox::Exclamation);
}

} // namespace BackupGuard
