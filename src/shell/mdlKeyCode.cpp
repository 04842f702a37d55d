#include "shell/mdlKeyCode.h"

#include "platform/forms.h"
#include "shell/frmMenu.h"

void refreshPasswordMenu() {
    const std::optional<PasswordCommandStates> states = refreshPasswordFile();
    if (!states)
        return;
    frmMenu& menu = platform::formSlot<frmMenu>().get();
    menu.mNew->setEnabled(states->newEnabled);
    menu.mModify->setEnabled(states->modifyEnabled);
    menu.mForgot->setEnabled(states->forgotEnabled);
}
