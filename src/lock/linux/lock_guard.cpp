#include "lock/linux/lock_guard.h"

#include "lock/linux/lock_state.h"
#include "lock/linux/self_start.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <unistd.h>

namespace lockguard {

const char* const kArgument = "--lock-supervisor";

namespace {

// A guard that dies young is replaced after a pause, so that one that cannot live does
// not take the machine with it; one that cannot be started is tried again after a while.
constexpr qint64 kYoungMs = 1000;
constexpr int kRetryMs = 1000;
constexpr int kReapRetryMs = 500;
constexpr int kDismissTries = 50;
constexpr useconds_t kDismissPauseUs = 10000;

class Keeper : public QObject {
public:
    Keeper() : QObject(QCoreApplication::instance()) {
        LockState& state = lockState();
        connect(&state, &LockState::begun, this, [this] { tell(kLockBegins); });
        connect(&state, &LockState::ended, this, [this] { tell(kLockEnds); });
        connect(&state, &LockState::refused, this, [this] { tell(kLockEnds); });
        start();
    }

    void dismiss() {
        if (fd_ < 0)
            return;
        stopWatching();
        fd_ = -1;
        // It ends at once on the end of its input; a bounded wait for that.
        for (int tries = 0; tries < kDismissTries && reapIfEnded(pid_) < 0; ++tries)
            ::usleep(kDismissPauseUs);
    }

private:
    void start() {
        int ends[2];
        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
            cannotStart(std::strerror(errno));
            return;
        }
        pid_ = startSelf({kArgument}, ends[1], false);
        const int error = errno;
        ::close(ends[1]);
        if (pid_ < 0) {
            ::close(ends[0]);
            cannotStart(std::strerror(error));
            return;
        }
        said_ = false;
        fd_ = ends[0];
        age_.start();
        // The guard never writes: its end of the socket becomes readable when it dies.
        notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, &Keeper::died);
        if (lockState().underWay())
            tell(kLockBegins);
    }

    void cannotStart(const char* why) {
        if (!said_)
            std::fprintf(stderr,
                         "appVTR: no lock guard could be started (%s): while this lasts, "
                         "ending Veltrane during a lock leaves the desktop open\n",
                         why);
        said_ = true;
        QTimer::singleShot(kRetryMs, this, &Keeper::start);
    }

    void died() {
        char ignored[16];
        const ssize_t n = ::recv(fd_, ignored, sizeof ignored, MSG_DONTWAIT);
        if (n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR)))
            return; // it is alive (and said nothing it should have)
        stopWatching();
        fd_ = -1;
        reap(pid_);
        QTimer::singleShot(age_.elapsed() < kYoungMs ? kRetryMs : 0, this, &Keeper::start);
    }

    void reap(pid_t pid) {
        if (reapIfEnded(pid) < 0)
            QTimer::singleShot(kReapRetryMs, this, [this, pid] { reap(pid); });
    }

    // Off the event loop before the descriptor goes, and deleted from it (this may run
    // from the notifier's own signal).
    void stopWatching() {
        notifier_->setEnabled(false);
        notifier_->deleteLater();
        notifier_ = nullptr;
        ::close(fd_);
    }

    void tell(char what) {
        if (fd_ >= 0)
            ::send(fd_, &what, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    }

    int fd_ = -1;
    pid_t pid_ = -1;
    QSocketNotifier* notifier_ = nullptr;
    QElapsedTimer age_;
    bool said_ = false;
};

} // namespace

namespace {
Keeper* keeper = nullptr;
} // namespace

void keep() {
    if (!keeper)
        keeper = new Keeper;
}

void dismiss() {
    if (keeper)
        keeper->dismiss();
}

bool waitForProgramEnd(const std::function<void()>& lockBegins) {
    bool locked = false;
    char buffer[64];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return locked;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == kLockBegins && !locked) {
                locked = true;
                lockBegins();
            } else if (buffer[i] == kLockEnds) {
                locked = false;
            }
        }
    }
}

} // namespace lockguard
