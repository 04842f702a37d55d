#pragma once
// The lock's picture on one output: a wl_surface in the role of a session-lock surface.
// It is drawn only after the compositor's configure has been acknowledged, at the size
// the compositor asks for, in the output's device pixels.

#include "lock/wayland/shm_buffer.h"

#include <QImage>
#include <QRegion>
#include <QSize>
#include <array>
#include <functional>
#include <memory>

struct ext_session_lock_v1;
struct ext_session_lock_surface_v1;
struct wl_callback;
struct wl_surface;

namespace waylock {

class Connection;
struct Output;

// Draws the parts within `clip` (logical pixels) of the lock's picture for `output` into
// `target`, whose device pixel ratio is the output's scale (a painter on it works in the
// output's logical pixels). What lies outside `clip` is there from an earlier picture.
using DrawLock = std::function<void(QImage& target, const Output& output, const QRegion& clip)>;

class LockSurface {
public:
    // `shown` is called when the compositor has shown the first picture at a new size.
    LockSurface(Connection& connection, ext_session_lock_v1* lock, Output& output, DrawLock draw,
                std::function<void(LockSurface&)> shown);
    ~LockSurface();
    LockSurface(const LockSurface&) = delete;
    LockSurface& operator=(const LockSurface&) = delete;

    Output& output() const { return output_; }
    wl_surface* surface() const { return surface_; }
    // Draws `area` (logical pixels) again as soon as the compositor allows (after a
    // configure, at the next frame); all of it without one.
    void update();
    void update(const QRegion& area);
    // The compositor has shown a picture at the last configured size.
    bool shown() const { return shownSize_ == size_ && !size_.isEmpty(); }
    QSize size() const { return size_; }
    // The device pixels of the last picture sent.
    QSize pixelSize() const { return pixelSize_; }

    // The compositor's events.
    static void onConfigure(void* data, ext_session_lock_surface_v1*, uint32_t serial,
                            uint32_t width, uint32_t height);
    static void onFrame(void* data, wl_callback* callback, uint32_t);

private:
    // A buffer and where its pixels are older than the picture (logical pixels).
    struct Slot {
        std::unique_ptr<ShmBuffer> buffer;
        QRegion stale;
    };
    void paint();
    Slot* freeSlot(QSize pixels);

    Connection& connection_;
    Output& output_;
    DrawLock draw_;
    std::function<void(LockSurface&)> shownCallback_;
    wl_surface* surface_ = nullptr;
    ext_session_lock_surface_v1* lockSurface_ = nullptr;
    wl_callback* frame_ = nullptr;
    QSize size_;          // logical, as last configured and acknowledged
    QSize committedSize_; // of the last picture sent
    QSize pixelSize_;
    QSize shownSize_; // of the last picture the compositor has shown
    QRegion damage_;  // changed since the last picture sent (logical pixels)
    // Two take turns; a third covers a configure that comes while both are with the compositor.
    std::array<Slot, 3> slots_;
};

} // namespace waylock
