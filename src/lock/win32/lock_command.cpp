// "Lock Desktop" on Windows: locks with the password stored at this moment, even while
// other windows of the program are open; they stay under the lock.

#include "lock/lock_decision.h"
#include "lock/win32/lock_window.h"
#include "shell/menu_commands.h"
#include "shell/win32/frmMain.h"

#include <windows.h>

void mnuShowMe_Click() {
    switch (decideLock(lockShown())) {
    case LockDecision::Ignore:
        return;
    case LockDecision::PasswordRequired:
        MessageBoxA(mainWindow(), kPasswordRequiredText, kPasswordRequiredTitle,
                    MB_OK | MB_ICONSTOP);
        return;
    case LockDecision::Lock:
        showLockWindow();
        return;
    }
}
