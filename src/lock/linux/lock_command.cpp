// "Lock Desktop": locks with the password stored at this moment, read afresh. The menu,
// `appVTR --lock` and logind all come here; each learns the outcome from lockState().

#include "lock/linux/lock_screen.h"
#include "lock/linux/lock_state.h"
#include "lock/linux/screen_lock.h"
#include "lock/lock_decision.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "shell/menu_commands.h"
#include "shell/x11/session_check.h"

namespace {

// The windows that would only stand in the way: nothing is lost by closing them. The
// password dialog and the upgrade window stay open under the lock.
void closeViewers() {
    for (const char* name : {"frmHelp", "frmAbout"}) {
        if (QWidget* form = platform::loadedFormNamed(QLatin1String(name)))
            platform::unloadForm(form);
    }
}

} // namespace

bool desktopLocked() {
    return lockState().underWay();
}

void mnuShowMe_Click() {
    // The lock's set-up lets pending events run: a request arriving then joins the lock
    // under way rather than starting a second set-up.
    if (lockState().underWay())
        return;
    if (const std::optional<std::string> refusal = sessionLockRefusal()) {
        refuseLock(QString::fromStdString(*refusal), sessionRefusalText(*refusal));
        return;
    }
    try {
        if (decideLock(false) == LockDecision::PasswordRequired) {
            refuseLock(QStringLiteral("no password is stored (choose Password > New first)"),
                       platform::fromAnsi(kPasswordRequiredText),
                       platform::fromAnsi(kPasswordRequiredTitle));
            return;
        }
        // From here on a kill is relocked by the guard.
        lockState().begin();
        closeViewers();
        startScreenLock(LockStart::Command);
    } catch (...) {
        // Any other failure ends the command without a message; the desktop stays as it
        // is (a lock that was made has said so already).
        if (lockState().phase() == LockState::Phase::SettingUp)
            lockState().refuse(QStringLiteral("the lock could not be set up"));
    }
}
