#pragma once

#include "app/startfiles.h"

#include <QLocalServer>
#include <QLockFile>
#include <QObject>
#include <QString>

// One running client per user. A lock file in the user's runtime directory decides which
// start is the first; the first listens on a local socket beside it, and every later start
// asks it to come forward, hands it the files it was given and then leaves.
class SingleInstance : public QObject
{
    Q_OBJECT

public:
    // `runtimeDir`: where the lock and the socket live; empty for the user's runtime
    // directory.
    explicit SingleInstance(const QString& runtimeDir = QString());

    // True for the first instance, which then listens; false when another instance runs (it
    // has been asked to come forward and given `files` when it could be reached).
    bool Acquire(const StartFiles& files = {});

signals:
    // A later start asked this instance to come forward.
    void activationRequested();
    // A later start was given files; emitted after activationRequested.
    void filesReceived(const StartFiles& files);

private:
    void OnConnection();
    void OnMessage(QByteArrayView message);

    QString socketPath;
    QLockFile lock;
    QLocalServer server;
};
