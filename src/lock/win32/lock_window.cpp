#include "lock/win32/lock_window.h"

#include "lock/lock_decision.h"
#include "lock/lock_geometry.h"
#include "platform/win32/win32_forms.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <cmath>
#include <string>
#include <windows.h>

namespace {

// The design in twips: the panel artwork, the password box inside it, the banner.
constexpr int kPanelPixelsWide = 283, kPanelPixelsHigh = 88;
constexpr double kTextLeft = 200, kTextTop = 430, kTextWidth = 3855, kTextHeight = 285;
constexpr double kLabelWidth = 8895, kLabelHeight = 495;
constexpr double kBannerPoints = 14.25;
constexpr COLORREF kBannerColour = RGB(0, 0, 128);
constexpr UINT_PTR kBannerTimer = 1, kFrontTimer = 2;
constexpr UINT kBannerInterval = 75, kFrontInterval = 1;
// Posted when the check matched, so that the windows go outside their own handlers.
constexpr UINT kUnlockMessage = WM_APP + 1;
// Messages handled before the copy, so that windows waiting to repaint do so; bounded.
constexpr int kPendingMessageLimit = 500;

const char* const kLockClass = "VeltraneLock";
const char* const kPanelClass = "VeltraneLockPanel";

struct Lock {
    HWND window = nullptr;
    HWND text = nullptr;
    WNDPROC editProc = nullptr;
    HBITMAP snapshot = nullptr;
    HFONT bannerFont = nullptr;
    HHOOK keyboardHook = nullptr;
    bool shown = false;
    POINT origin{};  // the virtual screen's top-left, in screen pixels
    POINT primary{}; // the primary screen's top-left, in the window's pixels
    double tppX = 15, tppY = 15;
    double screenWidth = 0, screenHeight = 0; // the primary screen, in twips
    double panelLeft = 0, panelWidth = 0;     // twips
    double bannerTop = 0;                     // twips
    lockgeo::BannerState banner;
};

Lock lock;

// The one twips-to-pixels conversion of the program's windows (halves to the even pixel).
using win32::pixelsX;
using win32::pixelsY;

RECT bannerRect() {
    const int left = lock.primary.x + pixelsX(lock.banner.left);
    const int top = lock.primary.y + pixelsY(lock.bannerTop);
    return {left, top, left + pixelsX(kLabelWidth), top + pixelsY(kLabelHeight)};
}

// The password check: a match ends the lock once the current message is handled. A
// failure (no memory for the text) is no match.
void formClick() {
    if (!lock.shown || !lock.text)
        return;
    try {
        const int length = GetWindowTextLengthA(lock.text);
        std::string typed(static_cast<size_t>(length) + 1, '\0');
        typed.resize(static_cast<size_t>(GetWindowTextA(lock.text, typed.data(), length + 1)));
        if (typed == mdlGlobal::strLockPassword)
            PostMessageA(lock.window, kUnlockMessage, 0, 0);
    } catch (...) {
    }
}

void unlock() {
    if (!lock.window)
        return;
    KillTimer(lock.window, kBannerTimer);
    KillTimer(lock.window, kFrontTimer);
    if (lock.keyboardHook)
        UnhookWindowsHookEx(lock.keyboardHook);
    // The box keeps its own procedure until it is gone; nothing may check or refocus.
    lock.shown = false;
    lock.text = nullptr;
    DestroyWindow(lock.window);
    if (lock.snapshot)
        DeleteObject(lock.snapshot);
    if (lock.bannerFont)
        DeleteObject(lock.bannerFont);
    lock = Lock();
}

// A step that fails (no memory for the caption) leaves the banner where it is.
void bannerStep() {
    try {
        const RECT before = bannerRect();
        lock.banner = lockgeo::bannerStep(lock.banner, kLabelWidth, lock.panelLeft, lock.panelWidth,
                                          lock.screenWidth, lock.tppX);
        const RECT after = bannerRect();
        RECT both;
        UnionRect(&both, &before, &after);
        InvalidateRect(lock.window, &both, FALSE);
    } catch (...) {
    }
}

// At most two window-system calls per tick.
void stayInFront() {
    if (GetForegroundWindow() != lock.window)
        SetWindowPos(lock.window, HWND_TOPMOST, lock.origin.x, lock.origin.y, 0, 0,
                     SWP_NOSIZE | SWP_SHOWWINDOW);
}

// Snapshot, then the banner over it; the panel is a child window and stays in front.
void paint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT client;
    GetClientRect(hwnd, &client);
    HDC buffer = CreateCompatibleDC(dc);
    HBITMAP surface = CreateCompatibleBitmap(dc, client.right, client.bottom);
    HGDIOBJ oldSurface = SelectObject(buffer, surface);
    FillRect(buffer, &client, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    if (lock.snapshot) {
        HDC picture = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(picture, lock.snapshot);
        BitBlt(buffer, 0, 0, client.right, client.bottom, picture, 0, 0, SRCCOPY);
        SelectObject(picture, old);
        DeleteDC(picture);
    }
    SetBkMode(buffer, TRANSPARENT);
    SetTextColor(buffer, kBannerColour);
    HGDIOBJ oldFont = SelectObject(buffer, lock.bannerFont);
    RECT banner = bannerRect();
    DrawTextA(buffer, lock.banner.caption.c_str(), -1, &banner,
              DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(buffer, oldFont);
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, buffer, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
    SelectObject(buffer, oldSurface);
    DeleteObject(surface);
    DeleteDC(buffer);
    EndPaint(hwnd, &ps);
}

LRESULT CALLBACK lockProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CLOSE:
        return 0; // refused: only the password ends the lock
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE)
            return 0;
        break;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        paint(hwnd);
        return 0;
    case WM_TIMER:
        if (wParam == kBannerTimer)
            bannerStep();
        else if (wParam == kFrontTimer)
            stayInFront();
        return 0;
    case WM_SETFOCUS:
        if (lock.text)
            SetFocus(lock.text);
        return 0;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONUP:
        formClick();
        return 0;
    default:
        if (message == kUnlockMessage) {
            unlock();
            return 0;
        }
        break;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Key preview: the form checks every key before the box adds its character.
LRESULT CALLBACK textProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC original = lock.editProc;
    if (message == WM_KEYDOWN || message == WM_SYSKEYDOWN)
        formClick();
    if (message == WM_CONTEXTMENU)
        return 0; // no menu of the program over the lock
    return CallWindowProcA(original, hwnd, message, wParam, lParam);
}

// The panel artwork: navy with a light edge and the program's name above the box.
LRESULT CALLBACK panelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT all;
        GetClientRect(hwnd, &all);
        HBRUSH navy = CreateSolidBrush(kBannerColour);
        HPEN edge = CreatePen(PS_SOLID, 1, RGB(150, 170, 215));
        HGDIOBJ oldBrush = SelectObject(dc, navy);
        HGDIOBJ oldPen = SelectObject(dc, edge);
        RoundRect(dc, 0, 0, all.right, all.bottom, 14, 14);
        SelectObject(dc, oldPen);
        SelectObject(dc, oldBrush);
        DeleteObject(edge);
        DeleteObject(navy);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        RECT title{13, 6, all.right - 13, 26};
        DrawTextA(dc, "Veltrane", -1, &title, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK keyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && lock.shown &&
        (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN || wParam == WM_KEYUP ||
         wParam == WM_SYSKEYUP)) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (swallowedWhileLocked(key->vkCode, (key->flags & LLKHF_ALTDOWN) != 0,
                                 GetAsyncKeyState(VK_CONTROL) < 0))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool registerClasses(HINSTANCE instance) {
    static bool registered = false;
    if (registered)
        return true;
    WNDCLASSA type{};
    type.hInstance = instance;
    type.hCursor = LoadCursor(nullptr, IDC_ARROW);
    type.lpfnWndProc = lockProc;
    type.lpszClassName = kLockClass;
    if (!RegisterClassA(&type))
        return false;
    type.lpfnWndProc = panelProc;
    type.lpszClassName = kPanelClass;
    registered = RegisterClassA(&type) != 0;
    return registered;
}

// Pending messages are handled once, so that windows still waiting to repaint (the
// menu's place) do so before the copy.
void handlePendingMessages() {
    MSG message;
    for (int i = 0; i < kPendingMessageLimit && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE);
         ++i) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

// The desktop as it is now, the virtual screen's extent from its top-left corner.
HBITMAP copyDesktop(int width, int height) {
    HWND desktop = GetDesktopWindow();
    HDC screen = GetDC(desktop);
    if (!screen)
        return nullptr;
    HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    if (picture && dc) {
        HGDIOBJ old = SelectObject(dc, picture);
        BitBlt(dc, 0, 0, width, height, screen, lock.origin.x, lock.origin.y, SRCCOPY);
        SelectObject(dc, old);
    }
    if (dc)
        DeleteDC(dc);
    ReleaseDC(desktop, screen);
    return picture;
}

// The program's own windows that are topmost (a box asking for attention) go under the
// lock.
BOOL CALLBACK demoteOwnWindow(HWND hwnd, LPARAM) {
    if (hwnd != lock.window && (GetWindowLongA(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST))
        SetWindowPos(hwnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return TRUE;
}

HFONT makeBannerFont() {
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    LOGFONTA font{};
    font.lfHeight = -static_cast<LONG>(std::lround(kBannerPoints * dpi / 72.0));
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    lstrcpynA(font.lfFaceName, "Verdana", LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

void measureScreen() {
    HDC screen = GetDC(nullptr);
    lock.tppX = 1440.0 / GetDeviceCaps(screen, LOGPIXELSX);
    lock.tppY = 1440.0 / GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    lock.origin = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN)};
    lock.primary = {-lock.origin.x, -lock.origin.y};
    lock.screenWidth = GetSystemMetrics(SM_CXSCREEN) * lock.tppX;
    lock.screenHeight = GetSystemMetrics(SM_CYSCREEN) * lock.tppY;
}

void makeControls(HINSTANCE instance) {
    lock.panelWidth = kPanelPixelsWide * lock.tppX;
    const lockgeo::TwipsPoint panelAt = lockgeo::panelPosition(
        lock.screenWidth, lock.screenHeight, lock.panelWidth, kPanelPixelsHigh * lock.tppY);
    lock.panelLeft = panelAt.left;
    HWND panel = CreateWindowExA(0, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN,
                                 lock.primary.x + pixelsX(panelAt.left),
                                 lock.primary.y + pixelsY(panelAt.top), kPanelPixelsWide,
                                 kPanelPixelsHigh, lock.window, nullptr, instance, nullptr);
    lock.text = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | ES_PASSWORD | ES_AUTOHSCROLL,
                                pixelsX(kTextLeft), pixelsY(kTextTop), pixelsX(kTextWidth),
                                pixelsY(kTextHeight), panel, nullptr, instance, nullptr);
    if (!lock.text)
        return;
    SendMessageA(lock.text, EM_SETPASSWORDCHAR, '*', 0);
    SendMessageA(lock.text, EM_LIMITTEXT, kMaxPasswordLength, 0);
    lock.editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(lock.text, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(textProc)));
}

} // namespace

bool swallowedWhileLocked(unsigned long virtualKey, bool altDown, bool controlDown) {
    switch (virtualKey) {
    case VK_LWIN:
    case VK_RWIN:
        return true;
    case VK_TAB:
    case VK_F4:
        return altDown;
    case VK_ESCAPE:
        return altDown || controlDown;
    default:
        return false;
    }
}

bool lockShown() {
    return lock.shown;
}

bool showLockWindow() {
    if (lock.shown)
        return true;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!registerClasses(instance))
        return false;
    measureScreen();
    const int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    const int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    // Hidden until the copy is taken, so that the copy shows the desktop without it.
    lock.window = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kLockClass, "",
                                  WS_POPUP | WS_CLIPCHILDREN, lock.origin.x, lock.origin.y, width,
                                  height, nullptr, nullptr, instance, nullptr);
    if (!lock.window)
        return false;
    lock.shown = true;
    lock.banner.caption = lockgeo::kBannerLocked;
    lock.bannerFont = makeBannerFont();
    makeControls(instance);
    EnumThreadWindows(GetCurrentThreadId(), demoteOwnWindow, 0);
    handlePendingMessages();
    // Anything that ran meanwhile may have ended the lock already.
    if (!lock.window)
        return true;
    lock.snapshot =
        copyDesktop(static_cast<int>(lockgeo::captureExtent(width * lock.tppX, lock.tppX)),
                    static_cast<int>(lockgeo::captureExtent(height * lock.tppY, lock.tppY)));
    ShowWindow(lock.window, SW_SHOW);
    SetForegroundWindow(lock.window);
    const lockgeo::TwipsPoint start =
        lockgeo::bannerStart(lock.screenWidth, lock.screenHeight, kLabelHeight);
    lock.banner.left = start.left;
    lock.bannerTop = start.top;
    SetTimer(lock.window, kBannerTimer, kBannerInterval, nullptr);
    SetTimer(lock.window, kFrontTimer, kFrontInterval, nullptr);
    lock.keyboardHook = SetWindowsHookExA(WH_KEYBOARD_LL, keyboardHook, instance, 0);
    if (lock.text)
        SetFocus(lock.text);
    return true;
}
