#include "platform/application.h"
#include "platform/service_slot.h"
#include "platform/x11/instance_files.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {

// In the user's private folder (instance_files.h); empty when there is none.
QString instancePath(const char* suffix) {
    return QFile::decodeName(instanceFile(suffix).path.c_str());
}

const QByteArray kLockRequest = "lock\n";
const QByteArray kTaken = "ok\n";

class ProcessApplication : public Application {
public:
    bool prevInstance() override {
        // Without a lock to take the program runs as the instance.
        return holdInstanceLock() == InstanceLock::HeldElsewhere;
    }
    void endProcess(int code) override {
        std::fflush(nullptr);
        std::_Exit(code);
    }
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
