#pragma once
// The keyboard as the X keyboard extension has it, for the keys that come to the root
// window while the lock holds the keyboard (Qt does not look for them there): the core
// keyboard's keymap and state, kept current from the extension's notifications, and what
// each key types through the shared key translator.

#include <QKeyEvent>
#include <memory>
#include <xcb/xcb.h>

class KeyTranslator;
struct xkb_context;

class RootKeyboard {
public:
    RootKeyboard();
    ~RootKeyboard();
    // Reads the core keyboard's keymap and state and asks for the extension's reports of
    // their changes. False without the extension or a keymap: nobody could type there.
    bool load(xcb_connection_t* c);
    // Keeps the keymap and the state current. True when `event` is one of the
    // extension's (Qt still wants it too).
    bool follow(xcb_connection_t* c, const xcb_generic_event_t* event);
    // The key event Qt would have made of a key going down or up.
    QKeyEvent event(const xcb_key_press_event_t& key, bool press);
    bool capsLockOn() const;

private:
    bool loadKeymap(xcb_connection_t* c);

    xkb_context* context_ = nullptr;
    std::unique_ptr<KeyTranslator> translator_;
    int32_t device_ = -1;
    uint8_t firstEvent_ = 0;
};
