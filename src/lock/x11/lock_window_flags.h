#pragma once
// The window flags every lock window is created with: past the window manager (so that
// nothing it manages can be stacked above, closed or moved by it), no frame, on top.

#include <Qt>

inline Qt::WindowFlags lockWindowFlags() {
    return Qt::Window | Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint |
           Qt::WindowStaysOnTopHint;
}
