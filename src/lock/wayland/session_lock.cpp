#include "lock/wayland/session_lock.h"

#include "lock/wayland/wayland_connection.h"

#include "ext-session-lock-v1-client-protocol.h"

#include <algorithm>
#include <wayland-client.h>

namespace waylock {

static const ext_session_lock_v1_listener lockListener = {SessionLock::onLocked,
                                                          SessionLock::onFinished};

SessionLock::SessionLock(Connection& connection, DrawLock draw, KeyboardHandler& keys)
    : connection_(connection), draw_(std::move(draw)), keys_(keys) {}

SessionLock::~SessionLock() {
    keyboards_.clear();
    pointers_.clear();
    if (lock_) // its events, should any still come, must not reach this object
        wl_proxy_set_user_data(reinterpret_cast<wl_proxy*>(lock_), nullptr);
    if (state_ == State::Locked) {
        // Destroying a held lock is a protocol error that would end the connection; the
        // lock object is left to the connection, and the session stays locked (the
        // surfaces go: the compositor shows its own colour instead).
        return;
    }
    surfaces_.clear();
    if (lock_ && state_ != State::Unlocked)
        ext_session_lock_v1_destroy(lock_);
    connection_.flush();
}

bool SessionLock::lock() {
    if (state_ != State::Idle || !connection_.sessionLockManager() || !connection_.compositor() ||
        !connection_.shm() || connection_.broken())
        return false;
    lock_ = ext_session_lock_manager_v1_lock(connection_.sessionLockManager());
    ext_session_lock_v1_add_listener(lock_, &lockListener, this);
    state_ = State::Requested;
    connect(&connection_, &Connection::outputReady, this, &SessionLock::addSurface);
    connect(&connection_, &Connection::outputChanged, this, &SessionLock::refreshSurface);
    connect(&connection_, &Connection::outputRemoved, this, &SessionLock::removeSurface);
    connect(&connection_, &Connection::seatChanged, this, &SessionLock::addSeat);
    connect(&connection_, &Connection::seatRemoved, this, &SessionLock::removeSeat);
    connect(&connection_, &Connection::lost, this, [this] {
        state_ = State::Lost;
        Q_EMIT connectionLost();
    });
    // A surface on every output now; until its first picture is shown the compositor
    // covers the output with its own colour (sway may report the lock before that).
    for (const auto& output : connection_.outputs())
        if (output->announced)
            addSurface(output.get());
    for (const auto& seat : connection_.seats())
        addSeat(seat.get());
    connection_.flush();
    return true;
}

bool SessionLock::unlock(int timeoutMs) {
    // Asked for and not answered yet: the answer may be on its way, and a lock that came
    // is to be given back like any other; one still not come is called off.
    if (state_ == State::Requested && connection_.roundtrip(timeoutMs) &&
        state_ == State::Requested) {
        keyboards_.clear();
        pointers_.clear();
        surfaces_.clear();
        ext_session_lock_v1_destroy(lock_);
        lock_ = nullptr;
        state_ = State::Unlocked;
        return connection_.roundtrip(timeoutMs);
    }
    if (state_ != State::Locked)
        return false;
    ext_session_lock_v1_unlock_and_destroy(lock_);
    lock_ = nullptr;
    state_ = State::Unlocked;
    keyboards_.clear();
    pointers_.clear();
    surfaces_.clear();
    // Only the compositor's answer shows it has the unlock: a request still in the
    // socket when the program ends would leave the session locked.
    return connection_.roundtrip(timeoutMs);
}

void SessionLock::update() {
    for (const auto& surface : surfaces_)
        surface->update();
}

void SessionLock::update(const Output& output, const QRegion& area) {
    for (const auto& surface : surfaces_)
        if (&surface->output() == &output)
            surface->update(area);
}

void SessionLock::clicked(wl_surface* surface, double x, double y) {
    for (const auto& shown : surfaces_)
        if (shown->surface() == surface && onClick)
            onClick(shown->output(), QPointF(x, y));
}

void SessionLock::onLocked(void* data, ext_session_lock_v1*) {
    auto* self = static_cast<SessionLock*>(data);
    if (!self)
        return;
    self->state_ = State::Locked;
    Q_EMIT self->locked();
}

void SessionLock::onFinished(void* data, ext_session_lock_v1*) {
    auto* self = static_cast<SessionLock*>(data);
    if (!self)
        return;
    const bool held = self->state_ == State::Locked;
    self->state_ = held ? State::Ended : State::Refused;
    self->keyboards_.clear();
    self->pointers_.clear();
    self->dropSurfaces();
    if (held)
        ext_session_lock_v1_unlock_and_destroy(self->lock_);
    else
        ext_session_lock_v1_destroy(self->lock_);
    self->lock_ = nullptr;
    self->connection_.flush();
    Q_EMIT self->finished();
}

void SessionLock::dropSurfaces() {
    surfaces_.clear();
}

void SessionLock::addSurface(Output* output) {
    if (!lock_ || std::any_of(surfaces_.begin(), surfaces_.end(),
                              [output](const auto& s) { return &s->output() == output; }))
        return;
    surfaces_.push_back(std::make_unique<LockSurface>(
        connection_, lock_, *output, draw_, [this](LockSurface& surface) {
            Q_EMIT surfaceShown(surface.output().name, surface.pixelSize());
        }));
    connection_.flush();
}

void SessionLock::removeSurface(Output* output) {
    surfaces_.erase(std::remove_if(surfaces_.begin(), surfaces_.end(),
                                   [output](const auto& s) { return &s->output() == output; }),
                    surfaces_.end());
}

void SessionLock::refreshSurface(Output* output) {
    for (const auto& surface : surfaces_)
        if (&surface->output() == output)
            surface->update();
}

void SessionLock::addSeat(Seat* seat) {
    if (!lock_)
        return;
    const auto known = [seat](const auto& device) { return &device->seat() == seat; };
    const auto keyboard = std::find_if(keyboards_.begin(), keyboards_.end(), known);
    if (keyboard != keyboards_.end())
        (*keyboard)->refresh();
    else
        keyboards_.push_back(std::make_unique<SeatKeyboard>(*seat, keys_));
    const auto pointer = std::find_if(pointers_.begin(), pointers_.end(), known);
    if (pointer != pointers_.end())
        (*pointer)->refresh();
    else
        pointers_.push_back(
            std::make_unique<SeatPointer>(*seat, static_cast<PointerHandler&>(*this)));
}

void SessionLock::removeSeat(Seat* seat) {
    const auto known = [seat](const auto& device) { return &device->seat() == seat; };
    keyboards_.erase(std::remove_if(keyboards_.begin(), keyboards_.end(), known), keyboards_.end());
    pointers_.erase(std::remove_if(pointers_.begin(), pointers_.end(), known), pointers_.end());
}

} // namespace waylock
