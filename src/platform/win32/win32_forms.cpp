#include "platform/win32/win32_forms.h"

#include <cmath>
#include <map>
#include <set>
#include <vector>

namespace win32 {

namespace {

constexpr double kTwipsPerInch = 1440;

// The resolution the window being laid out is shown at: set while one of the forms
// handles a message, else (creating a window) the primary monitor's.
thread_local int layoutDpi = 0;

class DpiScope {
public:
    explicit DpiScope(int dpi) : saved_(layoutDpi) { layoutDpi = dpi; }
    ~DpiScope() { layoutDpi = saved_; }
    DpiScope(const DpiScope&) = delete;
    DpiScope& operator=(const DpiScope&) = delete;

private:
    int saved_;
};

// Functions of later Windows versions, looked up so that the program still starts on
// older ones (which then use the system's one resolution).
template <class Function> Function* systemFunction(const char* library, const char* name) {
    const HMODULE module = LoadLibraryA(library);
    return module
               ? reinterpret_cast<Function*>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

int systemDpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int dotsPerInch() {
    return layoutDpi > 0 ? layoutDpi : primaryMonitorDpi();
}

int pixels(double twips) {
    return static_cast<int>(std::nearbyint(twips * dotsPerInch() / kTwipsPerInch));
}

// A direct child moved and sized by `ratio`, in the forms' font for `dpi` if it had it.
struct Rescale {
    HWND parent;
    double ratio;
    HFONT oldFont, newFont;
};

BOOL CALLBACK rescaleChild(HWND child, LPARAM data) {
    const auto& how = *reinterpret_cast<const Rescale*>(data);
    if (GetParent(child) != how.parent)
        return TRUE;
    RECT at;
    GetWindowRect(child, &at);
    MapWindowPoints(nullptr, how.parent, reinterpret_cast<POINT*>(&at), 2);
    const auto scaled = [&](LONG v) { return static_cast<int>(std::lround(v * how.ratio)); };
    SetWindowPos(child, nullptr, scaled(at.left), scaled(at.top), scaled(at.right - at.left),
                 scaled(at.bottom - at.top), SWP_NOZORDER | SWP_NOACTIVATE);
    if (reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)) == how.oldFont)
        SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(how.newFont), TRUE);
    return TRUE;
}

BOOL CALLBACK collectEnabled(HWND window, LPARAM list) {
    if (IsWindowEnabled(window) && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

} // namespace

int primaryMonitorDpi() {
    using GetDpiForMonitorFunction = HRESULT WINAPI(HMONITOR, int, UINT*, UINT*);
    static auto* const forMonitor =
        systemFunction<GetDpiForMonitorFunction>("shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (forMonitor &&
        forMonitor(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), 0, &x, &y) == S_OK &&
        y > 0)
        return static_cast<int>(y);
    return systemDpi();
}

int windowDpi(HWND window) {
    using GetDpiForWindowFunction = UINT WINAPI(HWND);
    static auto* const forWindow =
        systemFunction<GetDpiForWindowFunction>("user32.dll", "GetDpiForWindow");
    const UINT dpi = forWindow && window ? forWindow(window) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : primaryMonitorDpi();
}

int pixelsX(double twips) {
    return pixels(twips);
}

int pixelsY(double twips) {
    return pixels(twips);
}

double screenTwipsWidth() {
    return GetSystemMetrics(SM_CXSCREEN) * kTwipsPerInch / primaryMonitorDpi();
}

double screenTwipsHeight() {
    return GetSystemMetrics(SM_CYSCREEN) * kTwipsPerInch / primaryMonitorDpi();
}

HFONT formFont() {
    // One font per resolution in use, kept for the program's life.
    static std::map<int, HFONT> fonts;
    const int dpi = dotsPerInch();
    HFONT& font = fonts[dpi];
    if (!font)
        font = CreateFontA(-MulDiv(825, dpi, 7200), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                           ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                           DEFAULT_PITCH | FF_SWISS, "Verdana");
    return font;
}

Window::~Window() {
    if (hwnd_) {
        SetWindowLongPtrA(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

bool Window::create(const char* className, const char* title, DWORD style, DWORD exStyle, int x,
                    int y, int clientWidth, int clientHeight) {
    static std::set<std::string> registered;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registered.count(className)) {
        WNDCLASSEXA type = {};
        type.cbSize = sizeof type;
        type.lpfnWndProc = &Window::procedure;
        type.hInstance = instance;
        type.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        type.lpszClassName = className;
        if (!RegisterClassExA(&type))
            return false;
        registered.insert(className);
    }
    RECT outer = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, style, FALSE, exStyle);
    hwnd_ = CreateWindowExA(exStyle, className, title, style, x, y, outer.right - outer.left,
                            outer.bottom - outer.top, nullptr, nullptr, instance, this);
    dpi_ = dotsPerInch();
    return hwnd_ != nullptr;
}

HWND Window::addControl(const char* className, const char* text, DWORD style, int id, int left,
                        int top, int width, int height, DWORD exStyle) {
    HWND control = CreateWindowExA(
        exStyle, className, text, WS_CHILD | WS_VISIBLE | style, left, top, width, height, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (control)
        SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(formFont()), FALSE);
    return control;
}

LRESULT Window::onMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    // As a dialog does: the focused control is kept while another window (a message
    // box) is active, and has the focus again when this one is.
    if (message == WM_ACTIVATE) {
        if (LOWORD(wParam) == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus))
                lastFocus_ = focus;
        } else if (lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_)) {
            SetFocus(lastFocus_);
            return 0;
        }
    }
    return DefWindowProcA(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Window::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Window*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->hwnd_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self)
        return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcA(window, message, wParam, lParam);
    }
    // No exception may leave a window procedure: the system's frames are not C++.
    try {
        if (message == WM_DPICHANGED) {
            self->moveToDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
            return 0;
        }
        const DpiScope scope(windowDpi(window));
        return self->onMessage(message, wParam, lParam);
    } catch (...) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// Moved to a monitor of another resolution: the controls keep their size in twips, then
// the window takes the place the system proposes (its layout runs again at the new
// resolution).
void Window::moveToDpi(int dpi, const RECT& proposed) {
    const int before = dpi_ > 0 ? dpi_ : primaryMonitorDpi();
    dpi_ = dpi;
    HFONT oldFont, newFont;
    {
        const DpiScope was(before);
        oldFont = formFont();
    }
    {
        const DpiScope now(dpi);
        newFont = formFont();
    }
    Rescale how{hwnd_, static_cast<double>(dpi) / before, oldFont, newFont};
    EnumChildWindows(hwnd_, rescaleChild, reinterpret_cast<LPARAM>(&how));
    SetWindowPos(hwnd_, nullptr, proposed.left, proposed.top, proposed.right - proposed.left,
                 proposed.bottom - proposed.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::close() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

void Window::runModal(const std::function<bool(MSG&)>& keyFilter) {
    if (!hwnd_)
        return;
    std::vector<HWND> others;
    EnumThreadWindows(GetCurrentThreadId(), collectEnabled, reinterpret_cast<LPARAM>(&others));
    for (HWND other : others) {
        if (other != hwnd_)
            EnableWindow(other, FALSE);
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    if (!IsChild(hwnd_, GetFocus()))
        SetFocus(GetNextDlgTabItem(hwnd_, nullptr, FALSE));
    MSG message;
    while (hwnd_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // Quit asked for: the caller's loop sees it once this window is gone.
            PostQuitMessage(static_cast<int>(message.wParam));
            close();
            break;
        }
        if (got < 0)
            break;
        if (keyFilter && keyFilter(message))
            continue;
        if (hwnd_ && IsDialogMessageA(hwnd_, &message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    for (HWND other : others) {
        if (other != hwnd_ && IsWindow(other))
            EnableWindow(other, TRUE);
    }
}

int msgBox(const std::string& text, int style, const std::string& title) {
    return MessageBoxA(GetActiveWindow(), text.c_str(), title.c_str(),
                       static_cast<UINT>(style) | MB_SETFOREGROUND);
}

namespace {

BOOL CALLBACK findOpenWindow(HWND window, LPARAM found) {
    if (!IsWindowVisible(window) || !IsWindowEnabled(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

} // namespace

bool bringOpenWindowForward() {
    // The thread's windows from the front: the first one that takes input is the box in
    // front (a modal run disables the windows behind it).
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), findOpenWindow, reinterpret_cast<LPARAM>(&found));
    if (!found)
        return false;
    SetForegroundWindow(found);
    return true;
}

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, &text[0], length + 1)));
    return text;
}

} // namespace win32
