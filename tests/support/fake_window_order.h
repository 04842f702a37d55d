#pragma once
// A stand-in for the window-order service: records every call in order as
// "<call> <objectName>", answers isOnTop from a flag and refuses each grab a set number
// of times before granting it. Installs itself for its lifetime.

#include "platform/window_order.h"

#include <QHash>
#include <QStringList>

class QWidget;

class FakeWindowOrder : public platform::WindowOrder {
public:
    FakeWindowOrder();
    ~FakeWindowOrder() override;

    void watchCovering(QWidget* window, LossHandler lost) override;
    void unwatch(QWidget* window) override;
    bool isOnTop(QWidget* window) override;
    void raise(QWidget* window) override;
    bool grabKeyboard(QWidget* window) override;
    bool grabPointer(QWidget* window) override;
    void releaseGrabs(QWidget* window) override;

    // Acts as another program unmapping or destroying the watched window (as the real
    // service does, a destroyed window is no longer watched).
    void loseWindow(QWidget* window, Loss loss);
    // How many calls of `call` were recorded.
    int count(const QString& call) const;

    QStringList calls;
    QHash<QWidget*, LossHandler> watched;
    bool onTop = true;
    int keyboardRefusals = 0; // grabs refused before one succeeds
    int pointerRefusals = 0;

private:
    static bool grant(int& refusals);
};
