#include "lock/linux/logind_lock.h"

#include "lock/linux/lock_state.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>
#include <unistd.h>

namespace logind {

namespace {

const QString kService = QStringLiteral("org.freedesktop.login1");
const QString kManagerPath = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kSession = QStringLiteral("org.freedesktop.login1.Session");

} // namespace

// A QObject of its own: the bus delivers signals to named slots only.
class Follower : public QObject {
    Q_OBJECT
public:
    Follower(QDBusConnection bus, std::function<void()> lock)
        : QObject(QCoreApplication::instance()), bus_(std::move(bus)), lock_(std::move(lock)) {
        bus_.connect(kService, kManagerPath, kManager, QStringLiteral("PrepareForSleep"), this,
                     SLOT(prepareForSleep(bool)));
        LockState& state = lockState();
        for (auto done : {&LockState::lockHeld, &LockState::ended})
            connect(&state, done, this, &Follower::letSleep);
        connect(&state, &LockState::refused, this, &Follower::letSleep);
        findSession();
        takeInhibitor();
    }

private Q_SLOTS:
    void sessionLock() { lock_(); }

    void prepareForSleep(bool sleeping) {
        sleeping_ = sleeping;
        if (!sleeping) {
            takeInhibitor();
            return;
        }
        lock_();
        // Already held (or nothing under way): sleep may come now.
        if (lockState().phase() != LockState::Phase::SettingUp)
            letSleep();
    }

private:
    void call(const QString& path, const QString& interface, const QString& method,
              const QList<QVariant>& arguments,
              const std::function<void(const QDBusMessage&)>& answered) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
        message.setArguments(arguments);
        auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(message), this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this,
                [answered](QDBusPendingCallWatcher* done) {
                    done->deleteLater();
                    // No logind answers with an error: then there is nothing to do.
                    if (!done->isError())
                        answered(done->reply());
                });
    }

    // The program's own session: the one its environment names, else the one logind
    // counts this process in.
    void findSession() {
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        const auto listen = [this](const QDBusMessage& reply) {
            const auto path = reply.arguments().value(0).value<QDBusObjectPath>().path();
            if (!path.isEmpty())
                bus_.connect(kService, path, kSession, QStringLiteral("Lock"), this,
                             SLOT(sessionLock()));
        };
        if (id.isEmpty())
            call(kManagerPath, kManager, QStringLiteral("GetSessionByPID"),
                 {QVariant::fromValue(static_cast<uint>(::getpid()))}, listen);
        else
            call(kManagerPath, kManager, QStringLiteral("GetSession"), {id}, listen);
    }

    void takeInhibitor() {
        if (inhibitor_.isValid() || asking_)
            return;
        asking_ = true;
        call(kManagerPath, kManager, QStringLiteral("Inhibit"),
             {QStringLiteral("sleep"), QStringLiteral("Veltrane"),
              QStringLiteral("Veltrane locks the desktop before the system sleeps"),
              QStringLiteral("delay")},
             [this](const QDBusMessage& reply) {
                 asking_ = false;
                 // Taken while the system went to sleep: it is too late to delay that.
                 if (!sleeping_)
                     inhibitor_ = reply.arguments().value(0).value<QDBusUnixFileDescriptor>();
             });
    }

    // The last copy of the descriptor closes it, and logind lets the system sleep.
    void letSleep() {
        if (sleeping_)
            inhibitor_ = QDBusUnixFileDescriptor();
    }

    QDBusConnection bus_;
    std::function<void()> lock_;
    QDBusUnixFileDescriptor inhibitor_;
    bool sleeping_ = false;
    bool asking_ = false;
};

void follow(std::function<void()> lock) {
    static bool following = false;
    QDBusConnection bus = QDBusConnection::systemBus();
    if (following || !bus.isConnected())
        return;
    following = true;
    new Follower(bus, std::move(lock));
}

} // namespace logind

#include "logind_lock.moc"
