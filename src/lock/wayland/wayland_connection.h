#pragma once
// The Wayland lock's own connection to the compositor, beside whatever connection the
// toolkit has: its events are read on the program's event loop through a socket notifier,
// and every wait for the compositor has a time limit, so a stuck compositor never
// freezes the program.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct wl_display;
struct wl_registry;
struct wl_compositor;
struct wl_shm;
struct wl_seat;
struct wl_output;
struct ext_session_lock_manager_v1;
struct zwlr_screencopy_manager_v1;
class QSocketNotifier;

namespace waylock {

// One monitor as the compositor announces it.
struct Output {
    uint32_t globalName = 0;
    wl_output* proxy = nullptr;
    uint32_t version = 0;
    QString name; // "HEADLESS-1", "DP-2" (wl_output 4 and later; else empty)
    int scale = 1;
    bool announced = false; // its first "done" has come
};

// One seat: where keyboards come from.
struct Seat {
    uint32_t globalName = 0;
    wl_seat* proxy = nullptr;
    uint32_t version = 0;
    uint32_t capabilities = 0; // wl_seat capability bits, as last announced
};

class Connection : public QObject {
    Q_OBJECT
public:
    // Connects to the compositor WAYLAND_DISPLAY names (or `displayName` when given) and
    // learns its globals; nullptr when there is none or it does not answer in time.
    static std::unique_ptr<Connection> open(const char* displayName, int timeoutMs);
    ~Connection() override;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    wl_display* display() const { return display_; }
    wl_compositor* compositor() const { return compositor_; }
    uint32_t compositorVersion() const { return compositorVersion_; }
    wl_shm* shm() const { return shm_; }
    ext_session_lock_manager_v1* sessionLockManager() const { return lockManager_; }
    zwlr_screencopy_manager_v1* screencopyManager() const { return screencopy_; }
    const std::vector<std::unique_ptr<Output>>& outputs() const { return outputs_; }
    const std::vector<std::unique_ptr<Seat>>& seats() const { return seats_; }

    // Sends what is queued and waits until the compositor has handled it and every
    // event it sent before has been dispatched; false on time-out or a broken connection.
    bool roundtrip(int timeoutMs);
    // Reads and dispatches events until `done` holds; false when it still does not after
    // `timeoutMs` or the connection broke.
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);
    // Sends queued requests now (or as soon as the socket takes them).
    void flush();
    // The connection failed (compositor gone, or it ended the connection over an error).
    bool broken() const { return broken_; }

    // The registry's events.
    static void onGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                         uint32_t version);
    static void onGlobalRemove(void* data, wl_registry*, uint32_t name);

Q_SIGNALS:
    // An output's first description is complete, also for outputs that appear later.
    void outputReady(waylock::Output* output);
    // An announced output's scale or name changed.
    void outputChanged(waylock::Output* output);
    // The output is going away; the pointer dies after this.
    void outputRemoved(waylock::Output* output);
    // A seat appeared or changed what it has (a keyboard, say).
    void seatChanged(waylock::Seat* seat);
    void seatRemoved(waylock::Seat* seat);
    // The connection broke; nothing more will come.
    void lost();

private:
    explicit Connection(wl_display* display);
    void readEvents();
    void dispatchPending();
    void fail();
    void addGlobal(uint32_t name, const char* interface, uint32_t version);
    void removeGlobal(uint32_t name);
    friend struct OutputEvents;
    friend struct SeatEvents;

    wl_display* display_;
    wl_registry* registry_ = nullptr;
    wl_compositor* compositor_ = nullptr;
    uint32_t compositorVersion_ = 0;
    wl_shm* shm_ = nullptr;
    ext_session_lock_manager_v1* lockManager_ = nullptr;
    zwlr_screencopy_manager_v1* screencopy_ = nullptr;
    std::vector<std::unique_ptr<Output>> outputs_;
    std::vector<std::unique_ptr<Seat>> seats_;
    QSocketNotifier* readable_ = nullptr;
    QSocketNotifier* writable_ = nullptr;
    bool broken_ = false;
};

} // namespace waylock
