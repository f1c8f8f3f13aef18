#include "core/Password.h"

#include "core/Failure.h"

#include <mutex>
#include <sodium.h>

namespace Password {

namespace {

void initialise()
{
    static std::once_flag once;
    std::call_once(once, [] {
        if (sodium_init() < 0)
            throw Failure(QStringLiteral("密码加密库 libsodium 无法启动。"));
    });
}

constexpr unsigned long long OpsLimit = crypto_pwhash_OPSLIMIT_INTERACTIVE;
constexpr size_t MemLimit = crypto_pwhash_MEMLIMIT_INTERACTIVE;

} // namespace

QString hash(const QString &password)
{
    initialise();
    QByteArray bytes = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    const int rc = crypto_pwhash_str(out, bytes.constData(), size_t(bytes.size()), OpsLimit, MemLimit);
    sodium_memzero(bytes.data(), size_t(bytes.size()));
    if (rc != 0)
        throw Failure(QStringLiteral("内存不足，无法为密码加密，密码没有保存。"));
    return QString::fromLatin1(out);
}

bool isHash(const QString &stored)
{
    return stored.startsWith(QLatin1String("$argon2id$")) || stored.startsWith(QLatin1String("$argon2i$"));
}

bool verify(const QString &stored, const QString &password)
{
    if (!isHash(stored))
        return false;
    initialise();
    const QByteArray hashText = stored.toLatin1();
    if (size_t(hashText.size()) >= crypto_pwhash_STRBYTES)
        return false;
    QByteArray bytes = password.toUtf8();
    const bool ok = crypto_pwhash_str_verify(hashText.constData(), bytes.constData(), size_t(bytes.size())) == 0;
    sodium_memzero(bytes.data(), size_t(bytes.size()));
    return ok;
}

bool needsRehash(const QString &stored)
{
    if (!isHash(stored))
        return true;
    initialise();
    const QByteArray hashText = stored.toLatin1();
    return crypto_pwhash_str_needs_rehash(hashText.constData(), OpsLimit, MemLimit) != 0;
}

} // namespace Password
