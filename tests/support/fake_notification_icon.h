#pragma once
// A stand-in for the desktop's notification area: records every call with a copy of
// the record as it was passed, keeps whether the icon is there, and lets a test play
// mouse messages on the icon. Installs itself for its lifetime.

#include "platform/notification_icon.h"

#include <QList>

struct FakeNotificationIcon : platform::NotificationIcon {
    struct Call {
        uint32_t operation;
        platform::NOTIFYICONDATA data;
    };

    FakeNotificationIcon() { platform::setNotificationIcon(this); }
    ~FakeNotificationIcon() override { platform::setNotificationIcon(nullptr); }

    bool shellNotifyIcon(uint32_t operation, const platform::NOTIFYICONDATA& data) override {
        calls.append({operation, data});
        // Adding needs the icon away; changing and deleting need it there.
        const bool applies = (operation == platform::NIM_ADD) != present;
        if (applies && operation != platform::NIM_MODIFY)
            present = operation == platform::NIM_ADD;
        return applies;
    }

    // Plays a mouse message (0x205 and so on) on the window of the last record passed,
    // as the desktop would, whether or not the icon is there.
    void mouse(uint32_t message) const {
        if (!calls.isEmpty())
            platform::deliverNotifyIconMessage(calls.last().data, message);
    }

    QList<Call> calls;
    bool present = false;
};
