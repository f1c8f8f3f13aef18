// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/Startup.h"

#include "core/Database.h"
#include "core/Failure.h"
#include "core/NewDatabase.h"
#include "core/ResourceLocator.h"

#include <QDBusConnection>
#include <QDir>
#include <QFontDatabase>
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

SecondCore::SecondCore()
{
    // Qt takes the first thread that asks about threads for its main thread;
    // the second one may make Qt objects (a file of the built-in resources).
    QThread::currentThread();
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM");
    const bool platformWithoutScreen =
        platform.startsWith(QLatin1String("offscreen")) || platform.startsWith(QLatin1String("minimal"));
    m_thread = std::thread([this, platformWithoutScreen] {
        readFontConfiguration();
        {
            std::lock_guard lock(m_mutex);
            m_fontsRead = true;
        }
        m_wake.notify_all();
        // The accessibility bridge connects to the session bus when a window
        // is first given text; where there is no bus, connecting first tries
        // to start one. Platforms without a screen have no bridge.
        if (!platformWithoutScreen)
            QDBusConnection::sessionBus();
        for (;;) {
            std::function<void()> job;
            {
                std::unique_lock lock(m_mutex);
                m_wake.wait(lock, [this] { return m_closing || !m_jobs.empty(); });
                if (m_jobs.empty())
                    return;
                job = std::move(m_jobs.front());
                m_jobs.pop_front();
            }
            job();
        }
    });
}

void SecondCore::finish()
{
    {
        std::lock_guard lock(m_mutex);
        m_closing = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SecondCore::waitForFonts()
{
    std::unique_lock lock(m_mutex);
    m_wake.wait(lock, [this] { return m_fontsRead; });
}

void SecondCore::post(std::function<void()> job)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_closing) {
            m_jobs.push_back(std::move(job));
            job = nullptr;
        }
    }
    // Once finished, what is handed over is done here.
    if (job)
        job();
    else
        m_wake.notify_all();
}

bool readFontConfiguration()
{
    // The reference made here stays with the configuration for the rest of the process.
    // A configuration that names no cache folder is left to fontconfig's own start, which
    // supplies the usual ones.
    FcConfig *config = FcConfigCreate();
    const auto namesCacheFolders = [config] {
        FcStrList *folders = FcConfigGetCacheDirs(config);
        const bool any = folders && FcStrListNext(folders);
        if (folders)
            FcStrListDone(folders);
        return any;
    };
    if (config && FcConfigParseAndLoad(config, nullptr, FcTrue) && namesCacheFolders() && FcConfigBuildFonts(config)
        && FcConfigSetCurrent(config))
        return true;
    if (config)
        FcConfigDestroy(config);
    return FcInit();
}

void fillFontDatabase() { QFontDatabase::families(); }

} // namespace Startup
