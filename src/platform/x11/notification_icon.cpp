#include "platform/x11/notification_icon.h"
#include "platform/service_slot.h"

#include "platform/x11/qt_notification_icon.h"

#include <QCoreApplication>
#include <cstring>

namespace platform {

std::string NOTIFYICONDATA::tip() const {
    return std::string(szTip.data(), strnlen(szTip.data(), szTip.size()));
}

NotifyIconCallbackEvent::NotifyIconCallbackEvent(uint32_t message_, uint32_t wParam_,
                                                 uint32_t lParam_)
    : QEvent(eventType()), message(message_), wParam(wParam_), lParam(lParam_) {}

QEvent::Type NotifyIconCallbackEvent::eventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

NotificationIcon& notificationIcon() {
    return currentService<NotificationIcon, QtNotificationIcon>();
}

void setNotificationIcon(NotificationIcon* service) {
    installedService<NotificationIcon>() = service;
}

void deliverNotifyIconMessage(const NOTIFYICONDATA& data, uint32_t mouseMessage) {
    if (data.hWnd.isNull())
        return;
    NotifyIconCallbackEvent event(data.uCallbackMessage, data.uID, mouseMessage);
    QCoreApplication::sendEvent(data.hWnd.data(), &event);
}

} // namespace platform
