// Test helper run under Wine beside appVTR.exe: reads windows from the Windows side,
// since Wine draws controls inside one X window.
//   win_probe list             each visible top-level window, then its children:
//       top HWND CLASS TOPMOST X Y W H TEXT
//       child HWND CLASS LENGTH PASSWORDCHAR TEXT
//   win_probe raise            shows a topmost window of its own, takes the foreground
//                              and prints the foreground window's class once another
//                              program took it back (or after 5 s)
//   win_probe untray           removes the program's icon, as a shell that restarts loses it
//   win_probe taskbar          tells the program the taskbar was made again
//   win_probe controls         the same windows, each child as a control of a form:
//       control HWND ID CLASS ENABLED CHECKED FOCUSED TEXT (CR and LF as \r and \n)
//   win_probe post HWND MSG WPARAM [LPARAM]   posts a message (HWND in hex as listed,
//                                     the others in any C base)
//   win_probe find CLASS       the handle of the (hidden or shown) window of that class
//   win_probe settext HWND TEXT
//   win_probe icon EXE ID      exit status 0 when the program holds that icon resource

#include <cstdio>
#include <cstdlib>
#include <string>
#include <windows.h>

#include <shellapi.h>

namespace {

std::string textOf(HWND hwnd, LRESULT length) {
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutA(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 2000, &copied);
    text.resize(copied);
    return text;
}

LRESULT send(HWND hwnd, UINT message) {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(hwnd, message, 0, 0, SMTO_ABORTIFHUNG, 2000, &result);
    return static_cast<LRESULT>(result);
}

std::string classOf(HWND hwnd) {
    char name[128] = {};
    GetClassNameA(hwnd, name, sizeof name);
    return name;
}

BOOL CALLBACK printChild(HWND hwnd, LPARAM) {
    const LRESULT length = send(hwnd, WM_GETTEXTLENGTH);
    const std::string kind = classOf(hwnd);
    const LRESULT mask = kind == "Edit" || kind == "EDIT" ? send(hwnd, EM_GETPASSWORDCHAR) : 0;
    std::printf("child %p %s %ld %d %s\n", static_cast<void*>(hwnd), kind.c_str(),
                static_cast<long>(length), static_cast<int>(mask), textOf(hwnd, length).c_str());
    return TRUE;
}

BOOL CALLBACK printTop(HWND hwnd, LPARAM) {
    if (!IsWindowVisible(hwnd))
        return TRUE;
    RECT r;
    GetWindowRect(hwnd, &r);
    const bool topmost = (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    std::printf("top %p %s %d %ld %ld %ld %ld %s\n", static_cast<void*>(hwnd),
                classOf(hwnd).c_str(), topmost ? 1 : 0, r.left, r.top, r.right - r.left,
                r.bottom - r.top, textOf(hwnd, send(hwnd, WM_GETTEXTLENGTH)).c_str());
    EnumChildWindows(hwnd, printChild, 0);
    return TRUE;
}

HWND focusOf(HWND hwnd) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &info) ? info.hwndFocus
                                                                            : nullptr;
}

BOOL CALLBACK printControl(HWND hwnd, LPARAM focus) {
    std::string text;
    for (char c : textOf(hwnd, send(hwnd, WM_GETTEXTLENGTH)))
        text += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    const std::string kind = classOf(hwnd);
    const LRESULT checked = kind == "Button" ? send(hwnd, BM_GETCHECK) : 0;
    std::printf("control %p %d %s %d %d %d %s\n", static_cast<void*>(hwnd), GetDlgCtrlID(hwnd),
                kind.c_str(), IsWindowEnabled(hwnd) ? 1 : 0, static_cast<int>(checked),
                hwnd == reinterpret_cast<HWND>(focus) ? 1 : 0, text.c_str());
    return TRUE;
}

BOOL CALLBACK printForm(HWND hwnd, LPARAM) {
    if (!IsWindowVisible(hwnd))
        return TRUE;
    std::printf("form %p %s %s\n", static_cast<void*>(hwnd), classOf(hwnd).c_str(),
                textOf(hwnd, send(hwnd, WM_GETTEXTLENGTH)).c_str());
    EnumChildWindows(hwnd, printControl, reinterpret_cast<LPARAM>(focusOf(hwnd)));
    return TRUE;
}

HWND handle(const char* text) {
    return reinterpret_cast<HWND>(std::strtoull(text, nullptr, 16));
}

std::string takeForeground() {
    WNDCLASSA type{};
    type.lpfnWndProc = DefWindowProcA;
    type.hInstance = GetModuleHandleA(nullptr);
    type.lpszClassName = "VtrProbeCover";
    RegisterClassA(&type);
    HWND cover = CreateWindowExA(WS_EX_TOPMOST, type.lpszClassName, "cover", WS_POPUP | WS_VISIBLE,
                                 100, 100, 200, 200, nullptr, nullptr, type.hInstance, nullptr);
    SetForegroundWindow(cover);
    const ULONGLONG deadline = GetTickCount64() + 5000;
    while (GetTickCount64() < deadline) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageA(&message);
        HWND front = GetForegroundWindow();
        if (front && front != cover)
            return classOf(front);
        Sleep(20);
    }
    return classOf(GetForegroundWindow());
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "list") {
        EnumWindows(printTop, 0);
        return 0;
    }
    if (command == "raise") {
        std::printf("%s\n", takeForeground().c_str());
        return 0;
    }
    HWND program = FindWindowA("VeltraneMain", nullptr);
    if (command == "untray" && program) {
        NOTIFYICONDATAA icon{};
        icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
        icon.hWnd = program;
        icon.uID = 1;
        return Shell_NotifyIconA(NIM_DELETE, &icon) ? 0 : 1;
    }
    if (command == "taskbar" && program)
        return PostMessageA(program, RegisterWindowMessageA("TaskbarCreated"), 0, 0) ? 0 : 1;
    if (command == "controls") {
        EnumWindows(printForm, 0);
        return 0;
    }
    if (command == "post" && (argc == 5 || argc == 6)) {
        return PostMessageA(handle(argv[2]), static_cast<UINT>(std::strtoul(argv[3], nullptr, 0)),
                            std::strtoull(argv[4], nullptr, 0),
                            argc == 6 ? std::strtoll(argv[5], nullptr, 0) : 0)
                   ? 0
                   : 1;
    }
    if (command == "find" && argc == 3) {
        HWND hwnd = FindWindowA(argv[2], nullptr);
        std::printf("%p\n", static_cast<void*>(hwnd));
        return hwnd ? 0 : 1;
    }
    if (command == "settext" && argc == 4) {
        DWORD_PTR done = 0;
        return SendMessageTimeoutA(handle(argv[2]), WM_SETTEXT, 0,
                                   reinterpret_cast<LPARAM>(argv[3]), SMTO_ABORTIFHUNG, 5000,
                                   &done) &&
                       done
                   ? 0
                   : 1;
    }
    if (command == "icon" && argc == 4) {
        HMODULE program = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
        return program && FindResourceA(program, MAKEINTRESOURCEA(std::atoi(argv[3])),
                                        reinterpret_cast<LPCSTR>(RT_GROUP_ICON))
                   ? 0
                   : 1;
    }
    std::fprintf(stderr, "usage: win_probe list | raise | untray | taskbar | controls | post HWND "
                         "MSG WPARAM [LPARAM] | "
                         "find CLASS | settext HWND TEXT | icon EXE ID\n");
    return 2;
}
