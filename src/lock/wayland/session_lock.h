#pragma once
// Locking a Wayland session through ext-session-lock-v1: the compositor itself hides
// every other surface and gives input only to the lock, and keeps the session locked if
// this program dies. The session counts as locked only once the compositor says so, and
// is given back only through an explicit unlock.

#include "lock/wayland/lock_surface.h"
#include "lock/wayland/seat_keyboard.h"
#include "lock/wayland/seat_pointer.h"

#include <QObject>
#include <QPointF>
#include <functional>
#include <memory>
#include <vector>

struct ext_session_lock_v1;

namespace waylock {

class Connection;
struct Output;
struct Seat;

class SessionLock : public QObject, private PointerHandler {
    Q_OBJECT
public:
    enum class State {
        Idle,      // not asked yet
        Requested, // asked; the compositor has not answered
        Locked,    // the compositor holds the session for this lock
        Refused,   // the compositor said no (another lock holds it, or policy)
        Ended,     // the compositor ended a held lock by itself
        Unlocked,  // given back by unlock()
        Lost,      // the connection broke; a held lock stays with the compositor
    };

    // `draw` paints each output's picture; `keys` receives the keyboards' input while
    // the lock has the focus. The connection and `keys` must outlive this lock.
    SessionLock(Connection& connection, DrawLock draw, KeyboardHandler& keys);
    // Never unlocks: a lock still held stays with the compositor.
    ~SessionLock() override;

    // Asks the compositor to lock, with a surface on every output (and on outputs that
    // appear later); false when it offers no session lock or the request cannot be made.
    bool lock();
    // Gives the session back (or calls off a lock not yet granted) and waits (at most
    // `timeoutMs`) until the compositor has handled it; false when the session was not
    // locked by this lock or the compositor did not confirm in time.
    bool unlock(int timeoutMs);
    // Draws every output's picture again.
    void update();
    // Draws `area` (logical pixels) of `output`'s picture again.
    void update(const Output& output, const QRegion& area);
    // Called when a pointer button is let go over an output's picture (its logical
    // pixels), from inside the compositor's event dispatch.
    std::function<void(const Output& output, QPointF at)> onClick;
    State state() const { return state_; }
    const std::vector<std::unique_ptr<LockSurface>>& surfaces() const { return surfaces_; }

    // The compositor's events.
    static void onLocked(void* data, ext_session_lock_v1*);
    static void onFinished(void* data, ext_session_lock_v1*);

Q_SIGNALS:
    void locked();
    // The compositor refused, or ended the lock itself; state() tells which.
    void finished();
    // The compositor has shown an output's first picture (also on outputs added later).
    // `pixels`: the picture's size in device pixels (the output's scale applied).
    void surfaceShown(const QString& outputName, QSize pixels);
    void connectionLost();

private:
    void addSurface(Output* output);
    void removeSurface(Output* output);
    void refreshSurface(Output* output);
    void addSeat(Seat* seat);
    void removeSeat(Seat* seat);
    void dropSurfaces();
    void clicked(wl_surface* surface, double x, double y) override;

    Connection& connection_;
    DrawLock draw_;
    KeyboardHandler& keys_;
    ext_session_lock_v1* lock_ = nullptr;
    State state_ = State::Idle;
    std::vector<std::unique_ptr<LockSurface>> surfaces_;
    std::vector<std::unique_ptr<SeatKeyboard>> keyboards_;
    std::vector<std::unique_ptr<SeatPointer>> pointers_;
};

} // namespace waylock
