#include "lock/linux/lock_requests.h"

#include "lock/linux/lock_protocol.h"
#include "lock/linux/lock_state.h"
#include "platform/x11/instance_files.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <cstdio>
#include <memory>
#include <utility>

namespace lockrequests {

namespace {

// A final answer that cannot be written at once is not waited on for longer.
constexpr int kLastWriteMs = 200;

class Server : public QObject {
public:
    explicit Server(std::function<void()> startLock) : startLock_(std::move(startLock)) {
        connect(&server_, &QLocalServer::newConnection, this, &Server::accept);
        LockState& state = lockState();
        connect(&state, &LockState::lockHeld, this, [this] {
            for (QLocalSocket* client : std::as_const(waiting_))
                say(client, lockproto::kLocked);
        });
        connect(&state, &LockState::ended, this, [this] { answerAll(lockproto::kUnlocked); });
        connect(&state, &LockState::refused, this, [this](const QString& why) {
            answerAll(QByteArray(lockproto::kRefused) + why.toUtf8());
        });
    }

    bool listen(const QString& path, QString& error) {
        server_.setSocketOptions(QLocalServer::UserAccessOption);
        // Only the holder of the instance lock gets here: a socket left there is stale.
        QLocalServer::removeServer(path);
        if (server_.listen(path))
            return true;
        error = server_.errorString();
        return false;
    }

    void close() {
        for (QLocalSocket* client : findChildren<QLocalSocket*>())
            client->waitForBytesWritten(kLastWriteMs);
        server_.close();
    }

private:
    void accept() {
        while (QLocalSocket* client = server_.nextPendingConnection()) {
            client->setParent(this);
            if (!lockproto::peerIsOwnUser(static_cast<int>(client->socketDescriptor()))) {
                client->abort();
                client->deleteLater();
                continue;
            }
            connect(client, &QLocalSocket::disconnected, this, [this, client] {
                waiting_.removeAll(client);
                client->deleteLater();
            });
            connect(client, &QLocalSocket::readyRead, this, [this, client] { read(client); });
            read(client);
        }
    }

    void read(QLocalSocket* client) {
        if (!client->canReadLine()) {
            if (client->bytesAvailable() > static_cast<qint64>(lockproto::kMaxLine))
                client->abort();
            return;
        }
        // One request per connection.
        disconnect(client, &QLocalSocket::readyRead, this, nullptr);
        const QByteArray request = client->readLine(lockproto::kMaxLine).trimmed();
        const bool lock = request == lockproto::kLock;
        if (!lock && request != lockproto::kJoin) {
            client->abort();
            return;
        }
        if (lockState().underWay()) {
            waiting_.append(client);
            if (lockState().phase() == LockState::Phase::Held)
                say(client, lockproto::kLocked);
            return;
        }
        if (!lock) {
            answer(client, lockproto::kUnlocked); // nothing to wait for
            return;
        }
        if (!startLock_) {
            answer(client, QByteArray(lockproto::kRefused) +
                               "Veltrane is starting again: try again in a moment");
            return;
        }
        waiting_.append(client);
        // From the event loop: the lock's set-up runs its own loops, and this handler's
        // socket must not be under them.
        if (!startQueued_) {
            startQueued_ = true;
            QTimer::singleShot(0, this, [this] {
                startQueued_ = false;
                startLock_();
            });
        }
    }

    static void say(QLocalSocket* client, const QByteArray& line) {
        client->write(line + '\n');
        client->flush();
    }

    static void answer(QLocalSocket* client, const QByteArray& line) {
        say(client, line);
        client->disconnectFromServer(); // once what is written has gone
    }

    void answerAll(const QByteArray& line) {
        const QList<QPointer<QLocalSocket>> clients = std::exchange(waiting_, {});
        for (QLocalSocket* client : clients) {
            if (client)
                answer(client, line);
        }
    }

    QLocalServer server_;
    std::function<void()> startLock_;
    QList<QPointer<QLocalSocket>> waiting_;
    bool startQueued_ = false;
};

Server* running = nullptr;

void complain(const char* what, const std::string& why) {
    std::fprintf(stderr, "appVTR: %s: %s\n", what, why.c_str());
}

} // namespace

bool serve(std::function<void()> startLock) {
    if (running)
        return true;
    std::string error;
    switch (platform::holdInstanceLock(&error)) {
    case platform::InstanceLock::Held:
        break;
    case platform::InstanceLock::HeldElsewhere:
        complain("appVTR --lock cannot reach this Veltrane", "another one holds the instance lock");
        return false;
    case platform::InstanceLock::Unavailable:
        complain("appVTR --lock and a second start cannot find this Veltrane", error);
        return false;
    }
    const platform::InstancePath socket = platform::instanceFile(".socket");
    auto server = std::make_unique<Server>(std::move(startLock));
    QString why;
    if (socket.path.empty() || !server->listen(QFile::decodeName(socket.path.c_str()), why)) {
        complain("appVTR --lock cannot reach this Veltrane",
                 socket.path.empty() ? socket.error : socket.path + ": " + why.toStdString());
        return false;
    }
    server->setParent(QCoreApplication::instance()); // closed (its file removed) at the end
    running = server.release();
    return true;
}

void stop() {
    if (running)
        running->close();
}

} // namespace lockrequests
