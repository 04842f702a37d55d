#pragma once
// The desktop's notification area, reached the way the shell's notify-icon call works:
// an operation code and one record naming the icon, its picture, its tooltip and the
// window that gets the icon's mouse messages. Those messages come back to that window
// as a NotifyIconCallbackEvent whose lParam carries the mouse message (0x205 = right
// button released over the icon, 0x202 left click, 0x203 left double click, ...).
// Panels that draw icon menus themselves (status-notifier hosts: xfce4-panel, KDE Plasma,
// GNOME's AppIndicator extension) are given the record's menu instead and show it on a
// right click; they send only left and middle clicks.
// Tests install a recording fake (tests/support/fake_notification_icon.h).

#include <QEvent>
#include <QIcon>
#include <QMenu>
#include <QPointer>
#include <QWidget>
#include <array>
#include <cstdint>

namespace platform {

// Operation codes.
constexpr uint32_t NIM_ADD = 0;
constexpr uint32_t NIM_MODIFY = 1;
constexpr uint32_t NIM_DELETE = 2;

// Record flags: which of the callback, icon and tooltip fields are valid.
constexpr uint32_t NIF_MESSAGE = 1;
constexpr uint32_t NIF_ICON = 2;
constexpr uint32_t NIF_TIP = 4;

// Mouse messages carried in lParam, and the callback message the program asks for.
constexpr uint32_t WM_MOUSEMOVE = 0x200;
constexpr uint32_t WM_LBUTTONDOWN = 0x201;
constexpr uint32_t WM_LBUTTONUP = 0x202;
constexpr uint32_t WM_LBUTTONDBLCLK = 0x203;
constexpr uint32_t WM_RBUTTONDOWN = 0x204;
constexpr uint32_t WM_RBUTTONUP = 0x205;
constexpr uint32_t WM_MBUTTONDOWN = 0x207;
constexpr uint32_t WM_MBUTTONUP = 0x208;

constexpr std::size_t kTipSize = 64; // 63 characters and the closing NUL

struct NOTIFYICONDATA {
    uint32_t cbSize = 0;
    QPointer<QWidget> hWnd; // gets the callback events
    uint32_t uID = 0;
    uint32_t uFlags = 0;
    uint32_t uCallbackMessage = 0;
    QIcon hIcon;
    std::array<char, kTipSize> szTip{}; // Windows-1252, NUL-terminated
    // What a panel that draws icon menus itself shows on a right click. Elsewhere the
    // icon's window pops it up; it is never shown by both.
    QPointer<QMenu> hMenu;

    // The tooltip text up to its NUL.
    std::string tip() const;
};

// What the icon's window receives when the user does something with the mouse on it.
class NotifyIconCallbackEvent : public QEvent {
public:
    NotifyIconCallbackEvent(uint32_t message, uint32_t wParam, uint32_t lParam);
    static QEvent::Type eventType();
    uint32_t message; // the record's uCallbackMessage
    uint32_t wParam;  // the record's uID
    uint32_t lParam;  // the mouse message in its low word
};

class NotificationIcon {
public:
    virtual ~NotificationIcon() = default;
    // NIM_ADD, NIM_MODIFY or NIM_DELETE with the record. False when the operation does
    // not apply (adding an icon that is there, changing or deleting one that is not).
    virtual bool shellNotifyIcon(uint32_t operation, const NOTIFYICONDATA& data) = 0;
};

NotificationIcon& notificationIcon();
// Installs a replacement; nullptr restores the real service.
void setNotificationIcon(NotificationIcon* service);

// Sends the icon's mouse message to the record's window, as the desktop does.
void deliverNotifyIconMessage(const NOTIFYICONDATA& data, uint32_t mouseMessage);

} // namespace platform
