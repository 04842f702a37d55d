#pragma once
// A stand-in for the desktop's notification area: records every call with a copy of
// the record as it was passed, keeps whether the icon is there, and lets a test play
// mouse messages on the icon. Installs itself for its lifetime.

#include "platform/notification_icon.h"

#include <QList>

struct RecordedNotifyCall {
    uint32_t operation;
    platform::NOTIFYICONDATA data;
};

class FakeNotificationIcon : public platform::NotificationIcon {
public:
    FakeNotificationIcon();
    ~FakeNotificationIcon() override;

    bool shellNotifyIcon(uint32_t operation, const platform::NOTIFYICONDATA& data) override;

    // Sends a mouse message (0x205 and so on) to the window of the last record passed,
    // as the desktop would; whether or not the icon is there.
    void mouse(uint32_t mouseMessage) const;

    QList<RecordedNotifyCall> calls;
    bool present = false;
};
