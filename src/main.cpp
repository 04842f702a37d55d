// appVTR: Veltrane, a notification-area program that locks the desktop behind a password.

#include "platform/forms.h"
#include "platform/program_folder.h"
#include "shell/frmMain.h"
#include "shell/program_icon.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Veltrane"));
    QApplication::setWindowIcon(programIcon());
    // The program lives in the notification area, not in its windows.
    QApplication::setQuitOnLastWindowClosed(false);
    setProgramFolder(executableFolder());

    platform::formSlot<frmMain>().get().Form_Load();
    const int code = QApplication::exec();

    // Terminate: whatever is still loaded unloads, so the unload handling (the icon's
    // removal among it) runs before the process ends.
    platform::formSlot<frmMain>().unload();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return code;
}
