#pragma once
// Pictures of the desktop as it is on screen now: every screen's contents at its place
// on the virtual desktop. The lock window takes one before it shows itself. Tests install
// a fake that hands out a prepared picture.

#include <QImage>
#include <QPoint>
#include <QRect>

namespace platform {

struct DesktopSnapshot {
    QImage picture; // the virtual desktop; what no screen showed is white
    QPoint origin;  // the virtual desktop position of the picture's top-left pixel
    // The picture of `area` (virtual desktop pixels), white where the snapshot has none.
    QImage part(const QRect& area) const;
};

class ScreenCapture {
public:
    virtual ~ScreenCapture() = default;
    virtual DesktopSnapshot grabDesktop() = 0;
};

ScreenCapture& screenCapture();
// Installs a replacement; nullptr restores the real service.
void setScreenCapture(ScreenCapture* service);

} // namespace platform
