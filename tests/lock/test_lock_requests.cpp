// `appVTR --lock` against the instance's socket, with the lock itself played by the test
// through lockState(): what is answered and when, requests that join, one held back by a
// box in the set-up, the client with -f. The client's other statuses and its sleep
// descriptor are checked with the whole program in tests/whole/test_lock_command.py.

#include "lock/linux/lock_client.h"
#include "lock/linux/lock_requests.h"
#include "lock/linux/lock_state.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocalSocket>
#include <QTest>
#include <QTimer>
#include <future>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A client of the socket that keeps every line it is told.
struct Client {
    explicit Client(const char* request) {
        socket.connectToServer(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/veltrane-" +
                               QString::number(getuid()) + "-.socket");
        socket.write(QByteArray(request) + '\n');
        QObject::connect(&socket, &QLocalSocket::readyRead, [this] {
            while (socket.canReadLine())
                lines.append(socket.readLine().trimmed());
        });
    }
    QLocalSocket socket;
    QByteArrayList lines;
};

} // namespace

class LockRequestsTest : public QObject {
    Q_OBJECT

    int starts = 0;
    std::function<void()> lock; // what the lock command does this time

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(lockrequests::serve([this] {
            ++starts;
            lock();
        }));
    }

    void init() {
        starts = 0;
        lock = [] { lockState().begin(); };
    }

    void cleanup() { lockState().end(); }

    // Requests while a lock sets up, one of them while a box keeps the set-up from
    // finishing (it lets events run): one lock, answered only once it holds (where the
    // client with -f returns 0) and again at its end; one to the held lock is told at once.
    // (The refusals are told with the whole program in tests/whole/test_lock_command.py.)
    void requestsJoinOneLock() {
        std::unique_ptr<Client> during;
        lock = [&during] {
            lockState().begin();
            QEventLoop box;
            during = std::make_unique<Client>("lock");
            QTimer::singleShot(300, &box, &QEventLoop::quit);
            box.exec();
        };
        Client first("lock");
        auto daemonized = std::async(std::launch::async, requestLock, true);
        const auto returned = [&daemonized] {
            return daemonized.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        };
        QTRY_VERIFY(during && lockState().underWay());
        QTest::qWait(400);
        QVERIFY(first.lines.isEmpty() && during->lines.isEmpty() && !returned());
        lockState().held();
        QTRY_COMPARE(during->lines, QByteArrayList{"locked"});
        QTRY_VERIFY(returned());
        QCOMPARE(daemonized.get(), 0);
        Client late("lock");
        QTRY_COMPARE(late.lines, QByteArrayList{"locked"});
        lockState().end();
        for (Client* client : {&first, during.get(), &late})
            QTRY_COMPARE(client->lines, (QByteArrayList{"locked", "unlocked"}));
        Client join("join"); // nothing under way: nothing to wait for
        QTRY_COMPARE(join.lines, QByteArrayList{"unlocked"});
        QCOMPARE(starts, 1);
    }
};

int main(int argc, char* argv[]) {
    TempDir runtime;
    ::chmod(runtime.path().c_str(), 0700);
    qputenv("XDG_RUNTIME_DIR", runtime.path().c_str());
    qunsetenv("DISPLAY");
    QCoreApplication app(argc, argv);
    LockRequestsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_lock_requests.moc"
