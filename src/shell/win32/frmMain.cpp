#include "shell/win32/frmMain.h"

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

// The program's picture, drawn so that it needs no resource: a white padlock on navy.
HICON drawProgramIcon() {
    constexpr int kSize = 32;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP colour = CreateCompatibleBitmap(screen, kSize, kSize);
    HBITMAP mask = CreateBitmap(kSize, kSize, 1, 1, nullptr);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, colour);
    HBRUSH navy = CreateSolidBrush(RGB(0, 0, 128));
    const RECT all{0, 0, kSize, kSize};
    FillRect(dc, &all, navy);
    HPEN white = CreatePen(PS_SOLID, 3, RGB(255, 255, 255));
    HGDIOBJ oldPen = SelectObject(dc, white);
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(NULL_BRUSH));
    Arc(dc, 10, 4, 22, 18, 22, 11, 10, 11); // the shackle
    SelectObject(dc, GetStockObject(WHITE_BRUSH));
    Rectangle(dc, 7, 14, 25, 28); // the body
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    SelectObject(dc, mask);
    PatBlt(dc, 0, 0, kSize, kSize, BLACKNESS); // every pixel opaque
    SelectObject(dc, old);
    ICONINFO info{TRUE, 0, 0, mask, colour};
    HICON icon = CreateIconIndirect(&info);
    DeleteObject(white);
    DeleteObject(navy);
    DeleteObject(mask);
    DeleteObject(colour);
    DeleteDC(dc);
    return icon;
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
        return 0; // the program ends by Quit only
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
    programIcon = drawProgramIcon();
    WNDCLASSA type{};
    type.lpfnWndProc = mainProc;
    type.hInstance = instance;
    type.hIcon = programIcon;
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
    if (window)
        DestroyWindow(window);
    std::exit(0);
}
