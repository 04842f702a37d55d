#include "shell/win32/frmMain.h"

#include "lock/win32/lock_supervisor.h"
#include "lock/win32/lock_window.h"
#include "shell/mdlKeyCode.h"
#include "shell/menu_commands.h"
#include "shell/win32/clsTray.h"
#include "shell/win32/tray_menu.h"

#include <cstdlib>

namespace {

const char* const kCaption = "Veltrane";
const char* const kClassName = "VeltraneMain";

HWND window = nullptr;
HICON programIcon = nullptr;
clsTray objTray;
// Sent by the shell when the taskbar is made again (Explorer restarted).
UINT taskbarCreated = 0;

// The program's icon (resource 1) at the size the notification area shows.
HICON loadProgramIcon(HINSTANCE instance) {
    return static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

void onTrayCallback(LPARAM lParam) {
    // Nothing of the program may come up over the lock.
    if (!objTray.bRunningInTray() || lockShown())
        return;
    if (LOWORD(lParam) != WM_RBUTTONUP)
        return;
    // No exception may leave a window procedure; a failed refresh opens no menu.
    try {
        refreshPasswordMenu();
        showTrayMenu(window);
    } catch (...) {
    }
}

LRESULT CALLBACK mainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kTrayCallbackMessage) {
        onTrayCallback(lParam);
        return 0;
    }
    if (message == taskbarCreated && taskbarCreated != 0) {
        if (objTray.bRunningInTray())
            objTray.ShowIcon(hwnd, programIcon, kCaption);
        return 0;
    }
    switch (message) {
    case WM_COMMAND:
        // A menu entry's identifier, as the menu itself would have chosen it.
        if (runTrayCommand(LOWORD(wParam)))
            return 0;
        break;
    case WM_KEYDOWN:
        // F1 opens the help window, whatever shift keys are held.
        if (wParam == VK_F1) {
            runTrayCommand(kContentsCommand);
            return 0;
        }
        break;
    case WM_CLOSE:
        // Another program asking this one to end (the installer before it replaces the
        // files, taskkill): as Quit, so never while locked.
        mExit_Click();
        return 0;
    case WM_ENDSESSION:
        if (wParam)
            objTray.RemoveIcon(hwnd);
        return 0;
    case WM_DESTROY:
        objTray.RemoveIcon(hwnd);
        window = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

} // namespace

bool loadMainWindow(HINSTANCE instance) {
    programIcon = loadProgramIcon(instance);
    WNDCLASSA type{};
    type.lpfnWndProc = mainProc;
    type.hInstance = instance;
    type.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    type.lpszClassName = kClassName;
    if (!RegisterClassA(&type))
        return false;
    taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    window = CreateWindowExA(WS_EX_TOOLWINDOW, kClassName, kCaption, WS_POPUP, 0, 0, 0, 0, nullptr,
                             nullptr, instance, nullptr);
    if (!window)
        return false;
    // An icon left by an earlier run that ended abruptly goes first.
    objTray.RemoveIcon(window);
    objTray.ShowIcon(window, programIcon, kCaption);
    return true;
}

HWND mainWindow() {
    return window;
}

// Quit: the icon goes with the main window, then the program ends at once, from whatever
// loop it is in. Never while locked.
void mExit_Click() {
    if (lockShown())
        return;
    LockSupervisor::standDown();
    if (window)
        DestroyWindow(window);
    std::exit(0);
}
