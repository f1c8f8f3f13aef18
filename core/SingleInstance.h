// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QObject>
#include <QString>

#include <memory>

class QLocalServer;

// One program per notebook file. The first program on a file holds a lock
// named after it and listens on a local socket of the same name; a second
// one asks it to bring its window forward and ends. The lock (not the socket)
// decides who is first, so a socket left over by a crash fools nobody.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    // key: DatabaseLocation::instanceKey() of the notebook.
    explicit SingleInstance(const QString &key, QObject *parent = nullptr);
    ~SingleInstance() override;

    enum Outcome {
        First,      // this program has the notebook
        Forwarded,  // another program has it and was asked to come forward
        AlreadyOpen // another program has it and did not answer
    };
    Outcome claim();
    // After a First claim: answers later programs from now on. Called once the
    // window is up (later programs wait for the answer a while), so that
    // start-up does not wait for the socket.
    void listen();

    QString lockFilePath() const { return m_lockPath; }

signals:
    // A later program on the same notebook asked this one to come forward.
    void activationRequested();

private:
    bool askFirstToComeForward() const;

    QString m_key;
    QString m_lockPath;
    QLockFile m_lock;
    std::unique_ptr<QLocalServer> m_server;
};
