#include "lock/x11/x11_lock.h"

#include "lock/x11/Form1.h"
#include "lock/x11/prepared_lock.h"
#include "lock/x11/screen_capture.h"
#include "platform/x11/forms.h"

#include <QCoreApplication>
#include <QTimer>

namespace {

// An empty picture: white wherever the lock shows it.
class NoPicture : public platform::ScreenCapture {
public:
    std::shared_ptr<const platform::DesktopSnapshot> grabDesktop() override {
        return std::make_shared<platform::ImageSnapshot>(QImage(), QPoint());
    }
};

// The loaded Form1; else the one made ahead, if it is still as it was made, loaded and
// set up; else a new one.
Form1& loadLock() {
    platform::FormSlot<Form1>& slot = platform::formSlot<Form1>();
    if (slot.isLoaded())
        return slot.get();
    Form1* made = preparedLock().take();
    if (!made)
        return slot.get();
    Form1& lock = slot.load(made);
    lock.Form_Load();
    return lock;
}

void lockUntilHeld() {
    Form1& lock = loadLock();
    if (lock.isLocked())
        return;
    lock.screen().discard();
    platform::formSlot<Form1>().unload();
    QTimer::singleShot(0, qApp, lockUntilHeld);
}

} // namespace

void startX11Lock(LockStart start) {
    if (start == LockStart::Guard) {
        static NoPicture noPicture;
        platform::setScreenCapture(&noPicture);
        lockUntilHeld();
        return;
    }
    Form1& lock = loadLock();
    if (lock.isLocked())
        return;
    const QString what =
        lock.keyboardRefused() ? QStringLiteral("keyboard") : QStringLiteral("mouse");
    LockScreen& screen = lock.screen();
    platform::formSlot<Form1>().unload();
    screen.fail(QStringLiteral("another program is holding the %1").arg(what),
                QStringLiteral("The desktop could not be locked: another program is holding the "
                               "%1. Close it and try again.")
                    .arg(what));
}

void prepareX11Lock() {
    preparedLock().make();
}
