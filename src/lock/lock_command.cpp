// "Lock Desktop": locks with the password stored at this moment, read afresh.

#include "lock/Form1.h"
#include "lock/lock_decision.h"
#include "platform/ansi_text.h"
#include "platform/forms.h"
#include "platform/forms_services.h"
#include "shell/menu_commands.h"
#include "shell/session_check.h"

void mnuShowMe_Click() {
    if (lockRefusedInThisSession())
        return;
    // The lock window's set-up lets pending events run; a second choice arriving then
    // must not start a second set-up.
    static bool settingUp = false;
    // A lock window cannot be shown while one of the program's dialogs is up: the
    // dialog's own message boxes (the upgrade window's, when its download ends) would
    // then take the keys from the lock, and answering one could end the program and so
    // the lock. The command ends silently, as any of its failures does.
    const LockDecision decision = decideLock(settingUp || platform::modalFormOpen());
    if (decision == LockDecision::Ignore)
        return;
    settingUp = true;
    try {
        if (decision == LockDecision::PasswordRequired) {
            platform::forms().msgBox(platform::fromAnsi(kPasswordRequiredText),
                                     platform::vbCritical,
                                     platform::fromAnsi(kPasswordRequiredTitle));
        } else {
            Form1& lock = platform::formSlot<Form1>().get();
            lock.show();
        }
    } catch (...) {
        // Any failure ends the command silently.
    }
    settingUp = false;
}
