#include "lock/win32/lock_window.h"

#include "lock/lock_decision.h"
#include "lock/lock_geometry.h"
#include "lock/win32/lock_keys.h"
#include "lock/win32/lock_panel.h"
#include "lock/win32/lock_supervisor.h"
#include "platform/win32/win32_forms.h"
#include "store/mdlGlobal.h"
#include "store/password_file.h"

#include <cmath>
#include <string>
#include <windows.h>

namespace {

// The design in twips: the panel artwork, the password box inside it, the banner.
constexpr double kPanelWidth = 4245, kPanelHeight = 1320; // 283 x 88 pixels at 96 dpi
constexpr double kTextLeft = 200, kTextTop = 430, kTextWidth = 3855, kTextHeight = 285;
constexpr double kLabelWidth = 8895, kLabelHeight = 495;
constexpr double kBannerPoints = 14.25;
constexpr COLORREF kBannerColour = RGB(0, 0, 128);
constexpr UINT_PTR kBannerTimer = 1, kFrontTimer = 2;
constexpr UINT kBannerInterval = 75, kFrontInterval = 1;
void coverScreens();
// Posted when the check matched, so that the windows go outside their own handlers.
constexpr UINT kUnlockMessage = WM_APP + 1;
// Messages handled before the copy, so that windows waiting to repaint do so; bounded.
constexpr int kPendingMessageLimit = 500;

const char* const kLockClass = "VeltraneLock";

struct Lock {
    HWND window = nullptr;
    HWND panel = nullptr;
    HWND text = nullptr;
    HBITMAP snapshot = nullptr;
    SIZE snapshotSize{};
    POINT snapshotOrigin{}; // where the snapshot was taken, in screen pixels
    HFONT bannerFont = nullptr;
    HWINEVENTHOOK foregroundHook = nullptr;
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
void (*unlockAction)() = nullptr;

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
    holdSystemKeys(false);
    if (lock.foregroundHook)
        UnhookWinEvent(lock.foregroundHook);
    // The box keeps its own procedure until it is gone; nothing may check or refocus.
    lock.shown = false;
    lock.text = nullptr;
    DestroyWindow(lock.window);
    if (lock.snapshot)
        DeleteObject(lock.snapshot);
    if (lock.bannerFont)
        DeleteObject(lock.bannerFont);
    lock = Lock();
    LockSupervisor::lockChanged(false);
    if (unlockAction)
        unlockAction();
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

// Another window took the foreground: the lock asks for it back at once. The system
// grants that to the thread that has the input, so the lock borrows the input state of
// the foreground window's thread for the request (refused for a window of higher rights,
// such as Task Manager's).
void CALLBACK foregroundChanged(HWINEVENTHOOK, DWORD, HWND hwnd, LONG, LONG, DWORD, DWORD) {
    if (!lock.shown || !lock.window || hwnd == lock.window)
        return;
    stayInFront();
    const DWORD theirs = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
    const DWORD ours = GetCurrentThreadId();
    const bool attached = theirs && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
    SetForegroundWindow(lock.window);
    if (attached)
        AttachThreadInput(ours, theirs, FALSE);
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
        // Where the screens were when it was taken; a screen added since shows white.
        HDC picture = CreateCompatibleDC(dc);
        HGDIOBJ old = SelectObject(picture, lock.snapshot);
        BitBlt(buffer, lock.snapshotOrigin.x - lock.origin.x, lock.snapshotOrigin.y - lock.origin.y,
               lock.snapshotSize.cx, lock.snapshotSize.cy, picture, 0, 0, SRCCOPY);
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
    case WM_DISPLAYCHANGE:
        coverScreens();
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
    registered = registerPanelClass(instance);
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
    LOGFONTA font{};
    font.lfHeight = -static_cast<LONG>(std::lround(kBannerPoints * 20 / lock.tppY));
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = ANSI_CHARSET;
    lstrcpynA(font.lfFaceName, "Verdana", LF_FACESIZE);
    return CreateFontIndirectA(&font);
}

// The screens as they are now: the window covers all of them; the twips are the primary
// screen's, at its resolution.
void measureScreen() {
    const int dpi = win32::primaryMonitorDpi();
    lock.tppX = lock.tppY = 1440.0 / dpi;
    lock.origin = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN)};
    lock.primary = {-lock.origin.x, -lock.origin.y};
    lock.screenWidth = GetSystemMetrics(SM_CXSCREEN) * lock.tppX;
    lock.screenHeight = GetSystemMetrics(SM_CYSCREEN) * lock.tppY;
}

// The window over every screen, the panel centred on the primary one, the banner at its
// height there.
void placeControls() {
    SetWindowPos(lock.window, HWND_TOPMOST, lock.origin.x, lock.origin.y,
                 GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                 SWP_NOACTIVATE);
    lock.panelWidth = kPanelWidth;
    const lockgeo::TwipsPoint panelAt =
        lockgeo::panelPosition(lock.screenWidth, lock.screenHeight, kPanelWidth, kPanelHeight);
    lock.panelLeft = panelAt.left;
    MoveWindow(lock.panel, lock.primary.x + pixelsX(panelAt.left),
               lock.primary.y + pixelsY(panelAt.top), pixelsX(kPanelWidth), pixelsY(kPanelHeight),
               TRUE);
    lock.bannerTop = lockgeo::bannerStart(lock.screenWidth, lock.screenHeight, kLabelHeight).top;
}

void makeControls(HINSTANCE instance) {
    lock.panel = CreateWindowExA(0, kPanelClass, "", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                 0, 0, lock.window, nullptr, instance, nullptr);
    placeControls();
    lock.text = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                                WS_CHILD | WS_VISIBLE | ES_PASSWORD | ES_AUTOHSCROLL,
                                pixelsX(kTextLeft), pixelsY(kTextTop), pixelsX(kTextWidth),
                                pixelsY(kTextHeight), lock.panel, nullptr, instance, nullptr);
    if (!lock.text)
        return;
    SendMessageA(lock.text, EM_SETPASSWORDCHAR, '*', 0);
    SendMessageA(lock.text, EM_LIMITTEXT, kMaxPasswordLength, 0);
    guardPasswordBox(lock.text, formClick);
}

// A screen added, removed or resized while locked is covered at once.
void coverScreens() {
    if (!lock.shown || !lock.window)
        return;
    measureScreen();
    placeControls();
    InvalidateRect(lock.window, nullptr, FALSE);
}

} // namespace

bool lockShown() {
    return lock.shown;
}

void setUnlockAction(void (*action)()) {
    unlockAction = action;
}

bool showLockWindow(bool withSnapshot) {
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
    if (withSnapshot) {
        lock.snapshotSize = {
            static_cast<LONG>(lockgeo::captureExtent(width * lock.tppX, lock.tppX)),
            static_cast<LONG>(lockgeo::captureExtent(height * lock.tppY, lock.tppY))};
        lock.snapshotOrigin = lock.origin;
        lock.snapshot = copyDesktop(lock.snapshotSize.cx, lock.snapshotSize.cy);
    }
    ShowWindow(lock.window, SW_SHOW);
    SetForegroundWindow(lock.window);
    lock.banner.left = lockgeo::bannerStart(lock.screenWidth, lock.screenHeight, kLabelHeight).left;
    SetTimer(lock.window, kBannerTimer, kBannerInterval, nullptr);
    SetTimer(lock.window, kFrontTimer, kFrontInterval, nullptr);
    holdSystemKeys(true);
    lock.foregroundHook = SetWinEventHook(EVENT_SYSTEM_FOREGROUND, EVENT_SYSTEM_FOREGROUND, nullptr,
                                          foregroundChanged, 0, 0, WINEVENT_OUTOFCONTEXT);
    if (lock.text)
        SetFocus(lock.text);
    LockSupervisor::lockChanged(true);
    return true;
}
