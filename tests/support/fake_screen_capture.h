#pragma once
// A stand-in for the screen capture: hands out a prepared desktop picture (1024 x 768
// unless changed) and runs a hook at each grab. Installs itself for its lifetime.

#include "lock/x11/screen_capture.h"

#include <functional>

class FakeScreenCapture : public platform::ScreenCapture {
public:
    FakeScreenCapture() : desktop(QImage(1024, 768, QImage::Format_RGB32), {}) {
        desktop.picture.fill(Qt::gray);
        platform::setScreenCapture(this);
    }
    ~FakeScreenCapture() override { platform::setScreenCapture(nullptr); }
    std::shared_ptr<const platform::DesktopSnapshot> grabDesktop() override {
        if (onGrab)
            onGrab();
        return std::make_shared<platform::ImageSnapshot>(desktop);
    }

    platform::ImageSnapshot desktop;
    std::function<void()> onGrab;
};
