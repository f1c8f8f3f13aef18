#include "core/db/LazyLibrary.h"

#include <QLibrary>

namespace db {

LazyLibrary::LazyLibrary(const char *name, int version, void (*fail)(const QString &message))
    : m_name(name), m_version(version), m_fail(fail)
{
}

QFunctionPointer LazyLibrary::resolve(const char *function)
{
    std::call_once(m_once, [this] {
        // Never unloaded: the forwarders keep the addresses for the program's life.
        auto *library = new QLibrary(QString::fromLatin1(m_name), m_version);
        if (library->load())
            m_library = library;
        else
            delete library;
    });
    const QString file = QStringLiteral("lib%1.so.%2").arg(QLatin1String(m_name)).arg(m_version);
    if (!m_library)
        m_fail(QStringLiteral("找不到程序库 %1，这项工作需要它。请安装它所在的软件包。").arg(file));
    const QFunctionPointer found = m_library->resolve(function);
    if (!found)
        m_fail(QStringLiteral("程序库 %1 中没有 %2，它的版本太旧。").arg(file, QLatin1String(function)));
    return found;
}

} // namespace db
