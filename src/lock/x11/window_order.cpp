#include "lock/x11/window_order.h"
#include "lock/x11/root_keyboard.h"
#include "lock/x11/x11_connection.h"
#include "platform/service_slot.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <QWindow>
#include <memory>
#include <xcb/xcb.h>

namespace platform {

namespace {

// The native window now behind the widget: a renewed one is created (not yet mapped) here.
xcb_window_t windowId(QWidget* window) {
    QWindow* handle = window->windowHandle();
    return static_cast<xcb_window_t>(handle ? handle->winId() : window->winId());
}

// The X11 service. It watches by a native event filter, since Qt neither selects
// visibility changes nor reports another program's unmapping as a hide.
class X11WindowOrder : public WindowOrder, public QAbstractNativeEventFilter {
public:
    void watchCovering(QWidget* window, LossHandler lost) override {
        xcb_connection_t* c = x11Connection();
        if (!c || !window)
            return;
        const xcb_window_t id = windowId(window);
        // Qt's own selection must stay; visibility changes are added to it.
        std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> attributes(
            xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, id), nullptr), &free);
        if (!attributes) {
            // Destroyed already, the moment it was made: to be made anew like any other.
            report({window, std::move(lost), {}}, Loss::Destroyed);
            return;
        }
        const uint32_t mask = attributes->your_event_mask | XCB_EVENT_MASK_VISIBILITY_CHANGE |
                              XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(c, id, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
        // Where it is now is where it stays: another program that moves, shrinks or
        // reparents it would bare the desktop.
        std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> geometry(
            xcb_get_geometry_reply(c, xcb_get_geometry(c, id), nullptr), &free);
        const QRect place =
            geometry ? QRect(geometry->x, geometry->y, geometry->width, geometry->height) : QRect();
        watched_.insert(id, {window, std::move(lost), place});
        filter(true);
        if (!followingStack_)
            followStack(c, true);
    }

    void unwatch(QWidget* window) override {
        for (auto it = watched_.begin(); it != watched_.end();) {
            if (it->window.isNull() || it->window == window)
                it = watched_.erase(it);
            else
                ++it;
        }
        filter(!watched_.isEmpty() || keyTarget_);
        if (watched_.isEmpty() && followingStack_) {
            if (xcb_connection_t* c = x11Connection())
                followStack(c, false);
        }
    }

    bool stackChanged() override {
        const bool changed = stackChanged_ || !followingStack_;
        stackChanged_ = false;
        return changed;
    }

    bool isOnTop(QWidget* window) override {
        xcb_connection_t* c = x11Connection();
        if (!c || !window)
            return true;
        return isOnTop(c, windowId(window));
    }

    void raise(QWidget* window) override {
        xcb_connection_t* c = x11Connection();
        if (!c || !window)
            return;
        raise(c, windowId(window));
    }

    void grabInput(QWidget* window, bool& keyboard, bool& pointer) override {
#ifdef VTR_LOCK_ESCAPABLE
        Q_UNUSED(window);
        keyboard = pointer = true;
#else
        xcb_connection_t* c = x11Connection();
        if (!c) {
            keyboard = pointer = true;
            return;
        }
        if (!window)
            return;
        // Everything asked for before any answer is awaited: one wait for the X server.
        const bool wantKeyboard = !keyboard, wantPointer = !pointer;
        const bool newTarget = wantKeyboard && keyTarget_ != window;
        xcb_grab_keyboard_cookie_t keys{};
        xcb_grab_pointer_cookie_t buttons{};
        if (wantKeyboard)
            keys = xcb_grab_keyboard(c, 0, rootOf(c), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC,
                                     XCB_GRAB_MODE_ASYNC);
        // Owner events: clicks on this program's windows go to them as usual; the lock
        // covers the screens, so those are the lock's.
        const uint16_t events = XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_ENTER_WINDOW |
                                XCB_EVENT_MASK_LEAVE_WINDOW;
        if (wantPointer)
            buttons = xcb_grab_pointer(c, 1, rootOf(c), events, XCB_GRAB_MODE_ASYNC,
                                       XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
        if (wantKeyboard)
            keyboard = granted(xcb_grab_keyboard_reply(c, keys, nullptr));
        if (newTarget && keyboard) {
            if (keys_.load(c)) {
                keyTarget_ = window;
                filter(true);
            } else {
                // Keys nobody could type at would lock the user out: not held.
                xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
                keyboard = false;
            }
        }
        if (wantPointer)
            pointer = granted(xcb_grab_pointer_reply(c, buttons, nullptr));
#endif
    }

    bool capsLockOn() override {
        return keyTarget_ && keys_.capsLockOn();
    }

    void releaseGrabs(QWidget*) override {
        keyTarget_ = nullptr;
        filter(!watched_.isEmpty());
        xcb_connection_t* c = x11Connection();
        if (!c)
            return;
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        if (keyTarget_ && keys_.follow(x11Connection(), event))
            return false;
        if (followingStack_ && isRootChildChange(event)) {
            stackChanged_ = true;
            // A window destroyed before its own reports were asked for is told of here.
            const auto* gone = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
                watched_.contains(gone->window))
                report(watched_.take(gone->window), Loss::Destroyed);
            // Not for Qt, which takes any configure report from the root for a change of
            // the screens; the others it has no use for.
            return true;
        }
        switch (event->response_type & 0x7f) {
        case XCB_KEY_PRESS:
        case XCB_KEY_RELEASE: {
            const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
            xcb_connection_t* c = x11Connection();
            if (!keyTarget_ || !c || key->event != rootOf(c))
                return false;
            QWidget* target =
                keyTarget_->focusWidget() ? keyTarget_->focusWidget() : keyTarget_.data();
            QKeyEvent typed = keys_.event(*key, (event->response_type & 0x7f) == XCB_KEY_PRESS);
            // Straight to the widget: a modal box of the program must not hold it back.
            QCoreApplication::sendEvent(target, &typed);
            return true;
        }
        case XCB_VISIBILITY_NOTIFY: {
            const auto* seen = reinterpret_cast<const xcb_visibility_notify_event_t*>(event);
            if (seen->state != XCB_VISIBILITY_UNOBSCURED && watched_.contains(seen->window)) {
                stackChanged_ = true;
                raiseIfCovered(seen->window);
            }
            break;
        }
        case XCB_DESTROY_NOTIFY: {
            const auto* gone = reinterpret_cast<const xcb_destroy_notify_event_t*>(event);
            if (watched_.contains(gone->window))
                report(watched_.take(gone->window), Loss::Destroyed);
            break;
        }
        case XCB_UNMAP_NOTIFY: {
            const auto* gone = reinterpret_cast<const xcb_unmap_notify_event_t*>(event);
            if (watched_.contains(gone->window) && raiseIfCovered(gone->window, true))
                report(watched_.value(gone->window), Loss::Unmapped);
            break;
        }
        case XCB_CONFIGURE_NOTIFY: {
            const auto* moved = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            if (moved->event == moved->window && watched_.contains(moved->window) &&
                QRect(moved->x, moved->y, moved->width, moved->height) !=
                    watched_.value(moved->window).place)
                return putBack(moved->window); // Qt never sees the foreign geometry
            break;
        }
        case XCB_REPARENT_NOTIFY: {
            const auto* moved = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
            xcb_connection_t* c = x11Connection();
            if (c && moved->event == moved->window && watched_.contains(moved->window) &&
                moved->parent != rootOf(c))
                putBack(moved->window, true);
            break;
        }
        default:
            break;
        }
        return false; // Qt still handles every other event itself
    }

private:
    struct Watch {
        QPointer<QWidget> window;
        LossHandler lost;
        QRect place; // on the root window, as shown
    };

    void filter(bool on) {
        if (on != filtering_) {
            if (on)
                qGuiApp->installNativeEventFilter(this);
            else
                qGuiApp->removeNativeEventFilter(this);
            filtering_ = on;
        }
    }

    // A grab's reply: held, or refused (or no answer).
    template <class Reply> static bool granted(Reply* reply) {
        const std::unique_ptr<Reply, decltype(&free)> owned(reply, &free);
        return owned && owned->status == XCB_GRAB_STATUS_SUCCESS;
    }

    static xcb_window_t rootOf(xcb_connection_t* c) {
        return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    }

    // While windows are watched, every change among the root's children is reported
    // (added to what the root already reports to Qt, and given back after).
    void followStack(xcb_connection_t* c, bool on) {
        const xcb_window_t root = rootOf(c);
        if (on) {
            std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> attributes(
                xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, root), nullptr),
                &free);
            if (!attributes)
                return;
            rootMaskBefore_ = attributes->your_event_mask;
            const uint32_t mask = rootMaskBefore_ | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
            xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);
            followingStack_ = true;
        } else if (followingStack_) {
            xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &rootMaskBefore_);
            followingStack_ = false;
        }
        stackChanged_ = true;
        xcb_flush(c);
    }

    // A report, to the root, of a change to one of its children.
    static bool isRootChildChange(const xcb_generic_event_t* event) {
        switch (event->response_type & 0x7f) {
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_REPARENT_NOTIFY:
        case XCB_CONFIGURE_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
        case XCB_GRAVITY_NOTIFY: {
            // Each of these starts with the window it went to and the one it is about.
            const auto* about = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            return about->event != about->window && isRoot(about->event);
        }
        default:
            return false;
        }
    }

    static bool isRoot(xcb_window_t window) {
        xcb_connection_t* c = x11Connection();
        return c && window == rootOf(c);
    }

    // Puts a window that another program moved, resized or reparented back in its
    // place on the root window, on top.
    bool putBack(xcb_window_t id, bool reparented = false) {
        xcb_connection_t* c = x11Connection();
        const QRect place = watched_.value(id).place;
        if (!c || place.isEmpty())
            return false;
        // (Reparenting unmaps and maps the window again, so only when it must.)
        if (reparented)
            xcb_reparent_window(c, id, rootOf(c), static_cast<int16_t>(place.x()),
                                static_cast<int16_t>(place.y()));
        const uint32_t values[] = {
            static_cast<uint32_t>(place.x()), static_cast<uint32_t>(place.y()),
            static_cast<uint32_t>(place.width()), static_cast<uint32_t>(place.height())};
        xcb_configure_window(c, id,
                             XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH |
                                 XCB_CONFIG_WINDOW_HEIGHT,
                             values);
        raise(c, id);
        return true;
    }

    static void report(const Watch& watch, Loss loss) {
        if (!watch.window || !watch.lost)
            return;
        // Not from inside Qt's own event handling: the owner may replace the window.
        QWidget* window = watch.window;
        QMetaObject::invokeMethod(
            window, [window, loss, lost = watch.lost] { lost(window, loss); },
            Qt::QueuedConnection);
    }

    // True when it raised (and mapped) the window.
    bool raiseIfCovered(xcb_window_t id, bool unmapped = false) {
        const QPointer<QWidget> window = watched_.value(id).window;
        xcb_connection_t* c = x11Connection();
        if (!c || !window || !window->isVisible())
            return false; // hidden by this program: it is being unloaded
        if (!unmapped && isOnTop(c, id))
            return false;
        if (!unmapped && !mayRaiseNow())
            return false; // the owner's stay-in-front step raises it a little later
        raise(c, id);
        return true;
    }

    // Another program that raises itself whenever it is covered would make every raise
    // answer a raise: a burst is allowed (several windows mapped at once), a contest not.
    bool mayRaiseNow() {
        if (!burstClock_.isValid() || burstClock_.elapsed() >= kBurstMilliseconds) {
            burstClock_.start();
            burstRaises_ = 0;
        }
        return ++burstRaises_ <= kRaisesPerBurst;
    }

    bool isOnTop(xcb_connection_t* c, xcb_window_t id) {
        // The lock windows bypass the window manager, so they are children of the root.
        const xcb_window_t root = rootOf(c);
        std::unique_ptr<xcb_query_tree_reply_t, decltype(&free)> tree(
            xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &free);
        if (!tree)
            return true;
        // Children come bottom to top; everything above the window must be ours.
        const xcb_window_t* children = xcb_query_tree_children(tree.get());
        for (int i = xcb_query_tree_children_length(tree.get()) - 1; i >= 0; --i) {
            if (children[i] == id)
                return true;
            if (!watched_.contains(children[i]))
                return false;
        }
        return false;
    }

    static void raise(xcb_connection_t* c, xcb_window_t id) {
        // Another program may have cleared the window's bypass of the window manager;
        // mapped without it, the window manager would take it over.
        const uint32_t bypass = 1;
        xcb_change_window_attributes(c, id, XCB_CW_OVERRIDE_REDIRECT, &bypass);
        const uint32_t above = XCB_STACK_MODE_ABOVE;
        xcb_map_window(c, id);
        xcb_configure_window(c, id, XCB_CONFIG_WINDOW_STACK_MODE, &above);
        xcb_flush(c);
    }

    static constexpr qint64 kBurstMilliseconds = 100;
    static constexpr int kRaisesPerBurst = 8;
    QHash<xcb_window_t, Watch> watched_;
    QPointer<QWidget> keyTarget_; // while the keyboard is held: where its keys go
    RootKeyboard keys_;
    QElapsedTimer burstClock_;
    int burstRaises_ = 0;
    bool filtering_ = false;
    bool followingStack_ = false;
    bool stackChanged_ = true;
    uint32_t rootMaskBefore_ = 0;
};

} // namespace

WindowOrder& windowOrder() {
    return currentService<WindowOrder, X11WindowOrder>();
}

void setWindowOrder(WindowOrder* service) {
    installedService<WindowOrder>() = service;
}

} // namespace platform
