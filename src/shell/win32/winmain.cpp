// appVTR.exe: Veltrane on Windows, a notification-area program that locks the desktop
// behind a password.

#include "lock/win32/lock_supervisor.h"
#include "platform/application.h"
#include "platform/program_folder.h"
#include "platform/win32/win32_forms.h"
#include "shell/mdlKeyCode.h"
#include "shell/win32/frmMain.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    // The lock's supervisor is this program too; it is no second instance.
    if (LockSupervisor::isSupervisorCommand(arguments))
        return LockSupervisor::run(arguments);
    InitCommonControls();
    setProgramFolder(executableFolder());
    // A second start ends quietly; the running instance keeps the icon.
    if (platform::application().prevInstance())
        return 0;
    // Nowhere safe for the password: the user is told why, and nothing runs.
    const DataFolderChoice data = chooseDataFolder();
    if (!data.refusal.empty()) {
        win32::msgBox(data.refusal, 16, "Veltrane");
        return 1;
    }
    if (!loadMainWindow(instance))
        return 1;
    refreshPasswordMenu();
    LockSupervisor::start();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
