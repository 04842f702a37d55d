// Test helper run under Wine beside appVTR.exe: reads and drives windows from the Windows
// side, since Wine draws controls inside one X window. It stays running and takes one
// command a line on stdin, so that a test pays for one Wine process start, not one a look:
//   DESKTOP<tab>COMMAND<tab>ARGUMENT...
// DESKTOP is a Wine virtual desktop's name, or empty for the probe's own. It answers with
// the command's output, then "=0" (done) or "=1" (failed).
//   list          each visible top-level window, then its children:
//       top HWND CLASS TOPMOST X Y W H TEXT
//       child HWND ID CLASS ENABLED CHECKED FOCUSED PASSWORDCHAR TEXT
//     (CR and LF in a child's text as \r and \n)
//   raise         shows a topmost window of its own, takes the foreground and prints the
//                 class of the window that took it back (or after 5 s)
//   newshell      removes the program's icon and tells it the taskbar was made again, as a
//                 shell that restarts does
//   post HWND|CLASS MSG WPARAM LPARAM   posts a message (HWND in hex as listed)
//   settext HWND TEXT
//   display W H   changes the screen's size (a Wine virtual desktop's)
//   fits HWND     prints 1 when a static control's text fits it, wrapped at its width in
//                 the forms' font, else 0

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>
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
HWND target(const std::string& text) {
    HWND found = FindWindowA(text.c_str(), nullptr);
    return found ? found : reinterpret_cast<HWND>(std::strtoull(text.c_str(), nullptr, 16));
}

bool takeForeground() {
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, "Static", "cover", WS_POPUP | WS_VISIBLE, 100, 100,
                                 200, 200, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(cover);
    for (int waited = 0; waited < 5000 && GetForegroundWindow() == cover; waited += 20) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        Sleep(20);
    }
    std::printf("%s\n", classOf(GetForegroundWindow()).c_str());
    return DestroyWindow(cover);
}

bool changeDisplay(const std::string& width, const std::string& height) {
    DEVMODEA mode{};
    mode.dmSize = sizeof mode;
    mode.dmPelsWidth = std::stoul(width);
    mode.dmPelsHeight = std::stoul(height);
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
    return std::printf("%d\n", needed.bottom <= area.bottom ? 1 : 0) > 0;
}

bool run(const std::vector<std::string>& a) {
    if (a[0] == "list")
        return EnumWindows(printTop, 0);
    if (a[0] == "raise")
        return takeForeground();
    if (a[0] == "newshell") {
        NOTIFYICONDATAA icon{};
        icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
        icon.hWnd = FindWindowA("VeltraneMain", nullptr);
        icon.uID = 1;
        return Shell_NotifyIconA(NIM_DELETE, &icon) &&
               PostMessageA(icon.hWnd, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    }
    if (a[0] == "post")
        return PostMessageA(target(a[1]), std::stoul(a[2], nullptr, 0),
                            std::stoull(a[3], nullptr, 0), std::stoll(a[4], nullptr, 0));
    if (a[0] == "settext")
        return send(target(a[1]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(a[2].c_str()));
    if (a[0] == "display")
        return changeDisplay(a[1], a[2]);
    return a[0] == "fits" && printFit(target(a[1]));
}

} // namespace

int main() {
    char line[8192];
    while (std::fgets(line, sizeof line, stdin)) {
        std::vector<std::string> a;
        std::istringstream fields(std::string(line, std::strcspn(line, "\r\n")));
        for (std::string field; std::getline(fields, field, '\t');)
            a.push_back(field);
        a.resize(std::max<size_t>(a.size(), 6)); // fields left out are empty
        // Each command runs in a thread of its own, which has no windows yet and so can
        // join the desktop the first field names.
        bool done = false;
        HDESK desktop = nullptr;
        std::thread([&] {
            desktop = a[0].empty() ? nullptr : OpenDesktopA(a[0].c_str(), 0, FALSE, GENERIC_ALL);
            done = (a[0].empty() || (desktop && SetThreadDesktop(desktop))) &&
                   run({a.begin() + 1, a.end()});
        }).join();
        if (desktop)
            CloseDesktop(desktop);
        std::printf("=%d\n", done ? 0 : 1);
        std::fflush(stdout);
    }
}
