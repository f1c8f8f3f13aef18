// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Startup.h"

#include "core/Database.h"
#include "core/Failure.h"
#include "core/NewDatabase.h"
#include "core/ResourceLocator.h"

#include <QDir>

#include <fontconfig/fontconfig.h>

namespace Startup {

namespace {
QString NotebookStatus;
}

QString notebookStatus() { return NotebookStatus; }

QString firstRunText(const QString &path)
{
    return QStringLiteral("已为您新建记事本数据库：\n%1\n\n初始帐号：%2，密码：%3。\n"
                          "请登录后在“系统管理 → 帐号/密码”中修改密码。")
        .arg(QDir::toNativeSeparators(path), NewDatabase::FirstUser, NewDatabase::FirstPassword);
}

QString openNotebook(const DatabaseLocation &location)
{
    QString message;
    switch (location.prepare(&message)) {
    case DatabaseLocation::Missing:
    case DatabaseLocation::Failed:
        throw Failure(message);
    case DatabaseLocation::Created:
        message = firstRunText(location.path());
        break;
    case DatabaseLocation::Ready:
        message.clear();
        break;
    }
    Database::useDatabase(location.notebook());
    ResourceLocator::setWorkingFolder(location.workingFolder());
    NotebookStatus = location.statusText();
    return message;
}

FontSetupAhead::FontSetupAhead() : m_thread([] { FcInit(); }) {}

void FontSetupAhead::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace Startup
