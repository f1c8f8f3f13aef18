// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Startup.h"

#include "core/Database.h"
#include "core/Failure.h"
#include "core/NewDatabase.h"
#include "core/ResourceLocator.h"

#include <QDBusConnection>
#include <QDir>
#include <QThread>

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

SecondCore::SecondCore(std::function<void()> alsoThen)
{
    // Qt takes the first thread that asks about threads for its main thread;
    // the second one may make Qt objects (a file of the built-in resources).
    QThread::currentThread();
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool platformWithoutScreen =
        platform.startsWith(QLatin1String("offscreen")) || platform.startsWith(QLatin1String("minimal"));
    m_thread = std::thread([platformWithoutScreen, job = std::move(alsoThen)] {
        FcInit();
        // The accessibility bridge connects to the session bus when a window
        // is first given text; where there is no bus, connecting first tries
        // to start one. Platforms without a screen have no bridge.
        if (!platformWithoutScreen)
            QDBusConnection::sessionBus();
        if (job)
            job();
    });
}

void SecondCore::wait()
{
    if (m_thread.joinable())
        m_thread.join();
}

} // namespace Startup
