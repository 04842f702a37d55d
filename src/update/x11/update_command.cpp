// Help > Check for update...: asks the update server for a different release and, on
// the user's word, opens the upgrade window; a copy that cannot replace itself (an
// installed one) is told of the release and shown the maker's site instead.

#include "platform/program_folder.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/on_error.h"
#include "platform/x11/shell.h"
#include "shell/menu_commands.h"
#include "shell/running_flag.h"
#include "update/x11/frmUpdate.h"
#include "update/x11/mdlInternet.h"
#include "update/x11/portable_upgrade.h"

namespace {

void checkForUpdate() {
    if (!mdlInternet::isInternetConnected()) {
        mdlInternet::showUpdateMessage(UpdateOutcome::NoConnection);
        return;
    }
    const bool newer = mdlInternet::checkNewVersion(kVersionFileName);
    if (newer && !canReplaceItself(programFolder())) {
        // The system's package tools upgrade this copy; the site tells what is new.
        mdlInternet::showUpdateMessage(newerVersionOnSiteMessage());
        platform::shell().openDocument(QString::fromLatin1(kMakerWebsite));
        return;
    }
    if (newer) {
        if (mdlInternet::showUpdateMessage(UpdateOutcome::Offer) != platform::vbYes)
            return;
        platform::showModal(platform::formSlot<frmUpdate>().get());
        // Closed through its title bar: the program stays in the tray.
        platform::formSlot<frmUpdate>().unload();
        return;
    }
    if (!mdlInternet::bAccessProblem)
        mdlInternet::showUpdateMessage(UpdateOutcome::Latest);
}

} // namespace

void mUpdate_Click() {
    // The version fetch waits in a nested event loop: a second click must not start a
    // second check inside the first.
    static bool running = false;
    const RunningFlag run(running);
    if (run.first())
        platform::continueOnError(checkForUpdate);
}
