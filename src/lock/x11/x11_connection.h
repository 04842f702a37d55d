#pragma once
// The X connection Qt holds, for the lock's own requests; null off X11.

#include <QGuiApplication>
#include <xcb/xcb.h>

inline xcb_connection_t* x11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}
