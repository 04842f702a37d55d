#pragma once
// The notification-area icon over QSystemTrayIcon (XEmbed tray or StatusNotifierItem,
// whichever Qt finds). Qt reports clicks as activation reasons; they become the mouse
// messages the icon's window expects. The right button is reported at its press, but
// the menu belongs to its release, so the press is held back until the button is up.

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
    void checkRightButtonReleased();

    QSystemTrayIcon* icon_ = nullptr; // present between NIM_ADD and NIM_DELETE
    NOTIFYICONDATA record_;
    QTimer releaseWait_; // runs only while the right button is held on the icon
    int releaseChecksLeft_ = 0;
};

} // namespace platform
