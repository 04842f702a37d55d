// Test helper run under Wine beside appVTR.exe: reads and drives windows from the Windows
// side, since Wine draws controls inside one X window.
//   win_probe list     each visible top-level window, then its children:
//       top HWND CLASS TOPMOST X Y W H TEXT
//       child HWND ID CLASS ENABLED CHECKED FOCUSED PASSWORDCHAR TEXT
//     (CR and LF in a child's text as \r and \n)
//   win_probe raise    shows a topmost window of its own, takes the foreground and prints
//                      the class of the window that took it back (or after 5 s)
//   win_probe newshell removes the program's icon and tells it the taskbar was made
//                      again, as a shell that restarts does
//   win_probe post HWND|CLASS MSG WPARAM LPARAM   posts a message (HWND in hex as listed)
//   win_probe settext HWND TEXT
//   win_probe clip TEXT    puts TEXT on the clipboard
//   win_probe display W H  changes the screen's size (a Wine virtual desktop's)
//   win_probe fits HWND    prints the height a static control's text needs at its width
//                          in the forms' font, then the control's height
// With VTR_WINE_DESKTOP set, it works on the windows of that desktop (a Wine virtual
// desktop's name) instead of its own.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <windows.h>

#include <shellapi.h>

namespace {

LRESULT send(HWND hwnd, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hwnd, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
    return static_cast<LRESULT>(result);
}

std::string textOf(HWND hwnd) {
    std::string text(static_cast<size_t>(send(hwnd, WM_GETTEXTLENGTH)) + 1, '\0');
    text.resize(static_cast<size_t>(
        send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::string classOf(HWND hwnd) {
    char name[128] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

BOOL CALLBACK printChild(HWND hwnd, LPARAM focus) {
    std::string text;
    for (char c : textOf(hwnd))
        text += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    const std::string kind = classOf(hwnd);
    std::printf("child %p %d %s %d %d %d %d %s\n", static_cast<void*>(hwnd), GetDlgCtrlID(hwnd),
                kind.c_str(), IsWindowEnabled(hwnd) ? 1 : 0,
                kind == "Button" ? static_cast<int>(send(hwnd, BM_GETCHECK)) : 0,
                hwnd == reinterpret_cast<HWND>(focus) ? 1 : 0,
                kind == "Edit" ? static_cast<int>(send(hwnd, EM_GETPASSWORDCHAR)) : 0,
                text.c_str());
    return TRUE;
}

BOOL CALLBACK printTop(HWND hwnd, LPARAM) {
    if (!IsWindowVisible(hwnd))
        return TRUE;
    RECT r;
    GetWindowRect(hwnd, &r);
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info);
    std::printf("top %p %s %d %ld %ld %ld %ld %s\n", static_cast<void*>(hwnd),
                classOf(hwnd).c_str(), (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) ? 1 : 0,
                r.left, r.top, r.right - r.left, r.bottom - r.top, textOf(hwnd).c_str());
    EnumChildWindows(hwnd, printChild, reinterpret_cast<LPARAM>(info.hwndFocus));
    return TRUE;
}

// A window of that class, else the handle in hex as listed.
HWND target(const char* text) {
    HWND found = FindWindowA(text, nullptr);
    return found ? found : reinterpret_cast<HWND>(std::strtoull(text, nullptr, 16));
}

std::string takeForeground() {
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, "Static", "cover", WS_POPUP | WS_VISIBLE, 100, 100,
                                 200, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(cover);
    for (int waited = 0; waited < 5000 && GetForegroundWindow() == cover; waited += 20) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(20);
    }
    return classOf(GetForegroundWindow());
}

bool putOnClipboard(const char* text) {
    const size_t size = std::strlen(text) + 1;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!memory || !OpenClipboard(nullptr))
        return false;
    std::memcpy(GlobalLock(memory), text, size);
    GlobalUnlock(memory);
    EmptyClipboard();
    const bool put = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    return put;
}

bool changeDisplay(const char* width, const char* height) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = std::strtoul(width, nullptr, 10);
    mode.dmPelsHeight = std::strtoul(height, nullptr, 10);
    mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    return ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL;
}

// The wrapped text's height at the control's width, in the forms' font (Verdana 8.25
// points: another process's font handle cannot be used here).
bool printFit(HWND control) {
    RECT area;
    if (!GetClientRect(control, &area))
        return false;
    const std::string text = textOf(control);
    HDC dc = GetDC(control);
    HFONT font =
        CreateFontA(-MulDiv(825, GetDeviceCaps(dc, LOGPIXELSY), 7200), 0, 0, 0, FW_NORMAL, FALSE,
                    FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                    DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Verdana");
    HGDIOBJ old = SelectObject(dc, font);
    RECT needed{0, 0, area.right, 0};
    DrawTextA(dc, text.c_str(), -1, &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL | DT_EXPANDTABS | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
    ReleaseDC(control, dc);
    return std::printf("%ld %ld\n", needed.bottom, area.bottom) > 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (const char* desktop = std::getenv("VTR_WINE_DESKTOP")) {
        HDESK other = OpenDesktopA(desktop, 0, FALSE, GENERIC_ALL);
        if (!other || !SetThreadDesktop(other))
            return 3;
    }
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "list")
        return EnumWindows(printTop, 0) ? 0 : 1;
    if (command == "raise")
        return std::printf("%s\n", takeForeground().c_str()) > 0 ? 0 : 1;
    if (command == "newshell") {
        NOTIFYICONDATAA icon{};
        icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
        icon.hWnd = FindWindowA("VeltraneMain", nullptr);
        icon.uID = 1;
        return Shell_NotifyIconA(NIM_DELETE, &icon) &&
                       PostMessageA(icon.hWnd, RegisterWindowMessageA("TaskbarCreated"), 0, 0)
                   ? 0
                   : 1;
    }
    if (command == "post" && argc == 6)
        return PostMessageA(target(argv[2]), std::strtoul(argv[3], nullptr, 0),
                            std::strtoull(argv[4], nullptr, 0), std::strtoll(argv[5], nullptr, 0))
                   ? 0
                   : 1;
    if (command == "settext" && argc == 4)
        return send(target(argv[2]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(argv[3])) ? 0 : 1;
    if (command == "clip" && argc == 3)
        return putOnClipboard(argv[2]) ? 0 : 1;
    if (command == "display" && argc == 4)
        return changeDisplay(argv[2], argv[3]) ? 0 : 1;
    if (command == "fits" && argc == 3)
        return printFit(target(argv[2])) ? 0 : 1;
    return 2; // not a command listed above
}
