// Help > Contents... and Help > About Veltrane...: each opens a fresh window modally and
// returns once it is closed.

#include "help/x11/frmAbout.h"
#include "help/x11/frmHelp.h"
#include "platform/x11/forms.h"
#include "shell/menu_commands.h"

namespace {
// Closing through the title bar (or Esc) only hides a dialog; it is unloaded all the same.
template <class Form> void showModal() {
    // Chosen again from the tray while it is open: the open window stays and comes forward.
    if (Form* open = platform::formSlot<Form>().loaded()) {
        open->raise();
        open->activateWindow();
        return;
    }
    platform::showModal(platform::formSlot<Form>().get());
    platform::formSlot<Form>().unload();
}
} // namespace

void mContents_Click() {
    showModal<frmHelp>();
}

void mAbout_Click() {
    showModal<frmAbout>();
}
