#pragma once
// A stand-in for the window-order service: records the watches, raises and grabs in order
// as "<call> <objectName>", answers isOnTop from a flag and refuses each grab a set number
// of times before granting it. Installs itself for its lifetime.

#include "lock/x11/window_order.h"

#include <QHash>
#include <QStringList>
#include <QWidget>

class FakeWindowOrder : public platform::WindowOrder {
public:
    FakeWindowOrder() { platform::setWindowOrder(this); }
    ~FakeWindowOrder() override { platform::setWindowOrder(nullptr); }

    void watchCovering(QWidget* window, LossHandler lost) override {
        record("watch", window);
        watched.insert(window, std::move(lost));
    }
    void unwatch(QWidget* window) override { watched.remove(window); }
    bool isOnTop(QWidget*) override { return onTop; }
    bool stackChanged() override { return true; }
    void raise(QWidget* window) override { record("raise", window); }
    void grabInput(QWidget* window, bool& keyboard, bool& pointer) override {
        if (!keyboard)
            keyboard = grant("grabKeyboard", window, keyboardRefusals);
        if (!pointer)
            pointer = grant("grabPointer", window, pointerRefusals);
    }
    void releaseGrabs(QWidget* window) override { record("releaseGrabs", window); }
    bool capsLockOn() override { return capsLock; }

    // Another program unmapping the watched window.
    void unmap(QWidget* window) { watched.value(window)(window, Loss::Unmapped); }

    QStringList calls;
    QHash<QWidget*, LossHandler> watched;
    bool onTop = true;
    bool capsLock = false;
    int keyboardRefusals = 0; // grabs refused before one succeeds
    int pointerRefusals = 0;

private:
    void record(const char* call, QWidget* window) {
        calls.append(QLatin1String(call) + QLatin1Char(' ') + window->objectName());
    }
    bool grant(const char* call, QWidget* window, int& refusals) {
        record(call, window);
        return refusals-- <= 0;
    }
};
