// "Lock Desktop": locks with the password stored at this moment, read afresh.

#include "lock/lock_decision.h"
#include "lock/x11/Form1.h"
#include "lock/x11/lock_supervisor.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "shell/menu_commands.h"
#include "shell/running_flag.h"
#include "shell/x11/session_check.h"

#include <QPointer>
#include <QTimer>
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

void refuse(bool keyboard) {
    platform::formSlot<Form1>().unload();
    platform::forms().msgBox(
        keyboard ? QStringLiteral("The desktop could not be locked: another program is holding "
                                  "the keyboard. Close it and try again.")
                 : QStringLiteral("The desktop could not be locked: another program is holding "
                                  "the mouse. Close it and try again."),
        platform::vbCritical, QStringLiteral("Veltrane"));
}

// The supervisor starts once the lock is on screen (or after a bound, should its paint
// not come): its start-up would otherwise compete with the lock's first paint.
void superviseOnceShown(Form1& lock) {
    constexpr int kShownWaitMs = 200;
    const auto start = [watched = QPointer<Form1>(&lock), started = std::make_shared<bool>()] {
        if (*started || !watched || !watched->isLocked())
            return;
        *started = true;
        LockSupervisor::watchOver(*watched);
    };
    QObject::connect(&lock, &Form1::shownOnScreen, &lock, start, Qt::SingleShotConnection);
    QTimer::singleShot(kShownWaitMs, &lock, start);
}

} // namespace

bool desktopLocked() {
    return platform::formSlot<Form1>().isLoaded();
}

void mnuShowMe_Click() {
    if (lockRefusedInThisSession())
        return;
    // The lock window's set-up lets pending events run; a second choice arriving then
    // must not start a second set-up.
    static bool settingUp = false;
    const LockDecision decision = decideLock(settingUp || desktopLocked());
    if (decision == LockDecision::Ignore)
        return;
    const RunningFlag setUp(settingUp);
    try {
        if (decision == LockDecision::PasswordRequired) {
            platform::forms().msgBox(platform::fromAnsi(kPasswordRequiredText),
                                     platform::vbCritical,
                                     platform::fromAnsi(kPasswordRequiredTitle));
        } else {
            closeViewers();
            Form1& lock = platform::formSlot<Form1>().get();
            if (lock.isLocked())
                superviseOnceShown(lock);
            else
                refuse(lock.keyboardRefused());
        }
    } catch (...) {
        // Any failure ends the command silently.
    }
}
