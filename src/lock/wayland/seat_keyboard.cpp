#include "lock/wayland/seat_keyboard.h"

#include "lock/wayland/wayland_connection.h"

#include <cstring>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace waylock {

namespace {
constexpr uint32_t EvdevToXkb = 8;

// The keymap the compositor hands over as a file: read once, the descriptor closed.
std::string readKeymap(int fd, uint32_t size) {
    std::string text;
    if (size > 0 && size <= SeatKeyboard::MaxKeymapBytes) {
        void* map = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
        if (map != MAP_FAILED) {
            const char* bytes = static_cast<const char*>(map);
            text.assign(bytes, strnlen(bytes, size));
            munmap(map, size);
        }
    }
    close(fd);
    return text;
}
} // namespace

struct SeatKeyboard::Events {
    static SeatKeyboard* self(void* data) { return static_cast<SeatKeyboard*>(data); }

    static void keymap(void* data, wl_keyboard*, uint32_t format, int32_t fd, uint32_t size) {
        if (format != WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1) {
            close(fd);
            return;
        }
        const std::string text = readKeymap(fd, size);
        if (!text.empty())
            self(data)->handler_.keymap(text);
    }
    // Keys already held when the lock gets the focus went down elsewhere (the key that
    // started the lock, say): they are not typed into the lock.
    static void enter(void* data, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {
        self(data)->handler_.focusGained();
    }
    static void leave(void* data, wl_keyboard*, uint32_t, wl_surface*) {
        self(data)->handler_.focusLost();
    }
    static void key(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t code, uint32_t state) {
        self(data)->handler_.key(code + EvdevToXkb, state == WL_KEYBOARD_KEY_STATE_PRESSED);
    }
    static void modifiers(void* data, wl_keyboard*, uint32_t, uint32_t depressed, uint32_t latched,
                          uint32_t locked, uint32_t group) {
        self(data)->handler_.modifiers(depressed, latched, locked, group);
    }
    static void repeat(void* data, wl_keyboard*, int32_t rate, int32_t delay) {
        self(data)->handler_.repeatInfo(rate, delay);
    }
};

static const wl_keyboard_listener keyboardListener = {
    SeatKeyboard::Events::keymap, SeatKeyboard::Events::enter,     SeatKeyboard::Events::leave,
    SeatKeyboard::Events::key,    SeatKeyboard::Events::modifiers, SeatKeyboard::Events::repeat,
};

SeatKeyboard::SeatKeyboard(Seat& seat, KeyboardHandler& handler) : seat_(seat), handler_(handler) {
    refresh();
}

SeatKeyboard::~SeatKeyboard() {
    releaseKeyboard();
}

void SeatKeyboard::refresh() {
    const bool has = seat_.capabilities & WL_SEAT_CAPABILITY_KEYBOARD;
    if (has && !keyboard_) {
        keyboard_ = wl_seat_get_keyboard(seat_.proxy);
        wl_keyboard_add_listener(keyboard_, &keyboardListener, this);
    } else if (!has) {
        releaseKeyboard();
    }
}

void SeatKeyboard::releaseKeyboard() {
    if (!keyboard_)
        return;
    if (wl_keyboard_get_version(keyboard_) >= 3)
        wl_keyboard_release(keyboard_);
    else
        wl_keyboard_destroy(keyboard_);
    keyboard_ = nullptr;
}

} // namespace waylock
