// appVTR: Veltrane, a notification-area program that locks the desktop behind a password.

#include "lock/linux/lock_client.h"
#include "lock/linux/lock_guard.h"
#include "lock/linux/lock_protocol.h"
#include "lock/linux/lock_requests.h"
#include "lock/linux/logind_lock.h"
#include "lock/x11/lock_supervisor.h"
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
#include <sys/stat.h>

namespace {

constexpr int kTrayWaitMs = 10000;

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

// --lock: waits for the unlock, with no toolkit of its own.
int lockFromCommandLine() {
    if (platform::waylandSession())
        return lockRefused(lockproto::kWaylandRefusal);
    if (!platform::openX11Display())
        return lockRefused("Veltrane needs a graphical X11 session, and no X display could be "
                           "opened (is DISPLAY set?)");
    platform::closeX11Probe();
    return requestLock();
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
        return lockFromCommandLine();
    if (command.mode != StartMode::Run)
        return printOnly(command);
    if (!platform::openX11Display()) {
        std::fputs("appVTR: Veltrane needs a graphical X11 session, and no X display could be "
                   "opened (is DISPLAY set?)\n",
                   stderr);
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
    warnWhenNoNotificationArea(kTrayWaitMs);
    const int code = QApplication::exec();

    // Terminate: whatever is still loaded unloads, so the unload handling (the icon's
    // removal among it) runs before the process ends.
    platform::formSlot<frmMain>().unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return code;
}
