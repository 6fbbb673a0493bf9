#include "app/singleinstance.h"

#include "utility/applog.h"

#include <QByteArray>
#include <QDir>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

#include <memory>

#include <unistd.h>

namespace {

constexpr QByteArrayView kActivate = "activate\n";
constexpr int kConnectAttempts = 20;
constexpr int kConnectWaitMs = 250;

QString InstanceDir(const QString& runtimeDir)
{
    if (!runtimeDir.isEmpty())
        return runtimeDir;
    // XDG_RUNTIME_DIR, or a private per-user directory Qt creates when it is unset.
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString InstanceBase(const QString& runtimeDir)
{
    return QDir(InstanceDir(runtimeDir)).filePath(QStringLiteral("Dokora-%1").arg(getuid()));
}

} // namespace

SingleInstance::SingleInstance(const QString& runtimeDir)
    : socketPath(InstanceBase(runtimeDir) + QStringLiteral(".sock")),
      lock(InstanceBase(runtimeDir) + QStringLiteral(".lock"))
{
    // A lock left by a crashed instance is taken over at once (its process is gone).
    lock.setStaleLockTime(0);
    connect(&server, &QLocalServer::newConnection, this, &SingleInstance::OnConnection);
}

bool SingleInstance::Acquire(const StartFiles& files)
{
    if (lock.tryLock(0)) {
        QLocalServer::removeServer(socketPath);
        server.setSocketOptions(QLocalServer::UserAccessOption);
        if (!server.listen(socketPath))
            AppLog("SingleInstance::Acquire", "cannot listen on " + socketPath.toStdString() +
                                                  ": " + server.errorString().toStdString());
        return true;
    }
    // The first instance may still be starting: give it a moment to listen.
    for (int attempt = 0; attempt < kConnectAttempts; ++attempt) {
        QLocalSocket socket;
        socket.connectToServer(socketPath);
        if (socket.waitForConnected(kConnectWaitMs)) {
            socket.write(kActivate.data(), kActivate.size());
            socket.write(EncodeStartFiles(files));
            socket.waitForBytesWritten(kConnectWaitMs);
            socket.disconnectFromServer();
            return false;
        }
        QThread::msleep(kConnectWaitMs / 2);
    }
    return false;
}

void SingleInstance::OnConnection()
{
    while (QLocalSocket* socket = server.nextPendingConnection()) {
        // The message is complete once the later start has hung up.
        auto message = std::make_shared<QByteArray>();
        connect(socket, &QLocalSocket::readyRead, this,
                [socket, message] { message->append(socket->readAll()); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket, message] {
            message->append(socket->readAll());
            socket->deleteLater();
            OnMessage(*message);
        });
    }
}

void SingleInstance::OnMessage(QByteArrayView message)
{
    if (!message.startsWith(kActivate))
        return;
    emit activationRequested();
    const auto files = DecodeStartFiles(message.sliced(kActivate.size()));
    if (files && !files->paths.empty())
        emit filesReceived(*files);
}
