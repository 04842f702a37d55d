#include "update/mdlInternet.h"

#include "platform/ansi_text.h"
#include "platform/file_attributes.h"
#include "platform/forms.h"
#include "platform/forms_services.h"
#include "platform/internet_state.h"
#include "platform/program_folder.h"
#include "platform/transfer_control.h"
#include "shell/frmMain.h"
#include "update/update_settings.h"
#include "update/version_text.h"

#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>

namespace mdlInternet {

bool bAccessProblem = false;

namespace {

// The server version text, or nothing when the fetch or the local copy failed.
std::optional<std::string> readServerVersion(const std::string& fileName) {
    const platform::FetchResult fetched = platform::openUrl(
        updateFileUrl(QString::fromStdString(fileName)), updateSettings().fetchTimeoutMs);
    if (!fetched.ok)
        return std::nullopt;
    const std::string path = programFilePath(fileName);
    if (platform::fileExists(path) && std::remove(path.c_str()) != 0)
        return std::nullopt;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << versionFileContents(fetched.body.toStdString());
        out.close();
        if (!out)
            return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream copy;
    copy << in.rdbuf();
    if (!in)
        return std::nullopt;
    return serverVersionText(copy.str());
}

void showAccessProblem() {
    platform::forms().msgBox(QStringLiteral("I can not access the server to check for update.\r"
                                            "Please check your firewall setting or internet\r"
                                            "connection to rectify this problem."),
                             platform::vbCritical, QStringLiteral("Internet access problem"));
}

} // namespace

bool isInternetConnected() {
    return platform::internetState().isConnected();
}

bool checkNewVersion(const std::string& fileName) {
    bAccessProblem = false;
    // A failed fetch or local copy is reported like an unreadable server: saying the
    // program is current would be a claim nobody checked.
    const std::optional<std::string> version = readServerVersion(fileName);
    if (!version || version->empty()) {
        showAccessProblem();
        bAccessProblem = true;
        return false;
    }
    const QString running = platform::formSlot<frmMain>().get().lblVersion->text();
    return *version != platform::toAnsi(running);
}

} // namespace mdlInternet
