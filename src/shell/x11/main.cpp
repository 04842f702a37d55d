// appVTR: Veltrane, a notification-area program that locks the desktop behind a password.

#include "lock/linux/lock_client.h"
#include "lock/linux/lock_guard.h"
#include "lock/linux/lock_requests.h"
#include "lock/linux/lock_supervisor.h"
#include "lock/linux/logind_lock.h"
#include "lock/linux/screen_lock.h"
#include "lock/wayland/lock_probe.h"
#include "platform/application.h"
#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/on_error.h"
#include "platform/x11/x11_session.h"
#include "shell/menu_commands.h"
#include "shell/x11/command_line.h"
#include "shell/x11/frmMain.h"
#include "shell/x11/program_icon.h"
#include "shell/x11/session_check.h"

#include <QApplication>
#include <QFile>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {

constexpr int kTrayWaitMs = 10000;
constexpr int kDisplayWaitMs = 3000;

// The answers that need no display.
int printOnly(const CommandLine& command) {
    switch (command.mode) {
    case StartMode::Help:
        std::fputs(helpText().c_str(), stdout);
        return 0;
    case StartMode::Version:
        std::printf("appVTR (Veltrane) %s\n", VTR_VERSION);
        return 0;
    default:
        std::fprintf(stderr, "appVTR: unknown argument '%s'\n%s", command.argument.c_str(),
                     usageLine().c_str());
        return 2;
    }
}

const char* const kNoX11Display =
    "Veltrane needs a graphical session, and no X display could be opened (is DISPLAY set?)";

// --lock: waits for the unlock (or, daemonized, for the lock), with no toolkit of its own.
int lockFromCommandLine(bool daemonize) {
    if (platform::waylandSession()) {
        if (const std::optional<std::string> refusal = sessionLockRefusal())
            return lockRefused(refusal->c_str());
    } else if (!platform::openX11Display()) {
        return lockRefused(kNoX11Display);
    }
    platform::closeX11Probe();
    return requestLock(daemonize);
}

// Qt's platform for this session, checked before Qt would abort without a display.
bool openDisplay() {
    if (!platform::waylandSession())
        return platform::openX11Display();
    platform::useWaylandPlatform();
    return waylock::probeSessionLock(nullptr, kDisplayWaitMs) != waylock::LockSupport::NoCompositor;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], lockguard::kArgument) == 0)
        return LockSupervisor::run(argc, argv);
    CommandLine command = parseCommandLine(argc, argv);
    if (command.mode == StartMode::Login) {
        // A box at every login that says what cannot be changed helps nobody: the
        // journal (stderr) says it once.
        if (const auto refusal = sessionLockRefusal()) {
            std::fprintf(stderr, "appVTR: not started at login: %s\n", refusal->c_str());
            return 0;
        }
        command.mode = StartMode::Run;
    }
    if (command.mode == StartMode::Lock)
        return lockFromCommandLine(command.daemonize);
    if (command.mode != StartMode::Run)
        return printOnly(command);
    if (!openDisplay()) {
        std::fprintf(stderr, "appVTR: %s\n",
                     platform::waylandSession()
                         ? "Veltrane needs a graphical session, and no Wayland compositor "
                           "answered (is WAYLAND_DISPLAY set?)"
                         : kNoX11Display);
        return 1;
    }

    QApplication app(argc, argv);
    platform::closeX11Probe();
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QApplication::setWindowIcon(programIcon());
    // The program lives in the notification area, not in its windows.
    QApplication::setQuitOnLastWindowClosed(false);
    setProgramFolder(executableFolder());
    const DataFolderChoice data = chooseDataFolder();
    if (!data.refusal.empty()) {
        platform::forms().msgBox(QFile::decodeName(data.refusal.c_str()), platform::vbCritical,
                                 QStringLiteral("Veltrane"));
        return 1;
    }
    // The per-user folder is private, and so is every file written there.
    if (data.perUser)
        umask(077);

    platform::formSlot<frmMain>().get().Form_Load();
    // Only the running instance gets here.
    const auto lockNow = [] { platform::continueOnError(mnuShowMe_Click); };
    lockguard::keep();
    lockrequests::serve(lockNow);
    logind::follow(lockNow);
    prepareScreenLocks();
    warnWhenNoNotificationArea(kTrayWaitMs);
    const int code = QApplication::exec();

    // Terminate: whatever is still loaded unloads, so the unload handling (the icon's
    // removal among it) runs before the process ends.
    platform::formSlot<frmMain>().unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return code;
}
