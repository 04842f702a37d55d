// appVTR: Veltrane, a notification-area program that locks the desktop behind a password.

#include "lock/lock_supervisor.h"
#include "platform/forms.h"
#include "platform/program_folder.h"
#include "shell/frmMain.h"
#include "shell/program_icon.h"

#include <QApplication>
#include <QFile>
#include <cstring>

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], LockSupervisor::kArgument) == 0)
        return LockSupervisor::run(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QApplication::setWindowIcon(programIcon());
    // The program lives in the notification area, not in its windows.
    QApplication::setQuitOnLastWindowClosed(false);
    setProgramFolder(QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString());

    platform::formSlot<frmMain>().get().Form_Load();
    const int code = QApplication::exec();

    // Terminate: whatever is still loaded unloads, so the unload handling (the icon's
    // removal among it) runs before the process ends.
    platform::formSlot<frmMain>().unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return code;
}
