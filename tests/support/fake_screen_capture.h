#pragma once
// A stand-in for the screen capture: hands out a prepared desktop picture, counts the
// grabs and runs a hook at each (to see what was on screen at that moment). Installs
// itself for its lifetime.

#include "platform/screen_capture.h"

#include <functional>

class FakeScreenCapture : public platform::ScreenCapture {
public:
    FakeScreenCapture();
    ~FakeScreenCapture() override;
    platform::DesktopSnapshot grabDesktop() override;

    platform::DesktopSnapshot desktop; // a 1024 x 768 picture in one colour unless changed
    int grabs = 0;
    std::function<void()> onGrab;
};
