#include "shell/win32/clsTray.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr UINT kIconId = 1;
} // namespace

clsTray::clsTray() {
    std::memset(&record_, 0, sizeof record_);
}

void clsTray::address(HWND sysTrayForm) {
    record_.cbSize = kTrayRecordSize;
    record_.hWnd = sysTrayForm;
    record_.uID = kIconId;
}

// The first-version record has room for 63 characters and the closing NUL.
void clsTray::setTip(const std::string& tip) {
    const size_t length = std::min(tip.size(), kTrayTipRoom - 1);
    std::memcpy(record_.szTip, tip.data(), length);
    record_.szTip[length] = '\0';
}

void clsTray::ShowIcon(HWND sysTrayForm, HICON icon, const std::string& tip) {
    address(sysTrayForm);
    record_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record_.uCallbackMessage = kTrayCallbackMessage;
    record_.hIcon = icon;
    setTip(tip);
    Shell_NotifyIconA(NIM_ADD, &record_);
    running_ = true;
}

void clsTray::RemoveIcon(HWND sysTrayForm) {
    address(sysTrayForm);
    setTip("");
    Shell_NotifyIconA(NIM_DELETE, &record_);
    running_ = false;
}

void clsTray::ChangeIcon(HWND sysTrayForm, HICON icon) {
    if (!running_)
        return;
    address(sysTrayForm);
    record_.hIcon = icon;
    Shell_NotifyIconA(NIM_MODIFY, &record_);
}

void clsTray::ChangeToolTip(HWND sysTrayForm, const std::string& tip) {
    if (!running_)
        return;
    address(sysTrayForm);
    setTip(tip);
    Shell_NotifyIconA(NIM_MODIFY, &record_);
}
