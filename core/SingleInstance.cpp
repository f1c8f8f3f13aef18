// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SingleInstance.h"

#include "core/db/PrivateFiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
const QByteArray Request = "activate\n";
const QByteArray Answer = "ok\n";
// Longer than any request or answer: a peer that sends more is not ours.
constexpr qsizetype LineLimit = 64;

// False when the path does not fit into a socket address.
bool socketAddress(const QString &path, sockaddr_un *address)
{
    const QByteArray name = QFile::encodeName(path);
    *address = {};
    address->sun_family = AF_UNIX;
    if (name.isEmpty() || size_t(name.size()) >= sizeof address->sun_path)
        return false;
    std::memcpy(address->sun_path, name.constData(), size_t(name.size()));
    return true;
}

// True when fd became readable (or hung up) before the deadline.
bool waitReadable(int fd, const QDeadlineTimer &deadline)
{
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, int(deadline.remainingTime()));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}
} // namespace

struct SingleInstance::Peer {
    QByteArray received;
    std::unique_ptr<QSocketNotifier> notifier;
};

QString SingleInstance::privateFolder(const QString &notebookPath)
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && db::privateFiles::isPrivateFolder(runtime))
        return QDir(runtime).filePath(QStringLiteral("tavorin"));
    return QFileInfo(QFileInfo(notebookPath).absolutePath()).absoluteFilePath() + QStringLiteral("/.tavorin-lock");
}

SingleInstance::SingleInstance(const DatabaseLocation &notebook, QObject *parent)
    : QObject(parent), m_folder(privateFolder(notebook.path())),
      m_socket(QDir(m_folder).filePath(notebook.instanceKey() + QStringLiteral(".socket"))),
      m_lockPath(QDir(m_folder).filePath(notebook.instanceKey() + QStringLiteral(".lock"))), m_lock(m_lockPath)
{
    // Only a lock whose program is gone is stale, however old it is.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    m_accepting.reset();
    for (auto &[fd, peer] : m_peers) {
        peer->notifier.reset();
        ::close(fd);
    }
    if (m_listener >= 0) {
        ::close(m_listener);
        // Still holding the lock: the name is ours to remove.
        ::unlink(QFile::encodeName(m_socket).constData());
    }
}

bool SingleInstance::folderIsPrivate() const
{
    // Made for this user alone; one that is there already must be so too,
    // or whoever made it could plant a lock or a socket that answers.
    db::privateFiles::makeFolder(m_folder, nullptr);
    return db::privateFiles::isPrivateFolder(m_folder);
}

bool SingleInstance::lockOnly() { return folderIsPrivate() && m_lock.tryLock(0); }

SingleInstance::Outcome SingleInstance::claim()
{
    if (!folderIsPrivate())
        return Unsafe;
    // The first program may hold the lock but not listen yet: ask for a while.
    const QDeadlineTimer patience(3000);
    while (!m_lock.tryLock(0)) {
        if (askFirstToComeForward())
            return Forwarded;
        if (patience.hasExpired())
            return AlreadyOpen;
        QThread::msleep(100);
    }
    return First;
}

void SingleInstance::listen()
{
    sockaddr_un address;
    if (m_listener >= 0 || !m_lock.isLocked() || !socketAddress(m_socket, &address))
        return;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return;
    // Holding the lock, any socket of this name is a crashed program's.
    ::unlink(address.sun_path);
    // Only this user may connect, whatever the umask allowed.
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0
        || ::chmod(address.sun_path, S_IRWXU) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        ::unlink(address.sun_path);
        return; // still the only writer; later programs will say it is open
    }
    m_listener = fd;
    m_accepting = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    connect(m_accepting.get(), &QSocketNotifier::activated, this, &SingleInstance::acceptPeers);
}

void SingleInstance::acceptPeers()
{
    for (;;) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        auto peer = std::make_unique<Peer>();
        peer->notifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(peer->notifier.get(), &QSocketNotifier::activated, this, [this, fd] { readPeer(fd); });
        m_peers[fd] = std::move(peer);
    }
}

void SingleInstance::readPeer(int fd)
{
    QByteArray &received = m_peers.at(fd)->received;
    char buffer[LineLimit];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
        return;
    if (n > 0)
        received.append(buffer, n);
    const qsizetype end = received.indexOf('\n');
    if (end < 0 && n > 0 && received.size() < LineLimit)
        return; // the rest of the line is still on its way
    const bool asked = end >= 0 && received.left(end + 1) == Request;
    if (asked)
        ::send(fd, Answer.constData(), size_t(Answer.size()), MSG_NOSIGNAL);
    dropPeer(fd);
    if (asked)
        emit activationRequested();
}

void SingleInstance::dropPeer(int fd)
{
    const auto found = m_peers.find(fd);
    // Its notifier is what called us: it goes once this call is over.
    found->second->notifier->setEnabled(false);
    found->second->notifier.release()->deleteLater();
    m_peers.erase(found);
    ::close(fd);
}

bool SingleInstance::askFirstToComeForward() const
{
    sockaddr_un address;
    if (!socketAddress(m_socket, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const auto closeSocket = qScopeGuard([fd] { ::close(fd); });
    // A first program too busy to take the call keeps connect waiting: a second at most.
    const timeval patience{1, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &patience, sizeof patience);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0)
        return false;
    if (::send(fd, Request.constData(), size_t(Request.size()), MSG_NOSIGNAL) != Request.size())
        return false;
    QByteArray reply;
    const QDeadlineTimer deadline(2000);
    while (!reply.endsWith('\n') && reply.size() < LineLimit && waitReadable(fd, deadline)) {
        char buffer[LineLimit];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        reply.append(buffer, n);
    }
    return reply == Answer;
}
