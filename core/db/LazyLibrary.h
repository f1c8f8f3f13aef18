#pragma once

#include <QFunctionPointer>
#include <QString>
#include <mutex>

class QLibrary;

namespace db {

// A C library that only some of the program's work calls (the server engine's
// libpq, the Excel writer's libxlsxwriter, the Access reader's libmdb), opened
// on its first call instead of by the loader at every start: each pulls in
// libraries of its own (TLS, Kerberos, LDAP, zip), and relocating them was a
// third of the program's start-up. The library's own header still declares
// its functions; LAZY_C_FUNCTION defines each one the program calls as a
// forwarder to the library's, found on the first call.
class LazyLibrary {
public:
    // name and version as QLibrary takes them ("pq", 5 for libpq.so.5);
    // fail throws what its callers expect when the library or a function is missing.
    LazyLibrary(const char *name, int version, void (*fail)(const QString &message));
    QFunctionPointer resolve(const char *function);

private:
    const char *m_name;
    int m_version;
    void (*m_fail)(const QString &message);
    std::once_flag m_once;
    QLibrary *m_library = nullptr;
};

} // namespace db

// Defines the C function `name` (declared by the library's header) as a
// forwarder through `library`: LAZY_C_FUNCTION(lib, int, PQntuples, (const PGresult *r), (r)).
#define LAZY_C_FUNCTION(library, result, name, parameters, arguments)                    \
    extern "C" result name parameters                                                    \
    {                                                                                    \
        static const auto real = reinterpret_cast<decltype(&name)>(library.resolve(#name)); \
        return real arguments;                                                           \
    }
