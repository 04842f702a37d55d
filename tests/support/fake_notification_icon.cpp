#include "support/fake_notification_icon.h"

#include <utility>

FakeNotificationIcon::FakeNotificationIcon() {
    platform::setNotificationIcon(this);
}

FakeNotificationIcon::~FakeNotificationIcon() {
    platform::setNotificationIcon(nullptr);
}

bool FakeNotificationIcon::shellNotifyIcon(uint32_t operation,
                                           const platform::NOTIFYICONDATA& data) {
    calls.append({operation, data});
    switch (operation) {
    case platform::NIM_ADD:
        return !std::exchange(present, true);
    case platform::NIM_DELETE:
        return std::exchange(present, false);
    default:
        return present;
    }
}

void FakeNotificationIcon::mouse(uint32_t mouseMessage) const {
    if (!calls.isEmpty())
        platform::deliverNotifyIconMessage(calls.last().data, mouseMessage);
}
