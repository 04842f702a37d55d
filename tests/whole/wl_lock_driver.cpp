// Locks a Wayland session with the program's lock layer and reports on stdout, one line
// each, what happens, for the Wayland tests and the benchmark:
//   captured NAME WxH   an output's picture was copied before the lock
//   shown NAME WxH      the compositor shows an output's first picture at a new size
//                       (W x H device pixels)
//   locked              the compositor holds the session for us
//   focus               a lock surface has the keyboard: keys typed now reach the lock
//   key SYM TEXT        a key reached the lock (xkb keysym name, its text)
//   unlocked            the password and Enter were typed; the session is given back
// It exits 0 after the unlock, 2 when the compositor refuses ("refused"), 3 when it offers
// no session lock ("unsupported"), 4 without a compositor, 5 when the compositor ends the
// lock itself ("ended"), 6 when the connection breaks ("lost").
// With --probe it only says whether the compositor offers a session lock: "offered",
// "missing" or "no compositor".
// Each output shows its copied picture (white without one) under a blue panel.

#include "lock/wayland/lock_probe.h"
#include "lock/wayland/output_capture.h"
#include "lock/wayland/session_lock.h"
#include "lock/wayland/wayland_connection.h"

#include <QCoreApplication>
#include <QPainter>
#include <cstdio>
#include <cstring>
#include <xkbcommon/xkbcommon.h>

namespace {

constexpr int TimeoutMs = 3000;
const QColor PanelColour(0x20, 0x50, 0xa0);

void say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

class Keys : public waylock::KeyboardHandler {
public:
    explicit Keys(QByteArray password) : password_(std::move(password)) {}
    ~Keys() override {
        xkb_state_unref(state_);
        xkb_keymap_unref(keymap_);
        xkb_context_unref(context_);
    }
    void keymap(const std::string& text) override {
        xkb_state_unref(state_);
        xkb_keymap_unref(keymap_);
        keymap_ = xkb_keymap_new_from_string(context_, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1,
                                             XKB_KEYMAP_COMPILE_NO_FLAGS);
        state_ = keymap_ ? xkb_state_new(keymap_) : nullptr;
    }
    void modifiers(uint32_t depressed, uint32_t latched, uint32_t locked, uint32_t group) override {
        if (state_)
            xkb_state_update_mask(state_, depressed, latched, locked, 0, 0, group);
    }
    void focusGained() override { say("focus"); }
    void key(uint32_t keycode, bool pressed) override {
        if (!pressed || !state_)
            return;
        const xkb_keysym_t sym = xkb_state_key_get_one_sym(state_, keycode);
        char name[64] = "", text[16] = "";
        xkb_keysym_get_name(sym, name, sizeof name);
        xkb_state_key_get_utf8(state_, keycode, text, sizeof text);
        say(QStringLiteral("key %1 %2").arg(QString::fromUtf8(name), QString::fromUtf8(text)));
        if (sym == XKB_KEY_Return) {
            if (typed_ == password_ && onPassword)
                onPassword();
            typed_.clear();
        } else if (sym == XKB_KEY_BackSpace) {
            typed_.chop(1);
        } else if (static_cast<unsigned char>(text[0]) >= 0x20) {
            typed_ += text;
        }
    }
    std::function<void()> onPassword;

private:
    QByteArray password_, typed_;
    xkb_context* context_ = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;
};

int probe() {
    switch (waylock::probeSessionLock(nullptr, TimeoutMs)) {
    case waylock::LockSupport::Offered:
        say("offered");
        return 0;
    case waylock::LockSupport::Missing:
        say("missing");
        return 3;
    case waylock::LockSupport::NoCompositor:
        break;
    }
    say("no compositor");
    return 4;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QByteArray password = "Open Sesame";
    bool capture = true;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--password") && i + 1 < argc)
            password = argv[++i];
        else if (!std::strcmp(argv[i], "--no-capture"))
            capture = false;
        else if (!std::strcmp(argv[i], "--probe"))
            return probe();
    }
    auto connection = waylock::Connection::open(nullptr, TimeoutMs);
    if (!connection) {
        say("no compositor");
        return 4;
    }
    if (!connection->sessionLockManager()) {
        say("unsupported");
        return 3;
    }
    std::map<uint32_t, QImage> pictures;
    if (capture)
        pictures = waylock::captureOutputs(*connection, TimeoutMs);
    for (const auto& output : connection->outputs())
        if (pictures.count(output->globalName))
            say(QStringLiteral("captured %1 %2x%3")
                    .arg(output->name)
                    .arg(pictures[output->globalName].width())
                    .arg(pictures[output->globalName].height()));

    auto draw = [&pictures](QImage& target, const waylock::Output& output) {
        QPainter painter(&target);
        const QRect area(QPoint(0, 0), target.deviceIndependentSize().toSize());
        const auto picture = pictures.find(output.globalName);
        if (picture != pictures.end())
            painter.drawImage(area, picture->second);
        painter.fillRect(
            QRect(QPoint(0, 0), QSize(283, 88)).translated(area.center() - QPoint(141, 44)),
            PanelColour);
    };
    Keys keys(password);
    waylock::SessionLock lock(*connection, draw, keys);
    keys.onPassword = [&] {
        const bool done = lock.unlock(TimeoutMs);
        say(done ? "unlocked" : "unlock unconfirmed");
        app.exit(done ? 0 : 7);
    };
    QObject::connect(&lock, &waylock::SessionLock::surfaceShown,
                     [](const QString& name, QSize pixels) {
                         say(QStringLiteral("shown %1 %2x%3")
                                 .arg(name)
                                 .arg(pixels.width())
                                 .arg(pixels.height()));
                     });
    QObject::connect(&lock, &waylock::SessionLock::locked, [] { say("locked"); });
    QObject::connect(&lock, &waylock::SessionLock::finished, [&] {
        const bool refused = lock.state() == waylock::SessionLock::State::Refused;
        say(refused ? "refused" : "ended");
        app.exit(refused ? 2 : 5);
    });
    QObject::connect(&lock, &waylock::SessionLock::connectionLost, [&] {
        say("lost");
        app.exit(6);
    });
    if (!lock.lock())
        return 3;
    return app.exec();
}
