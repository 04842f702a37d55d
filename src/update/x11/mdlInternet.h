#pragma once
// The update check: whether the machine is online, and whether the update server
// publishes a release other than the running one.

#include "update/update_decisions.h"

#include <string>

namespace mdlInternet {

// Set by checkNewVersion when the server could not be read (the user has then been
// told); reset at the start of every check.
extern bool bAccessProblem;

// True unless the system reports the machine offline.
bool isInternetConnected();

// Fetches `fileName` from the update folder, keeps a copy in the program folder
// (trimmed text + CR LF) and compares its first line, exactly, with the running
// version's caption. True when they differ. False when they are equal, and when the
// server could not be read: then the access-problem message has been shown and
// bAccessProblem is true.
bool checkNewVersion(const std::string& fileName);

// Shows what the user is told for that outcome; the box's answer.
int showUpdateMessage(UpdateOutcome outcome);
// Shows one of the update's messages; the box's answer.
int showUpdateMessage(const UpdateMessage& message);

} // namespace mdlInternet
