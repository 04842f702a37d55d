#pragma once
// The update's fixed settings, built into the program (it reads no configuration).
// Tests point them at a local server and shorten the waits.

#include "update/upgrade_proof.h"

#include <QString>
#include <string>

struct UpdateSettings {
    // The update folder on the maker's server (VTR_UPDATE_BASE_URL at build time); a
    // file there is this base with its bare name appended. Ends with "/".
    QString baseUrl;
    // How long the version fetch may take before it counts as a failure.
    int fetchTimeoutMs = 15000;
    // How long a download may receive nothing before it counts as failed.
    int downloadInactivityMs = 30000;
    // The upgrade window's pauses before the request and before cancelling it.
    int pauseMs = 1000;
    // The key an upgrade's signature must prove (Base64 of the PEM), built in.
    std::string publicKey = builtInUpdateKey();
};

UpdateSettings& updateSettings();
// The address of a file in the update folder.
QString updateFileUrl(const QString& fileName);
