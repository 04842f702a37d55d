// "Lock Desktop": locks with the password stored at this moment, read afresh.

#include "lock/Form1.h"
#include "lock/lock_decision.h"
#include "lock/lock_supervisor.h"
#include "platform/ansi_text.h"
#include "platform/forms.h"
#include "platform/forms_services.h"
#include "shell/menu_commands.h"
#include "shell/session_check.h"

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
    settingUp = true;
    try {
        if (decision == LockDecision::PasswordRequired) {
            platform::forms().msgBox(platform::fromAnsi(kPasswordRequiredText),
                                     platform::vbCritical,
                                     platform::fromAnsi(kPasswordRequiredTitle));
        } else {
            closeViewers();
            Form1& lock = platform::formSlot<Form1>().get();
            if (lock.isLocked())
                LockSupervisor::watchOver(lock);
            else
                refuse(lock.keyboardRefused());
        }
    } catch (...) {
        // Any failure ends the command silently.
    }
    settingUp = false;
}
