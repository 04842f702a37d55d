#pragma once
// A stand-in for the screen capture: hands out a prepared desktop picture (1024 x 768 in
// one colour unless changed), counts the grabs and runs a hook at each (to see what was
// on screen at that moment). Installs itself for its lifetime.

#include "platform/x11/screen_capture.h"

#include <functional>

class FakeScreenCapture : public platform::ScreenCapture {
public:
    FakeScreenCapture() : desktop(QImage(1024, 768, QImage::Format_RGB32), {}) {
        desktop.picture.fill(QColor(200, 30, 160));
        platform::setScreenCapture(this);
    }
    ~FakeScreenCapture() override { platform::setScreenCapture(nullptr); }
    std::shared_ptr<const platform::DesktopSnapshot> grabDesktop() override {
        ++grabs;
        if (onGrab)
            onGrab();
        return std::make_shared<platform::ImageSnapshot>(desktop);
    }

    platform::ImageSnapshot desktop;
    int grabs = 0;
    std::function<void()> onGrab;
};
