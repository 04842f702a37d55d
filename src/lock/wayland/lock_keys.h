#pragma once
// The Wayland lock's keyboard: the compositor's keymap and modifier state through the
// key translator the X11 lock uses too (every level and group, dead keys and compose),
// what each key does to the password box, and held keys repeated at the compositor's
// rate. What a key does is told from the event loop, never from inside the compositor's
// event dispatch (an unlock there would wait on that dispatch).

#include "lock/lock_box.h"
#include "lock/wayland/seat_keyboard.h"

#include <QObject>
#include <QString>
#include <memory>

class KeyTranslator;
class QTimer;
struct xkb_context;

namespace waylock {

class LockKeys : public QObject, public KeyboardHandler {
    Q_OBJECT
public:
    explicit LockKeys(QObject* parent = nullptr);
    ~LockKeys() override;

    bool capsLockOn() const;

    void keymap(const std::string& text) override;
    void modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) override;
    void key(uint32_t keycode, bool pressed) override;
    void repeatInfo(int32_t rate, int32_t delayMs) override;
    void focusLost() override;

Q_SIGNALS:
    // A key went down (or repeated) with the text it types.
    void typed(LockBox::Key key, const std::string& text);
    // Caps Lock may have changed.
    void capsLockChanged();

private:
    void later(std::function<void()> tell);
    void stopRepeat();

    xkb_context* context_ = nullptr;
    std::unique_ptr<KeyTranslator> translator_;
    QTimer* repeat_;
    uint32_t repeatKey_ = 0;
    LockBox::Key repeatAction_ = LockBox::Key::Character;
    std::string repeatText_;
    int repeatRate_ = 25; // until the compositor says otherwise (wl_seat's default)
    int repeatDelayMs_ = 600;
};

} // namespace waylock
