// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "core/DatabaseLocation.h"

#include <QLockFile>
#include <QObject>
#include <QString>

#include <map>
#include <memory>

class QSocketNotifier;

// One program per notebook file. The first program on a file holds a lock
// named after it and listens on a local socket of the same name; a second
// one asks it to bring its window forward and ends. The lock (not the socket)
// decides who is first, so a socket left over by a crash fools nobody.
// Lock and socket live in a folder only this user can enter (see
// privateFolder), so that no other user of the machine can plant them.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const DatabaseLocation &notebook, QObject *parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR/tavorin when that folder is this user's alone, else
    // the folder .tavorin-lock beside the notebook (made 0700).
    static QString privateFolder(const QString &notebookPath);

    enum Outcome {
        First,       // this program has the notebook
        Forwarded,   // another program has it and was asked to come forward
        AlreadyOpen, // another program has it and did not answer
        Unsafe       // the folder for the lock is not this user's alone (privateFolder())
    };
    Outcome claim();
    // After a First claim: answers later programs from now on. Called once the
    // window is up (later programs wait for the answer a while), so that
    // start-up does not wait for the socket.
    void listen();
    // Takes the lock without listening, for a tool that replaces the file:
    // false while a program has the notebook (or the folder is not private).
    bool lockOnly();

    QString lockFilePath() const { return m_lockPath; }

signals:
    // A later program on the same notebook asked this one to come forward.
    void activationRequested();

private:
    struct Peer;
    bool folderIsPrivate() const;
    bool askFirstToComeForward() const;
    void acceptPeers();
    void readPeer(int fd);
    void dropPeer(int fd);

    QString m_folder;
    QString m_socket;
    QString m_lockPath;
    QLockFile m_lock;
    // The listening Unix-domain socket (-1: not listening) and the later
    // programs connected to it, by their descriptors.
    int m_listener = -1;
    std::unique_ptr<QSocketNotifier> m_accepting;
    std::map<int, std::unique_ptr<Peer>> m_peers;
};
