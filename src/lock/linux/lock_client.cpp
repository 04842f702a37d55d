#include "lock/linux/lock_client.h"

#include "lock/linux/lock_protocol.h"
#include "lock/linux/self_start.h"
#include "platform/x11/instance_files.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A new instance needs a few seconds on a busy machine; a guard that relocks takes the
// socket over within a second.
constexpr milliseconds kStartWait{15000};
constexpr milliseconds kRejoinWait{10000};
constexpr milliseconds kRetry{50};

// XSS_SLEEP_LOCK_FD: held until the lock holds (or will not come), then closed.
class SleepDelay {
public:
    SleepDelay() {
        const char* named = std::getenv("XSS_SLEEP_LOCK_FD");
        char* end = nullptr;
        const long fd = named && *named ? std::strtol(named, &end, 10) : -1;
        // Standard input, output and error are never it.
        if (end && *end == '\0' && fd > STDERR_FILENO && fd < 65536 &&
            ::fcntl(static_cast<int>(fd), F_GETFD) != -1)
            fd_ = static_cast<int>(fd);
        // Nothing this process starts is told of it (nor gets it: self_start.h).
        ::unsetenv("XSS_SLEEP_LOCK_FD");
    }
    void release() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

SleepDelay& sleepDelay() {
    static SleepDelay delay;
    return delay;
}

int fail(const std::string& line) {
    sleepDelay().release();
    std::fprintf(stderr, "appVTR: %s\n", line.c_str());
    return 1;
}

int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1); // the length is checked
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Connects to the instance's socket, waiting for an instance that is starting. With
// `mayStart`, starts one when none runs. -1 with `why` set when none answers in time.
int reach(const std::string& socket, const std::string& lock, bool mayStart, std::string& why) {
    const Clock::time_point deadline = Clock::now() + (mayStart ? kStartWait : kRejoinWait);
    pid_t started = 0;
    bool startedOnce = false;
    for (;;) {
        const int fd = connectTo(socket);
        if (fd >= 0)
            return fd;
        if (mayStart && !startedOnce && !platform::instanceLockHeld(lock)) {
            startedOnce = true;
            started = startSelf({}, -1, true);
            if (started < 0) {
                why = std::string("Veltrane could not be started (") + std::strerror(errno) + ")";
                return -1;
            }
        }
        // One that ends at once did not start (one that lost the race to another starting
        // Veltrane ends with status 0, and that other one answers).
        const int status = started > 0 ? reapIfEnded(started) : -1;
        if (status >= 0) {
            started = 0;
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                why = "Veltrane could not be started (it ended at once)";
                return -1;
            }
        }
        if (Clock::now() >= deadline) {
            why = platform::instanceLockHeld(lock) ? "the running Veltrane does not answer"
                  : mayStart                       ? "Veltrane did not start in time"
                                                   : "";
            return -1;
        }
        std::this_thread::sleep_for(kRetry);
    }
}

enum class Answer { Locked, Unlocked, Refused, Lost, NotUnderstood };

// Reads the instance's lines until its last one or the end of the connection; with
// `untilLocked`, until the lock holds.
Answer follow(int fd, bool untilLocked, std::string& why) {
    std::string pending;
    char buffer[256];
    for (;;) {
        for (auto end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
            const std::string line = pending.substr(0, end);
            pending.erase(0, end + 1);
            if (line == lockproto::kLocked) {
                sleepDelay().release();
                if (untilLocked)
                    return Answer::Locked;
            } else if (line == lockproto::kUnlocked) {
                return Answer::Unlocked;
            } else if (line.rfind(lockproto::kRefused, 0) == 0) {
                why = line.substr(std::strlen(lockproto::kRefused));
                return Answer::Refused;
            } else {
                return Answer::NotUnderstood;
            }
        }
        if (pending.size() > lockproto::kMaxLine)
            return Answer::NotUnderstood;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return Answer::Lost;
        pending.append(buffer, static_cast<std::size_t>(n));
    }
}

bool send(int fd, const char* request) {
    const std::string line = std::string(request) + "\n";
    return ::send(fd, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
}

} // namespace

int lockRefused(const char* why) {
    return fail(std::string("the desktop was not locked: ") + why);
}

int requestLock(bool daemonize) {
    sleepDelay(); // taken before anything is started
    const platform::InstancePath socket = platform::instanceFile(".socket");
    const platform::InstancePath lock = platform::instanceFile(".lock");
    if (socket.path.empty())
        return lockRefused(("Veltrane cannot be reached: " + socket.error).c_str());
    // After the instance ended in the middle of a lock, its guard locks again: the
    // desktop is unlocked only once that lock is.
    bool rejoining = false;
    for (;;) {
        std::string why;
        const int fd = reach(socket.path, lock.path, !rejoining, why);
        if (fd < 0 && rejoining)
            return fail("Veltrane ended before the desktop was unlocked, and nothing locked "
                        "it again");
        if (fd < 0)
            return lockRefused(why.c_str());
        if (!lockproto::peerIsOwnUser(fd)) {
            const long uid = lockproto::peerUid(fd);
            ::close(fd);
            return lockRefused((socket.path + " is answered by a program of another user (uid " +
                                std::to_string(uid) + ")")
                                   .c_str());
        }
        const Answer answer = send(fd, rejoining ? lockproto::kJoin : lockproto::kLock)
                                  ? follow(fd, daemonize, why)
                                  : Answer::Lost;
        ::close(fd);
        switch (answer) {
        case Answer::Locked:
        case Answer::Unlocked:
            return 0;
        case Answer::Refused:
            return lockRefused(why.c_str());
        case Answer::NotUnderstood:
            return lockRefused("the running Veltrane gave an answer that was not understood");
        case Answer::Lost:
            rejoining = true;
            break;
        }
    }
}
