// appVTR.exe: Veltrane on Windows, a notification-area program that locks the desktop
// behind a password.

#include "platform/application.h"
#include "platform/program_folder.h"
#include "platform/win32/win32_forms.h"
#include "shell/mdlKeyCode.h"
#include "shell/win32/frmMain.h"

#include <windows.h>

#include <commctrl.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
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
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
