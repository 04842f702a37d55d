#include "lock/x11/prepared_lock.h"

#include "lock/x11/Form1.h"
#include "lock/x11/x11_connection.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QHash>
#include <QPointer>
#include <QWindow>

namespace {

// Watches the form's windows while it waits, through the reports Qt asks for on them.
class Waiting : public QAbstractNativeEventFilter {
public:
    explicit Waiting(Form1* form) : form_(form) {
        top_ = static_cast<xcb_window_t>(form->internalWinId());
        for (const QWidget* widget : form->findChildren<QWidget*>())
            if (widget->internalWinId())
                parents_.insert(
                    static_cast<xcb_window_t>(widget->internalWinId()),
                    static_cast<xcb_window_t>(widget->nativeParentWidget()->internalWinId()));
        if (xcb_connection_t* c = x11Connection())
            parents_.insert(top_, xcb_setup_roots_iterator(xcb_get_setup(c)).data->root);
        qGuiApp->installNativeEventFilter(this);
    }
    ~Waiting() override { qGuiApp->removeNativeEventFilter(this); }
    Waiting(const Waiting&) = delete;
    Waiting& operator=(const Waiting&) = delete;

    // The form, while untouched.
    Form1* form() const { return spoiled_ ? nullptr : form_.data(); }
    Form1* anyForm() const { return form_.data(); }

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t")
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        switch (event->response_type & 0x7f) {
        case XCB_MAP_NOTIFY: {
            // (Its inner windows show nothing while it is unmapped.)
            const auto* mapped = reinterpret_cast<const xcb_map_notify_event_t*>(event);
            if (mapped->window != top_)
                return false;
            if (xcb_connection_t* c = x11Connection()) {
                xcb_unmap_window(c, mapped->window);
                xcb_flush(c);
            }
            spoiled_ = true;
            return true; // Qt never takes it for shown
        }
        case XCB_DESTROY_NOTIFY:
            spoiled_ =
                spoiled_ || parents_.contains(
                                reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window);
            return false;
        case XCB_REPARENT_NOTIFY: {
            // (Qt puts the inner ones where they belong itself, as it makes them.)
            const auto* moved = reinterpret_cast<const xcb_reparent_notify_event_t*>(event);
            const auto parent = parents_.constFind(moved->window);
            spoiled_ = spoiled_ || (parent != parents_.cend() && *parent != moved->parent);
            return false;
        }
        default:
            return false;
        }
    }

private:
    QPointer<Form1> form_;
    xcb_window_t top_ = 0;
    QHash<xcb_window_t, xcb_window_t> parents_; // its windows, each with its parent
    bool spoiled_ = false;
};

std::unique_ptr<Waiting> waiting;

} // namespace

void PreparedLock::make() {
    if (waiting || !qGuiApp)
        return;
    waiting = std::make_unique<Waiting>(new Form1(Form1::Ahead{}));
    // Not a loaded form: it goes with the program unless a lock takes it.
    static const bool dropped = QObject::connect(qApp, &QCoreApplication::aboutToQuit, [] {
        if (waiting)
            delete waiting->anyForm();
        waiting.reset();
    });
    Q_UNUSED(dropped);
}

Form1* PreparedLock::take() {
    if (!waiting)
        return nullptr;
    // Reports still on their way are read first.
    QCoreApplication::processEvents();
    Form1* form = waiting->form();
    if (!form)
        delete waiting->anyForm();
    waiting.reset();
    return form;
}

PreparedLock& preparedLock() {
    static PreparedLock prepared;
    return prepared;
}
