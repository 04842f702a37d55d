// Test helper run under Wine beside appVTR.exe: reads windows and controls from the
// Windows side and acts on them with window messages.
//   win_probe list                 visible top-level windows, each with its controls
//   win_probe find CLASS           the handle of the (hidden or not) window of that class
//   win_probe post HWND MSG WPARAM LPARAM
//   win_probe settext HWND TEXT
//   win_probe icon EXE ID          exit status 0 when the program holds that icon resource
// Handles and numbers are decimal. Texts print with CR and LF as \r and \n.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <windows.h>

namespace {

std::string escaped(HWND window) {
    char text[4096] = {};
    // WM_GETTEXT, not GetWindowText: that one does not read another process's controls.
    SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                        SMTO_ABORTIFHUNG, 2000, nullptr);
    std::string out;
    for (const char* c = text; *c; ++c) {
        if (*c == '\r')
            out += "\\r";
        else if (*c == '\n')
            out += "\\n";
        else
            out += *c;
    }
    return out;
}

std::string className(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

HWND focusOf(HWND window) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                              : nullptr;
}

BOOL CALLBACK printControl(HWND control, LPARAM focus) {
    LRESULT checked = 0;
    SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000,
                        reinterpret_cast<PDWORD_PTR>(&checked));
    RECT at;
    GetWindowRect(control, &at);
    std::printf("C\t%llu\t%d\t%s\t%d\t%d\t%d\t%d\t%d\t%s\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(control)),
                GetDlgCtrlID(control), className(control).c_str(), IsWindowEnabled(control) ? 1 : 0,
                className(control) == "Button" ? static_cast<int>(checked) : 0,
                control == reinterpret_cast<HWND>(focus) ? 1 : 0, IsWindowVisible(control) ? 1 : 0,
                static_cast<int>(at.left), escaped(control).c_str());
    return TRUE;
}

BOOL CALLBACK printWindow(HWND window, LPARAM) {
    if (!IsWindowVisible(window))
        return TRUE;
    RECT at;
    GetWindowRect(window, &at);
    std::printf("W\t%llu\t%s\t%ld\t%ld\t%ld\t%ld\t%s\n",
                static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)),
                className(window).c_str(), at.left, at.top, at.right - at.left, at.bottom - at.top,
                escaped(window).c_str());
    EnumChildWindows(window, printControl, reinterpret_cast<LPARAM>(focusOf(window)));
    return TRUE;
}

HWND handle(const char* text) {
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(std::strtoull(text, nullptr, 10)));
}

} // namespace

int main(int argc, char* argv[]) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "list" && argc == 2) {
        EnumWindows(printWindow, 0);
        return 0;
    }
    if (command == "find" && argc == 3) {
        HWND window = FindWindowA(argv[2], nullptr);
        std::printf("%llu\n", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(window)));
        return window ? 0 : 1;
    }
    if (command == "post" && argc == 6)
        return PostMessageA(handle(argv[2]), std::strtoul(argv[3], nullptr, 0),
                            std::strtoull(argv[4], nullptr, 0), std::strtoll(argv[5], nullptr, 0))
                   ? 0
                   : 1;
    if (command == "settext" && argc == 4)
        return SendMessageTimeoutA(handle(argv[2]), WM_SETTEXT, 0,
                                   reinterpret_cast<LPARAM>(argv[3]), SMTO_ABORTIFHUNG, 5000,
                                   nullptr)
                   ? 0
                   : 1;
    if (command == "icon" && argc == 4) {
        HMODULE program = LoadLibraryExA(argv[2], nullptr, LOAD_LIBRARY_AS_DATAFILE);
        return program && FindResourceA(program, MAKEINTRESOURCEA(std::atoi(argv[3])),
                                        reinterpret_cast<LPCSTR>(RT_GROUP_ICON))
                   ? 0
                   : 1;
    }
    std::fprintf(stderr, "usage: win_probe list | find CLASS | post HWND MSG W L | settext HWND "
                         "TEXT | icon EXE ID\n");
    return 2;
}
