#include "shell/x11/clsTray.h"

#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "shell/x11/frmMain.h"
#include "shell/x11/frmMenu.h"

#include <algorithm>

namespace {
constexpr uint32_t kRecordSize = 88;
constexpr uint32_t kIconId = 1; // the program has one icon
} // namespace

void clsTray::setTarget(QWidget* sysTrayForm) {
    nid_.cbSize = kRecordSize;
    nid_.hWnd = sysTrayForm;
}

void clsTray::setTip(const QString& text) {
    const std::string ansi = platform::toAnsi(text);
    nid_.szTip.fill('\0');
    // The field ends with its NUL, so the text keeps at most one character less.
    std::copy_n(ansi.begin(), std::min(ansi.size(), nid_.szTip.size() - 1), nid_.szTip.begin());
}

void clsTray::ShowIcon(QWidget* sysTrayForm) {
    frmMain& main = platform::formSlot<frmMain>().get();
    setTarget(sysTrayForm);
    nid_.uID = kIconId;
    nid_.uFlags = platform::NIF_MESSAGE | platform::NIF_ICON | platform::NIF_TIP;
    nid_.uCallbackMessage = platform::WM_MOUSEMOVE;
    nid_.hIcon = main.windowIcon();
    setTip(main.windowTitle());
    // For panels that draw the icon's menu themselves.
    nid_.hMenu = platform::formSlot<frmMenu>().get().mFile;
    platform::notificationIcon().shellNotifyIcon(platform::NIM_ADD, nid_);
    running_ = true;
}

void clsTray::RemoveIcon(QWidget* sysTrayForm) {
    setTarget(sysTrayForm);
    nid_.uID = kIconId;
    setTip(QString());
    platform::notificationIcon().shellNotifyIcon(platform::NIM_DELETE, nid_);
    running_ = false;
}

void clsTray::ChangeIcon(QWidget* sysTrayForm, const QIcon& icon) {
    if (!running_)
        return;
    setTarget(sysTrayForm);
    nid_.hIcon = icon;
    platform::notificationIcon().shellNotifyIcon(platform::NIM_MODIFY, nid_);
}

void clsTray::ChangeToolTip(QWidget* sysTrayForm, const QString& strNewTip) {
    if (!running_)
        return;
    setTarget(sysTrayForm);
    setTip(strNewTip);
    platform::notificationIcon().shellNotifyIcon(platform::NIM_MODIFY, nid_);
}
