#include "lock/wayland/lock_keys.h"

#include "lock/linux/key_translator.h"

#include <QTimer>
#include <xkbcommon/xkbcommon.h>

namespace waylock {

LockKeys::LockKeys(QObject* parent)
    : QObject(parent), context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)), repeat_(new QTimer(this)) {
    connect(repeat_, &QTimer::timeout, this, [this] {
        repeat_->setInterval(1000 / repeatRate_);
        Q_EMIT typed(repeatAction_, repeatText_);
    });
}

LockKeys::~LockKeys() {
    translator_.reset();
    xkb_context_unref(context_);
}

bool LockKeys::capsLockOn() const {
    return translator_ && translator_->capsLockOn();
}

void LockKeys::keymap(const std::string& text) {
    if (!context_)
        return;
    xkb_keymap* keymap = xkb_keymap_new_from_string(
        context_, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    // One the compositor sends that cannot be read must not leave the user without keys:
    // the system's default layout (XKB_DEFAULT_LAYOUT and the like) then.
    if (!keymap)
        keymap = xkb_keymap_new_from_names(context_, nullptr, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap)
        return;
    stopRepeat();
    if (translator_)
        translator_->setKeymap(keymap);
    else
        translator_ = std::make_unique<KeyTranslator>(keymap);
    xkb_keymap_unref(keymap);
}

void LockKeys::modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) {
    if (!translator_)
        return;
    translator_->updateMask(depressed, latched, locked, group);
    later([this] { Q_EMIT capsLockChanged(); });
}

void LockKeys::key(uint32_t keycode, bool pressed) {
    if (!pressed) {
        if (keycode == repeatKey_)
            stopRepeat();
        return;
    }
    stopRepeat(); // a new key ends the last one's repeat, as in any text field
    if (!translator_)
        return;
    const KeyTranslator::Press press = translator_->press(keycode);
    const LockBox::Key action = lockBoxKey(press.keysym);
    later([this, action, text = press.text] { Q_EMIT typed(action, text); });
    const bool repeats = action == LockBox::Key::Backspace ||
                         (action == LockBox::Key::Character && !press.text.empty());
    if (!repeats || repeatRate_ <= 0 || !translator_->keyRepeats(keycode))
        return;
    repeatKey_ = keycode;
    repeatAction_ = action;
    repeatText_ = press.text;
    repeat_->start(repeatDelayMs_);
}

void LockKeys::repeatInfo(int32_t rate, int32_t delayMs) {
    repeatRate_ = std::max(0, std::min(rate, 1000));
    repeatDelayMs_ = std::max(0, delayMs);
    if (repeatRate_ == 0)
        stopRepeat();
}

void LockKeys::focusLost() {
    stopRepeat();
}

void LockKeys::stopRepeat() {
    repeat_->stop();
    repeatKey_ = 0;
}

void LockKeys::later(std::function<void()> tell) {
    QTimer::singleShot(0, this, std::move(tell));
}

} // namespace waylock
