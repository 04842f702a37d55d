// "Lock Desktop": locks with the password stored at this moment, read afresh. The menu,
// `appVTR --lock` and logind all come here; each learns the outcome from lockState().

#include "lock/x11/lock_command.h"

#include "lock/linux/lock_protocol.h"
#include "lock/linux/lock_state.h"
#include "lock/lock_decision.h"
#include "lock/x11/Form1.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/x11_session.h"
#include "shell/menu_commands.h"
#include "shell/x11/session_check.h"

#include <memory>

namespace {

// The windows that would only stand in the way: nothing is lost by closing them. The
// password dialog and the upgrade window stay open under the lock.
void closeViewers() {
    for (const char* name : {"frmHelp", "frmAbout"}) {
        if (QWidget* form = platform::loadedFormNamed(QLatin1String(name)))
            platform::unloadForm(form);
    }
}

// Tells the waiting ones at once, then the user in a box. Requests that come while the
// box is open are refused the same way, without a second box.
template <class ShowBox> void refuse(const QString& why, ShowBox showBox) {
    static bool boxOpen = false;
    lockState().refuse(why);
    if (boxOpen)
        return;
    boxOpen = true;
    try {
        showBox();
    } catch (...) {
    }
    boxOpen = false;
}

void refuseHeldInput(bool keyboard) {
    const QString what = keyboard ? QStringLiteral("keyboard") : QStringLiteral("mouse");
    refuse(QStringLiteral("another program is holding the %1").arg(what), [&what] {
        platform::forms().msgBox(
            QStringLiteral("The desktop could not be locked: another program is holding the "
                           "%1. Close it and try again.")
                .arg(what),
            platform::vbCritical, QStringLiteral("Veltrane"));
    });
}

} // namespace

void followLock(Form1& lock) {
    QObject::connect(&lock, &Form1::lockHeld, &lockState(), &LockState::held);
    // Unloaded without the password (Quit's unload of every form): over all the same. Not
    // after the password, when the window goes later and a new lock may have begun.
    const auto gone = std::make_shared<QMetaObject::Connection>(
        QObject::connect(&lock, &QObject::destroyed, &lockState(), &LockState::end));
    QObject::connect(&lock, &Form1::unlocked, &lockState(), [gone] {
        QObject::disconnect(*gone);
        lockState().end();
    });
}

bool desktopLocked() {
    return lockState().underWay() || platform::formSlot<Form1>().isLoaded();
}

void mnuShowMe_Click() {
    // The lock window's set-up lets pending events run: a request arriving then joins
    // the lock under way rather than starting a second set-up.
    if (lockState().underWay())
        return;
    if (platform::waylandSession()) {
        refuse(QLatin1String(lockproto::kWaylandRefusal), [] { lockRefusedInThisSession(); });
        return;
    }
    try {
        if (decideLock(false) == LockDecision::PasswordRequired) {
            refuse(QStringLiteral("no password is stored (choose Password > New first)"), [] {
                platform::forms().msgBox(platform::fromAnsi(kPasswordRequiredText),
                                         platform::vbCritical,
                                         platform::fromAnsi(kPasswordRequiredTitle));
            });
            return;
        }
        // From here on a kill is relocked by the guard.
        lockState().begin();
        closeViewers();
        Form1& lock = platform::formSlot<Form1>().get();
        if (lock.isLocked()) {
            followLock(lock);
            return;
        }
        const bool keyboard = lock.keyboardRefused();
        platform::formSlot<Form1>().unload();
        refuseHeldInput(keyboard);
    } catch (...) {
        // Any other failure ends the command without a message; the desktop stays as it is.
        if (!platform::formSlot<Form1>().isLoaded())
            lockState().refuse(QStringLiteral("the lock could not be set up"));
    }
}
