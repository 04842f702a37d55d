#pragma once
// The keyboards of one seat while the lock is up: the compositor's keymap, modifier state
// and key events, handed on as they come. Translating them into text is the handler's job,
// with the same translation the X11 lock uses.

#include <cstdint>
#include <string>

struct wl_keyboard;
struct wl_array;
struct wl_surface;

namespace waylock {

struct Seat;

class KeyboardHandler {
public:
    virtual ~KeyboardHandler() = default;
    // The compositor's keymap (XKB text format); comes before any key and again when the
    // layout changes.
    virtual void keymap(const std::string& text) = 0;
    // The modifier state as the compositor keeps it (XKB masks and layout group).
    virtual void modifiers(uint32_t depressed, uint32_t latched, uint32_t locked,
                           uint32_t group) = 0;
    // A key went down or up. `keycode` is an XKB key code (the kernel's code + 8), the
    // numbering X11 key codes use too.
    virtual void key(uint32_t keycode, bool pressed) = 0;
    // How the compositor wants held keys repeated: `rate` per second (0: not at all) after
    // `delayMs`.
    virtual void repeatInfo(int32_t rate, int32_t delayMs) {
        (void)rate;
        (void)delayMs;
    }
    // A lock surface got the keyboard focus: keys typed from now on reach the lock.
    virtual void focusGained() {}
    // The lock lost the keyboard focus: keys held now are released elsewhere.
    virtual void focusLost() {}
};

class SeatKeyboard {
public:
    SeatKeyboard(Seat& seat, KeyboardHandler& handler);
    ~SeatKeyboard();
    SeatKeyboard(const SeatKeyboard&) = delete;
    SeatKeyboard& operator=(const SeatKeyboard&) = delete;

    Seat& seat() const { return seat_; }
    // Takes the seat's keyboard when it has one now, lets it go when it no longer has.
    void refresh();
    // Keymaps larger than this are refused (a real one is well under 1 MiB).
    static constexpr uint32_t MaxKeymapBytes = 16u << 20;

    struct Events; // the keyboard's listener

private:
    void releaseKeyboard();

    Seat& seat_;
    KeyboardHandler& handler_;
    wl_keyboard* keyboard_ = nullptr;
};

} // namespace waylock
