#pragma once
// The update check's decisions and what the user is told, shared by both programs: the
// outcome of a check, the local copy of the version file, and the messages of the check
// and of the upgrade window. Text is Windows-1252.

#include <cstddef>
#include <optional>
#include <string>

extern const char* const kVersionFileName; // "vtrver.txt"
extern const char* const kUpgradeFileName; // "VTR_Upgrade.exe"
// The maker's web site, as the about box links it.
extern const char* const kMakerWebsite;
// The version text is small; a longer answer is not a version file and is not read on.
constexpr std::size_t kMaxVersionBytes = 4096;
// The running version as the main window's version label shows it.
extern const char* const kRunningVersion;

enum class UpdateOutcome { NoConnection, AccessProblem, Latest, Offer };

// A message box: text, style (the forms run time's number) and title.
struct UpdateMessage {
    std::string text;
    int style;
    std::string title;
};

// Replaces the local copy at `path` with the fetched text (trimmed, CR LF) and reads the
// server version text back from it. Nothing when the copy can not be removed, written or
// read.
std::optional<std::string> keepVersionCopy(const std::string& path, const std::string& fetched);

// How a check ends. `serverVersion` is nothing when the fetch or the local copy failed;
// that is told as an unreadable server, since saying the program is current would be a
// claim nobody checked.
UpdateOutcome updateOutcome(bool connected, const std::optional<std::string>& serverVersion,
                            const std::string& runningVersion);
// What the user is told for that outcome (the offer is a Yes/No question).
UpdateMessage updateMessage(UpdateOutcome outcome);

// The upgrade window's messages.
UpdateMessage downloadStartFailedMessage();
UpdateMessage downloadedMessage(const std::string& fileName);
extern const char* const kDownloadedStatus;
extern const char* const kDownloadFailedStatus;
extern const char* const kInstallFailedStatus;
extern const char* const kNotVerifiedStatus;
// A copy installed by the system's package tools is upgraded by them: the check says a newer
// version is out (and the maker's site opens) instead of offering the download.
UpdateMessage newerVersionOnSiteMessage();
