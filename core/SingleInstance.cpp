// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SingleInstance.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {
const QByteArray Request = "activate\n";
const QByteArray Answer = "ok\n";
} // namespace

SingleInstance::SingleInstance(const QString &key, QObject *parent)
    : QObject(parent), m_key(key), m_lockPath(QDir(QDir::tempPath()).filePath(key + QStringLiteral(".lock"))),
      m_lock(m_lockPath)
{
    // Only a lock whose program is gone is stale, however old it is.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close();
}

SingleInstance::Outcome SingleInstance::claim()
{
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
    QLocalServer::removeServer(m_key);
    if (!m_server->listen(m_key))
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
    socket.connectToServer(m_key);
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
