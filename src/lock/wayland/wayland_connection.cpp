#include "lock/wayland/wayland_connection.h"

#include "ext-session-lock-v1-client-protocol.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <poll.h>
#include <wayland-client.h>

namespace waylock {

namespace {

// The versions this code speaks: wl_compositor 4 for damage in buffer pixels, wl_output 4
// for names, wl_seat 5 for releasing keyboards, screencopy 3 for the end of its buffer
// offers.
constexpr uint32_t CompositorVersion = 4;
constexpr uint32_t OutputVersion = 4;
constexpr uint32_t SeatVersion = 5;
constexpr uint32_t ScreencopyVersion = 3;

template <typename T>
T* bind(wl_registry* registry, uint32_t name, const wl_interface* interface, uint32_t offered,
        uint32_t wanted, uint32_t* bound = nullptr) {
    const uint32_t version = std::min(offered, wanted);
    if (bound)
        *bound = version;
    return static_cast<T*>(wl_registry_bind(registry, name, interface, version));
}

template <typename Item>
Item* findByName(const std::vector<std::unique_ptr<Item>>& items, uint32_t name) {
    for (const auto& item : items)
        if (item->globalName == name)
            return item.get();
    return nullptr;
}

template <typename Item> void erase(std::vector<std::unique_ptr<Item>>& items, Item* item) {
    items.erase(std::find_if(items.begin(), items.end(),
                             [item](const auto& held) { return held.get() == item; }));
}

} // namespace

struct OutputEvents {
    static Connection* owner(void* data) { return static_cast<Connection*>(data); }
    static Output* find(void* data, wl_output* proxy) {
        for (const auto& output : owner(data)->outputs_)
            if (output->proxy == proxy)
                return output.get();
        return nullptr;
    }
    static void geometry(void*, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t,
                         const char*, const char*, int32_t) {}
    static void mode(void*, wl_output*, uint32_t, int32_t, int32_t, int32_t) {}
    static void done(void* data, wl_output* proxy) {
        Output* output = find(data, proxy);
        if (!output)
            return;
        const bool first = !output->announced;
        output->announced = true;
        if (first)
            Q_EMIT owner(data)->outputReady(output);
        else
            Q_EMIT owner(data)->outputChanged(output);
    }
    static void scale(void* data, wl_output* proxy, int32_t factor) {
        if (Output* output = find(data, proxy))
            output->scale = std::max(1, factor);
    }
    static void name(void* data, wl_output* proxy, const char* text) {
        if (Output* output = find(data, proxy))
            output->name = QString::fromUtf8(text);
    }
    static void description(void*, wl_output*, const char*) {}
};

static const wl_output_listener outputListener = {
    OutputEvents::geometry, OutputEvents::mode, OutputEvents::done,
    OutputEvents::scale,    OutputEvents::name, OutputEvents::description,
};

struct SeatEvents {
    static void capabilities(void* data, wl_seat* proxy, uint32_t capabilities) {
        auto* owner = static_cast<Connection*>(data);
        for (const auto& seat : owner->seats_) {
            if (seat->proxy == proxy) {
                seat->capabilities = capabilities;
                Q_EMIT owner->seatChanged(seat.get());
            }
        }
    }
    static void name(void*, wl_seat*, const char*) {}
};

static const wl_seat_listener seatListener = {SeatEvents::capabilities, SeatEvents::name};

static const wl_registry_listener registryListener = {Connection::onGlobal,
                                                      Connection::onGlobalRemove};

std::unique_ptr<Connection> Connection::open(const char* displayName, int timeoutMs) {
    wl_display* display = wl_display_connect(displayName);
    if (!display)
        return nullptr;
    std::unique_ptr<Connection> connection(new Connection(display));
    // The first answer lists the globals; the second brings the outputs' descriptions.
    if (!connection->roundtrip(timeoutMs) || !connection->roundtrip(timeoutMs))
        return nullptr;
    return connection;
}

Connection::Connection(wl_display* display) : display_(display) {
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &registryListener, this);
    const int fd = wl_display_get_fd(display_);
    readable_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(readable_, &QSocketNotifier::activated, this, &Connection::readEvents);
    writable_ = new QSocketNotifier(fd, QSocketNotifier::Write, this);
    writable_->setEnabled(false);
    connect(writable_, &QSocketNotifier::activated, this, &Connection::flush);
}

Connection::~Connection() {
    // What the protocol objects still hold dies with the connection; the session lock,
    // if one is held, stays with the compositor.
    delete readable_;
    delete writable_;
    wl_display_disconnect(display_);
}

void Connection::onGlobal(void* data, wl_registry*, uint32_t name, const char* interface,
                          uint32_t version) {
    static_cast<Connection*>(data)->addGlobal(name, interface, version);
}

void Connection::onGlobalRemove(void* data, wl_registry*, uint32_t name) {
    static_cast<Connection*>(data)->removeGlobal(name);
}

void Connection::addGlobal(uint32_t name, const char* interface, uint32_t version) {
    if (!std::strcmp(interface, wl_compositor_interface.name) && !compositor_) {
        compositor_ = bind<wl_compositor>(registry_, name, &wl_compositor_interface, version,
                                          CompositorVersion, &compositorVersion_);
    } else if (!std::strcmp(interface, wl_shm_interface.name) && !shm_) {
        shm_ = bind<wl_shm>(registry_, name, &wl_shm_interface, version, 1);
    } else if (!std::strcmp(interface, ext_session_lock_manager_v1_interface.name) &&
               !lockManager_) {
        lockManager_ = bind<ext_session_lock_manager_v1>(
            registry_, name, &ext_session_lock_manager_v1_interface, version, 1);
    } else if (!std::strcmp(interface, zwlr_screencopy_manager_v1_interface.name) && !screencopy_) {
        screencopy_ = bind<zwlr_screencopy_manager_v1>(
            registry_, name, &zwlr_screencopy_manager_v1_interface, version, ScreencopyVersion);
    } else if (!std::strcmp(interface, wl_output_interface.name) && version >= 2) {
        auto output = std::make_unique<Output>();
        output->globalName = name;
        output->proxy = bind<wl_output>(registry_, name, &wl_output_interface, version,
                                        OutputVersion, &output->version);
        wl_output_add_listener(output->proxy, &outputListener, this);
        outputs_.push_back(std::move(output));
    } else if (!std::strcmp(interface, wl_seat_interface.name)) {
        auto seat = std::make_unique<Seat>();
        seat->globalName = name;
        seat->proxy = bind<wl_seat>(registry_, name, &wl_seat_interface, version, SeatVersion,
                                    &seat->version);
        wl_seat_add_listener(seat->proxy, &seatListener, this);
        seats_.push_back(std::move(seat));
    }
}

void Connection::removeGlobal(uint32_t name) {
    if (Output* output = findByName(outputs_, name)) {
        if (output->announced)
            Q_EMIT outputRemoved(output);
        if (output->version >= 3)
            wl_output_release(output->proxy);
        else
            wl_output_destroy(output->proxy);
        erase(outputs_, output);
    } else if (Seat* seat = findByName(seats_, name)) {
        Q_EMIT seatRemoved(seat);
        if (seat->version >= 5)
            wl_seat_release(seat->proxy);
        else
            wl_seat_destroy(seat->proxy);
        erase(seats_, seat);
    }
}

void Connection::readEvents() {
    if (broken_)
        return;
    // Events already queued (read during a round trip) go first; otherwise read what the
    // notifier saw. Neither blocks: the socket is read without waiting.
    if (wl_display_prepare_read(display_) == 0 && wl_display_read_events(display_) != 0)
        return fail();
    dispatchPending();
}

void Connection::dispatchPending() {
    if (wl_display_dispatch_pending(display_) < 0)
        return fail();
    flush();
}

void Connection::flush() {
    if (broken_)
        return;
    if (wl_display_flush(display_) >= 0) {
        writable_->setEnabled(false);
    } else if (errno == EAGAIN) {
        writable_->setEnabled(true); // the socket is full: finish when it drains
    } else {
        fail();
    }
}

void Connection::fail() {
    if (broken_)
        return;
    broken_ = true;
    readable_->setEnabled(false);
    writable_->setEnabled(false);
    Q_EMIT lost();
}

namespace {
void syncDone(void* data, wl_callback* callback, uint32_t) {
    if (data)
        *static_cast<bool*>(data) = true;
    wl_callback_destroy(callback);
}
const wl_callback_listener syncListener = {syncDone};
} // namespace

bool Connection::roundtrip(int timeoutMs) {
    if (broken_)
        return false;
    bool done = false;
    wl_callback* callback = wl_display_sync(display_);
    wl_callback_add_listener(callback, &syncListener, &done);
    if (waitUntil([&done] { return done; }, timeoutMs))
        return true;
    if (!broken_) // it may still come: it must then find no flag to set
        wl_proxy_set_user_data(reinterpret_cast<wl_proxy*>(callback), nullptr);
    return false;
}

bool Connection::waitUntil(const std::function<bool()>& done, int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    const int fd = wl_display_get_fd(display_);
    while (!broken_ && !done()) {
        if (wl_display_prepare_read(display_) != 0) {
            if (wl_display_dispatch_pending(display_) < 0)
                fail();
            continue;
        }
        if (wl_display_flush(display_) < 0 && errno != EAGAIN) {
            wl_display_cancel_read(display_);
            fail();
            break;
        }
        pollfd watch = {fd, POLLIN, 0};
        const int ready = poll(&watch, 1, static_cast<int>(deadline.remainingTime()));
        if (ready <= 0) {
            wl_display_cancel_read(display_);
            if (ready < 0 && errno == EINTR)
                continue;
            break; // out of time
        }
        if (wl_display_read_events(display_) != 0 || wl_display_dispatch_pending(display_) < 0)
            fail();
    }
    if (!broken_)
        flush();
    return !broken_ && done();
}

} // namespace waylock
