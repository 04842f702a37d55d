#pragma once
// The program's one notification-area icon over Shell_NotifyIconA. The record is kept
// between calls, so fields an operation leaves alone keep their earlier values; the
// shell's answers are ignored and bRunningInTray follows the calls.

#include "shell/win32/tray_record.h"

#include <string>

// The callback message the icon sends to its window; the mouse message is in lParam's
// low word.
constexpr UINT kTrayCallbackMessage = WM_MOUSEMOVE;

class clsTray {
public:
    clsTray();
    bool bRunningInTray() const { return running_; }
    // Adds the icon with `icon` and the tip `tip`; callbacks go to `sysTrayForm`.
    void ShowIcon(HWND sysTrayForm, HICON icon, const std::string& tip);
    void RemoveIcon(HWND sysTrayForm);
    void ChangeIcon(HWND sysTrayForm, HICON icon);
    void ChangeToolTip(HWND sysTrayForm, const std::string& tip);

private:
    void address(HWND sysTrayForm);
    void setTip(const std::string& tip);

    NOTIFYICONDATAA record_;
    bool running_ = false;
};
