#include "support/fake_screen_capture.h"

FakeScreenCapture::FakeScreenCapture() {
    desktop.picture = QImage(1024, 768, QImage::Format_RGB32);
    desktop.picture.fill(QColor(200, 30, 160));
    platform::setScreenCapture(this);
}

FakeScreenCapture::~FakeScreenCapture() {
    platform::setScreenCapture(nullptr);
}

platform::DesktopSnapshot FakeScreenCapture::grabDesktop() {
    ++grabs;
    if (onGrab)
        onGrab();
    return desktop;
}
