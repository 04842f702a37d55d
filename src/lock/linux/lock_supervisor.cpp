#include "lock/linux/lock_supervisor.h"

#include "lock/linux/lock_guard.h"
#include "lock/linux/lock_requests.h"
#include "lock/linux/lock_state.h"
#include "lock/linux/screen_lock.h"
#include "platform/program_folder.h"
#include "platform/x11/x11_session.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <QApplication>
#include <QTimer>
#include <fcntl.h>
#include <unistd.h>

namespace LockSupervisor {

namespace {

// True when the lock was opened with the password.
bool relock(int argc, char* argv[]) {
    if (platform::waylandSession())
        platform::useWaylandPlatform(); // the lock has a connection of its own
    else
        platform::openX11Display();
    QApplication app(argc, argv);
    platform::closeX11Probe();
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QApplication::setQuitOnLastWindowClosed(false);
    bool unlocked = false;
    QObject::connect(&lockState(), &LockState::ended, &app, [&unlocked] {
        unlocked = true;
        QCoreApplication::exit(0);
    });
    lockState().begin();
    // The lock first; then a guard for it, and the dead program's clients.
    startScreenLock(LockStart::Guard);
    lockguard::keep();
    lockrequests::serve(nullptr);
    QApplication::exec();
    lockrequests::stop();
    lockguard::dismiss();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return unlocked;
}

// The tray program again, in this process: the desktop's user gets the icon back.
[[noreturn]] void becomeTray() {
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing >= 0)
        ::dup2(nothing, STDIN_FILENO); // was the dead program's socket
    // Closed by the exec itself: toolkit threads that outlive the application (D-Bus)
    // would otherwise poll descriptors closed under them and say so on stderr.
    if (::close_range(STDERR_FILENO + 1, ~0U, CLOSE_RANGE_CLOEXEC) != 0)
        ::close_range(STDERR_FILENO + 1, ~0U, 0);
    ::execl("/proc/self/exe", "appVTR", static_cast<char*>(nullptr));
    ::_exit(1);
}

} // namespace

int run(int argc, char* argv[]) {
    // The password file where the program read it.
    setProgramFolder(executableFolder());
    chooseDataFolder();
    // Read as each lock begins, as the lock command did: that is the password it accepts.
    bool havePassword = false;
    if (!lockguard::waitForProgramEnd(
            [&havePassword] { havePassword = readPasswordFile(kPasswordFileName); }))
        return 0; // ended while unlocked: nothing to guard
    if (!havePassword && !readPasswordFile(kPasswordFileName))
        return 0; // nothing could ever open a lock
    mdlGlobal::strLockPassword = mdlGlobal::strPassword;
    if (!relock(argc, argv))
        return 0;
    becomeTray();
}

} // namespace LockSupervisor
