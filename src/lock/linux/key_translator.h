#pragma once
// What keys type, through xkbcommon: every level and group of the keymap, Caps Lock and
// Num Lock as the keymap has them, dead keys and compose sequences of the user's locale,
// as the toolkit's own text input has them. It knows nothing of the window system: it
// is given a keymap, the modifier state as the X server or the compositor reports it,
// and the xkb key codes (evdev codes + 8) of keys going down.

#include "lock/lock_box.h"

#include <cstdint>
#include <string>

struct xkb_compose_state;
struct xkb_compose_table;
struct xkb_context;
struct xkb_keymap;
struct xkb_state;

class KeyTranslator {
public:
    // Takes a reference of its own on the keymap.
    explicit KeyTranslator(xkb_keymap* keymap);
    ~KeyTranslator();
    KeyTranslator(const KeyTranslator&) = delete;
    KeyTranslator& operator=(const KeyTranslator&) = delete;

    // Another keymap (the layout was changed): modifiers released until updateMask, any
    // pending dead key dropped.
    void setKeymap(xkb_keymap* keymap);
    // The modifiers and the group (layout) in effect, as reported.
    void updateMask(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group);

    struct Press {
        uint32_t keysym = 0; // 0 (NoSymbol) when the key has none
        std::string text;    // UTF-8; empty while a dead key or compose sequence waits
    };
    // A key went down. A sequence the locale has no entry for is dropped and the key that
    // ended it types its own text.
    Press press(uint32_t keycode);
    bool capsLockOn() const;
    // Whether the keymap has the key repeat while held.
    bool keyRepeats(uint32_t keycode) const;

    // LC_ALL, LC_CTYPE or LANG, the first one set; else "C".
    static std::string composeLocale();

private:
    void loadComposeTable();

    xkb_state* state_ = nullptr;
    xkb_context* composeContext_ = nullptr;
    xkb_compose_table* composeTable_ = nullptr;
    xkb_compose_state* compose_ = nullptr;
    bool composeLoaded_ = false;
};

// What a key with this keysym does to the lock's password box.
LockBox::Key lockBoxKey(uint32_t keysym);
