#pragma once
// The notification-area icon over QSystemTrayIcon (XEmbed tray or StatusNotifierItem,
// whichever Qt finds). Qt reports clicks as activation reasons; they become the mouse
// messages the icon's window expects. A button is reported at its press on an XEmbed
// tray, but the menu belongs to its release, so the press is held back until the button
// is up. A status-notifier host draws the record's menu itself (exported over D-Bus).

#include "platform/x11/notification_icon.h"

#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>

namespace platform {

class QtNotificationIcon : public QObject, public NotificationIcon {
    Q_OBJECT
public:
    QtNotificationIcon();
    ~QtNotificationIcon() override;
    bool shellNotifyIcon(uint32_t operation, const NOTIFYICONDATA& data) override;

private:
    void apply(const NOTIFYICONDATA& data);
    void onActivated(QSystemTrayIcon::ActivationReason reason);
    void waitForRelease(Qt::MouseButton button, uint32_t message);
    void checkButtonReleased();

    QSystemTrayIcon* icon_ = nullptr; // present between NIM_ADD and NIM_DELETE
    bool statusNotifier_ = false;     // hosted by a panel that draws its menu itself
    NOTIFYICONDATA record_;
    QTimer releaseWait_; // runs only while a button is held on the icon
    int releaseChecksLeft_ = 0;
    Qt::MouseButton heldButton_ = Qt::NoButton;
    uint32_t releaseMessage_ = 0;
};

// True when a panel that hosts status-notifier items runs on the session bus (asked
// with a time-out; false without a bus).
bool statusNotifierHostRunning();

} // namespace platform
