#include "lock/x11/root_keyboard.h"

#include "lock/linux/key_translator.h"

#include <xkbcommon/xkbcommon-x11.h>
#define explicit explicit_ // a field of this name in xcb's header is a keyword in C++
#include <xcb/xkb.h>
#undef explicit

namespace {

// The Qt key of a key; the lock looks only at the ones that act on its box.
int qtKey(uint32_t keysym, const QString& text) {
    switch (lockBoxKey(keysym)) {
    case LockBox::Key::Enter:
        return keysym == XKB_KEY_KP_Enter ? Qt::Key_Enter : Qt::Key_Return;
    case LockBox::Key::Backspace:
        return Qt::Key_Backspace;
    case LockBox::Key::Clear:
        return Qt::Key_Escape;
    case LockBox::Key::Character:
        break;
    }
    // As Qt names them: a Latin-1 key by its capital (so Ctrl+V is V), another by its text.
    if (keysym >= 0x20 && keysym <= 0xFF)
        return static_cast<int>(QChar(static_cast<char16_t>(keysym)).toUpper().unicode());
    return text.isEmpty() || text.at(0) < QLatin1Char(' ')
               ? Qt::Key_unknown
               : static_cast<int>(text.at(0).toUpper().unicode());
}

// The head every notification of the extension starts with.
struct XkbEventHead {
    uint8_t responseType;
    uint8_t xkbType;
    uint16_t sequence;
    xcb_timestamp_t time;
    uint8_t deviceId;
};

} // namespace

RootKeyboard::RootKeyboard() = default;

RootKeyboard::~RootKeyboard() {
    translator_.reset();
    xkb_context_unref(context_);
}

bool RootKeyboard::load(xcb_connection_t* c) {
    if (!firstEvent_ && !xkb_x11_setup_xkb_extension(c, XKB_X11_MIN_MAJOR_XKB_VERSION,
                                                     XKB_X11_MIN_MINOR_XKB_VERSION,
                                                     XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr,
                                                     nullptr, &firstEvent_, nullptr))
        return false;
    device_ = xkb_x11_get_core_keyboard_device_id(c);
    if (device_ < 0)
        return false;
    // Qt asks for the same; asked here too so that the lock does not depend on it.
    const uint16_t events = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY | XCB_XKB_EVENT_TYPE_MAP_NOTIFY |
                            XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    const uint16_t parts = XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS |
                           XCB_XKB_MAP_PART_MODIFIER_MAP | XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS |
                           XCB_XKB_MAP_PART_KEY_ACTIONS | XCB_XKB_MAP_PART_VIRTUAL_MODS |
                           XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    xcb_xkb_select_events(c, static_cast<xcb_xkb_device_spec_t>(device_), events, 0, events, parts,
                          parts, nullptr);
    return loadKeymap(c);
}

bool RootKeyboard::loadKeymap(xcb_connection_t* c) {
    if (!context_)
        context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap =
        context_ ? xkb_x11_keymap_new_from_device(context_, c, device_, XKB_KEYMAP_COMPILE_NO_FLAGS)
                 : nullptr;
    xkb_state* state = keymap ? xkb_x11_state_new_from_device(keymap, c, device_) : nullptr;
    if (state) {
        if (translator_)
            translator_->setKeymap(keymap);
        else
            translator_ = std::make_unique<KeyTranslator>(keymap);
        translator_->updateMask(xkb_state_serialize_mods(state, XKB_STATE_MODS_DEPRESSED),
                                xkb_state_serialize_mods(state, XKB_STATE_MODS_LATCHED),
                                xkb_state_serialize_mods(state, XKB_STATE_MODS_LOCKED),
                                xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE));
    }
    xkb_state_unref(state);
    xkb_keymap_unref(keymap);
    return state != nullptr;
}

bool RootKeyboard::follow(xcb_connection_t* c, const xcb_generic_event_t* event) {
    if (!firstEvent_ || (event->response_type & 0x7f) != firstEvent_)
        return false;
    const auto* head = reinterpret_cast<const XkbEventHead*>(event);
    if (!translator_ || head->deviceId != device_)
        return true;
    switch (head->xkbType) {
    case XCB_XKB_NEW_KEYBOARD_NOTIFY: {
        const auto* changed = reinterpret_cast<const xcb_xkb_new_keyboard_notify_event_t*>(event);
        if (changed->changed & XCB_XKB_NKN_DETAIL_KEYCODES)
            loadKeymap(c);
        break;
    }
    case XCB_XKB_MAP_NOTIFY:
        loadKeymap(c);
        break;
    case XCB_XKB_STATE_NOTIFY: {
        const auto* now = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event);
        translator_->updateMask(now->baseMods, now->latchedMods, now->lockedMods, now->group);
        break;
    }
    default:
        break;
    }
    return true;
}

QKeyEvent RootKeyboard::event(const xcb_key_press_event_t& key, bool press) {
    const KeyTranslator::Press typed =
        press && translator_ ? translator_->press(key.detail) : KeyTranslator::Press();
    const QString text =
        QString::fromUtf8(typed.text.data(), static_cast<qsizetype>(typed.text.size()));
    Qt::KeyboardModifiers modifiers;
    if (key.state & XCB_MOD_MASK_SHIFT)
        modifiers |= Qt::ShiftModifier;
    if (key.state & XCB_MOD_MASK_CONTROL)
        modifiers |= Qt::ControlModifier;
    if (key.state & XCB_MOD_MASK_1)
        modifiers |= Qt::AltModifier;
    return QKeyEvent(press ? QEvent::KeyPress : QEvent::KeyRelease, qtKey(typed.keysym, text),
                     modifiers, key.detail, typed.keysym, key.state, text);
}

bool RootKeyboard::capsLockOn() const {
    return translator_ && translator_->capsLockOn();
}
