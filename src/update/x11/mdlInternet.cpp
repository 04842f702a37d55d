#include "update/x11/mdlInternet.h"

#include "platform/file_attributes.h"
#include "platform/program_folder.h"
#include "platform/x11/ansi_text.h"
#include "platform/x11/forms.h"
#include "platform/x11/forms_services.h"
#include "platform/x11/internet_state.h"
#include "platform/x11/transfer_control.h"
#include "shell/x11/frmMain.h"
#include "update/update_decisions.h"
#include "update/x11/update_settings.h"

#include <optional>

namespace mdlInternet {

bool bAccessProblem = false;

namespace {

// The server version text, or nothing when the fetch or the local copy failed.
std::optional<std::string> readServerVersion(const std::string& fileName) {
    const platform::FetchResult fetched =
        platform::openUrl(updateFileUrl(QString::fromStdString(fileName)),
                          updateSettings().fetchTimeoutMs, kMaxVersionBytes);
    if (!fetched.ok)
        return std::nullopt;
    return keepVersionCopy(programFilePath(fileName), fetched.body.toStdString());
}

} // namespace

bool isInternetConnected() {
    return platform::internetState().isConnected();
}

bool checkNewVersion(const std::string& fileName) {
    bAccessProblem = false;
    const UpdateOutcome outcome =
        updateOutcome(true, readServerVersion(fileName),
                      platform::toAnsi(platform::formSlot<frmMain>().get().lblVersion->text()));
    if (outcome == UpdateOutcome::AccessProblem) {
        showUpdateMessage(outcome);
        bAccessProblem = true;
    }
    return outcome == UpdateOutcome::Offer;
}

int showUpdateMessage(UpdateOutcome outcome) {
    return showUpdateMessage(updateMessage(outcome));
}

int showUpdateMessage(const UpdateMessage& message) {
    return platform::forms().msgBox(platform::fromAnsi(message.text), message.style,
                                    platform::fromAnsi(message.title));
}

} // namespace mdlInternet
