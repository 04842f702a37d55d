// Help > Check for update...: asks the update server for a different release and, on
// the user's word, opens the upgrade window.

#include "platform/forms.h"
#include "platform/forms_services.h"
#include "platform/on_error.h"
#include "shell/menu_commands.h"
#include "update/frmUpdate.h"
#include "update/mdlInternet.h"

namespace {

void checkForUpdate() {
    if (!mdlInternet::isInternetConnected()) {
        platform::forms().msgBox(
            QStringLiteral("There is currently no internet connection present.\r\n"
                           "Please check the connection and try to run check for the update "
                           "again."),
            platform::vbCritical, QStringLiteral("No Connection"));
        return;
    }
    const bool newer = mdlInternet::checkNewVersion("vtrver.txt");
    if (newer) {
        const int answer = platform::forms().msgBox(
            QStringLiteral("There is a newer version available to download, do you wish to "
                           "update?"),
            platform::vbYesNoInformation, QStringLiteral("Veltrane Update"));
        if (answer != platform::vbYes)
            return;
        platform::showModal(platform::formSlot<frmUpdate>().get());
        // Closed through its title bar: the program stays in the tray.
        platform::formSlot<frmUpdate>().unload();
        return;
    }
    if (!mdlInternet::bAccessProblem)
        platform::forms().msgBox(
            QStringLiteral("You have a latest version of Veltrane application"),
            platform::vbInformation, QStringLiteral("Veltrane Update"));
}

} // namespace

void mUpdate_Click() {
    // The version fetch waits in a nested event loop: a second click must not start a
    // second check inside the first.
    static bool running = false;
    if (running)
        return;
    running = true;
    platform::continueOnError(checkForUpdate);
    running = false;
}
