#include "lock/wayland/lock_surface.h"

#include "lock/wayland/wayland_connection.h"

#include "ext-session-lock-v1-client-protocol.h"

#include <climits>
#include <wayland-client.h>

namespace waylock {

static const ext_session_lock_surface_v1_listener lockSurfaceListener = {LockSurface::onConfigure};
static const wl_callback_listener frameListener = {LockSurface::onFrame};

LockSurface::LockSurface(Connection& connection, ext_session_lock_v1* lock, Output& output,
                         DrawLock draw, std::function<void(LockSurface&)> shown)
    : connection_(connection), output_(output), draw_(std::move(draw)),
      shownCallback_(std::move(shown)) {
    surface_ = wl_compositor_create_surface(connection_.compositor());
    lockSurface_ = ext_session_lock_v1_get_lock_surface(lock, surface_, output_.proxy);
    ext_session_lock_surface_v1_add_listener(lockSurface_, &lockSurfaceListener, this);
    // Opaque: the compositor need not draw anything under it.
    wl_region* everything = wl_compositor_create_region(connection_.compositor());
    wl_region_add(everything, 0, 0, INT32_MAX, INT32_MAX);
    wl_surface_set_opaque_region(surface_, everything);
    wl_region_destroy(everything);
}

LockSurface::~LockSurface() {
    if (frame_)
        wl_callback_destroy(frame_);
    ext_session_lock_surface_v1_destroy(lockSurface_);
    wl_surface_destroy(surface_);
}

void LockSurface::onConfigure(void* data, ext_session_lock_surface_v1* lockSurface, uint32_t serial,
                              uint32_t width, uint32_t height) {
    auto* self = static_cast<LockSurface*>(data);
    ext_session_lock_surface_v1_ack_configure(lockSurface, serial);
    self->size_ = QSize(int(width), int(height));
    // The first picture at a new size goes out at once: the compositor waits for it
    // before it reports the session locked.
    self->damage_ = QRect(QPoint(), self->size_);
    self->paint();
}

void LockSurface::onFrame(void* data, wl_callback* callback, uint32_t) {
    auto* self = static_cast<LockSurface*>(data);
    wl_callback_destroy(callback);
    self->frame_ = nullptr;
    // The compositor has put the first picture at this size on screen (and given the
    // surface the focus, if it is to have it).
    const bool first = self->shownSize_ != self->committedSize_;
    self->shownSize_ = self->committedSize_;
    if (first && self->shownCallback_)
        self->shownCallback_(*self);
    if (!self->damage_.isEmpty())
        self->paint();
}

void LockSurface::update() {
    update(QRect(QPoint(), size_));
}

void LockSurface::update(const QRegion& area) {
    // Pictures are sent at the pace the compositor shows them: one a frame.
    damage_ += area;
    if (!frame_)
        paint();
}

LockSurface::Slot* LockSurface::freeSlot(QSize pixels) {
    for (Slot& slot : slots_) {
        if (slot.buffer && slot.buffer->busy())
            continue;
        if (!slot.buffer || slot.buffer->size() != pixels) {
            slot.buffer = ShmBuffer::create(connection_.shm(), pixels, WL_SHM_FORMAT_XRGB8888);
            slot.stale = QRect(QPoint(), size_); // a new buffer holds nothing yet
        }
        return &slot;
    }
    return nullptr;
}

void LockSurface::paint() {
    if (size_.isEmpty() || connection_.broken())
        return; // nothing may be committed before the first configure is acknowledged
    const int scale = connection_.compositorVersion() >= 3 ? output_.scale : 1;
    const QSize pixels = size_ * scale;
    if (committedSize_ != size_ || pixelSize_ != pixels) {
        damage_ = QRect(QPoint(), size_);
        for (Slot& slot : slots_)
            slot.stale = damage_;
    } else {
        for (Slot& slot : slots_)
            slot.stale += damage_;
    }
    Slot* slot = freeSlot(pixels);
    if (!slot || !slot->buffer)
        return; // all are with the compositor (or no memory): the next frame tries again
    QImage& image = slot->buffer->image();
    image.setDevicePixelRatio(scale);
    draw_(image, output_, slot->stale & QRect(QPoint(), size_));
    slot->stale = QRegion();
    wl_surface_attach(surface_, slot->buffer->buffer(), 0, 0);
    if (connection_.compositorVersion() >= 3)
        wl_surface_set_buffer_scale(surface_, scale);
    for (const QRect& r : damage_) {
        if (connection_.compositorVersion() >= 4)
            wl_surface_damage_buffer(surface_, r.x() * scale, r.y() * scale, r.width() * scale,
                                     r.height() * scale);
        else
            wl_surface_damage(surface_, r.x(), r.y(), r.width(), r.height());
    }
    damage_ = QRegion();
    if (!frame_) {
        frame_ = wl_surface_frame(surface_);
        wl_callback_add_listener(frame_, &frameListener, this);
    }
    wl_surface_commit(surface_);
    slot->buffer->setBusy();
    committedSize_ = size_;
    pixelSize_ = pixels;
    connection_.flush();
}

} // namespace waylock
