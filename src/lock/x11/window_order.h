#pragma once
// Keeping the lock windows above everything else and holding the keyboard and pointer
// for them: the X11 window-system calls behind one interface. Tests install a recording
// fake; on a platform other than X11 the real service does nothing and reports success.

#include <functional>

class QWidget;

namespace platform {

class WindowOrder {
public:
    virtual ~WindowOrder() = default;
    // What another program did to a watched window. X drops a grab with its window's
    // mapping, so the owner takes the grabs again; a destroyed window it must replace
    // with a new one (and watch that).
    enum class Loss { Unmapped, Destroyed };
    using LossHandler = std::function<void(QWidget*, Loss)>;
    // From now until unwatch, raises the shown window whenever the window system reports
    // it covered, maps it again when another program unmaps it, and puts it back where it
    // was shown when another program moves, resizes or reparents it; `lost` runs from the
    // event loop after an unmapping or a destruction.
    virtual void watchCovering(QWidget* window, LossHandler lost) = 0;
    virtual void unwatch(QWidget* window) = 0;
    // True when nothing but watched windows is stacked above the window.
    virtual bool isOnTop(QWidget* window) = 0;
    // False when, since the last call, no window was mapped, unmapped, moved, restacked,
    // reparented or destroyed and no watched one was reported covered: the stack is as
    // it was. Always true the first time and where changes cannot be followed.
    virtual bool stackChanged() = 0;
    // Maps the window if it was unmapped and stacks it above every other window.
    virtual void raise(QWidget* window) = 0;
    // Takes whichever of the whole keyboard and the whole pointer is not held yet (false)
    // and sets it true once held; one held already by this program stays held. Both are
    // held on the root window, which no other program can unmap, so they outlast anything
    // done to the window. Every key then goes to the window's focus widget, whatever other
    // window of the program is open or modal. Left false while another program holds it.
    virtual void grabInput(QWidget* window, bool& keyboard, bool& pointer) = 0;
    virtual void releaseGrabs(QWidget* window) = 0;
    // While the keyboard is held: whether Caps Lock is on.
    virtual bool capsLockOn() = 0;
};

WindowOrder& windowOrder();
// Installs a replacement; nullptr restores the real service.
void setWindowOrder(WindowOrder* service);

} // namespace platform
