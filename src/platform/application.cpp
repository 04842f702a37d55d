#include "platform/application.h"
#include "platform/service_slot.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace platform {

namespace {

// One instance per user and display, so a second graphical session of the same user
// has its own. The user id keeps users apart even where the folder is shared.
QString instancePath(const char* suffix) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    const std::string name = instanceName(getuid(), qEnvironmentVariable("DISPLAY").toStdString());
    return folder + QLatin1Char('/') + QFile::decodeName(name.c_str()) + QLatin1String(suffix);
}

QString lockFilePath() {
    return instancePath(".lock");
}

const QByteArray kLockRequest = "lock\n";
const QByteArray kTaken = "ok\n";

class ProcessApplication : public Application {
public:
    bool prevInstance() override {
        if (lock_)
            return false;
        auto lock = std::make_unique<QLockFile>(lockFilePath());
        // Only a live owner holds the lock (same host, pid alive, same program name);
        // no age limit, since a long-running instance is not stale.
        lock->setStaleLockTime(0);
        if (!lock->tryLock(0))
            return lock->error() == QLockFile::LockFailedError;
        lock_ = std::move(lock);
        return false;
    }
    void endProcess(int code) override {
        std::fflush(nullptr);
        std::_Exit(code);
    }

private:
    std::unique_ptr<QLockFile> lock_;
};

} // namespace

bool listenForLockRequests(std::function<void()> onLock) {
    static QLocalServer* server = nullptr;
    if (server)
        return true;
    auto* listening = new QLocalServer(QCoreApplication::instance());
    listening->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the running instance gets here (it holds the lock file), so a socket left
    // by a crashed one is stale.
    QLocalServer::removeServer(instancePath(".socket"));
    if (!listening->listen(instancePath(".socket"))) {
        delete listening;
        return false;
    }
    QObject::connect(listening, &QLocalServer::newConnection, listening, [listening, onLock] {
        while (QLocalSocket* client = listening->nextPendingConnection()) {
            QObject::connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            QObject::connect(client, &QLocalSocket::readyRead, client, [client, onLock] {
                if (!client->canReadLine())
                    return;
                if (client->readLine(64) == kLockRequest) {
                    client->write(kTaken);
                    client->flush();
                    // After this handler, so the asking process is answered first.
                    QTimer::singleShot(0, client->parent(), onLock);
                }
                client->disconnectFromServer();
            });
        }
    });
    server = listening;
    return true;
}

bool askRunningInstanceToLock(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    // A running instance that is still starting has its socket a moment later.
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(instancePath(".socket"));
        if (socket.waitForConnected(static_cast<int>(deadline.remainingTime()))) {
            socket.write(kLockRequest);
            while (!socket.canReadLine() &&
                   socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            }
            return socket.canReadLine() && socket.readLine(64) == kTaken;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(50);
    }
}

Application& application() {
    return currentService<Application, ProcessApplication>();
}

void setApplication(Application* service) {
    installedService<Application>() = service;
}

} // namespace platform
