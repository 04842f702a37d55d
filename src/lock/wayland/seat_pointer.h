#pragma once
// The pointer of one seat while the lock is up: where it is over which lock surface, and
// its buttons let go there. The lock shows no pointer image.

#include <cstdint>

struct wl_pointer;
struct wl_surface;

namespace waylock {

struct Seat;

class PointerHandler {
public:
    virtual ~PointerHandler() = default;
    // A button was let go over `surface` at (x, y), the surface's logical pixels.
    virtual void clicked(wl_surface* surface, double x, double y) = 0;
};

class SeatPointer {
public:
    SeatPointer(Seat& seat, PointerHandler& handler);
    ~SeatPointer();
    SeatPointer(const SeatPointer&) = delete;
    SeatPointer& operator=(const SeatPointer&) = delete;

    Seat& seat() const { return seat_; }
    // Takes the seat's pointer when it has one now, lets it go when it no longer has.
    void refresh();

    struct Events; // the pointer's listener

private:
    void release();

    Seat& seat_;
    PointerHandler& handler_;
    wl_pointer* pointer_ = nullptr;
    wl_surface* over_ = nullptr;
    double x_ = 0, y_ = 0;
};

} // namespace waylock
