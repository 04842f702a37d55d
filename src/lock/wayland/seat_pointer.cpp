#include "lock/wayland/seat_pointer.h"

#include "lock/wayland/wayland_connection.h"

#include <wayland-client.h>

namespace waylock {

struct SeatPointer::Events {
    static SeatPointer* self(void* data) { return static_cast<SeatPointer*>(data); }
    static void enter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface* surface,
                      wl_fixed_t x, wl_fixed_t y) {
        wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
        self(data)->over_ = surface;
        motion(data, pointer, 0, x, y);
    }
    static void leave(void* data, wl_pointer*, uint32_t, wl_surface*) {
        self(data)->over_ = nullptr;
    }
    static void motion(void* data, wl_pointer*, uint32_t, wl_fixed_t x, wl_fixed_t y) {
        self(data)->x_ = wl_fixed_to_double(x);
        self(data)->y_ = wl_fixed_to_double(y);
    }
    static void button(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t state) {
        SeatPointer* p = self(data);
        if (state == WL_POINTER_BUTTON_STATE_RELEASED && p->over_)
            p->handler_.clicked(p->over_, p->x_, p->y_);
    }
    static void axis(void*, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {}
    static void frame(void*, wl_pointer*) {}
    static void axisSource(void*, wl_pointer*, uint32_t) {}
    static void axisStop(void*, wl_pointer*, uint32_t, uint32_t) {}
    static void axisDiscrete(void*, wl_pointer*, uint32_t, int32_t) {}
    static void axisValue120(void*, wl_pointer*, uint32_t, int32_t) {}
};

static const wl_pointer_listener pointerListener = {
    SeatPointer::Events::enter,        SeatPointer::Events::leave,
    SeatPointer::Events::motion,       SeatPointer::Events::button,
    SeatPointer::Events::axis,         SeatPointer::Events::frame,
    SeatPointer::Events::axisSource,   SeatPointer::Events::axisStop,
    SeatPointer::Events::axisDiscrete, SeatPointer::Events::axisValue120,
};

SeatPointer::SeatPointer(Seat& seat, PointerHandler& handler) : seat_(seat), handler_(handler) {
    refresh();
}

SeatPointer::~SeatPointer() {
    release();
}

void SeatPointer::refresh() {
    const bool has = seat_.capabilities & WL_SEAT_CAPABILITY_POINTER;
    if (has && !pointer_) {
        pointer_ = wl_seat_get_pointer(seat_.proxy);
        wl_pointer_add_listener(pointer_, &pointerListener, this);
    } else if (!has) {
        release();
    }
}

void SeatPointer::release() {
    if (!pointer_)
        return;
    if (wl_pointer_get_version(pointer_) >= 3)
        wl_pointer_release(pointer_);
    else
        wl_pointer_destroy(pointer_);
    pointer_ = nullptr;
    over_ = nullptr;
}

} // namespace waylock
