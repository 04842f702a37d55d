// `appVTR --lock` against the instance's socket, with the lock itself played by the test
// through lockState(): what is answered and when, a request that joins, one held back by
// a box in the set-up, and the client's exit status and sleep descriptor. The whole
// program does the same with xss-lock and a real lock in tests/whole/test_lock_command.py.

#include "lock/linux/lock_client.h"
#include "lock/linux/lock_requests.h"
#include "lock/linux/lock_state.h"
#include "support/temp_dir.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLocalSocket>
#include <QTest>
#include <QTimer>
#include <fcntl.h>
#include <future>
#include <memory>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A client of the socket that keeps every line it is told.
struct Client {
    explicit Client(const char* request) {
        socket.connectToServer(QString::fromStdString(path()));
        socket.write(QByteArray(request) + '\n');
        QObject::connect(&socket, &QLocalSocket::readyRead, [this] {
            while (socket.canReadLine())
                lines.append(socket.readLine().trimmed());
        });
    }
    static std::string path() {
        return std::string(qgetenv("XDG_RUNTIME_DIR")) + "/veltrane-" + std::to_string(getuid()) +
               "-.socket";
    }
    QLocalSocket socket;
    QByteArrayList lines;
};

// True when `fd` is at its end (every writer closed) within `ms`.
bool closedWithin(int fd, int ms) {
    pollfd watched{fd, POLLIN, 0};
    char byte;
    return ::poll(&watched, 1, ms) == 1 && ::read(fd, &byte, 1) == 0;
}

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

    // Two requests: one lock, answered only once it holds and again at its end.
    void aRequestWaitsForTheLockAndAnotherJoins() {
        Client first("lock"), second("lock");
        QTRY_COMPARE(lockState().phase(), LockState::Phase::SettingUp);
        QTest::qWait(100);
        QCOMPARE(first.lines, QByteArrayList());
        lockState().held();
        QTRY_COMPARE(second.lines, QByteArrayList{"locked"});
        Client late("lock"); // joins the held lock: told at once
        QTRY_COMPARE(late.lines, QByteArrayList{"locked"});
        lockState().end();
        for (Client* client : {&first, &second, &late})
            QTRY_COMPARE(client->lines, (QByteArrayList{"locked", "unlocked"}));
        QCOMPARE(starts, 1);
        QTRY_COMPARE(first.socket.state(), QLocalSocket::UnconnectedState);
    }

    void refusedJoinAndNonsense() {
        lock = [] { lockState().refuse(QStringLiteral("no password is stored")); };
        Client refused("lock");
        QTRY_COMPARE(refused.lines, QByteArrayList{"refused no password is stored"});
        Client join("join"); // nothing under way: nothing to wait for
        QTRY_COMPARE(join.lines, QByteArrayList{"unlocked"});
        Client nonsense("open sesame");
        QTRY_COMPARE(nonsense.socket.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(nonsense.lines, QByteArrayList());
        QCOMPARE(starts, 1);
    }

    // The set-up lets events run, and a box opened then keeps it from finishing: a
    // request in that time is neither answered early nor lost.
    void aBoxInTheSetUpHoldsRequestsBack() {
        std::unique_ptr<Client> during;
        lock = [&during] {
            lockState().begin();
            QEventLoop box;
            during = std::make_unique<Client>("lock");
            QTimer::singleShot(300, &box, &QEventLoop::quit);
            box.exec();
            QCOMPARE(during->lines, QByteArrayList());
        };
        Client first("lock");
        QTRY_VERIFY(during && lockState().underWay());
        QTest::qWait(400);
        QCOMPARE(during->lines, QByteArrayList());
        lockState().held();
        QTRY_COMPARE(during->lines, QByteArrayList{"locked"});
        QCOMPARE(starts, 1);
    }

    // The client: 0 at the unlock (daemonized: once the lock holds), 1 when refused; the
    // sleep descriptor (here a pipe's writing end) is closed when the lock holds, not
    // before.
    void theClientsStatusAndSleepDescriptor() {
        int sleep[2];
        QVERIFY(::pipe2(sleep, O_CLOEXEC) == 0);
        qputenv("XSS_SLEEP_LOCK_FD", QByteArray::number(sleep[1]));
        auto status = std::async(std::launch::async, requestLock, false);
        QTRY_COMPARE(lockState().phase(), LockState::Phase::SettingUp);
        QTest::qWait(100);
        QVERIFY(!closedWithin(sleep[0], 0));
        lockState().held();
        QTRY_VERIFY(closedWithin(sleep[0], 0));
        QVERIFY(status.wait_for(std::chrono::milliseconds(100)) == std::future_status::timeout);
        lockState().end();
        QTRY_VERIFY(status.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready);
        QCOMPARE(status.get(), 0);
        ::close(sleep[0]);

        status = std::async(std::launch::async, requestLock, true);
        QTRY_COMPARE(lockState().phase(), LockState::Phase::SettingUp);
        QTest::qWait(100);
        QVERIFY(status.wait_for(std::chrono::milliseconds(0)) == std::future_status::timeout);
        lockState().held();
        QTRY_VERIFY(status.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready);
        QCOMPARE(status.get(), 0);
        lockState().end();

        lock = [] { lockState().refuse(QStringLiteral("another program is holding the mouse")); };
        status = std::async(std::launch::async, requestLock, false);
        QTRY_VERIFY(status.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready);
        QCOMPARE(status.get(), 1);
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
