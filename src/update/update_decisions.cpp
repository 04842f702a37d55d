#include "update/update_decisions.h"

#include "platform/file_attributes.h"
#include "update/version_text.h"

#include <cstdio>
#include <fstream>
#include <sstream>

const char* const kVersionFileName = "vtrver.txt";
const char* const kUpgradeFileName = "VTR_Upgrade.exe";
const char* const kMakerWebsite = "https://www.corvenna.com";
const char* const kRunningVersion = "Version " VTR_VERSION;
const char* const kDownloadedStatus = "The upgrade file has been downloaded successfully";
const char* const kDownloadFailedStatus =
    "The upgrade file could not be downloaded. Please try again later.";
const char* const kInstallFailedStatus = "The upgrade file could not be started.";
const char* const kNotVerifiedStatus = "The upgrade file could not be verified.";

namespace {
constexpr int kStop = 16;
constexpr int kInformation = 64;
constexpr int kYesNoInformation = 68;
} // namespace

std::optional<std::string> keepVersionCopy(const std::string& path, const std::string& fetched) {
    if (platform::fileExists(path) && std::remove(path.c_str()) != 0)
        return std::nullopt;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << versionFileContents(fetched);
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

UpdateOutcome updateOutcome(bool connected, const std::optional<std::string>& serverVersion,
                            const std::string& runningVersion) {
    if (!connected)
        return UpdateOutcome::NoConnection;
    if (!serverVersion || serverVersion->empty())
        return UpdateOutcome::AccessProblem;
    // Any difference, an older release included, is offered.
    return *serverVersion == runningVersion ? UpdateOutcome::Latest : UpdateOutcome::Offer;
}

UpdateMessage updateMessage(UpdateOutcome outcome) {
    switch (outcome) {
    case UpdateOutcome::NoConnection:
        return {"There is currently no internet connection present.\r\n"
                "Please check the connection and try to run check for the update again.",
                kStop, "No Connection"};
    case UpdateOutcome::AccessProblem:
        return {"I can not access the server to check for update.\r"
                "Please check your firewall setting or internet\r"
                "connection to rectify this problem.",
                kStop, "Internet access problem"};
    case UpdateOutcome::Offer:
        return {"There is a newer version available to download, do you wish to update?",
                kYesNoInformation, "Veltrane Update"};
    case UpdateOutcome::Latest:
        break;
    }
    return {"You have a latest version of Veltrane application", kInformation, "Veltrane Update"};
}

UpdateMessage downloadStartFailedMessage() {
    return {"unable to download the upgrade file. please try again later.", kStop,
            "Downloading error"};
}

UpdateMessage downloadedMessage(const std::string& fileName) {
    return {"The file " + fileName +
                "\rhas been downloaded successfully\rclick OK to start install",
            kInformation, "Veltrane"};
}

UpdateMessage newerVersionOnSiteMessage() {
    return {"There is a newer version of Veltrane available.\r\n"
            "This copy was installed with your system's package tools: please upgrade it with "
            "them. The maker's web site opens now.",
            kInformation, "Veltrane Update"};
}
