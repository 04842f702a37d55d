#include "lock/linux/key_translator.h"

#include <cstdlib>
#include <xkbcommon/xkbcommon-compose.h>
#include <xkbcommon/xkbcommon.h>

namespace {

// Text from one of xkbcommon's getters, which tell the size needed when given none.
template <class Get> std::string utf8From(Get get) {
    const int size = get(nullptr, 0);
    if (size <= 0)
        return {};
    std::string text(static_cast<std::size_t>(size) + 1, '\0');
    get(text.data(), text.size());
    text.resize(static_cast<std::size_t>(size));
    return text;
}

} // namespace

KeyTranslator::KeyTranslator(xkb_keymap* keymap) {
    setKeymap(keymap);
}

KeyTranslator::~KeyTranslator() {
    xkb_compose_state_unref(compose_);
    xkb_compose_table_unref(composeTable_);
    xkb_context_unref(composeContext_);
    xkb_state_unref(state_);
}

void KeyTranslator::setKeymap(xkb_keymap* keymap) {
    xkb_state_unref(state_);
    state_ = keymap ? xkb_state_new(keymap) : nullptr;
    if (compose_)
        xkb_compose_state_reset(compose_);
}

void KeyTranslator::updateMask(uint32_t depressed, uint32_t latched, uint32_t locked,
                               uint32_t group) {
    if (state_)
        xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
}

std::string KeyTranslator::composeLocale() {
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "C";
}

void KeyTranslator::loadComposeTable() {
    // At the first key rather than with the keymap: reading the table takes some
    // milliseconds that the lock's first paint should not wait for.
    composeLoaded_ = true;
    composeContext_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!composeContext_)
        return;
    composeTable_ = xkb_compose_table_new_from_locale(composeContext_, composeLocale().c_str(),
                                                      XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (!composeTable_) // a locale the compose tables do not know: still the common sequences
        composeTable_ =
            xkb_compose_table_new_from_locale(composeContext_, "C", XKB_COMPOSE_COMPILE_NO_FLAGS);
    if (composeTable_)
        compose_ = xkb_compose_state_new(composeTable_, XKB_COMPOSE_STATE_NO_FLAGS);
}

KeyTranslator::Press KeyTranslator::press(uint32_t keycode) {
    Press typed;
    if (!state_)
        return typed;
    if (!composeLoaded_)
        loadComposeTable();
    typed.keysym = xkb_state_key_get_one_sym(state_, keycode);
    if (compose_ && typed.keysym != XKB_KEY_NoSymbol &&
        xkb_compose_state_feed(compose_, typed.keysym) == XKB_COMPOSE_FEED_ACCEPTED) {
        switch (xkb_compose_state_get_status(compose_)) {
        case XKB_COMPOSE_COMPOSING:
            return typed;
        case XKB_COMPOSE_COMPOSED:
            typed.text = utf8From([this](char* buffer, std::size_t size) {
                return xkb_compose_state_get_utf8(compose_, buffer, size);
            });
            typed.keysym = xkb_compose_state_get_one_sym(compose_);
            xkb_compose_state_reset(compose_);
            return typed;
        case XKB_COMPOSE_CANCELLED:
            xkb_compose_state_reset(compose_);
            break;
        case XKB_COMPOSE_NOTHING:
            break;
        }
    }
    typed.text = utf8From([this, keycode](char* buffer, std::size_t size) {
        return xkb_state_key_get_utf8(state_, keycode, buffer, size);
    });
    return typed;
}

bool KeyTranslator::capsLockOn() const {
    return state_ &&
           xkb_state_mod_name_is_active(state_, XKB_MOD_NAME_CAPS, XKB_STATE_MODS_EFFECTIVE) > 0;
}

bool KeyTranslator::keyRepeats(uint32_t keycode) const {
    return state_ && xkb_keymap_key_repeats(xkb_state_get_keymap(state_), keycode);
}

LockBox::Key lockBoxKey(uint32_t keysym) {
    switch (keysym) {
    case XKB_KEY_Return:
    case XKB_KEY_KP_Enter:
    case XKB_KEY_ISO_Enter:
        return LockBox::Key::Enter;
    case XKB_KEY_BackSpace:
        return LockBox::Key::Backspace;
    case XKB_KEY_Escape:
        return LockBox::Key::Clear;
    default:
        return LockBox::Key::Character;
    }
}
