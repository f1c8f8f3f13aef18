// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/ResourceLocator.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
QString WorkingFolder;
}

void ResourceLocator::setWorkingFolder(const QString &folder) { WorkingFolder = folder; }

QString ResourceLocator::workingFolder() { return WorkingFolder.isEmpty() ? QDir::currentPath() : WorkingFolder; }

QString ResourceLocator::installedDataFolder()
{
    // Asked once before the application object exists (the login artwork is
    // looked for first thing); the program's own file says the same then.
    const QString programFolder = QCoreApplication::instance()
                                      ? QCoreApplication::applicationDirPath()
                                      : QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(QLatin1Char('/'), 0, -2);
    return QDir::cleanPath(programFolder + QStringLiteral("/../share/tavorin"));
}

QStringList ResourceLocator::candidates(const QString &relative)
{
    QStringList places{QDir(workingFolder()).filePath(relative), QDir(installedDataFolder()).filePath(relative)};
    // The program itself carries a copy of what it cannot do without; tests
    // and tools that do not link it simply find nothing there.
    const QString builtIn = QStringLiteral(":/tavorin/") + relative;
    if (QFileInfo::exists(builtIn))
        places << builtIn;
    return places;
}

QString ResourceLocator::find(const QString &relative)
{
    for (const QString &place : candidates(relative))
        if (QFileInfo(place).isFile())
            return place;
    return {};
}

QString ResourceLocator::findOrFirst(const QString &relative)
{
    const QString found = find(relative);
    return found.isEmpty() ? candidates(relative).constFirst() : found;
}
