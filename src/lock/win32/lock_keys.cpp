#include "lock/win32/lock_keys.h"

namespace {

WNDPROC boxProc = nullptr;
void (*boxCheck)() = nullptr;
HHOOK keyboardHook = nullptr;

// The accessibility shortcuts as they were before the lock.
STICKYKEYS stickyKeys{sizeof(STICKYKEYS), 0};
FILTERKEYS filterKeys{sizeof(FILTERKEYS), 0, 0, 0, 0, 0};
TOGGLEKEYS toggleKeys{sizeof(TOGGLEKEYS), 0};
bool shortcutsHeld = false;

LRESULT CALLBACK passwordBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // Key preview: the form checks every key before the box adds its character.
    if ((message == WM_KEYDOWN || message == WM_SYSKEYDOWN) && boxCheck)
        boxCheck();
    if (message == WM_CONTEXTMENU)
        return 0; // no menu over the lock
    if (refusedByPasswordBox(message, wParam, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_MENU) < 0))
        return 0;
    return CallWindowProcA(boxProc, hwnd, message, wParam, lParam);
}

LRESULT CALLBACK keyboardHookProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION && (wParam == WM_KEYDOWN || wParam == WM_SYSKEYDOWN ||
                              wParam == WM_KEYUP || wParam == WM_SYSKEYUP)) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        if (swallowedWhileLocked(key->vkCode, (key->flags & LLKHF_ALTDOWN) != 0,
                                 GetAsyncKeyState(VK_CONTROL) < 0))
            return 1;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Not written to the user's profile: a lock that dies cannot leave them off for good.
void holdShortcuts(bool on) {
    if (on && !shortcutsHeld) {
        SystemParametersInfoA(SPI_GETSTICKYKEYS, sizeof stickyKeys, &stickyKeys, 0);
        SystemParametersInfoA(SPI_GETFILTERKEYS, sizeof filterKeys, &filterKeys, 0);
        SystemParametersInfoA(SPI_GETTOGGLEKEYS, sizeof toggleKeys, &toggleKeys, 0);
        STICKYKEYS sticky = stickyKeys;
        FILTERKEYS filter = filterKeys;
        TOGGLEKEYS toggle = toggleKeys;
        sticky.dwFlags &= ~static_cast<DWORD>(SKF_HOTKEYACTIVE | SKF_CONFIRMHOTKEY);
        filter.dwFlags &= ~static_cast<DWORD>(FKF_HOTKEYACTIVE | FKF_CONFIRMHOTKEY);
        toggle.dwFlags &= ~static_cast<DWORD>(TKF_HOTKEYACTIVE | TKF_CONFIRMHOTKEY);
        SystemParametersInfoA(SPI_SETSTICKYKEYS, sizeof sticky, &sticky, 0);
        SystemParametersInfoA(SPI_SETFILTERKEYS, sizeof filter, &filter, 0);
        SystemParametersInfoA(SPI_SETTOGGLEKEYS, sizeof toggle, &toggle, 0);
        shortcutsHeld = true;
    } else if (!on && shortcutsHeld) {
        SystemParametersInfoA(SPI_SETSTICKYKEYS, sizeof stickyKeys, &stickyKeys, 0);
        SystemParametersInfoA(SPI_SETFILTERKEYS, sizeof filterKeys, &filterKeys, 0);
        SystemParametersInfoA(SPI_SETTOGGLEKEYS, sizeof toggleKeys, &toggleKeys, 0);
        shortcutsHeld = false;
    }
}

} // namespace

void guardPasswordBox(HWND text, void (*check)()) {
    boxCheck = check;
    boxProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(text, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(passwordBoxProc)));
}

void holdSystemKeys(bool on) {
    if (on && !keyboardHook)
        keyboardHook =
            SetWindowsHookExA(WH_KEYBOARD_LL, keyboardHookProc, GetModuleHandleA(nullptr), 0);
    else if (!on && keyboardHook) {
        UnhookWindowsHookEx(keyboardHook);
        keyboardHook = nullptr;
    }
    holdShortcuts(on);
}

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

bool refusedByPasswordBox(UINT message, WPARAM wParam, bool shiftDown, bool altDown) {
    constexpr WPARAM kCtrlC = 3, kCtrlV = 22, kCtrlX = 24, kCtrlZ = 26;
    switch (message) {
    case WM_PASTE:
    case WM_UNDO:
    case EM_UNDO:
    case WM_CUT:
    case WM_SETTEXT:
    case EM_REPLACESEL:
        return true;
    case WM_CHAR:
        return wParam == kCtrlV || wParam == kCtrlZ || wParam == kCtrlX || wParam == kCtrlC;
    case WM_KEYDOWN:
        // Shift+Insert pastes and Shift+Delete cuts without a character.
        return shiftDown && (wParam == VK_INSERT || wParam == VK_DELETE);
    case WM_SYSKEYDOWN:
    case WM_SYSCHAR:
        // Alt+Backspace undoes.
        return altDown && wParam == VK_BACK;
    default:
        return false;
    }
}
