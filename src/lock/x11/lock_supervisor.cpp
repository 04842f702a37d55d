#include "lock/x11/lock_supervisor.h"

#include "lock/x11/Form1.h"
#include "lock/x11/screen_capture.h"
#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace LockSupervisor {

const char* const kArgument = "--lock-supervisor";

namespace {

constexpr char kLocked = 'L';
constexpr char kUnlocked = 'U';
// The supervisor ends at once on "U"; it is reaped a little later, off the event path.
constexpr int kReapDelayMs = 1000;

bool writeAll(int fd, char what) {
    for (;;) {
        const ssize_t n = ::write(fd, &what, 1);
        if (n == 1)
            return true;
        if (n < 0 && errno == EINTR)
            continue;
        return false;
    }
}

// The supervisor's lock: the panel and the banner over a white screen, no picture.
class NoPicture : public platform::ScreenCapture {
public:
    std::shared_ptr<const platform::DesktopSnapshot> grabDesktop() override {
        // An empty picture: white wherever the lock shows it.
        return std::make_shared<platform::ImageSnapshot>(QImage(), QPoint());
    }
};

class Supervisor : public QObject {
public:
    Supervisor() : input_(STDIN_FILENO, QSocketNotifier::Read) {
        connect(&input_, &QSocketNotifier::activated, this, &Supervisor::readInput);
    }

private:
    void readInput() {
        char buffer[64];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            return;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == kUnlocked) {
                QCoreApplication::exit(0);
                return;
            }
            if (buffer[i] == kLocked && !locked_) {
                locked_ = true;
                // The password the lock accepts, read now as the lock command did.
                havePassword_ = readPasswordFile(kPasswordFileName);
            }
        }
        if (n > 0)
            return;
        input_.setEnabled(false);
        // The program ended: quietly when nothing was locked.
        if (!locked_ || !(havePassword_ || readPasswordFile(kPasswordFileName))) {
            QCoreApplication::exit(0);
            return;
        }
        mdlGlobal::strLockPassword = mdlGlobal::strPassword;
        platform::setScreenCapture(&noPicture_);
        lockAgain();
    }

    void lockAgain() {
        Form1& lock = platform::formSlot<Form1>().get();
        if (lock.isLocked()) {
            connect(&lock, &Form1::unlocked, qApp, [] { QCoreApplication::exit(0); });
            return;
        }
        // Another program holds the keyboard or the pointer: keep trying, never give up.
        platform::formSlot<Form1>().unload();
        QTimer::singleShot(0, this, &Supervisor::lockAgain);
    }

    QSocketNotifier input_;
    NoPicture noPicture_;
    bool locked_ = false;
    bool havePassword_ = false;
};

struct Child {
    pid_t pid = 0;
    int pipe = -1;
};

Child& child() {
    static Child running;
    return running;
}

void release() {
    Child& c = child();
    if (c.pipe >= 0) {
        writeAll(c.pipe, kUnlocked);
        ::close(c.pipe);
        c.pipe = -1;
    }
    if (c.pid > 0) {
        const pid_t pid = c.pid;
        c.pid = 0;
        QTimer::singleShot(kReapDelayMs, [pid] { ::waitpid(pid, nullptr, WNOHANG); });
    }
}

} // namespace

void watchOver(Form1& lock) {
    release();
    // Only X takes a dead program's windows and grabs away.
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return;
    // A dead supervisor must not end this program when it writes.
    std::signal(SIGPIPE, SIG_IGN);
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationFilePath());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>(kArgument), nullptr};
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.constData(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(ends[0]);
    if (failed != 0 || !writeAll(ends[1], kLocked)) {
        ::close(ends[1]);
        return;
    }
    child() = {pid, ends[1]};
    QObject::connect(&lock, &Form1::unlocked, &lock, [] { release(); });
}

int run(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The password file where the locked program read it.
    setProgramFolder(executableFolder());
    chooseDataFolder();
    Supervisor supervisor;
    const int code = QApplication::exec();
    platform::formSlot<Form1>().unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    platform::setScreenCapture(nullptr);
    return code;
}

} // namespace LockSupervisor
