// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SingleInstance.h"

#include "core/db/PrivateFiles.h"

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {
const QByteArray Request = "activate\n";
const QByteArray Answer = "ok\n";
} // namespace

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
    if (m_server)
        m_server->close();
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
    if (m_server || !m_lock.isLocked())
        return;
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, any socket of this name is a crashed program's.
    QLocalServer::removeServer(m_socket);
    if (!m_server->listen(m_socket))
        return; // still the only writer; later programs will say it is open
    connect(m_server.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            connect(peer, &QLocalSocket::readyRead, this, [this, peer] {
                if (!peer->canReadLine())
                    return;
                if (peer->readLine() == Request) {
                    emit activationRequested();
                    peer->write(Answer);
                    peer->flush();
                }
                peer->disconnectFromServer();
            });
        }
    });
}

bool SingleInstance::askFirstToComeForward() const
{
    QLocalSocket socket;
    socket.connectToServer(m_socket);
    if (!socket.waitForConnected(1000))
        return false;
    socket.write(Request);
    if (!socket.waitForBytesWritten(1000))
        return false;
    QByteArray reply;
    const QDeadlineTimer deadline(2000);
    while (!reply.endsWith('\n') && !deadline.hasExpired()) {
        if (!socket.waitForReadyRead(int(deadline.remainingTime())))
            break;
        reply += socket.readAll();
    }
    return reply == Answer;
}
